// load_wav: which files fill a slot, and what the slot then sounds like.
#include "sound_test_support.h"

#include <string>
#include <vector>

namespace {

using namespace sound_test;

// What a player hears of bytes played as 8-bit samples at 11025 Hz: four frames each at
// 44100 Hz, interpolated towards the next.
std::vector<int> heard_as_8bit_mono(const std::string& samples) {
  std::vector<int> frames;
  for (std::size_t i = 0; i < samples.size(); ++i) {
    const int now = (static_cast<unsigned char>(samples[i]) - 128) * 256;
    const int next = i + 1 < samples.size() ? (static_cast<unsigned char>(samples[i + 1]) - 128) * 256 : now;
    for (int quarter = 0; quarter < 4; ++quarter) frames.push_back(now + (next - now) * quarter / 4);
  }
  return frames;
}

using WavLoader = SoundLayer;

TEST_F(WavLoader, TwoChannelsOf16BitsAt44100HzLoadAndPlayAs8BitMonoAtTheSlotsFrequency) {
  const std::string samples = "\x10\x90\x20\xa0\x30\xb0\x40\xc0";  // two stereo frames of 16 bits
  const std::string file = wave(format_chunk(1, 2, 44100, 16) + chunk("data", samples));
  ASSERT_TRUE(load_wav(0, folder_.write("stereo16.wav", file).c_str()));
  EXPECT_EQ(g_sounds[0].status, 1);
  EXPECT_EQ(play_sound(0), 0);
  EXPECT_EQ(hear(32), heard_as_8bit_mono(samples));
  EXPECT_EQ(hear(4), std::vector<int>(4, 0));
}

TEST_F(WavLoader, OtherChunksBeforeTheFormatAndAFormatWithoutCbSizeLoad) {
  const std::string samples = "\x90\xa0\xb0\xc0";
  const std::string file =
      wave(chunk("LIST", "INFOsome notes") + chunk("junk", "odd") + format_chunk(1, 1, 11025, 8, false) +
           chunk("fact", "1234") + chunk("data", samples));
  ASSERT_TRUE(load_wav(1, folder_.write("extra.wav", file).c_str()));
  EXPECT_EQ(play_sound(1), 0);
  EXPECT_EQ(hear(16), heard_as_8bit_mono(samples));
}

TEST_F(WavLoader, AnythingButPcmAndEveryMalformedFileFailCleanlyLeavingTheSlotEmpty) {
  const std::string format = format_chunk(1, 1, 11025, 8);
  const std::string fields = format.substr(8);
  const std::string data = chunk("data", "abcdefgh");
  const std::vector<std::pair<std::string, std::string>> files = {
      {"float", wave(format_chunk(3, 1, 11025, 32) + data)},
      {"data_claims_more", wave(format + chunk("data", "abcdefgh", 0x7FFFFFF0))},
      {"data_claims_one_more", wave(format + chunk("data", "abcdefgh", 9))},
      {"riff_claims_more", chunk("RIFF", "WAVE" + format + data, 0xFFFFFFF0)},
      {"cut_in_data", wave(format + data).substr(0, 50)},
      {"no_data", wave(format + chunk("fact", "1234"))},
      {"data_before_fmt", wave(data + format)},
      {"fmt_truncated", wave(chunk("fmt ", fields.substr(0, 10)) + data)},
      {"fmt_claims_more", wave(chunk("fmt ", fields, 400) + data)},
      {"not_riff", "This is a text file, not a sound file, and long enough to hold a header."},
      {"other_form", chunk("RIFF", "AVI " + format + data)},
      {"empty", ""},
  };
  for (const auto& [name, bytes] : files) {
    ASSERT_TRUE(load_wav(4, folder_.write("good.wav", pcm_wave("\x90\x90\x90\x90")).c_str()));
    EXPECT_FALSE(load_wav(4, folder_.write(name + ".wav", bytes).c_str())) << name;
    EXPECT_EQ(g_sounds[4].status, 0) << name;
    EXPECT_EQ(g_sounds[4].buffer, nullptr) << name;
    EXPECT_EQ(play_sound(4), 0) << name;
  }
  EXPECT_FALSE(load_wav(4, (folder_.write("x", "") + ".missing").c_str()));
  EXPECT_FALSE(load_wav(kSoundSlotCount, folder_.write("good.wav", pcm_wave("abcd")).c_str()));
  EXPECT_EQ(hear(8), std::vector<int>(8, 0));
}

TEST_F(WavLoader, WithoutASoundDeviceAGoodFileSucceedsAndTheSlotStaysEmpty) {
  g_pds->Release();
  g_pds = nullptr;
  EXPECT_TRUE(load_wav(0, folder_.write("good.wav", pcm_wave("abcdefgh")).c_str()));
  EXPECT_EQ(g_sounds[0].buffer, nullptr);
  EXPECT_EQ(g_sounds[0].status, 0);
  EXPECT_EQ(play_sound(0), 0);
  EXPECT_FALSE(load_wav(0, folder_.write("bad.wav", wave(format_chunk(1, 1, 11025, 8))).c_str()));
}

}  // namespace
