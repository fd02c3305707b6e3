#pragma once

#include "installation_steps.h"

namespace corvalidyne {

// The local machine's registry: one short-lived Registry object per question.
class RegistryInstallationState final : public InstallationState {
 public:
  [[nodiscard]] bool IsDone(const InstallationStep& step) const override;
  [[nodiscard]] bool IsIISInstalled() const override;
};

}  // namespace corvalidyne
