// State behind the DirectSound stand-in's objects. The SDL audio callback runs on its own
// thread and reads every buffer's Voice; the game's thread touches a Voice, or the list
// of buffers, only while holding the device's audio lock (MixerLock).
#ifndef VORNEX_PLATFORM_DSOUND_INTERNAL_H
#define VORNEX_PLATFORM_DSOUND_INTERNAL_H

#include <dsound.h>

#include <SDL.h>

#include <cstddef>
#include <cstdint>
#include <vector>

#include "mixer.h"

namespace dsound {

// Frames mixed per step of the callback (and asked of SDL per callback).
constexpr std::size_t kBlockFrames = 512;

struct BufferState;

struct DeviceState {
  SDL_AudioDeviceID output = 0;  // 0: no SDL output; the mix goes nowhere
  bool holds_audio_subsystem = false;
  int rate = kMixRate;
  DWORD cooperative_level = 0;
  std::vector<BufferState*> buffers;  // every live buffer of the device
  std::vector<float> mix{};           // one block of interleaved frames
};

struct BufferState {
  DeviceState* device = nullptr;  // null once the device has been released
  DWORD caps = 0;
  DWORD format_frequency = 0;
  Voice voice;  // shared with the mixer

  // Lock hands out a copy of the locked bytes; Unlock commits it under the audio lock,
  // so the mixer never sees a half-written buffer and no pointer into the voice escapes.
  bool locked = false;
  DWORD lock_offset = 0;
  DWORD lock_bytes1 = 0;
  DWORD lock_bytes2 = 0;
  std::vector<BYTE> staging;
};

// Holds the audio lock of a device with an SDL output for its lifetime.
class MixerLock {
 public:
  explicit MixerLock(const DeviceState* device) : output_(device ? device->output : 0) {
    if (output_) SDL_LockAudioDevice(output_);
  }
  ~MixerLock() {
    if (output_) SDL_UnlockAudioDevice(output_);
  }
  MixerLock(const MixerLock&) = delete;
  MixerLock& operator=(const MixerLock&) = delete;

 private:
  SDL_AudioDeviceID output_;
};

// The friend of the interface classes: makes them and reaches their state.
struct Access {
  static DeviceState* state(IDirectSound* device) { return device->state_; }
  static BufferState* state(IDirectSoundBuffer* buffer) { return buffer->state_; }
  static IDirectSound* make_device(DeviceState* state);
  static IDirectSoundBuffer* make_buffer(BufferState* state);
};

// Mixes the next `frames` frames of every playing buffer of the device into out
// (interleaved left, right). This is the audio callback's whole work; the caller holds
// the audio lock.
void render(DeviceState& device, std::int16_t* out, std::size_t frames);

// For tests: the same, for a device of DirectSoundCreate or one without output, taking
// the audio lock itself.
void render(IDirectSound* device, std::int16_t* out, std::size_t frames);

// A device that mixes only when render is called: what DirectSoundCreate falls back on
// when no SDL output opens at all, and what tests use to hear a mix exactly.
HRESULT create_device_without_output(int rate, IDirectSound** device);

// The rate the device mixes at.
int output_rate(IDirectSound* device);

}  // namespace dsound

#endif  // VORNEX_PLATFORM_DSOUND_INTERNAL_H
