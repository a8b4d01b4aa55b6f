#include "math/random.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

namespace {

// Every test starts from the state a fresh run has.
class Random : public ::testing::Test {
 protected:
  void SetUp() override { random_reset(); }
};

}  // namespace

TEST_F(Random, FirstDrawsAreTheClassicSequence) {
  const uint32_t expected[] = {41, 18467, 6334, 26500, 19169, 15724, 11478, 29358};
  for (uint32_t e : expected) {
    EXPECT_EQ(random_next15(), e);
  }
}

TEST_F(Random, WordIsLowBytesOfFourDrawsInOrder) {
  uint32_t d0 = random_next15(), d1 = random_next15();
  uint32_t d2 = random_next15(), d3 = random_next15();
  uint32_t composed = (d0 & 0xFF) | (d1 & 0xFF) << 8 | (d2 & 0xFF) << 16 | (d3 & 0xFF) << 24;
  random_reset();
  EXPECT_EQ(random_u32(), composed);
  EXPECT_EQ(composed, 0x84BE2329u);  // 41, 18467, 6334, 26500
}

TEST_F(Random, ResetRepeatsTheStreamExactly) {
  std::vector<uint32_t> first;
  for (int i = 0; i < 100; ++i) {
    first.push_back(random_u32());
  }
  random_reset();
  for (int i = 0; i < 100; ++i) {
    EXPECT_EQ(random_u32(), first[i]) << "draw " << i;
  }
}

TEST_F(Random, IntStaysBelowHighBound) {
  std::vector<int> seen(256, 0);
  for (int i = 0; i < 20000; ++i) {
    unsigned v = random_int(0, 255);
    ASSERT_LT(v, 255u);
    ++seen[v];
  }
  EXPECT_EQ(seen[255], 0);

  std::vector<int> hits(130, 0);
  for (int i = 0; i < 20000; ++i) {
    unsigned v = random_int(0, 129);
    ASSERT_LE(v, 128u);
    ++hits[v];
  }
  for (unsigned v = 0; v <= 128; ++v) {
    EXPECT_GT(hits[v], 0) << v;
  }
}

TEST_F(Random, IntIsOffsetByLow) {
  const uint32_t word = random_u32();
  random_reset();
  EXPECT_EQ(random_int(10, 20), 10 + word % 10);
}

TEST_F(Random, IntWithEmptyRangeReturnsLowAndConsumesAWord) {
  EXPECT_EQ(random_int(7, 7), 7u);
  const uint32_t second = random_u32();
  random_reset();
  random_u32();
  EXPECT_EQ(random_u32(), second);
}

TEST(RandomWords, UnitConversion) {
  EXPECT_EQ(unit_from_word(0), 0.0f);
  EXPECT_EQ(unit_from_word(0x80000000u), 0.5f);
  EXPECT_LT(unit_from_word(0xFFFFFFFFu - 128), 1.0f);
  EXPECT_EQ(unit_from_word(0xFFFFFFFFu - 127), 1.0f);  // 2^32 - 128 rounds up
  EXPECT_EQ(unit_from_word(0xFFFFFFFFu), 1.0f);
}

TEST(RandomWords, SignedConversion) {
  EXPECT_EQ(signed_from_word(0), -1.0f);
  EXPECT_LT(signed_from_word(0x7FFFFFFFu), 0.0f);
  EXPECT_EQ(signed_from_word(0x80000000u), 0.0f);
  EXPECT_GT(signed_from_word(0x80000001u), 0.0f);
  EXPECT_LT(signed_from_word(0xFFFFFFFFu - 64), 1.0f);
  EXPECT_EQ(signed_from_word(0xFFFFFFFFu - 63), 1.0f);  // 2^32 - 64 rounds up
}

TEST_F(Random, FloatVariantsUseTheNextWord) {
  const uint32_t w0 = random_u32(), w1 = random_u32(), w2 = random_u32();
  random_reset();
  EXPECT_EQ(random_unit(), unit_from_word(w0));
  EXPECT_EQ(random_signed(), signed_from_word(w1));
  const float span = 5.0f - 2.0f;
  EXPECT_EQ(random_range(2.0f, 5.0f), 2.0f + unit_from_word(w2) * span);
}
