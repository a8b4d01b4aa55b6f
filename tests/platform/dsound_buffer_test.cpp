// IDirectSound and IDirectSoundBuffer heard through the mixer: a device without SDL output
// renders its mix into memory on request, exactly as the audio callback would.
#include <dsound.h>

#include "../../platform/dsound/dsound_internal.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

namespace {

class DsoundBuffer : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_EQ(dsound::create_device_without_output(44100, &device_), DS_OK); }
  void TearDown() override {
    for (IDirectSoundBuffer* buffer : buffers_) buffer->Release();
    if (device_) device_->Release();
  }

  HRESULT create(DWORD bytes, IDirectSoundBuffer** buffer, DWORD rate = 44100, WORD bits = 8,
                 DWORD caps = DSBCAPS_CTRLPAN | DSBCAPS_CTRLFREQUENCY | DSBCAPS_STATIC) {
    WAVEFORMATEX format{WAVE_FORMAT_PCM, 1, rate, rate * bits / 8, static_cast<WORD>(bits / 8), bits, 0};
    DSBUFFERDESC desc{sizeof(DSBUFFERDESC), caps, bytes, 0, &format, {}};
    const HRESULT result = device_->CreateSoundBuffer(&desc, buffer, nullptr);
    if (SUCCEEDED(result)) buffers_.push_back(*buffer);
    return result;
  }

  // A buffer holding these samples, filled the way the game fills one.
  IDirectSoundBuffer* buffer_of(const std::vector<BYTE>& samples, DWORD rate = 44100) {
    IDirectSoundBuffer* buffer = nullptr;
    EXPECT_EQ(create(static_cast<DWORD>(samples.size()), &buffer, rate), DS_OK);
    LPVOID part1 = nullptr, part2 = nullptr;
    DWORD bytes1 = 0, bytes2 = 0;
    EXPECT_EQ(buffer->Lock(0, static_cast<DWORD>(samples.size()), &part1, &bytes1, &part2, &bytes2,
                           DSBLOCK_FROMWRITECURSOR),
              DS_OK);
    EXPECT_EQ(bytes1, samples.size());
    std::memcpy(part1, samples.data(), bytes1);
    EXPECT_EQ(buffer->Unlock(part1, bytes1, part2, 0), DS_OK);
    return buffer;
  }

  // One channel (0 left, 1 right) of the next frames the player hears.
  std::vector<int> hear(std::size_t frames, int channel = 0) {
    std::vector<std::int16_t> out(2 * frames);
    dsound::render(device_, out.data(), frames);
    std::vector<int> heard;
    for (std::size_t i = 0; i < frames; ++i) heard.push_back(out[2 * i + channel]);
    return heard;
  }

  static bool playing(IDirectSoundBuffer* buffer) {
    DWORD status = 0;
    EXPECT_EQ(buffer->GetStatus(&status), DS_OK);
    return status & DSBSTATUS_PLAYING;
  }

  IDirectSound* device_ = nullptr;
  std::vector<IDirectSoundBuffer*> buffers_;
};

// Samples 129, 130, ... heard one a frame as 256, 512, ...
const std::vector<BYTE> kRamp = {129, 130, 131, 132, 133, 134};

TEST_F(DsoundBuffer, CreatesOnlyMono8BitBuffersThatStartSilentAndStopped) {
  IDirectSoundBuffer* buffer = nullptr;
  EXPECT_EQ(create(100, &buffer, 44100, 16), DSERR_BADFORMAT);
  EXPECT_EQ(create(3, &buffer), DSERR_INVALIDPARAM);
  EXPECT_EQ(create(100, &buffer, 44100, 8, DSBCAPS_PRIMARYBUFFER), DSERR_UNSUPPORTED);
  ASSERT_EQ(create(100, &buffer, 11025, 8, DSBCAPS_STATIC), DS_OK);
  EXPECT_EQ(buffer->SetPan(2000), DSERR_CONTROLUNAVAIL);
  EXPECT_EQ(buffer->SetFrequency(8000), DSERR_CONTROLUNAVAIL);
  EXPECT_FALSE(playing(buffer));
  EXPECT_EQ(buffer->Play(0, 0, 0), DS_OK);
  EXPECT_EQ(hear(400), std::vector<int>(400, 0));
}

TEST_F(DsoundBuffer, LockWrapsFromTheWriteCursorAndUnlockCommitsOnlyTheBytesWritten) {
  IDirectSoundBuffer* buffer = buffer_of(std::vector<BYTE>(8, 128));
  ASSERT_EQ(buffer->SetCurrentPosition(6), DS_OK);
  LPVOID part1 = nullptr, part2 = nullptr, again = nullptr;
  DWORD bytes1 = 0, bytes2 = 0, againBytes = 0;
  ASSERT_EQ(buffer->Lock(0, 5, &part1, &bytes1, &part2, &bytes2, DSBLOCK_FROMWRITECURSOR), DS_OK);
  EXPECT_EQ(bytes1, 2u);  // bytes 6 and 7, then 0, 1 and 2
  EXPECT_EQ(bytes2, 3u);
  EXPECT_EQ(buffer->Lock(0, 1, &again, &againBytes, nullptr, nullptr, 0), DSERR_INVALIDCALL);
  std::memset(part1, 129, bytes1);
  std::memset(part2, 130, bytes2);
  EXPECT_EQ(buffer->Unlock(part2, bytes1, part1, bytes2), DSERR_INVALIDPARAM);
  ASSERT_EQ(buffer->Unlock(part1, bytes1, part2, 2), DS_OK);  // byte 2 was not written

  ASSERT_EQ(buffer->SetCurrentPosition(0), DS_OK);
  ASSERT_EQ(buffer->Play(0, 0, DSBPLAY_LOOPING), DS_OK);
  EXPECT_EQ(hear(10), (std::vector<int>{512, 512, 0, 0, 0, 0, 256, 256, 512, 512}));
}

