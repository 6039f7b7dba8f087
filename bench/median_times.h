#pragma once

// Timing for the in-process benchmarks: the median wall and thread CPU time of a few calls, and one report line with
// its goal (CPU time counts, since the shared machine's other work stretches wall time).

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <ctime>
#include <functional>
#include <vector>

namespace tidewick::bench {

struct TTimes {
  double WallMs = 0;
  double CpuMs = 0;  // this thread's processor time: what an idle machine would take
};

inline double CpuNowMs() {
  timespec now{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
  return static_cast<double>(now.tv_sec) * 1e3 + static_cast<double>(now.tv_nsec) / 1e6;
}

// Medians of `runs` calls.
inline TTimes Median(const std::function<void()>& action, int runs = 5) {
  std::vector<double> wall;
  std::vector<double> cpu;
  for (int i = 0; i < runs; ++i) {
    const auto start = std::chrono::steady_clock::now();
    const double cpuStart = CpuNowMs();
    action();
    cpu.push_back(CpuNowMs() - cpuStart);
    wall.push_back(std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count());
  }
  std::sort(wall.begin(), wall.end());
  std::sort(cpu.begin(), cpu.end());
  return {wall[wall.size() / 2], cpu[cpu.size() / 2]};
}

// Median wall time of `runs` calls, in milliseconds; `prepare` (when given) runs untimed before each call.
inline double MedianMs(int runs, const std::function<void()>& action, const std::function<void()>& prepare = {}) {
  std::vector<double> times;
  for (int i = 0; i < runs; ++i) {
    if (prepare) {
      prepare();
    }
    const auto start = std::chrono::steady_clock::now();
    action();
    times.push_back(std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count());
  }
  std::sort(times.begin(), times.end());
  return times[times.size() / 2];
}

// Prints one line; false when the CPU time misses the goal.
inline bool Report(const char* what, TTimes times, double goal) {
  const bool ok = times.CpuMs < goal;
  std::printf("%-58s cpu %7.1f ms  wall %7.1f ms  (goal < %.0f ms) %s\n", what, times.CpuMs, times.WallMs, goal,
              ok ? "ok" : "TOO SLOW");
  return ok;
}

}  // namespace tidewick::bench
