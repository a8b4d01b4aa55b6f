// The in-process benchmarks on one running game: new Worlds, the game logic, and the
// play frame beside the bare-GL floor, each frame from the same busy scene.
#ifndef VORNEX_TOOLS_BENCH_FRAME_BENCH_H
#define VORNEX_TOOLS_BENCH_FRAME_BENCH_H

#include <string>
#include <vector>

#include "math/camera.h"
#include "world/world.h"

struct GlFloor;

// Milliseconds to construct each of `count` Worlds (each deleted again).
std::vector<double> measure_new_worlds(int count);

// What every measured frame starts from: the view and the enemies as the World opened
// (so that no enemy walks up to the camera and fills the screen as the frames go by),
// with the pools full.
struct Scene {
  Camera camera;
  std::vector<Entity> enemies;
};

Scene capture_scene(const World& world);
void rearm(World& world, const Scene& scene);

// Microseconds of update_world + enemy_pass per frame, after `warmUp` frames.
std::vector<double> measure_logic(World& world, const Scene& scene, int warmUp, int frames);

struct FrameSamples {
  std::vector<double> wall;    // ms, to the last pixel
  std::vector<double> cpu;     // ms of the game thread's CPU time
  std::vector<double> allCpu;  // ms of CPU time of every thread
};

// `frames` play frames from the scene, untimed: what the game's own drawing needs
// (the driver's shaders and buffers) is made before anything else is measured.
void play_frames(World& world, const Scene& scene, int frames);

// The play frame as a pass of the main loop runs it in play (update, then the frame
// with its Present), waited out to the last pixel; then the floor's frame of the World
// as the play frame drew it (the frame changes the World after its draws). Interleaved,
// so that both meet the same machine.
void measure_frames(World& world, const Scene& scene, GlFloor* floor, int warmUp, int frames,
                    FrameSamples* play, FrameSamples* bare);

// How far the floor's last picture is from the game's: the mean difference per colour
// channel (0..255), or -1 when either cannot be read. A check that both drew the same
// scene; the heads-up line is only the game's. With saveDir, both pictures are saved
// there as bench_game.png and bench_floor.png.
double picture_difference(GlFloor* floor, const std::string& saveDir);

#endif  // VORNEX_TOOLS_BENCH_FRAME_BENCH_H
