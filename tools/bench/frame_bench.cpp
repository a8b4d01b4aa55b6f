#include "frame_bench.h"

#include <epoxy/gl.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>

#include "d3d9/d3d9_inspect.h"
#include "frame_capture.h"
#include "full_pools.h"
#include "gfx/device.h"
#include "gl_floor.h"
#include "play/enemy_pass.h"
#include "play/play_frame.h"
#include "timing.h"

namespace {

const float kFrameSeconds = 0.017f;  // the update step every measured frame takes

// The three clocks a frame is measured on, in milliseconds.
struct Clocks {
  double wall = 0.0;
  double cpu = 0.0;
  double allCpu = 0.0;
};

Clocks read_clocks() {
  const auto now = std::chrono::steady_clock::now().time_since_epoch();
  return Clocks{std::chrono::duration<double, std::milli>(now).count(), thread_cpu_ms(), process_cpu_ms()};
}

// Adds what the clocks have counted since `start` to `total`.
void add_since(const Clocks& start, Clocks* total) {
  const Clocks now = read_clocks();
  total->wall += now.wall - start.wall;
  total->cpu += now.cpu - start.cpu;
  total->allCpu += now.allCpu - start.allCpu;
}

void keep_sample(const Clocks& cost, FrameSamples* samples) {
  samples->wall.push_back(cost.wall);
  samples->cpu.push_back(cost.cpu);
  samples->allCpu.push_back(cost.allCpu);
}

// What the play frame's draws saw: the World after its update and the camera. The
// frame goes on to change it after drawing (enemy_pass moves, hits and brings back
// enemies; fire_control may fire; the player may be pushed), so the floor is handed
// this, not what the frame left. The bench gives no input, so the frame's own camera
// update leaves the camera as the World's update set it.
struct DrawnWorld {
  std::vector<Entity> entities;
  std::vector<Particle> particles;
  Camera camera{};
};

void remember(const World& world, DrawnWorld* drawn) {
  drawn->entities.assign(world.entities, world.entities + kEntityCount);
  drawn->particles.assign(world.particles, world.particles + kParticleCount);
  drawn->camera = g_camera;
}

void restore(const DrawnWorld& drawn, World& world) {
  std::copy(drawn.entities.begin(), drawn.entities.end(), world.entities);
  std::copy(drawn.particles.begin(), drawn.particles.end(), world.particles);
  g_camera = drawn.camera;
}

// One play frame as a pass of the main loop runs it in play: the update, then the frame
// with its Present, waited out to the last pixel. The World as the frame drew it goes
// to *drawn (outside the timing); the frame's cost to *cost.
void play_one_frame(World& world, DrawnWorld* drawn, Clocks* cost) {
  Clocks start = read_clocks();
  update_world(world, kFrameSeconds);
  add_since(start, cost);
  remember(world, drawn);
  start = read_clocks();
  play_frame(world);
  glFinish();
  add_since(start, cost);
}

}  // namespace

std::vector<double> measure_new_worlds(int count) {
  std::vector<double> samples;
  for (int i = 0; i < count; ++i) {
    Stopwatch watch;
    World* world = new World;
    samples.push_back(watch.milliseconds());
    delete world;
  }
  return samples;
}

Scene capture_scene(const World& world) {
  return Scene{g_camera, std::vector<Entity>(world.entities + kFirstEnemy, world.entities + kLastEnemy + 1)};
}

void rearm(World& world, const Scene& scene) {
  g_camera = scene.camera;
  std::copy(scene.enemies.begin(), scene.enemies.end(), world.entities + kFirstEnemy);
  fill_pools(world);
}

std::vector<double> measure_logic(World& world, const Scene& scene, int warmUp, int frames) {
  std::vector<double> microseconds;
  for (int i = 0; i < warmUp + frames; ++i) {
    rearm(world, scene);
    Stopwatch watch;
    update_world(world, kFrameSeconds);
    enemy_pass(world);
    if (i >= warmUp) microseconds.push_back(watch.milliseconds() * 1000.0);
  }
  return microseconds;
}

void play_frames(World& world, const Scene& scene, int frames) {
  DrawnWorld drawn;
  for (int i = 0; i < frames; ++i) {
    rearm(world, scene);
    Clocks ignored;
    play_one_frame(world, &drawn, &ignored);
  }
}

void measure_frames(World& world, const Scene& scene, GlFloor* floor, int warmUp, int frames,
                    FrameSamples* play, FrameSamples* bare) {
  DrawnWorld drawn;
  for (int i = 0; i < warmUp + frames; ++i) {
    const bool keep = i >= warmUp;
    rearm(world, scene);
    Clocks playCost;
    play_one_frame(world, &drawn, &playCost);
    if (keep) keep_sample(playCost, play);

    restore(drawn, world);
    Clocks bareCost;
    const Clocks start = read_clocks();
    draw_floor_frame(floor, world);
    add_since(start, &bareCost);
    if (keep) keep_sample(bareCost, bare);
  }
}

double picture_difference(GlFloor* floor, const std::string& saveDir) {
  int w = 0, h = 0, floorW = 0, floorH = 0;
  std::vector<DWORD> game, bare;
  if (!d3d9_read_back_buffer(g_pd3d_render, &w, &h, &game)) return -1.0;
  read_floor_pixels(floor, &floorW, &floorH, &bare);
  if (w != floorW || h != floorH || w <= 0 || h <= 0) return -1.0;
  if (!saveDir.empty()) {
    std::string error;
    if (!save_pixels_png(saveDir + "/bench_game.png", w, h, game, &error) ||
        !save_pixels_png(saveDir + "/bench_floor.png", w, h, bare, &error))
      std::fprintf(stderr, "vornex_bench: %s\n", error.c_str());
  }
  double sum = 0.0;
  for (size_t i = 0; i < game.size(); ++i)
    for (int shift = 0; shift <= 16; shift += 8)
      sum +=
          std::abs(static_cast<int>((game[i] >> shift) & 0xFF) - static_cast<int>((bare[i] >> shift) & 0xFF));
  return sum / (3.0 * static_cast<double>(game.size()));
}
