// The sound device's set-up and release, and the slot operations as a player hears them.
#include "sound_test_support.h"

#include <SDL.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

using namespace sound_test;

// Samples 129, 130, ... heard one a frame (at 44100 Hz) as 256, 512, ...
const std::string kRamp = "\x81\x82\x83\x84\x85\x86\x87\x88";

std::vector<int> ramp_heard(int from, int count) {
  std::vector<int> frames;
  for (int i = from; i < from + count; ++i) frames.push_back((i + 1) * 256);
  return frames;
}

using SoundSlots = SoundLayer;

TEST_F(SoundSlots, SetUpPreparesTheOneFormatTheBufferDescriptionAndEmptySlots) {
  const WAVEFORMATEX format{WAVE_FORMAT_PCM, 1, 11025, 11025, 1, 8, 0};
  EXPECT_EQ(std::memcmp(&g_wave_format, &format, sizeof(WAVEFORMATEX)), 0);
  DSBUFFERDESC desc{sizeof(DSBUFFERDESC), 0xEA, 0, 0, &g_wave_format, {}};
  desc.dwBufferBytes = g_buffer_desc.dwBufferBytes;  // set for each buffer
  EXPECT_EQ(std::memcmp(&g_buffer_desc, &desc, sizeof(DSBUFFERDESC)), 0);
  for (const SoundSlot& slot : g_sounds) EXPECT_TRUE(slot.buffer == nullptr && slot.status == 0);
}

TEST_F(SoundSlots, AnEmptySlotDoesNothing) {
  EXPECT_EQ(play_sound(7), 0);
  EXPECT_EQ(play_sound(-1), 0);
  EXPECT_EQ(play_sound(kSoundSlotCount), 0);
  stop_sound(7);
  EXPECT_EQ(set_sound_frequency(7, 8000), DSERR_INVALIDCALL);
  EXPECT_EQ(set_sound_pan(-3, 2000), DSERR_INVALIDCALL);
  EXPECT_EQ(g_sounds[7].status, 0);
  EXPECT_EQ(hear(4), std::vector<int>(4, 0));
}

TEST_F(SoundSlots, StopRewindsAndFrequencyAndPanReachTheBuffer) {
  ASSERT_TRUE(load_wav(1, folder_.write("pew.wav", pcm_wave(kRamp)).c_str()));
  ASSERT_EQ(set_sound_frequency(1, 44100), 0);
  EXPECT_EQ(play_sound(1), 0);
  EXPECT_EQ(hear(3), ramp_heard(0, 3));
  EXPECT_EQ(play_sound(1), 0);  // still sounding: goes on
  EXPECT_EQ(hear(2), ramp_heard(3, 2));
  stop_sound(1);
  EXPECT_EQ(hear(1), std::vector<int>{0});

  ASSERT_EQ(set_sound_frequency(1, 22050), 0);
  ASSERT_EQ(set_sound_pan(1, -10000), 0);
  EXPECT_EQ(play_sound(1), 0);
  std::vector<std::int16_t> out(2 * 4);
  dsound::render(g_pds, out.data(), 4);
  EXPECT_EQ(out, (std::vector<std::int16_t>{256, 0, 384, 0, 512, 0, 640,
                                            0}));  // from the start, two frames a sample
  EXPECT_EQ(set_sound_frequency(1, 50), DSERR_INVALIDPARAM);
  EXPECT_EQ(set_sound_pan(1, 10001), DSERR_INVALIDPARAM);
}

TEST_F(SoundSlots, ASlotWhosePlayFailedIsNeverPlayedAgainAndReleaseEmptiesEverySlot) {
  ASSERT_TRUE(load_wav(2, folder_.write("dead.wav", pcm_wave(kRamp)).c_str()));
  ASSERT_TRUE(load_wav(254, folder_.write("last.wav", pcm_wave(kRamp)).c_str()));
  g_pds->Release();  // the device goes; its buffers can no longer play
  g_pds = nullptr;
  EXPECT_TRUE(FAILED(play_sound(2)));
  EXPECT_EQ(g_sounds[2].status, 2);
  EXPECT_EQ(play_sound(2), 0);  // Play is not asked again, so nothing fails
  EXPECT_EQ(g_sounds[2].status, 2);

  release_sound();
  for (int slot : {2, 254}) EXPECT_TRUE(g_sounds[slot].buffer == nullptr && g_sounds[slot].status == 0);
}

// Start-up and shutdown of sound on SDL's dummy driver and with no audio device at all:
// set-up succeeds, says once that sound is off, and sounds play into nothing.
TEST(SoundStartUp, RunsSilentlyOnTheDummyDriverAndWithoutAnyAudioDevice) {
  const char* old = std::getenv("SDL_AUDIODRIVER");
  const std::string oldDriver = old ? old : "dummy";
  TempFolder folder;
  const std::string file = folder.write("BONES4.wav", pcm_wave(std::string(200, '\xc0')));
  for (const char* driver : {"dummy", "no_such_audio_driver"}) {
    setenv("SDL_AUDIODRIVER", driver, 1);
    ::testing::internal::CaptureStderr();
    const HRESULT started = init_sound(nullptr, 0xEA);
    const std::string said = ::testing::internal::GetCapturedStderr();
    ASSERT_EQ(started, 0) << driver;
    EXPECT_NE(said.find("sound is off"), std::string::npos) << driver;
    EXPECT_EQ(said.find("sound is off"), said.rfind("sound is off")) << said;

    ASSERT_TRUE(load_wav(0, file.c_str())) << driver;
    EXPECT_EQ(play_sound(0), 0);
    DWORD status = DSBSTATUS_PLAYING;
    for (int i = 0; i < 5000 && (status & DSBSTATUS_PLAYING); ++i) {
      ASSERT_EQ(g_sounds[0].buffer->GetStatus(&status), DS_OK);
      SDL_Delay(1);
    }
    EXPECT_EQ(status & DSBSTATUS_PLAYING, 0u) << driver << ": the sound never played to its end";
    release_sound();
    EXPECT_EQ(g_pds, nullptr);
    EXPECT_EQ(SDL_WasInit(SDL_INIT_AUDIO), 0u);
  }
  setenv("SDL_AUDIODRIVER", oldDriver.c_str(), 1);
}

}  // namespace
