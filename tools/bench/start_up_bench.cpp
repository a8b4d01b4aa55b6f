#include "start_up_bench.h"

#include <epoxy/gl.h>
#include <unistd.h>

#include <cstdio>
#include <string>

#include "game_session.h"

int start_up_only(const Stopwatch& sinceMain) {
  GameSession session;
  const bool running = start_game(session);
  if (running) {
    // Start-up ends with the title menu made, in state 0; the first pass draws it.
    run_game_pass(session);
    glFinish();
  }
  const double ms = sinceMain.milliseconds();
  const int status = finish_game(session);
  if (!running || status != 0) return 1;
  std::printf("%.3f\n", ms);
  return 0;
}

std::vector<double> measure_start_ups(int runs) {
  std::vector<double> samples;
  char self[4096] = {};
  if (readlink("/proc/self/exe", self, sizeof self - 1) <= 0) {
    std::fprintf(stderr, "vornex_bench: cannot find its own program file to run the start-ups\n");
    return samples;
  }
  // The path in single quotes for the shell, a quote in it written as '\''.
  std::string quoted = "'";
  for (const char* c = self; *c; ++c) quoted += *c == '\'' ? std::string("'\\''") : std::string(1, *c);
  quoted += "'";
  // The child's own messages are left out: a failed run is counted and named here.
  const std::string command = quoted + " --start-up-only 2>/dev/null";
  for (int i = 0; i < runs; ++i) {
    FILE* child = popen(command.c_str(), "r");
    if (!child) break;
    double ms = 0.0;
    const bool read = std::fscanf(child, "%lf", &ms) == 1;
    const int status = pclose(child);
    if (status == 0 && read)
      samples.push_back(ms);
    else
      std::fprintf(stderr, "vornex_bench: start-up run %d failed (run %s --start-up-only to see why)\n",
                   i + 1, quoted.c_str());
  }
  return samples;
}
