// The benchmark's order statistics (tools/bench/timing.h, header-only): the median of an
// even count lies between the two middle samples, and percentiles take the nearest rank.
#include <gtest/gtest.h>

#include "timing.h"

namespace {

TEST(BenchTiming, MedianOfAnOddCountIsTheMiddleSample) {
  EXPECT_DOUBLE_EQ(median({5.0, 1.0, 3.0}), 3.0);
  EXPECT_DOUBLE_EQ(median({7.0}), 7.0);
}

TEST(BenchTiming, MedianOfAnEvenCountIsTheMeanOfTheMiddleTwo) {
  // Two start-ups of 300 and 400 ms have a median of 350, not the faster run.
  EXPECT_DOUBLE_EQ(median({400.0, 300.0}), 350.0);
  EXPECT_DOUBLE_EQ(median({4.0, 1.0, 3.0, 2.0}), 2.5);
  EXPECT_DOUBLE_EQ(median({2.0, 2.0, 9.0, 2.0}), 2.0);
}

TEST(BenchTiming, NoSamplesGiveZero) {
  EXPECT_DOUBLE_EQ(median({}), 0.0);
  EXPECT_DOUBLE_EQ(quantile({}, 0.99), 0.0);
}

TEST(BenchTiming, PercentilesTakeTheNearestRank) {
  std::vector<double> samples;
  for (int i = 100; i >= 1; --i) samples.push_back(i);  // 1 to 100, unsorted
  EXPECT_DOUBLE_EQ(quantile(samples, 0.99), 99.0);
  EXPECT_DOUBLE_EQ(quantile(samples, 1.0), 100.0);
  EXPECT_DOUBLE_EQ(quantile(samples, 0.0), 1.0);
  EXPECT_DOUBLE_EQ(quantile({1.0, 2.0, 3.0}, 0.99), 3.0) << "a 99th percentile of three is the largest";
}

}  // namespace
