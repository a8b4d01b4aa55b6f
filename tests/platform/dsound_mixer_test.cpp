// The mixer's arithmetic on plain memory: pan law, resampling, looping, clipping.
#include "../../platform/dsound/mixer.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

dsound::Voice playing_voice(std::vector<BYTE> samples, DWORD frequency) {
  dsound::Voice voice;
  voice.samples = std::move(samples);
  voice.frequency = frequency;
  voice.playing = true;
  return voice;
}

TEST(DsoundMixer, PanLawAttenuatesTheFarChannelInHundredthsOfADecibel) {
  EXPECT_NEAR(dsound::attenuation_gain(600), 0.501187f, 1e-5f);
  EXPECT_EQ(dsound::attenuation_gain(10000), 0.0f);
  EXPECT_NEAR(dsound::pan_gain(2000).left, 0.1f, 1e-6f);
  EXPECT_EQ(dsound::pan_gain(2000).right, 1.0f);
  EXPECT_NEAR(dsound::pan_gain(-2000).right, 0.1f, 1e-6f);
  EXPECT_EQ(dsound::pan_gain(-2000).left, 1.0f);
}

TEST(DsoundMixer, ResamplesWithLinearInterpolationToTheOutputRate) {
  // 11025 Hz into 44100 Hz: four output frames per sample, a quarter step each.
  dsound::Voice voice = playing_voice({128, 192, 64, 128}, 11025);
  std::vector<float> mix(2 * 8, 0.0f);
  mix_voice(voice, 44100, mix.data(), 8);
  const float expected[8] = {0, 4096, 8192, 12288, 16384, 8192, 0, -8192};
  for (int i = 0; i < 8; ++i) {
    EXPECT_FLOAT_EQ(mix[2 * i], expected[i]) << i;
    EXPECT_FLOAT_EQ(mix[2 * i + 1], expected[i]) << i;
  }
  EXPECT_EQ(voice.position >> 32, 2u);
}

TEST(DsoundMixer, ALoopingVoiceWrapsRoundAndAOneShotLeavesTheRestOfTheBlockAlone) {
  dsound::Voice loop = playing_voice({138, 148, 158}, 44100);
  loop.looping = true;
  dsound::Voice once = playing_voice({138, 148, 158}, 44100);
  std::vector<float> looped(2 * 7, 0.0f);
  std::vector<float> played(2 * 7, 0.0f);
  mix_voice(loop, 44100, looped.data(), 7);
  mix_voice(once, 44100, played.data(), 7);
  EXPECT_TRUE(loop.playing);
  EXPECT_FALSE(once.playing);
  EXPECT_EQ(once.position, 0u);
  for (int i = 0; i < 7; ++i) {
    EXPECT_FLOAT_EQ(looped[2 * i], (10 + 10 * (i % 3)) * 256.0f) << i;
    EXPECT_FLOAT_EQ(played[2 * i], i < 3 ? looped[2 * i] : 0.0f) << i;
  }
}

TEST(DsoundMixer, SumsAreRoundedAndClippedToSixteenBits) {
  const std::vector<float> mix = {32767.4f, 32767.6f, 70000.0f, -32768.4f, -90000.0f, -1.5f};
  std::vector<std::int16_t> out(mix.size());
  dsound::clip_to_s16(mix.data(), out.data(), mix.size());
  EXPECT_EQ(out, (std::vector<std::int16_t>{32767, 32767, 32767, -32768, -32768, -2}));
}

}  // namespace
