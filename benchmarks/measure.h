#pragma once

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

namespace corvalidyne::bench {

inline double NowMicroseconds() {
  LARGE_INTEGER frequency, counter;
  QueryPerformanceFrequency(&frequency);
  QueryPerformanceCounter(&counter);
  return static_cast<double>(counter.QuadPart) * 1e6 / static_cast<double>(frequency.QuadPart);
}

inline double Median(std::vector<double> samples) {
  std::sort(samples.begin(), samples.end());
  const std::size_t middle = samples.size() / 2;
  return samples.size() % 2 ? samples[middle] : (samples[middle - 1] + samples[middle]) / 2;
}

inline double Percentile(std::vector<double> samples, double fraction) {
  std::sort(samples.begin(), samples.end());
  const auto index = static_cast<std::size_t>(fraction * static_cast<double>(samples.size() - 1) + 0.5);
  return samples[std::min(index, samples.size() - 1)];
}

// The median over repetitions of the time one call of work takes, in
// microseconds; each repetition times a batch of calls.
template <typename Work>
double MedianPerCall(Work&& work, int repetitions = 9, int batch = 200) {
  std::vector<double> samples;
  for (int r = 0; r < repetitions; ++r) {
    const double start = NowMicroseconds();
    for (int i = 0; i < batch; ++i) work();
    samples.push_back((NowMicroseconds() - start) / batch);
  }
  return Median(samples);
}

// Medians of a piece of work and of its reference, timed in alternating
// repetitions, so that neither profits from the other's warm-up or suffers
// from what the machine does meanwhile.
struct Pair {
  double work;
  double reference;
};

template <typename Work, typename Reference>
Pair MedianPairPerCall(Work&& work, Reference&& reference, int repetitions = 9, int batch = 200) {
  std::vector<double> workSamples, referenceSamples;
  const auto time = [batch](auto& what) {
    const double start = NowMicroseconds();
    for (int i = 0; i < batch; ++i) what();
    return (NowMicroseconds() - start) / batch;
  };
  for (int r = 0; r < repetitions; ++r) {
    workSamples.push_back(time(work));
    referenceSamples.push_back(time(reference));
  }
  return {Median(workSamples), Median(referenceSamples)};
}

// One line of the table: what was measured, its figure, the reference measured
// in the same run (if any), and the goal it is held to.
struct Row {
  std::string name;
  double value;
  std::string unit;
  double reference = 0;  // 0: nothing to compare with
  double goal = 0;       // a ratio bound when reference is set, else a bound on value; 0: none
  // The fastest and slowest sample behind a median value; both 0: not shown.
  double minimum = 0;
  double maximum = 0;
};

inline bool Print(const std::vector<Row>& rows) {
  bool allMet = true;
  std::printf("%-64s %12s %19s %12s %8s %8s  %s\n", "case", "median", "spread", "reference", "ratio", "goal",
              "");
  for (const Row& row : rows) {
    const bool compares = row.reference > 0;
    const double measured = compares ? row.value / row.reference : row.value;
    const bool met = row.goal <= 0 || measured <= row.goal;
    allMet = allMet && met;
    char value[32], spread[48] = "", reference[32] = "", ratio[16] = "", goal[16] = "";
    std::snprintf(value, sizeof value, "%.2f %s", row.value, row.unit.c_str());
    if (row.minimum != 0 || row.maximum != 0)
      std::snprintf(spread, sizeof spread, "%.2f-%.2f %s", row.minimum, row.maximum, row.unit.c_str());
    if (compares) {
      std::snprintf(reference, sizeof reference, "%.2f %s", row.reference, row.unit.c_str());
      std::snprintf(ratio, sizeof ratio, "%.2f", measured);
    }
    if (row.goal > 0) std::snprintf(goal, sizeof goal, "%s%.2f", compares ? "x" : "<=", row.goal);
    std::printf("%-64s %12s %19s %12s %8s %8s  %s\n", row.name.c_str(), value, spread, reference, ratio, goal,
                row.goal > 0 ? (met ? "met" : "MISSED") : "");
  }
  std::fflush(stdout);
  return allMet;
}

}  // namespace corvalidyne::bench
