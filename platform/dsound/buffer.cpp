// IDirectSoundBuffer: static secondary buffers of 8-bit unsigned mono PCM, and their
// creation by IDirectSound::CreateSoundBuffer. Whatever the mixer reads changes only under
// the device's audio lock.
#include "dsound_internal.h"

#include <algorithm>
#include <cstring>
#include <new>

using dsound::Access;
using dsound::BufferState;
using dsound::DeviceState;
using dsound::MixerLock;

namespace {

const DWORD kSupportedCaps =
    DSBCAPS_STATIC | DSBCAPS_LOCSOFTWARE | DSBCAPS_CTRLFREQUENCY | DSBCAPS_CTRLPAN | DSBCAPS_CTRLVOLUME;

bool in_range(DWORD value, DWORD low, DWORD high) { return value >= low && value <= high; }

}  // namespace

IDirectSoundBuffer* Access::make_buffer(BufferState* state) {
  return new (std::nothrow) IDirectSoundBuffer(state);
}

HRESULT IDirectSound::CreateSoundBuffer(LPCDSBUFFERDESC pcDSBufferDesc, LPLPDIRECTSOUNDBUFFER ppDSBuffer,
                                        LPUNKNOWN pUnkOuter) {
  if (!ppDSBuffer) return DSERR_INVALIDPARAM;
  *ppDSBuffer = nullptr;
  if (!pcDSBufferDesc) return DSERR_INVALIDPARAM;
  if (pUnkOuter) return DSERR_NOAGGREGATION;

  const DSBUFFERDESC& desc = *pcDSBufferDesc;
  if (desc.dwSize != sizeof(DSBUFFERDESC)) return DSERR_INVALIDPARAM;
  if (desc.dwFlags & DSBCAPS_PRIMARYBUFFER) return DSERR_UNSUPPORTED;
  if (desc.dwFlags & ~kSupportedCaps) return DSERR_INVALIDPARAM;
  if (!in_range(desc.dwBufferBytes, DSBSIZE_MIN, DSBSIZE_MAX)) return DSERR_INVALIDPARAM;
  const WAVEFORMATEX* format = desc.lpwfxFormat;
  if (!format) return DSERR_INVALIDPARAM;
  if (format->wFormatTag != WAVE_FORMAT_PCM || format->nChannels != 1 || format->wBitsPerSample != 8 ||
      format->nBlockAlign != 1 || !in_range(format->nSamplesPerSec, DSBFREQUENCY_MIN, DSBFREQUENCY_MAX))
    return DSERR_BADFORMAT;

  BufferState* state = nullptr;
  try {
    state = new BufferState;
    state->voice.samples.assign(desc.dwBufferBytes, 128);  // silence
    state->device = state_;
    state->caps = desc.dwFlags;
    state->format_frequency = format->nSamplesPerSec;
    state->voice.frequency = format->nSamplesPerSec;
    MixerLock lock(state_);
    state_->buffers.push_back(state);
  } catch (const std::bad_alloc&) {
    delete state;
    return DSERR_OUTOFMEMORY;
  }

  *ppDSBuffer = Access::make_buffer(state);
  if (!*ppDSBuffer) {
    {
      MixerLock lock(state_);
      state_->buffers.pop_back();
    }
    delete state;
    return DSERR_OUTOFMEMORY;
  }
  return DS_OK;
}

IDirectSoundBuffer::IDirectSoundBuffer(BufferState* state) : refs_(1), state_(state) {}

IDirectSoundBuffer::~IDirectSoundBuffer() {
  if (DeviceState* device = state_->device) {
    MixerLock lock(device);
    auto& buffers = device->buffers;
    buffers.erase(std::remove(buffers.begin(), buffers.end(), state_), buffers.end());
  }
  delete state_;
}

ULONG IDirectSoundBuffer::AddRef() { return ++refs_; }

ULONG IDirectSoundBuffer::Release() {
  const ULONG remaining = --refs_;
  if (remaining == 0) delete this;
  return remaining;
}

HRESULT IDirectSoundBuffer::Lock(DWORD dwOffset, DWORD dwBytes, LPVOID* ppvAudioPtr1, LPDWORD pdwAudioBytes1,
                                 LPVOID* ppvAudioPtr2, LPDWORD pdwAudioBytes2, DWORD dwFlags) {
  if (!ppvAudioPtr1 || !pdwAudioBytes1) return DSERR_INVALIDPARAM;
  if (dwFlags & ~static_cast<DWORD>(DSBLOCK_FROMWRITECURSOR | DSBLOCK_ENTIREBUFFER))
    return DSERR_INVALIDPARAM;
  if (state_->locked) return DSERR_INVALIDCALL;

  std::vector<BYTE>& samples = state_->voice.samples;
  const DWORD size = static_cast<DWORD>(samples.size());
  if (dwFlags & DSBLOCK_ENTIREBUFFER) dwBytes = size;
  if (dwFlags & DSBLOCK_FROMWRITECURSOR) {
    // The mixer takes new bytes at its next block, so the write cursor is the play cursor.
    MixerLock lock(state_->device);
    dwOffset = static_cast<DWORD>(state_->voice.position >> 32);
  }
  if (dwOffset >= size || dwBytes == 0 || dwBytes > size) return DSERR_INVALIDPARAM;

  const DWORD first = std::min(dwBytes, size - dwOffset);
  const DWORD second = ppvAudioPtr2 ? dwBytes - first : 0;  // no second pointer: only the first part
  try {
    state_->staging.resize(first + second);
  } catch (const std::bad_alloc&) {
    return DSERR_OUTOFMEMORY;
  }
  {
    MixerLock lock(state_->device);
    std::memcpy(state_->staging.data(), samples.data() + dwOffset, first);
    std::memcpy(state_->staging.data() + first, samples.data(), second);
  }
  state_->locked = true;
  state_->lock_offset = dwOffset;
  state_->lock_bytes1 = first;
  state_->lock_bytes2 = second;

  *ppvAudioPtr1 = state_->staging.data();
  *pdwAudioBytes1 = first;
  if (ppvAudioPtr2) *ppvAudioPtr2 = second ? state_->staging.data() + first : nullptr;
  if (pdwAudioBytes2) *pdwAudioBytes2 = second;
  return DS_OK;
}

