// Sound: one DirectSound device and 255 numbered slots, each holding one static buffer
// filled from a PCM .wav file, with operations to play, stop and rewind, re-pitch and pan
// a slot. Every buffer plays 8-bit unsigned mono samples at its slot's frequency.
#ifndef VORNEX_SOUND_SOUND_H
#define VORNEX_SOUND_SOUND_H

#include <windows.h>
#include <mmsystem.h>
#include <dsound.h>

const int kSoundSlotCount = 255;

struct SoundSlot {
  IDirectSoundBuffer* buffer;  // the slot's buffer, or null
  int status;                  // 0 empty, 1 loaded and playable, 2 a play request failed: never played again
};

// The sound device; null until set-up succeeds (and for good when it fails: the game
// then runs silently).
extern IDirectSound* g_pds;
// The one format every buffer is created with: PCM, mono, 11025 Hz, 8 bits.
extern WAVEFORMATEX g_wave_format;
// The description every buffer is created from; dwBufferBytes is set for each buffer.
extern DSBUFFERDESC g_buffer_desc;
extern SoundSlot g_sounds[kSoundSlotCount];

// Opens the sound device for the window and prepares the format, the buffer description
// (dwFlags = flags) and empty slots. 0, or the failing DirectSound result, after which
// g_pds is null and one line on standard error says that sound is off.
HRESULT init_sound(HWND hwnd, DWORD flags);
// Releases every slot's buffer, then the device.
void release_sound();

// Fills a slot (0 to 254) from a RIFF WAVE file with a PCM format chunk, emptying it
// first. The data chunk's bytes are copied unconverted: whatever the file's format, they
// play as 8-bit mono at the slot's frequency. False for a file that cannot be read or is
// malformed (nothing past its end is read, nothing larger than it is allocated), or when
// the buffer cannot be made. Without a sound device a good file succeeds and the slot
// stays empty.
bool load_wav(int slot, const char* file_name);

// Plays a loaded slot once from its current position; a slot that is still sounding goes
// on without restarting. 0, or the failing result of Play, after which the slot is never
// played again. Empty, failed or unknown slots return 0 without playing.
HRESULT play_sound(int slot);
// Stops the slot and rewinds it to its start. Does nothing for a slot without a buffer.
void stop_sound(int slot);
// 0, or the failing result (DSERR_INVALIDCALL for a slot without a buffer).
HRESULT set_sound_frequency(int slot, int frequency);
// pan: -10000 (full left) to 10000 (full right), in hundredths of a decibel of attenuation
// on the other side. 0, or the failing result (DSERR_INVALIDCALL for a slot without a buffer).
HRESULT set_sound_pan(int slot, int pan);

#endif  // VORNEX_SOUND_SOUND_H
