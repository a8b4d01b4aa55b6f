#include "script_runner.h"

#include <mmsystem.h>

#include <chrono>
#include <cmath>
#include <cstdio>

#include "app/shell.h"
#include "frame_capture.h"
#include "game_session.h"
#include "input_events.h"
#include "math/camera.h"
#include "memory_use.h"
#include "play/fire_control.h"
#include "win32/virtual_clock.h"
#include "world/world.h"

namespace {

int current_kills() { return g_world ? g_world->kills : -1; }

// The view's heading in whole degrees, 0 to 359, clockwise seen from above, from +z (where
// the program starts looking) towards +x.
int current_heading() {
  const double degrees = std::atan2(g_camera.lookAt.x - g_camera.eye.x, g_camera.lookAt.z - g_camera.eye.z) *
                         180.0 / 3.14159265358979323846;
  return (static_cast<int>(std::lround(degrees)) + 360) % 360;
}


void report(const ScriptStep& step, const std::string& what) {
  std::fprintf(stderr, "vornex_headless: line %d (%s): %s\n", step.line, step.text.c_str(), what.c_str());
}

void count_expectation(RunResult& result, const ScriptStep& step, bool holds, const std::string& what) {
  if (holds) {
    ++result.passed;
    return;
  }
  ++result.failed;
  report(step, what);
}

void expect_count(RunResult& result, const ScriptStep& step, const char* what, int actual) {
  count_expectation(result, step, compare_holds(step.compare, actual, step.value),
                    std::string("the ") + what + " is " + std::to_string(actual));
}

// One line on standard output: the peak resident memory so far (which only grows) and the
// resident memory now, in kB, with the step's virtual time.
void print_memory(const ScriptStep& step) {
  const MemoryUse use = memory_use();
  std::printf("memory at %u ms: peak %ld kB, now %ld kB\n", step.atMs, use.peakKb, use.residentKb);
  std::fflush(stdout);
}

// Carries out one step while the program runs.
void run_step(const ScriptStep& step, const RunOptions& options, RunResult& result) {
  bool delivered = true;
  switch (step.kind) {
    case StepKind::kKeyDown:
      delivered = push_key(step.key, true);
      break;
    case StepKind::kKeyUp:
      delivered = push_key(step.key, false);
      break;
    case StepKind::kButtonDown:
      delivered = push_left_button(true);
      break;
    case StepKind::kButtonUp:
      delivered = push_left_button(false);
      break;
    case StepKind::kMouse:
      delivered = push_mouse_motion(step.dx, step.dy);
      break;
    case StepKind::kClose:
      delivered = push_close();
      break;
    case StepKind::kShot: {
      std::string error;
      if (!save_frame_png(options.shotDir + "/" + step.file, &error)) {
        ++result.failed;
        report(step, error);
      }
      break;
    }
    case StepKind::kExpectState:
      count_expectation(result, step, g_screen_state == step.value,
                        "the screen state is " + std::to_string(g_screen_state));
      break;
    case StepKind::kExpectKills: {
      const int kills = current_kills();
      count_expectation(result, step, kills >= 0 && compare_holds(step.compare, kills, step.value),
                        kills < 0 ? "there is no World" : "the kill count is " + std::to_string(kills));
      break;
    }
    case StepKind::kExpectQuit:
      count_expectation(result, step, false, "the program is still running");
      break;
    case StepKind::kExpectShots:
      expect_count(result, step, "shot count", g_shot_count);
      break;
    case StepKind::kExpectHeading:
      expect_count(result, step, "heading", current_heading());
      break;
    case StepKind::kPadPlug:
      delivered = plug_pad();
      break;
    case StepKind::kPadUnplug:
      delivered = unplug_pad();
      break;
    case StepKind::kPadLeftStick:
    case StepKind::kPadRightStick:
      delivered = lean_pad_stick(step.kind == StepKind::kPadRightStick, step.dx / 100.0f, step.dy / 100.0f);
      break;
    case StepKind::kPadTrigger:
      delivered = press_pad_trigger(step.value / 100.0f);
      break;
    case StepKind::kPadPress:
    case StepKind::kPadRelease:
      delivered = press_pad_button(step.button, step.kind == StepKind::kPadPress);
      break;
    case StepKind::kMemory:
      print_memory(step);
      break;
  }
  if (!delivered) {
    ++result.failed;
    report(step, std::string("SDL did not take the input: ") + SDL_GetError());
  }
}

bool is_observation(StepKind kind) {
  return kind == StepKind::kShot || kind == StepKind::kExpectState || kind == StepKind::kExpectKills ||
         kind == StepKind::kExpectShots || kind == StepKind::kExpectHeading || kind == StepKind::kExpectQuit;
}

// Steps the program never reached because it quit first, or never started. Input has
// nobody to go to (a click's release after the click that quit, say); of the
// observations, only "expect quit" holds.
void settle_unreached(const std::vector<ScriptStep>& steps, size_t next, RunResult& result) {
  std::string why = "not reached: the game did not start";
  if (result.started)
    why = "not reached: the program had quit at " + std::to_string(result.virtualMs) + " ms";
  for (; next < steps.size(); ++next) {
    const ScriptStep& step = steps[next];
    if (!is_observation(step.kind)) continue;
    count_expectation(result, step, step.kind == StepKind::kExpectQuit, why);
  }
}

}  // namespace

RunResult run_script(const std::vector<ScriptStep>& steps, const RunOptions& options) {
  RunResult result;
  result.digest = kDigestStart;
  const auto realStart = std::chrono::steady_clock::now();
  virtual_clock_enable(0);

  GameSession session;
  result.started = start_game(session);
  size_t next = 0;
  const uint32_t lastStep = steps.empty() ? 0 : steps.back().atMs;
  while (result.started && !session.loop.quit) {
    const uint32_t now = timeGetTime();
    while (next < steps.size() && steps[next].atMs <= now) run_step(steps[next++], options, result);
    if (next == steps.size() && now - lastStep >= options.lingerMs) break;
    run_game_pass(session);
    ++result.passes;
    if (options.digest) result.digest = fold_frame_digest(result.digest);
    virtual_clock_advance(options.frameMs);
  }

  result.quit = session.loop.quit;
  result.virtualMs = timeGetTime();
  result.finalState = g_screen_state;
  result.kills = current_kills();
  settle_unreached(steps, next, result);
  result.programStatus = finish_game(session);
  virtual_clock_disable();
  result.realSeconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - realStart).count();
  return result;
}
