#include "math/random.h"

namespace {

const uint32_t kInitialState = 1;

// Process-wide, like the runtime generator it copies.
uint32_t g_random_state = kInitialState;

}  // namespace

uint32_t random_next15() {
  g_random_state = g_random_state * 214013u + 2531011u;
  return (g_random_state >> 16) & 0x7FFFu;
}

void random_reset() { g_random_state = kInitialState; }

uint32_t random_u32() {
  // Separate statements: the draws must happen in this order.
  uint32_t word = random_next15() & 0xFFu;
  word |= (random_next15() & 0xFFu) << 8;
  word |= (random_next15() & 0xFFu) << 16;
  word |= (random_next15() & 0xFFu) << 24;
  return word;
}

unsigned random_int(unsigned lo, unsigned hi) {
  uint32_t word = random_u32();
  unsigned span = hi - lo;
  if (span == 0) {
    return lo;  // broken precondition; avoids a division by zero
  }
  return lo + word % span;
}

float unit_from_word(uint32_t word) { return static_cast<float>(static_cast<double>(word) / 4294967296.0); }

float signed_from_word(uint32_t word) {
  // Quotient and difference both in double, one rounding at the end.
  return static_cast<float>(static_cast<double>(word) / 2147483648.0 - 1.0);
}

float random_unit() { return unit_from_word(random_u32()); }

float random_signed() { return signed_from_word(random_u32()); }

float random_range(float a, float b) {
  float span = b - a;
  return a + random_unit() * span;
}
