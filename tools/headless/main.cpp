// vornex_headless: the real game, off-screen, on a virtual clock, played by a script.
// The same script gives the same game: the same kills and the same frames.
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "frame_capture.h"
#include "game_session.h"
#include "script.h"
#include "script_runner.h"

namespace {

const char* const kUsage =
    "usage: vornex_headless [options] SCRIPT\n"
    "  --run-dir DIR   the game's run-time directory (default: the current directory)\n"
    "  --shots DIR     where shot steps write their PNGs, made if missing (default: the current directory)\n"
    "  --frame-ms N    virtual milliseconds per pass besides the loop's own 1 ms (default 16)\n"
    "  --linger MS     virtual time allowed after the last step for the program to quit (default 2000)\n"
    "  --digest        fold every frame drawn into a digest, printed with the summary\n"
    "Exit status: 0 when every expectation held and the program ended well, 1 otherwise,\n"
    "2 for a bad command line or script.\n";

bool parse_count(const char* text, uint32_t* out) {
  char* end = nullptr;
  unsigned long value = std::strtoul(text, &end, 10);
  if (!*text || *end || text[0] == '-' || value > 3600000ul) return false;
  *out = static_cast<uint32_t>(value);
  return true;
}

int usage_error(const char* why) {
  std::fprintf(stderr, "vornex_headless: %s\n%s", why, kUsage);
  return 2;
}

void print_summary(const RunResult& r, bool digest) {
  std::printf("passes %ld\n", r.passes);
  std::printf("virtual time %u ms\n", r.virtualMs);
  std::printf("real time %.2f s\n", r.realSeconds);
  std::printf("final state %d (%s)\n", r.finalState, r.quit ? "quit" : "running");
  if (r.kills >= 0)
    std::printf("kills %d\n", r.kills);
  else
    std::printf("kills none (no game was played)\n");
  std::printf("expectations %d passed, %d failed\n", r.passed, r.failed);
  std::printf("program status %d\n", r.programStatus);
  if (digest) std::printf("frame digest %016llx\n", static_cast<unsigned long long>(r.digest));
}

}  // namespace

int main(int argc, char** argv) {
  RunOptions options;
  std::string runDir, scriptPath;
  options.shotDir = absolute_path(".");
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    const bool hasValue = i + 1 < argc;
    if (arg == "--run-dir" && hasValue) {
      runDir = argv[++i];
    } else if (arg == "--shots" && hasValue) {
      options.shotDir = absolute_path(argv[++i]);
    } else if (arg == "--frame-ms" && hasValue) {
      if (!parse_count(argv[++i], &options.frameMs)) return usage_error("--frame-ms takes 0 to 3600000");
    } else if (arg == "--linger" && hasValue) {
      if (!parse_count(argv[++i], &options.lingerMs)) return usage_error("--linger takes 0 to 3600000");
    } else if (arg == "--digest") {
      options.digest = true;
    } else if (arg == "--help" || arg == "-h") {
      std::printf("%s", kUsage);
      return 0;
    } else if (!arg.empty() && arg[0] != '-' && scriptPath.empty()) {
      scriptPath = arg;
    } else {
      return usage_error(("unexpected argument \"" + arg + "\"").c_str());
    }
  }
  if (scriptPath.empty()) return usage_error("no script given");

  std::vector<ScriptStep> steps;
  std::string error;
  if (!load_script(scriptPath, &steps, &error)) {
    std::fprintf(stderr, "vornex_headless: %s\n", error.c_str());
    return 2;
  }
  // Made now, so that a shot directory that cannot exist stops the run before it starts
  // rather than failing every shot step at its end.
  const bool takesShots = std::any_of(steps.begin(), steps.end(),
                                      [](const ScriptStep& step) { return step.kind == StepKind::kShot; });
  if (takesShots && !make_output_directory(options.shotDir, &error)) {
    std::fprintf(stderr, "vornex_headless: %s\n", error.c_str());
    return 2;
  }
  if (!runDir.empty() && !enter_run_directory(runDir, &error)) {
    std::fprintf(stderr, "vornex_headless: %s\n", error.c_str());
    return 2;
  }

  use_headless_drivers();
  RunResult result = run_script(steps, options);
  print_summary(result, options.digest);
  const bool good = result.started && result.failed == 0 && result.programStatus == 0;
  return good ? 0 : 1;
}
