#pragma once

#include <windows.h>

#include <algorithm>
#include <cmath>
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

// A piece of work against its reference, timed in pairs: each pair times a
// batch of the work and a batch of the reference back to back (the order
// alternating from pair to pair), so that both see the same moment of a
// shared, noisy machine, and the pair's ratio is free of what the machine did
// in another moment. The figure is the median of the pairs' ratios.
struct Paired {
  double work = 0;       // median time per call of the work, in microseconds
  double reference = 0;  // the same of the reference
  std::vector<double> ratios{};
};

inline constexpr int kPairs = 25;

template <typename Work, typename Reference>
Paired MeasurePairs(Work&& work, Reference&& reference, int pairs = kPairs, int batch = 200) {
  const auto time = [batch](auto& what) {
    const double start = NowMicroseconds();
    for (int i = 0; i < batch; ++i) what();
    return (NowMicroseconds() - start) / batch;
  };
  std::vector<double> works, references;
  Paired paired;
  for (int pair = 0; pair < pairs; ++pair) {
    double w = 0, r = 0;
    if (pair % 2 == 0) {
      w = time(work);
      r = time(reference);
    } else {
      r = time(reference);
      w = time(work);
    }
    works.push_back(w);
    references.push_back(r);
    paired.ratios.push_back(r > 0 ? w / r : 0);
  }
  paired.work = Median(works);
  paired.reference = Median(references);
  return paired;
}

// The 95% interval of a median, by the ranks of the sorted samples that bound
// it (the sign test's interval, which assumes nothing of their distribution).
struct Interval {
  double low = 0;
  double high = 0;
};

inline Interval MedianInterval(std::vector<double> samples) {
  std::sort(samples.begin(), samples.end());
  const double n = static_cast<double>(samples.size());
  const double half = 1.96 * std::sqrt(n) / 2;
  const auto low = static_cast<std::size_t>(std::max(0.0, std::floor(n / 2 - half)));
  const auto high = static_cast<std::size_t>(std::min(n - 1, std::ceil(n / 2 + half)));
  return {samples[low], samples[high]};
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
  // Measured in pairs: the ratio is their median, and the verdict comes from
  // its interval.
  std::vector<double> ratios{};
};

// A row measured in pairs against a reference.
inline Row PairedRow(std::string name, const Paired& paired, std::string unit, double goal,
                     double scale = 1) {
  Row row{std::move(name), paired.work / scale, std::move(unit), paired.reference / scale, goal};
  row.ratios = paired.ratios;
  return row;
}

// "met" where the whole interval of the median ratio is within the goal,
// "MISSED" where it is all beyond it, "undecided" where the goal lies inside
// it: the pairs spread too widely to tell.
inline const char* Verdict(const Row& row, double measured) {
  if (row.goal <= 0) return "";
  if (row.ratios.empty()) return measured <= row.goal ? "met" : "MISSED";
  const Interval interval = MedianInterval(row.ratios);
  if (interval.high <= row.goal) return "met";
  if (interval.low > row.goal) return "MISSED";
  return "undecided";
}

// Prints the table; false where a goal was missed (an undecided row is not).
inline bool Print(const std::vector<Row>& rows) {
  bool allMet = true;
  std::printf("%-66s %12s %12s %7s %13s %13s %7s  %s\n", "case", "median", "reference", "ratio",
              "95% of ratio", "pairs p10-p90", "goal", "");
  for (const Row& row : rows) {
    const bool compares = row.reference > 0;
    const double measured = !row.ratios.empty() ? Median(row.ratios)
                            : compares          ? row.value / row.reference
                                                : row.value;
    const char* verdict = Verdict(row, measured);
    allMet = allMet && std::string(verdict) != "MISSED";
    char value[32], reference[32] = "", ratio[16] = "", interval[32] = "", spread[48] = "", goal[16] = "";
    std::snprintf(value, sizeof value, "%.2f %s", row.value, row.unit.c_str());
    if (compares) {
      std::snprintf(reference, sizeof reference, "%.2f %s", row.reference, row.unit.c_str());
      std::snprintf(ratio, sizeof ratio, "%.2f", measured);
    }
    if (!row.ratios.empty()) {
      const Interval median = MedianInterval(row.ratios);
      std::snprintf(interval, sizeof interval, "%.2f-%.2f", median.low, median.high);
      std::snprintf(spread, sizeof spread, "%.2f-%.2f", Percentile(row.ratios, 0.1),
                    Percentile(row.ratios, 0.9));
    } else if (row.minimum != 0 || row.maximum != 0) {
      std::snprintf(spread, sizeof spread, "%.0f-%.0f %s", row.minimum, row.maximum, row.unit.c_str());
    }
    if (row.goal > 0) std::snprintf(goal, sizeof goal, "%s%.2f", compares ? "x" : "<=", row.goal);
    std::printf("%-66s %12s %12s %7s %13s %13s %7s  %s\n", row.name.c_str(), value, reference, ratio,
                interval, spread, goal, verdict);
  }
  std::fflush(stdout);
  return allMet;
}

}  // namespace corvalidyne::bench
