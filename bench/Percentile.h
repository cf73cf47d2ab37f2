// The percentile every bench reports, so that their p99 figures are computed alike: nearest
// rank, the smallest sample with at least p of all samples at or below it. A figure is thus
// always a value that was measured (p99 of 200 samples is the 198th smallest).
#pragma once

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <vector>

namespace tonalix::bench {

// p from 0 to 1; 0 when there are no samples.
inline double percentile(std::vector<double> samples, double p) {
  if (samples.empty()) return 0;
  const double count = static_cast<double>(samples.size());
  // p * count is a hair above a whole rank for some p (0.99 * 300); that hair is no rank.
  const double rank = std::clamp(std::ceil(p * count - 1e-9), 1.0, count);
  const auto nth = samples.begin() + static_cast<std::ptrdiff_t>(rank) - 1;
  std::nth_element(samples.begin(), nth, samples.end());
  return *nth;
}

}  // namespace tonalix::bench
