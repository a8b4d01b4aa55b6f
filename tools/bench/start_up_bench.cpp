#include "start_up_bench.h"

#include <epoxy/gl.h>
#include <unistd.h>

#include <cstdio>
#include <string>

#include "app/shell.h"
#include "game_session.h"

int start_up_only(const Stopwatch& sinceMain) {
  GameSession session;
  bool running = start_game(session);
  while (running && !session.loop.quit && g_screen_state != 0) run_game_pass(session);
  if (running && !session.loop.quit) {
    run_game_pass(session);  // the first pass in state 0 updates and draws the menu
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
  if (readlink("/proc/self/exe", self, sizeof self - 1) <= 0) return samples;
  const std::string command = std::string("'") + self + "' --start-up-only 2>/dev/null";
  for (int i = 0; i < runs; ++i) {
    FILE* child = popen(command.c_str(), "r");
    if (!child) break;
    double ms = 0.0;
    const bool read = std::fscanf(child, "%lf", &ms) == 1;
    if (pclose(child) == 0 && read) samples.push_back(ms);
  }
  return samples;
}
