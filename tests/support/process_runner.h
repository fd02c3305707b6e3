#pragma once

#include <string>

namespace corvalidyne::testing {

struct ProcessResult {
  unsigned long exitCode = 0;
  std::string output;  // standard output and standard error together
};

// Runs a command line to its end and collects what it prints.
ProcessResult RunProcess(const std::wstring& commandLine);

// Runs reg.exe with the given arguments.
ProcessResult RunReg(const std::wstring& arguments);

}  // namespace corvalidyne::testing
