// Start-up to the first title-menu frame, each time in a fresh process: the benchmark
// runs itself with --start-up-only, which brings the game up and reports the time.
#ifndef VORNEX_TOOLS_BENCH_START_UP_BENCH_H
#define VORNEX_TOOLS_BENCH_START_UP_BENCH_H

#include <vector>

#include "timing.h"

// The --start-up-only run: from this process's main to the first title-menu frame drawn
// to the last pixel, printed in milliseconds on standard output. 0 on success.
int start_up_only(const Stopwatch& sinceMain);

// That run `runs` times over, in child processes; the runs that succeeded, in ms.
std::vector<double> measure_start_ups(int runs);

#endif  // VORNEX_TOOLS_BENCH_START_UP_BENCH_H
