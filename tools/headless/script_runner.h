// Plays a script against the game on the virtual clock. Each pass of the main loop
// first carries out the steps that are due (their time has come on the virtual clock),
// then runs the pass, then moves the clock on by the frame time (the loop's own
// Sleep(1) adds its millisecond). Observations (shots, expectations) therefore see the
// frame on screen and the state as the previous pass left them. When the program quits
// the run ends: input steps left over are dropped, observations left over fail, apart
// from "expect quit". After the last step the run goes on for at most the linger time,
// waiting for the program to quit.
#ifndef VORNEX_TOOLS_HEADLESS_SCRIPT_RUNNER_H
#define VORNEX_TOOLS_HEADLESS_SCRIPT_RUNNER_H

#include <cstdint>
#include <string>
#include <vector>

#include "script.h"

struct RunOptions {
  uint32_t frameMs = 16;     // virtual time per pass besides the loop's Sleep(1)
  uint32_t lingerMs = 2000;  // how long to wait after the last step for the program to quit
  std::string shotDir = ".";
  bool digest = false;  // fold every frame into RunResult::digest
};

struct RunResult {
  bool started = false;  // start-up reached the title menu
  long passes = 0;
  uint32_t virtualMs = 0;  // the virtual clock at the end
  double realSeconds = 0.0;
  int finalState = 0;
  bool quit = false;      // the program quit by itself
  int programStatus = 0;  // the exit status the program would return
  int kills = -1;         // -1 when no World was ever made
  int passed = 0;         // expectations
  int failed = 0;         // expectations that failed, steps not reached, shots not saved
  uint64_t digest = 0;
};

// Messages about failed steps go to standard error as they happen.
RunResult run_script(const std::vector<ScriptStep>& steps, const RunOptions& options);

#endif  // VORNEX_TOOLS_HEADLESS_SCRIPT_RUNNER_H
