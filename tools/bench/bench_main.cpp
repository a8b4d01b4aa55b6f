// vornex_bench: the game's performance figures, printed with their targets and never
// asserted. Everything runs on the real clock, off-screen on Mesa's software OpenGL at
// 400 x 400; warm-up frames are discarded. Present's hold to one display refresh is
// switched off, so the figures are what the work takes, not the game's paced frame rate.
// Run it from the run-time directory or give --run-dir.
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "d3d9/present_pacing.h"
#include "frame_bench.h"
#include "frame_capture.h"
#include "game_session.h"
#include "gl_floor.h"
#include "memory_use.h"
#include "start_up_bench.h"
#include "timing.h"
#include "world/world.h"

namespace {

struct Options {
  std::string runDir;
  int startUps = 5;
  int worlds = 10;
  int logicFrames = 2000;
  int frames = 300;
  int warmUp = 30;
  bool startUpOnly = false;
  std::string pictures;  // where to save the last game and floor frames, when given
};

enum Verdict { kNoTarget, kMet, kMissed };

Verdict verdict(bool met) { return met ? kMet : kMissed; }

void print_figure(const char* what, const std::string& figure, const char* target, Verdict verdict) {
  const char* word = verdict == kMet ? "met" : verdict == kMissed ? "MISSED" : "";
  std::printf("  %-40s %-46s %-10s %s\n", what, figure.c_str(), target, word);
}

std::string format(const char* pattern, double a, double b = 0.0, double c = 0.0) {
  char text[128];
  std::snprintf(text, sizeof text, pattern, a, b, c);
  return text;
}

int active_count(const World& world, int first, int last) {
  int n = 0;
  for (int i = first; i <= last; ++i) n += world.entities[i].active ? 1 : 0;
  return n;
}

struct Figures {
  std::vector<double> startUps, worlds, logic;
  FrameSamples play, bare;
  double pictureDifference = -1.0;  // -1: not compared
  int enemies = 0, bolts = 0, particles = 0;
  double peakMegabytes = 0.0;  // the game's, before the floor adds its own context and assets
};

// Everything but the start-up runs in this one process, on the one game.
bool measure_in_process(const Options& options, Figures* f) {
  GameSession session;
  if (!start_game(session)) {
    std::fprintf(stderr, "vornex_bench: the game did not start\n");
    finish_game(session);
    return false;
  }
  run_game_pass(session);  // the first title-menu frame: the device has drawn before any timing
  f->worlds = measure_new_worlds(options.worlds);

  World* world = new World;
  const Scene scene = capture_scene(*world);
  f->logic = measure_logic(*world, scene, 100, options.logicFrames);

  // The peak is the process's; taken here it is the game's, having played with full pools.
  play_frames(*world, scene, options.warmUp);
  f->peakMegabytes = static_cast<double>(memory_use().peakKb) / 1024.0;

  std::string error;
  GlFloor* floor = create_floor(*world, &error);
  if (!floor) {
    std::fprintf(stderr, "vornex_bench: %s\n", error.c_str());
    delete world;
    finish_game(session);
    return false;
  }
  measure_frames(*world, scene, floor, options.warmUp, options.frames, &f->play, &f->bare);
  f->pictureDifference = picture_difference(floor, options.pictures);
  rearm(*world, scene);
  f->enemies = active_count(*world, kFirstEnemy, kLastEnemy);
  f->bolts = active_count(*world, kFirstBolt, kFirstBolt + kBoltCount - 1);
  for (const Particle& p : world->particles) f->particles += p.active ? 1 : 0;

  destroy_floor(floor);
  delete world;
  finish_game(session);
  return true;
}

void print_figures(const Figures& f) {
  std::printf("\n  %-40s %-46s %-10s\n", "figure", "measured", "target");
  if (f.startUps.empty())
    print_figure("start-up to the first title-menu frame", "not measured", "<= 285 ms", kNoTarget);
  else
    print_figure("start-up to the first title-menu frame",
                 format("median %.1f ms (min %.1f, %.0f runs)", median(f.startUps),
                        *std::min_element(f.startUps.begin(), f.startUps.end()),
                        static_cast<double>(f.startUps.size())),
                 "<= 285 ms", verdict(median(f.startUps) <= 285.0));
  print_figure("new World construction",
               format("median %.2f ms (first %.2f, %.0f runs)", median(f.worlds), f.worlds.front(),
                      static_cast<double>(f.worlds.size())),
               "<= 30 ms", verdict(median(f.worlds) <= 30.0));
  print_figure("update_world + enemy_pass, full pools",
               format("median %.1f us, p99 %.1f us (%.0f frames)", median(f.logic), quantile(f.logic, 0.99),
                      static_cast<double>(f.logic.size())),
               "<= 50 us", verdict(median(f.logic) <= 50.0));
  print_figure("play frame, full pools (update + draw)",
               format("median %.2f ms, p99 %.2f ms (%.0f frames)", median(f.play.wall),
                      quantile(f.play.wall, 0.99), static_cast<double>(f.play.wall.size())),
               "<= 5 ms", verdict(median(f.play.wall) <= 5.0));
  print_figure("bare-GL floor, the same draws",
               format("median %.2f ms, p99 %.2f ms", median(f.bare.wall), quantile(f.bare.wall, 0.99)), "",
               kNoTarget);
  const double ratio = median(f.play.wall) / median(f.bare.wall);
  print_figure("play frame / floor (medians)", format("%.3f", ratio), "<= 1.25", verdict(ratio <= 1.25));
  print_figure("  CPU time, game thread: play, floor",
               format("median %.2f ms, %.2f ms", median(f.play.cpu), median(f.bare.cpu)), "", kNoTarget);
  print_figure("  CPU time, all threads: play, floor",
               format("median %.2f ms, %.2f ms", median(f.play.allCpu), median(f.bare.allCpu)), "",
               kNoTarget);
  print_figure("peak memory of the game (resident)", format("%.1f MB", f.peakMegabytes), "", kNoTarget);
  std::printf(
      "\n  start-up includes the loading screen's own sleeps (19 x 10 ms); frames are timed to\n"
      "  the last pixel (glFinish). Pools in the frames: %d enemies, %d bolts, %d particles.\n",
      f.enemies, f.bolts, f.particles);
  if (f.pictureDifference >= 0.0)
    std::printf(
        "  Floor against game picture: mean difference %.2f of 255 per channel (the heads-up line).\n",
        f.pictureDifference);
  else
    std::printf("  Floor against game picture: not compared (a back buffer could not be read).\n");
}

int run_benchmarks(const Options& options) {
  std::printf("VORNEX benchmarks: real clock, SDL offscreen, Mesa software OpenGL, 400 x 400\n");
  std::printf("Present not held to the display refresh: the figures are the work's own time\n");
  double load[1] = {0.0};
  if (getloadavg(load, 1) == 1)
    std::printf("machine load average %.2f on %ld cores (figures need a quiet machine)\n", load[0],
                sysconf(_SC_NPROCESSORS_ONLN));
  std::fflush(stdout);
  Figures figures;
  figures.startUps = measure_start_ups(options.startUps);
  if (!measure_in_process(options, &figures)) return 1;
  print_figures(figures);
  return 0;
}

// A whole decimal number from lo to hi, and nothing else.
bool parse_int(const char* text, int lo, int hi, int* out) {
  char* end = nullptr;
  errno = 0;
  const long value = std::strtol(text, &end, 10);
  if (end == text || *end != '\0' || errno != 0 || value < lo || value > hi) return false;
  *out = static_cast<int>(value);
  return true;
}

int usage_error(const char* why) {
  std::fprintf(stderr,
               "vornex_bench: %s\nusage: vornex_bench [--run-dir DIR] [--frames N] [--start-ups N] "
               "[--pictures DIR] [--start-up-only]\n",
               why);
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  const Stopwatch sinceMain;
  Options options;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    const bool hasValue = i + 1 < argc;
    if (arg == "--run-dir" && hasValue) {
      options.runDir = argv[++i];
    } else if (arg == "--frames" && hasValue) {
      if (!parse_int(argv[++i], 1, 100000, &options.frames)) return usage_error("--frames takes 1 to 100000");
    } else if (arg == "--start-ups" && hasValue) {
      if (!parse_int(argv[++i], 0, 100, &options.startUps)) return usage_error("--start-ups takes 0 to 100");
    } else if (arg == "--pictures" && hasValue) {
      options.pictures = absolute_path(argv[++i]);
    } else if (arg == "--start-up-only") {
      options.startUpOnly = true;
    } else {
      return usage_error(("unexpected argument \"" + arg + "\"").c_str());
    }
  }
  std::string error;
  if (!options.runDir.empty() && !enter_run_directory(options.runDir, &error)) {
    std::fprintf(stderr, "vornex_bench: %s\n", error.c_str());
    return 2;
  }
  if (!options.pictures.empty() && !make_output_directory(options.pictures, &error)) {
    std::fprintf(stderr, "vornex_bench: %s\n", error.c_str());
    return 2;
  }
  use_headless_drivers();
  present_pacing_enable(false);
  return options.startUpOnly ? start_up_only(sinceMain) : run_benchmarks(options);
}
