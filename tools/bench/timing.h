// Wall-clock timing for the benchmarks: a stopwatch and order statistics of samples.
#ifndef VORNEX_TOOLS_BENCH_TIMING_H
#define VORNEX_TOOLS_BENCH_TIMING_H

#include <algorithm>
#include <chrono>
#include <cmath>
#include <ctime>
#include <vector>

class Stopwatch {
 public:
  Stopwatch() : start_(std::chrono::steady_clock::now()) {}
  double milliseconds() const {
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start_).count();
  }

 private:
  std::chrono::steady_clock::time_point start_;
};

// CPU time the calling thread has used, in milliseconds: the work the game's own thread
// does for a frame (its code, the GL driver, Mesa's vertex stage), whatever else runs.
inline double thread_cpu_ms() {
  timespec t{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
  return static_cast<double>(t.tv_sec) * 1000.0 + static_cast<double>(t.tv_nsec) / 1.0e6;
}

// CPU time the whole process has used (every thread, Mesa's rasterizer threads too), in
// milliseconds: what a frame costs the machine, however busy the machine is otherwise.
inline double process_cpu_ms() {
  timespec t{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
  return static_cast<double>(t.tv_sec) * 1000.0 + static_cast<double>(t.tv_nsec) / 1.0e6;
}

// The smallest sample with at least a fraction q (0..1) of the samples at or below it
// (the nearest-rank percentile: q = 0.99 gives the 99th); 0 for none.
inline double quantile(std::vector<double> samples, double q) {
  if (samples.empty()) return 0.0;
  std::sort(samples.begin(), samples.end());
  size_t rank = static_cast<size_t>(std::ceil(q * static_cast<double>(samples.size())));
  return samples[rank == 0 ? 0 : std::min(rank, samples.size()) - 1];
}

// The middle sample, or the mean of the two middle ones for an even count (the nearest
// rank would give the lower of the two: with two runs, the faster); 0 for none.
inline double median(std::vector<double> samples) {
  if (samples.empty()) return 0.0;
  const size_t half = samples.size() / 2;
  std::nth_element(samples.begin(), samples.begin() + half, samples.end());
  const double upper = samples[half];
  if (samples.size() % 2 == 1) return upper;
  const double lower = *std::max_element(samples.begin(), samples.begin() + half);
  return (lower + upper) / 2.0;
}

#endif  // VORNEX_TOOLS_BENCH_TIMING_H