HRESULT IDirectSoundBuffer::Unlock(LPVOID pvAudioPtr1, DWORD dwAudioBytes1, LPVOID pvAudioPtr2,
                                   DWORD dwAudioBytes2) {
  if (!state_->locked) return DSERR_INVALIDCALL;
  BYTE* staging = state_->staging.data();
  if (pvAudioPtr1 != staging || dwAudioBytes1 > state_->lock_bytes1) return DSERR_INVALIDPARAM;
  if (dwAudioBytes2 > 0 &&
      (pvAudioPtr2 != staging + state_->lock_bytes1 || dwAudioBytes2 > state_->lock_bytes2))
    return DSERR_INVALIDPARAM;
  {
    MixerLock lock(state_->device);
    std::vector<BYTE>& samples = state_->voice.samples;
    std::memcpy(samples.data() + state_->lock_offset, staging, dwAudioBytes1);
    std::memcpy(samples.data(), staging + state_->lock_bytes1, dwAudioBytes2);
  }
  state_->locked = false;
  return DS_OK;
}

HRESULT IDirectSoundBuffer::Play(DWORD dwReserved1, DWORD dwPriority, DWORD dwFlags) {
  if (dwReserved1 != 0 || dwPriority != 0 || (dwFlags & ~static_cast<DWORD>(DSBPLAY_LOOPING)))
    return DSERR_INVALIDPARAM;
  if (!state_->device) return DSERR_NODRIVER;
  MixerLock lock(state_->device);
  state_->voice.looping = (dwFlags & DSBPLAY_LOOPING) != 0;
  state_->voice.playing = true;  // a buffer already playing goes on from where it is
  return DS_OK;
}

HRESULT IDirectSoundBuffer::Stop() {
  MixerLock lock(state_->device);
  state_->voice.playing = false;
  return DS_OK;
}

HRESULT IDirectSoundBuffer::SetCurrentPosition(DWORD dwNewPosition) {
  if (dwNewPosition >= state_->voice.samples.size()) return DSERR_INVALIDPARAM;
  MixerLock lock(state_->device);
  state_->voice.position = static_cast<std::uint64_t>(dwNewPosition) << 32;
  return DS_OK;
}

HRESULT IDirectSoundBuffer::GetCurrentPosition(LPDWORD pdwCurrentPlayCursor, LPDWORD pdwCurrentWriteCursor) {
  if (!pdwCurrentPlayCursor && !pdwCurrentWriteCursor) return DSERR_INVALIDPARAM;
  MixerLock lock(state_->device);
  const DWORD cursor = static_cast<DWORD>(state_->voice.position >> 32);
  if (pdwCurrentPlayCursor) *pdwCurrentPlayCursor = cursor;
  if (pdwCurrentWriteCursor) *pdwCurrentWriteCursor = cursor;
  return DS_OK;
}

HRESULT IDirectSoundBuffer::GetStatus(LPDWORD pdwStatus) {
  if (!pdwStatus) return DSERR_INVALIDPARAM;
  MixerLock lock(state_->device);
  *pdwStatus = 0;
  if (state_->voice.playing) *pdwStatus = DSBSTATUS_PLAYING | (state_->voice.looping ? DSBSTATUS_LOOPING : 0);
  return DS_OK;
}

HRESULT IDirectSoundBuffer::SetFrequency(DWORD dwFrequency) {
  if (!(state_->caps & DSBCAPS_CTRLFREQUENCY)) return DSERR_CONTROLUNAVAIL;
  if (dwFrequency == DSBFREQUENCY_ORIGINAL) dwFrequency = state_->format_frequency;
  if (!in_range(dwFrequency, DSBFREQUENCY_MIN, DSBFREQUENCY_MAX)) return DSERR_INVALIDPARAM;
  MixerLock lock(state_->device);
  state_->voice.frequency = dwFrequency;
  return DS_OK;
}

HRESULT IDirectSoundBuffer::SetPan(LONG lPan) {
  if (!(state_->caps & DSBCAPS_CTRLPAN)) return DSERR_CONTROLUNAVAIL;
  if (lPan < DSBPAN_LEFT || lPan > DSBPAN_RIGHT) return DSERR_INVALIDPARAM;
  MixerLock lock(state_->device);
  state_->voice.pan = lPan;
  return DS_OK;
}
