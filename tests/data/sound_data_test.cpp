// The generated sounds, walked with the platform's mmio RIFF reader the way the game loads them:
// RIFF WAVE, a PCM format chunk of 8-bit mono at 11025 Hz, a data chunk; lengths that suit their
// use, one-shots that end quietly and a background loop whose end runs into its start.
#include <mmsystem.h>
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <string>
#include <vector>

#include "generated_data.h"

namespace {

struct Wave {
  WAVEFORMATEX format{};
  DWORD formatBytes = 0;
  std::vector<uint8_t> samples;
};

// Reads a file as the game's loader does: the WAVE form, its "fmt " chunk, then its "data" chunk.
bool ReadWave(const std::string& file, Wave* out) {
  std::string path = generated_dir() + "/" + file;
  HMMIO io = mmioOpenA(path.data(), nullptr, MMIO_ALLOCBUF | MMIO_READ);
  if (!io) return false;
  bool ok = false;
  MMCKINFO riff{}, chunk{};
  riff.fccType = mmioFOURCC('W', 'A', 'V', 'E');
  if (mmioDescend(io, &riff, nullptr, MMIO_FINDRIFF) == 0) {
    chunk.ckid = mmioFOURCC('f', 'm', 't', ' ');
    if (mmioDescend(io, &chunk, &riff, MMIO_FINDCHUNK) == 0) {
      out->formatBytes = chunk.cksize;
      const LONG want = static_cast<LONG>(std::min<DWORD>(chunk.cksize, sizeof(WAVEFORMATEX)));
      if (mmioRead(io, reinterpret_cast<HPSTR>(&out->format), want) == want &&
          mmioAscend(io, &chunk, 0) == 0) {
        chunk = MMCKINFO{};
        chunk.ckid = mmioFOURCC('d', 'a', 't', 'a');
        if (mmioDescend(io, &chunk, &riff, MMIO_FINDCHUNK) == 0) {
          out->samples.resize(chunk.cksize);
          ok = mmioRead(io, reinterpret_cast<HPSTR>(out->samples.data()), static_cast<LONG>(chunk.cksize)) ==
               static_cast<LONG>(chunk.cksize);
        }
      }
    }
  }
  mmioClose(io, 0);
  return ok;
}

Wave Load(const std::string& file) {
  Wave wave;
  EXPECT_TRUE(ReadWave(file, &wave)) << file;
  return wave;
}

int Peak(const std::vector<uint8_t>& samples) {
  int peak = 0;
  for (uint8_t s : samples) peak = std::max(peak, std::abs(s - 128));
  return peak;
}

TEST(GeneratedSounds, AreEightBitMonoPcmAt11025Hz) {
  for (const char* file : {"BONES4.wav", "pew.wav", "dead.wav"}) {
    SCOPED_TRACE(file);
    const Wave wave = Load(file);
    // The game reads a whole WAVEFORMATEX (18 bytes) from the format chunk.
    EXPECT_GE(wave.formatBytes, 18u);
    EXPECT_EQ(wave.format.wFormatTag, WAVE_FORMAT_PCM);
    EXPECT_EQ(wave.format.nChannels, 1);
    EXPECT_EQ(wave.format.nSamplesPerSec, 11025u);
    EXPECT_EQ(wave.format.nAvgBytesPerSec, 11025u);
    EXPECT_EQ(wave.format.nBlockAlign, 1);
    EXPECT_EQ(wave.format.wBitsPerSample, 8);
    EXPECT_EQ(wave.format.cbSize, 0);
    EXPECT_FALSE(wave.samples.empty());
  }
}

// The RIFF size covers exactly the rest of the file.
TEST(GeneratedSounds, RiffSizeMatchesTheFile) {
  for (const char* file : {"BONES4.wav", "pew.wav", "dead.wav"}) {
    SCOPED_TRACE(file);
    const std::string bytes = read_bytes(generated_dir() + "/" + file);
    ASSERT_GT(bytes.size(), 12u);
    EXPECT_EQ(bytes.substr(0, 4), "RIFF");
    EXPECT_EQ(bytes.substr(8, 4), "WAVE");
    uint32_t size = 0;
    for (int i = 0; i < 4; ++i) size |= static_cast<uint32_t>(static_cast<uint8_t>(bytes[4 + i])) << (8 * i);
    EXPECT_EQ(size + 8, bytes.size());
  }
}

TEST(GeneratedSounds, LengthsAndLoudnessSuitTheirUse) {
  const Wave loop = Load("BONES4.wav"), shot = Load("pew.wav"), kill = Load("dead.wav");
  EXPECT_GE(loop.samples.size(), 4u * 11025);
  EXPECT_GE(shot.samples.size(), 11025u / 10);
  EXPECT_LE(shot.samples.size(), 11025u / 2);  // the gun fires every 0.18 s
  EXPECT_GE(kill.samples.size(), 11025u * 3 / 10);
  EXPECT_LE(kill.samples.size(), 11025u * 3 / 2);
  EXPECT_GT(Peak(shot.samples), 90);
  EXPECT_GT(Peak(kill.samples), 90);
  EXPECT_GT(Peak(loop.samples), 40);
  EXPECT_LT(Peak(loop.samples), Peak(shot.samples));  // the background stays behind the effects
}

// The one-shots fade out: their last samples are at rest, so a sound cut at its end does not click.
TEST(GeneratedSounds, OneShotsEndAtRest) {
  for (const char* file : {"pew.wav", "dead.wav"}) {
    SCOPED_TRACE(file);
    const Wave wave = Load(file);
    ASSERT_GT(wave.samples.size(), 64u);
    for (size_t i = wave.samples.size() - 32; i < wave.samples.size(); ++i)
      EXPECT_NEAR(wave.samples[i], 128, 3);
  }
}

// The game restarts the background sound whenever it ends; its last samples lead smoothly into its
// first ones, with no jump larger than the loop's own sample-to-sample steps.
TEST(GeneratedSounds, BackgroundLoopRunsIntoItsStart) {
  const Wave wave = Load("BONES4.wav");
  const std::vector<uint8_t>& s = wave.samples;
  int largestStep = 0;
  for (size_t i = 1; i < s.size(); ++i) largestStep = std::max(largestStep, std::abs(s[i] - s[i - 1]));
  EXPECT_LE(std::abs(s.front() - s.back()), std::max(4, largestStep / 4));
}

}  // namespace
