// DirectSoundCreate on a real SDL audio driver: SDL's disk driver writes the mix that the
// audio callback produces to a file, which the test reads back.
#include <dsound.h>

#include <SDL.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace {

// Plays 1000 samples of 192 at 11025 Hz, 20 dB down on the left, into the file.
void play_into(const std::string& file) {
  setenv("SDL_DISKAUDIOFILE", file.c_str(), 1);
  setenv("SDL_DISKAUDIODELAY", "0", 1);
  IDirectSound* device = nullptr;
  ASSERT_EQ(DirectSoundCreate(nullptr, &device, nullptr), DS_OK);
  EXPECT_STREQ(SDL_GetCurrentAudioDriver(), "disk");

  WAVEFORMATEX format{WAVE_FORMAT_PCM, 1, 11025, 11025, 1, 8, 0};
  DSBUFFERDESC desc{sizeof(DSBUFFERDESC), DSBCAPS_CTRLPAN | DSBCAPS_STATIC, 1000, 0, &format, {}};
  IDirectSoundBuffer* buffer = nullptr;
  ASSERT_EQ(device->CreateSoundBuffer(&desc, &buffer, nullptr), DS_OK);
  LPVOID samples = nullptr;
  DWORD bytes = 0;
  ASSERT_EQ(buffer->Lock(0, 0, &samples, &bytes, nullptr, nullptr, DSBLOCK_ENTIREBUFFER), DS_OK);
  std::memset(samples, 192, bytes);
  ASSERT_EQ(buffer->Unlock(samples, bytes, nullptr, 0), DS_OK);
  ASSERT_EQ(buffer->SetPan(2000), DS_OK);
  ASSERT_EQ(buffer->Play(0, 0, 0), DS_OK);

  // The audio thread plays it to its end; give up (and fail) if it never gets there.
  DWORD status = DSBSTATUS_PLAYING;
  for (int i = 0; i < 5000 && (status & DSBSTATUS_PLAYING); ++i) {
    ASSERT_EQ(buffer->GetStatus(&status), DS_OK);
    SDL_Delay(1);
  }
  EXPECT_EQ(status & DSBSTATUS_PLAYING, 0u);
  buffer->Release();
  device->Release();
  EXPECT_EQ(SDL_WasInit(SDL_INIT_AUDIO), 0u);  // the last device gave the audio subsystem back
}

TEST(DsoundOutput, TheDiskDriverRecordsWhatThePlayerHears) {
  const char* old = std::getenv("SDL_AUDIODRIVER");
  const std::string oldDriver = old ? old : "";
  setenv("SDL_AUDIODRIVER", "disk", 1);
  const std::string file = ::testing::TempDir() + "vornex_disk_audio_" + std::to_string(getpid()) + ".raw";
  play_into(file);
  if (old)
    setenv("SDL_AUDIODRIVER", oldDriver.c_str(), 1);
  else
    unsetenv("SDL_AUDIODRIVER");

  std::ifstream in(file, std::ios::binary);
  const std::vector<char> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  std::remove(file.c_str());
  std::vector<std::int16_t> frames(bytes.size() / 2);
  std::memcpy(frames.data(), bytes.data(), frames.size() * 2);

  // Silence around 1000 samples at 11025 Hz: 4000 frames at 44100 Hz, full level on the
  // right ((192 - 128) * 256) and a tenth of it on the left.
  std::size_t sounding = 0, heardRight = 0;
  for (std::size_t i = 0; i + 1 < frames.size(); i += 2) {
    if (frames[i] == 0 && frames[i + 1] == 0) continue;
    ++sounding;
    if (frames[i] == 1638 && frames[i + 1] == 16384) ++heardRight;
  }
  EXPECT_EQ(sounding, 4000u);
  EXPECT_EQ(heardRight, 4000u);
}

}  // namespace