TEST_F(DsoundBuffer, AOneShotStopsAndRewindsAtItsEnd) {
  IDirectSoundBuffer* buffer = buffer_of(kRamp);
  ASSERT_EQ(buffer->Play(0, 0, 0), DS_OK);
  EXPECT_TRUE(playing(buffer));
  EXPECT_EQ(hear(8), (std::vector<int>{256, 512, 768, 1024, 1280, 1536, 0, 0}));
  EXPECT_FALSE(playing(buffer));
  DWORD cursor = 99;
  ASSERT_EQ(buffer->GetCurrentPosition(&cursor, nullptr), DS_OK);
  EXPECT_EQ(cursor, 0u);
}

TEST_F(DsoundBuffer, PlayWhileSoundingGoesOnAndStopWithRewindThenPlayRestarts) {
  IDirectSoundBuffer* buffer = buffer_of(kRamp);
  ASSERT_EQ(buffer->Play(0, 0, 0), DS_OK);
  EXPECT_EQ(hear(2), (std::vector<int>{256, 512}));
  ASSERT_EQ(buffer->Play(0, 0, 0), DS_OK);
  EXPECT_EQ(hear(2), (std::vector<int>{768, 1024}));
  ASSERT_EQ(buffer->Stop(), DS_OK);
  EXPECT_EQ(hear(1), std::vector<int>{0});
  ASSERT_EQ(buffer->SetCurrentPosition(0), DS_OK);
  ASSERT_EQ(buffer->Play(0, 0, 0), DS_OK);
  EXPECT_EQ(hear(3), (std::vector<int>{256, 512, 768}));
}

TEST_F(DsoundBuffer, ABufferAt8000HzSoundsFor11025Over8000TimesAsLongAsAt11025Hz) {
  IDirectSoundBuffer* buffer = buffer_of(std::vector<BYTE>(11025, 200), 11025);
  auto frames_heard_at = [&](DWORD frequency) {
    EXPECT_EQ(buffer->SetFrequency(frequency), DS_OK);
    EXPECT_EQ(buffer->Play(0, 0, 0), DS_OK);
    const std::vector<int> left = hear(70000);
    return std::count_if(left.begin(), left.end(), [](int sample) { return sample != 0; });
  };
  const auto at11025 = frames_heard_at(11025);
  EXPECT_EQ(at11025, 44100);
  EXPECT_NEAR(static_cast<double>(frames_heard_at(8000)) / at11025, 11025.0 / 8000.0, 1.0 / 44100);
  EXPECT_EQ(buffer->SetFrequency(99), DSERR_INVALIDPARAM);
}

TEST_F(DsoundBuffer, PanPlus2000AndMinus2000Give20DecibelsLessOnTheFarSide) {
  IDirectSoundBuffer* buffer = buffer_of(std::vector<BYTE>(64, 192));
  auto right_over_left_db = [&](LONG pan) {
    EXPECT_EQ(buffer->SetPan(pan), DS_OK);
    EXPECT_EQ(buffer->SetCurrentPosition(0), DS_OK);
    EXPECT_EQ(buffer->Play(0, 0, 0), DS_OK);
    std::vector<std::int16_t> out(2 * 8);
    dsound::render(device_, out.data(), 8);
    return 20.0 * std::log10(static_cast<double>(out[1]) / out[0]);
  };
  EXPECT_NEAR(right_over_left_db(2000), 20.0, 0.01);
  EXPECT_NEAR(right_over_left_db(-2000), -20.0, 0.01);
  EXPECT_NEAR(right_over_left_db(0), 0.0, 0.01);
  EXPECT_EQ(buffer->SetPan(10001), DSERR_INVALIDPARAM);
}

TEST_F(DsoundBuffer, SeveralBuffersMixAndClip) {
  IDirectSoundBuffer* a = buffer_of(std::vector<BYTE>(4, 160));
  IDirectSoundBuffer* b = buffer_of(std::vector<BYTE>(4, 176));
  IDirectSoundBuffer* loud = buffer_of(std::vector<BYTE>(8, 255));
  ASSERT_EQ(a->Play(0, 0, 0), DS_OK);
  ASSERT_EQ(b->Play(0, 0, 0), DS_OK);
  EXPECT_EQ(hear(1), std::vector<int>{(32 + 48) * 256});
  ASSERT_EQ(loud->Play(0, 0, 0), DS_OK);
  EXPECT_EQ(hear(4), (std::vector<int>{32767, 32767, 32767, 127 * 256}));
}

}  // namespace
