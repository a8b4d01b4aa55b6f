// Deterministic noise and random numbers for the generators: the same bytes on every run.
#ifndef VORNEX_TOOLS_NOISE_H
#define VORNEX_TOOLS_NOISE_H

#include <cstdint>

// A hash of integer coordinates and a seed to 0..1.
float hash01(int x, int y, int seed);

// Smooth value noise in 0..1 that repeats every `period` units on both axes.
float value_noise(float x, float y, int period, int seed);

// Sum of `octaves` value noises, each at twice the frequency and half the weight; repeats every
// `period` units like value_noise; result in 0..1.
float fractal_noise(float x, float y, int period, int octaves, int seed);

// A small linear congruential generator (floats in 0..1 and -1..1).
struct Rng {
  uint32_t state;
  explicit Rng(uint32_t seed) : state(seed * 2654435761u + 12345u) {}
  uint32_t next() {
    state = state * 1664525u + 1013904223u;
    return state;
  }
  float unit() { return static_cast<float>(next() >> 8) / 16777216.0f; }
  float signed_unit() { return unit() * 2.0f - 1.0f; }
};

#endif  // VORNEX_TOOLS_NOISE_H
