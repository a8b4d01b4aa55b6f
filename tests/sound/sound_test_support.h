// Support for the sound tests: RIFF WAVE files built byte by byte (sizes can lie) in a
// temporary folder, and a fixture whose sound device mixes only when asked, so a test
// hears exactly what a player would.
#ifndef VORNEX_TESTS_SOUND_SOUND_TEST_SUPPORT_H
#define VORNEX_TESTS_SOUND_SOUND_TEST_SUPPORT_H

#include "sound/sound.h"

#include "../../platform/dsound/dsound_internal.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

namespace sound_test {

inline std::string le(DWORD value, int bytes) {
  std::string out;
  for (int i = 0; i < bytes; ++i) out += static_cast<char>((value >> (8 * i)) & 0xFF);
  return out;
}

// A chunk with its real size, or with a claimed one; padded to an even length.
inline std::string chunk(const std::string& id, const std::string& data, long long claimed = -1) {
  const DWORD size = claimed < 0 ? static_cast<DWORD>(data.size()) : static_cast<DWORD>(claimed);
  return id + le(size, 4) + data + (data.size() % 2 ? std::string(1, '\0') : "");
}

// A "fmt " chunk: 16 bytes, or 18 with cbSize.
inline std::string format_chunk(WORD tag, WORD channels, DWORD rate, WORD bits, bool withCbSize = true) {
  const WORD align = static_cast<WORD>(channels * bits / 8);
  return chunk("fmt ", le(tag, 2) + le(channels, 2) + le(rate, 4) + le(rate * align, 4) + le(align, 2) +
                           le(bits, 2) + (withCbSize ? le(0, 2) : ""));
}

inline std::string wave(const std::string& chunks) { return chunk("RIFF", "WAVE" + chunks); }

inline std::string pcm_wave(const std::string& samples) {
  return wave(format_chunk(1, 1, 11025, 8) + chunk("data", samples));
}

class TempFolder {
 public:
  TempFolder() {
    std::string pattern = std::filesystem::temp_directory_path().string() + "/vornex_sound_XXXXXX";
    if (mkdtemp(pattern.data())) path_ = pattern;
  }
  ~TempFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
  }
  // Writes the bytes into a file of that name and gives its path.
  std::string write(const std::string& name, const std::string& bytes) const {
    const std::string file = path_ + "/" + name;
    std::FILE* out = std::fopen(file.c_str(), "wb");
    EXPECT_NE(out, nullptr) << file;
    if (out) {
      std::fwrite(bytes.data(), 1, bytes.size(), out);
      std::fclose(out);
    }
    return file;
  }

 private:
  std::string path_;
};

// The game's sound set up as at start-up (flags 0xEA, SDL's dummy driver), then given a
// device without SDL output: nothing plays until the test renders the mix.
class SoundLayer : public ::testing::Test {
 protected:
  void SetUp() override {
    setenv("SDL_AUDIODRIVER", "dummy", 1);
    ::testing::internal::CaptureStderr();
    const HRESULT started = init_sound(nullptr, 0xEA);
    ::testing::internal::GetCapturedStderr();
    ASSERT_EQ(started, 0);
    g_pds->Release();
    ASSERT_EQ(dsound::create_device_without_output(44100, &g_pds), DS_OK);
  }
  void TearDown() override { release_sound(); }

  // The left channel of the next frames the player hears.
  std::vector<int> hear(std::size_t frames) {
    std::vector<std::int16_t> out(2 * frames);
    dsound::render(g_pds, out.data(), frames);
    std::vector<int> left;
    for (std::size_t i = 0; i < frames; ++i) left.push_back(out[2 * i]);
    return left;
  }

  TempFolder folder_;
};

}  // namespace sound_test

#endif  // VORNEX_TESTS_SOUND_SOUND_TEST_SUPPORT_H
