// The sound device and the slot operations.
#include "sound/sound.h"

#include <cstdio>

IDirectSound* g_pds = nullptr;
WAVEFORMATEX g_wave_format;
DSBUFFERDESC g_buffer_desc;
SoundSlot g_sounds[kSoundSlotCount];

namespace {

SoundSlot* slot_at(int slot) {
  if (slot < 0 || slot >= kSoundSlotCount) return nullptr;
  return &g_sounds[slot];
}

HRESULT failure_or_zero(HRESULT result) { return FAILED(result) ? result : 0; }

void sound_is_off(HRESULT result) {
  std::fprintf(stderr, "VORNEX: sound is off (DirectSound result 0x%08lx)\n",
               static_cast<unsigned long>(static_cast<DWORD>(result)));
}

}  // namespace

HRESULT init_sound(HWND hwnd, DWORD flags) {
  HRESULT result = DirectSoundCreate(nullptr, &g_pds, nullptr);
  if (FAILED(result)) {
    g_pds = nullptr;
    sound_is_off(result);
    return result;
  }
  result = g_pds->SetCooperativeLevel(hwnd, DSSCL_NORMAL);
  if (FAILED(result)) {
    // A device without a cooperative level cannot be relied on to play: run silently.
    g_pds->Release();
    g_pds = nullptr;
    sound_is_off(result);
    return result;
  }

  ZeroMemory(&g_wave_format, sizeof(g_wave_format));
  g_wave_format.wFormatTag = WAVE_FORMAT_PCM;
  g_wave_format.nChannels = 1;
  g_wave_format.nSamplesPerSec = 11025;
  g_wave_format.nBlockAlign = 1;
  g_wave_format.nAvgBytesPerSec = g_wave_format.nSamplesPerSec * g_wave_format.nBlockAlign;
  g_wave_format.wBitsPerSample = 8;
  g_wave_format.cbSize = 0;

  ZeroMemory(&g_buffer_desc, sizeof(g_buffer_desc));
  g_buffer_desc.dwSize = sizeof(DSBUFFERDESC);  // 36 bytes in 32-bit programs, 40 in 64-bit ones
  g_buffer_desc.dwFlags = flags;
  g_buffer_desc.dwBufferBytes = 0;
  g_buffer_desc.dwReserved = 0;
  g_buffer_desc.lpwfxFormat = &g_wave_format;

  for (SoundSlot& slot : g_sounds) {
    slot.buffer = nullptr;
    slot.status = 0;
  }
  return 0;
}

void release_sound() {
  for (SoundSlot& slot : g_sounds) {
    if (slot.buffer) slot.buffer->Release();
    slot.buffer = nullptr;
    slot.status = 0;
  }
  if (g_pds) g_pds->Release();
  g_pds = nullptr;
}

HRESULT play_sound(int slot) {
  SoundSlot* target = slot_at(slot);
  if (!target || target->status != 1 || !target->buffer) return 0;
  const HRESULT result = target->buffer->Play(0, 0, 0);
  if (FAILED(result)) {
    target->status = 2;
    return result;
  }
  return 0;
}

void stop_sound(int slot) {
  SoundSlot* target = slot_at(slot);
  if (!target || !target->buffer) return;
  target->buffer->Stop();
  target->buffer->SetCurrentPosition(0);
}

HRESULT set_sound_frequency(int slot, int frequency) {
  SoundSlot* target = slot_at(slot);
  if (!target || !target->buffer) return DSERR_INVALIDCALL;
  return failure_or_zero(target->buffer->SetFrequency(static_cast<DWORD>(frequency)));
}

HRESULT set_sound_pan(int slot, int pan) {
  SoundSlot* target = slot_at(slot);
  if (!target || !target->buffer) return DSERR_INVALIDCALL;
  return failure_or_zero(target->buffer->SetPan(static_cast<LONG>(pan)));
}
