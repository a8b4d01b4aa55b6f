// IDirectSound and DirectSoundCreate: the SDL audio output and the mix that feeds it.
// SDL does not fall back by itself when the system has no audio device, so the device
// retries with SDL's dummy driver and, failing that, mixes into nothing.
#include "dsound_internal.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <new>
#include <string>

namespace dsound {

namespace {

void SDLCALL audio_callback(void* userdata, Uint8* stream, int len) {
  // SDL holds the device's audio lock while it calls back.
  DeviceState* device = static_cast<DeviceState*>(userdata);
  render(*device, reinterpret_cast<std::int16_t*>(stream), static_cast<std::size_t>(len) / 4);
}

// Opens SDL's audio output with the driver SDL chooses (or is told to choose); SDL
// converts to whatever the hardware takes. False with the reason on failure.
bool open_output(DeviceState& device, std::string* reason) {
  if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) {
    *reason = SDL_GetError();
    return false;
  }
  SDL_AudioSpec wanted{};
  wanted.freq = device.rate;
  wanted.format = AUDIO_S16SYS;
  wanted.channels = 2;
  wanted.samples = static_cast<Uint16>(kBlockFrames);
  wanted.callback = audio_callback;
  wanted.userdata = &device;
  SDL_AudioSpec obtained{};
  const SDL_AudioDeviceID output = SDL_OpenAudioDevice(nullptr, 0, &wanted, &obtained, 0);
  if (output == 0) {
    *reason = SDL_GetError();
    SDL_QuitSubSystem(SDL_INIT_AUDIO);
    return false;
  }
  device.output = output;
  device.holds_audio_subsystem = true;
  SDL_PauseAudioDevice(output, 0);
  return true;
}

bool open_dummy_output(DeviceState& device, std::string* reason) {
  SDL_SetHintWithPriority(SDL_HINT_AUDIODRIVER, "dummy", SDL_HINT_OVERRIDE);
  const bool opened = open_output(device, reason);
  SDL_ResetHint(SDL_HINT_AUDIODRIVER);
  return opened;
}

bool is_dummy_driver() {
  const char* driver = SDL_GetCurrentAudioDriver();
  return driver && std::strcmp(driver, "dummy") == 0;
}

}  // namespace

IDirectSound* Access::make_device(DeviceState* state) { return new (std::nothrow) IDirectSound(state); }

void render(DeviceState& device, std::int16_t* out, std::size_t frames) {
  const std::size_t block = device.mix.size() / 2;
  while (frames > 0) {
    const std::size_t count = std::min(frames, block);
    std::fill(device.mix.begin(), device.mix.begin() + 2 * count, 0.0f);
    for (BufferState* buffer : device.buffers)
      if (buffer->voice.playing) mix_voice(buffer->voice, device.rate, device.mix.data(), count);
    clip_to_s16(device.mix.data(), out, 2 * count);
    out += 2 * count;
    frames -= count;
  }
}

void render(IDirectSound* device, std::int16_t* out, std::size_t frames) {
  DeviceState* state = Access::state(device);
  MixerLock lock(state);
  render(*state, out, frames);
}

int output_rate(IDirectSound* device) { return Access::state(device)->rate; }

HRESULT create_device_without_output(int rate, IDirectSound** device) {
  if (!device || rate <= 0) return DSERR_INVALIDPARAM;
  *device = nullptr;
  DeviceState* state = nullptr;
  try {
    state = new DeviceState;
    state->rate = rate;
    state->mix.assign(2 * kBlockFrames, 0.0f);
  } catch (const std::bad_alloc&) {
    delete state;
    return DSERR_OUTOFMEMORY;
  }
  *device = Access::make_device(state);
  if (!*device) {
    delete state;
    return DSERR_OUTOFMEMORY;
  }
  return DS_OK;
}

}  // namespace dsound

using dsound::Access;
using dsound::BufferState;
using dsound::DeviceState;

IDirectSound::IDirectSound(DeviceState* state) : refs_(1), state_(state) {}

IDirectSound::~IDirectSound() {
  // Closing waits for a running callback, so afterwards nothing else reads the buffers.
  if (state_->output) SDL_CloseAudioDevice(state_->output);
  for (BufferState* buffer : state_->buffers) {
    buffer->device = nullptr;
    buffer->voice.playing = false;
  }
  if (state_->holds_audio_subsystem) SDL_QuitSubSystem(SDL_INIT_AUDIO);
  delete state_;
}

ULONG IDirectSound::AddRef() { return ++refs_; }

ULONG IDirectSound::Release() {
  const ULONG remaining = --refs_;
  if (remaining == 0) delete this;
  return remaining;
}

HRESULT IDirectSound::SetCooperativeLevel(HWND, DWORD dwLevel) {
  if (dwLevel != DSSCL_NORMAL) return DSERR_INVALIDPARAM;
  state_->cooperative_level = dwLevel;
  return DS_OK;
}

HRESULT WINAPI DirectSoundCreate(LPCGUID lpGuid, LPDIRECTSOUND* ppDS, LPUNKNOWN pUnkOuter) {
  if (!ppDS) return DSERR_INVALIDPARAM;
  *ppDS = nullptr;
  if (pUnkOuter) return DSERR_NOAGGREGATION;
  if (lpGuid) return DSERR_NODRIVER;  // only the default device exists here

  IDirectSound* device = nullptr;
  const HRESULT made = dsound::create_device_without_output(dsound::kMixRate, &device);
  if (FAILED(made)) return made;
  DeviceState& state = *Access::state(device);

  std::string reason;
  if (!dsound::open_output(state, &reason)) {
    std::string ignored;
    dsound::open_dummy_output(state, &ignored);  // failing that too, the device mixes into nothing
    std::fprintf(stderr, "VORNEX: no audio device (%s); sound is off\n", reason.c_str());
  } else if (dsound::is_dummy_driver()) {
    std::fprintf(stderr, "VORNEX: sound is off (SDL's dummy audio driver)\n");
  }
  *ppDS = device;
  return DS_OK;
}
