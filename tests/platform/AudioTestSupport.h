// Analysis helpers for tests that check rendered audio: pitch, onset and level.
#pragma once

#include <cmath>
#include <cstddef>
#include <string>
#include <vector>

#include "platform/audio/AudioEngine.h"
#include "tests/support/TestSoundFont.h"

namespace tonalix::platform::test {

// An engine set-up with no output thread, rendered by the test itself (48 kHz, period 256).
inline AudioConfig offlineConfig(const std::string& font = testing::kSmallSoundFont) {
  AudioConfig c;
  c.output = AudioConfig::Output::Offline;
  c.soundFont = font;
  c.sampleRate = 48000;
  c.periodFrames = 256;
  return c;
}

// Left channel of an interleaved stereo buffer.
inline std::vector<float> leftChannel(const std::vector<float>& stereo) {
  std::vector<float> out(stereo.size() / 2);
  for (std::size_t i = 0; i < out.size(); ++i) out[i] = stereo[2 * i];
  return out;
}

// Index of the first sample whose magnitude exceeds the threshold, or -1.
inline long onsetOf(const std::vector<float>& x, float threshold = 1e-6f) {
  for (std::size_t i = 0; i < x.size(); ++i)
    if (std::fabs(x[i]) > threshold) return static_cast<long>(i);
  return -1;
}

inline float peakOf(const std::vector<float>& x) {
  float peak = 0;
  for (float v : x) peak = std::max(peak, std::fabs(v));
  return peak;
}

// Fundamental frequency by normalised autocorrelation: the first lag whose correlation comes
// close to the best one (avoids octave errors), refined by parabolic interpolation.
inline double pitchOf(const std::vector<float>& x, double sampleRate, double minHz = 50, double maxHz = 2000) {
  const std::size_t minLag = static_cast<std::size_t>(sampleRate / maxHz);
  const std::size_t maxLag = static_cast<std::size_t>(sampleRate / minHz);
  if (x.size() < 2 * maxLag) return 0;
  const std::size_t n = x.size() - maxLag - 1;  // lags reach maxLag + 1
  std::vector<double> r(maxLag + 2, 0.0);
  double energy = 0;
  for (std::size_t i = 0; i < n; ++i) energy += double(x[i]) * x[i];
  if (energy <= 0) return 0;
  double best = 0;
  for (std::size_t lag = minLag; lag <= maxLag + 1; ++lag) {
    double s = 0;
    for (std::size_t i = 0; i < n; ++i) s += double(x[i]) * x[i + lag];
    r[lag] = s / energy;
    if (lag <= maxLag) best = std::max(best, r[lag]);
  }
  for (std::size_t lag = minLag + 1; lag <= maxLag; ++lag) {
    if (r[lag] >= 0.9 * best && r[lag] >= r[lag - 1] && r[lag] >= r[lag + 1]) {
      const double a = r[lag - 1], b = r[lag], c = r[lag + 1];
      const double denom = a - 2 * b + c;
      const double shift = denom != 0 ? 0.5 * (a - c) / denom : 0;
      return sampleRate / (double(lag) + shift);
    }
  }
  return 0;
}

}  // namespace tonalix::platform::test
