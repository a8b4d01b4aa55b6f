#include "frame_bench.h"

#include <epoxy/gl.h>

#include <algorithm>
#include <cstdlib>

#include "d3d9/d3d9_inspect.h"
#include "frame_capture.h"
#include "full_pools.h"
#include "gfx/device.h"
#include "gl_floor.h"
#include "play/enemy_pass.h"
#include "play/play_frame.h"
#include "timing.h"

#define STB_IMAGE_WRITE_IMPLEMENTATION
#define STB_IMAGE_WRITE_STATIC
#include <stb/stb_image_write.h>

namespace {

// Times one frame drawn by `draw` into `samples` (unless it is a warm-up frame).
template <typename Draw>
void time_frame(bool keep, FrameSamples* samples, Draw draw) {
  const double cpu = thread_cpu_ms();
  const double allCpu = process_cpu_ms();
  Stopwatch watch;
  draw();
  const double wall = watch.milliseconds();
  if (!keep) return;
  samples->wall.push_back(wall);
  samples->cpu.push_back(thread_cpu_ms() - cpu);
  samples->allCpu.push_back(process_cpu_ms() - allCpu);
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
    update_world(world, 0.017f);
    enemy_pass(world);
    if (i >= warmUp) microseconds.push_back(watch.milliseconds() * 1000.0);
  }
  return microseconds;
}

void measure_frames(World& world, const Scene& scene, GlFloor* floor, int warmUp, int frames,
                    FrameSamples* play, FrameSamples* bare) {
  for (int i = 0; i < warmUp + frames; ++i) {
    rearm(world, scene);
    time_frame(i >= warmUp, play, [&] {
      update_world(world, 0.017f);
      play_frame(world);
      glFinish();
    });
    time_frame(i >= warmUp, bare, [&] { draw_floor_frame(floor, world); });
  }
}

double picture_difference(GlFloor* floor, const std::string& saveDir) {
  int w = 0, h = 0;
  std::vector<DWORD> game;
  if (!d3d9_read_back_buffer(g_pd3d_render, &w, &h, &game) || w != 400 || h != 400) return -1.0;
  std::vector<unsigned char> bare(400 * 400 * 4);
  read_floor_pixels(floor, bare.data());
  if (!saveDir.empty()) {
    std::string error;
    save_frame_png(saveDir + "/bench_game.png", &error);
    stbi_flip_vertically_on_write(1);
    stbi_write_png((saveDir + "/bench_floor.png").c_str(), w, h, 4, bare.data(), w * 4);
  }
  double sum = 0.0;
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      const DWORD g = game[static_cast<size_t>(y) * w + x];
      const unsigned char* b = &bare[(static_cast<size_t>(h - 1 - y) * w + x) * 4];
      sum += std::abs(static_cast<int>((g >> 16) & 0xFF) - b[0]) +
             std::abs(static_cast<int>((g >> 8) & 0xFF) - b[1]) + std::abs(static_cast<int>(g & 0xFF) - b[2]);
    }
  return sum / (3.0 * w * h);
}
