#pragma once

#include <cstdint>

// The game's random stream. It is its own copy of the classic C runtime
// linear congruential generator (state * 214013 + 2531011, 15-bit output,
// initial state 1) rather than the host's rand(), so every platform sees the
// same numbers. The game never seeds it: the first world of every run is
// the same, and later worlds continue the stream.

// One draw of the generator: 0 .. 32767.
uint32_t random_next15();

// Puts the generator back to its initial state. For tests and headless
// drivers only; the game itself never calls it.
void random_reset();

// A 32-bit word from four draws, the low byte of each; the first draw gives
// bits 0-7, the last bits 24-31.
uint32_t random_u32();

// lo + random_u32() mod (hi - lo): lo .. hi-1. Callers must pass hi > lo;
// with hi == lo it still takes a word from the stream and returns lo.
unsigned random_int(unsigned lo, unsigned hi);

// random_u32() / 2^32 rounded to float: [0, 1], exactly 1.0 for the top 128 words.
float random_unit();

// random_u32() / 2^31 - 1 rounded to float: [-1, 1], exactly 1.0 for the top 64 words.
float random_signed();

// a + random_unit() * (b - a), in float.
float random_range(float a, float b);

// The conversions random_unit and random_signed apply to their word.
float unit_from_word(uint32_t word);
float signed_from_word(uint32_t word);
