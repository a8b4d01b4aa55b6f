// The subset of DirectSound that VORNEX uses, for Linux, implemented in platform/dsound on
// SDL2 audio: a device and static secondary buffers of 8-bit unsigned mono PCM, mixed in
// SDL's audio callback. Anything not declared here is not implemented.
#ifndef VORNEX_PLATFORM_DSOUND_H
#define VORNEX_PLATFORM_DSOUND_H

#include <windows.h>
#include <mmsystem.h>

// ---- GUID and IUnknown, only as far as the declarations below need them ----
#ifndef GUID_DEFINED
#define GUID_DEFINED
typedef struct GUID {
  DWORD Data1;
  WORD Data2;
  WORD Data3;
  BYTE Data4[8];
} GUID;
#endif
typedef const GUID* LPCGUID;

struct IUnknown;
typedef IUnknown* LPUNKNOWN;

#ifndef CLASS_E_NOAGGREGATION
#define CLASS_E_NOAGGREGATION ((HRESULT)0x80040110)
#endif

// ---- results ----
#define _FACDS 0x878
#define MAKE_DSHRESULT(code) MAKE_HRESULT(1, _FACDS, code)

#define DS_OK 0
#define DSERR_CONTROLUNAVAIL MAKE_DSHRESULT(30)
#define DSERR_INVALIDPARAM E_INVALIDARG
#define DSERR_INVALIDCALL MAKE_DSHRESULT(50)
#define DSERR_OUTOFMEMORY E_OUTOFMEMORY
#define DSERR_BADFORMAT MAKE_DSHRESULT(100)
#define DSERR_UNSUPPORTED E_NOTIMPL
#define DSERR_NODRIVER MAKE_DSHRESULT(120)
#define DSERR_NOAGGREGATION CLASS_E_NOAGGREGATION

// ---- constants ----
#define DSSCL_NORMAL 1

#define DSBPLAY_LOOPING 0x00000001

#define DSBSTATUS_PLAYING 0x00000001
#define DSBSTATUS_LOOPING 0x00000004

#define DSBLOCK_FROMWRITECURSOR 0x00000001
#define DSBLOCK_ENTIREBUFFER 0x00000002

#define DSBCAPS_PRIMARYBUFFER 0x00000001
#define DSBCAPS_STATIC 0x00000002
#define DSBCAPS_LOCSOFTWARE 0x00000008
#define DSBCAPS_CTRLFREQUENCY 0x00000020
#define DSBCAPS_CTRLPAN 0x00000040
#define DSBCAPS_CTRLVOLUME 0x00000080

#define DSBSIZE_MIN 4
#define DSBSIZE_MAX 0xFFFFFFF
#define DSBPAN_LEFT -10000
#define DSBPAN_RIGHT 10000
#define DSBFREQUENCY_MIN 100
#define DSBFREQUENCY_MAX 200000
#define DSBFREQUENCY_ORIGINAL 0

// ---- structures ----
typedef struct _DSBUFFERDESC {
  DWORD dwSize;  // sizeof(DSBUFFERDESC)
  DWORD dwFlags;
  DWORD dwBufferBytes;
  DWORD dwReserved;
  LPWAVEFORMATEX lpwfxFormat;
  GUID guid3DAlgorithm;
} DSBUFFERDESC, *LPDSBUFFERDESC;
typedef const DSBUFFERDESC* LPCDSBUFFERDESC;

// ---- interfaces ----
// On this platform interfaces are plain reference-counted classes without virtual functions.
// Each object's state lives behind an internal pointer (platform/dsound), so this header
// stays free of SDL.
namespace dsound {
struct DeviceState;
struct BufferState;
struct Access;
}  // namespace dsound

struct IDirectSoundBuffer;
typedef IDirectSoundBuffer* LPDIRECTSOUNDBUFFER;
typedef IDirectSoundBuffer** LPLPDIRECTSOUNDBUFFER;

// The sound device: one SDL audio output, mixed at a fixed rate. Made only by
// DirectSoundCreate; the last Release closes the output. Buffers still held then stay
// valid objects, but can no longer play (Play returns DSERR_NODRIVER).
struct IDirectSound {
 public:
  ULONG AddRef();
  ULONG Release();

  // Accepts DSSCL_NORMAL; the window is not used.
  HRESULT SetCooperativeLevel(HWND hwnd, DWORD dwLevel);
  // A static secondary buffer of 8-bit unsigned mono PCM (DSBCAPS_PRIMARYBUFFER and other
  // formats are not supported), filled with silence, stopped at position 0.
  HRESULT CreateSoundBuffer(LPCDSBUFFERDESC pcDSBufferDesc, LPLPDIRECTSOUNDBUFFER ppDSBuffer,
                            LPUNKNOWN pUnkOuter);

  IDirectSound(const IDirectSound&) = delete;
  IDirectSound& operator=(const IDirectSound&) = delete;

 private:
  friend struct dsound::Access;
  explicit IDirectSound(dsound::DeviceState* state);
  ~IDirectSound();

  ULONG refs_;
  dsound::DeviceState* state_;
};
typedef IDirectSound* LPDIRECTSOUND;

struct IDirectSoundBuffer {
 public:
  ULONG AddRef();
  ULONG Release();

  // Hands out the bytes from dwOffset (or from the write cursor, or the whole buffer) for
  // writing, in two parts when the range wraps past the end. They take effect at Unlock,
  // which must get back the pointers Lock gave. One lock at a time.
  HRESULT Lock(DWORD dwOffset, DWORD dwBytes, LPVOID* ppvAudioPtr1, LPDWORD pdwAudioBytes1,
               LPVOID* ppvAudioPtr2, LPDWORD pdwAudioBytes2, DWORD dwFlags);
  HRESULT Unlock(LPVOID pvAudioPtr1, DWORD dwAudioBytes1, LPVOID pvAudioPtr2, DWORD dwAudioBytes2);

  // Plays from the current position, once or (DSBPLAY_LOOPING) round and round. A buffer
  // already playing goes on where it is. A one-shot that reaches its end stops and
  // rewinds to its start.
  HRESULT Play(DWORD dwReserved1, DWORD dwPriority, DWORD dwFlags);
  HRESULT Stop();  // keeps the position
  HRESULT SetCurrentPosition(DWORD dwNewPosition);
  HRESULT GetCurrentPosition(LPDWORD pdwCurrentPlayCursor, LPDWORD pdwCurrentWriteCursor);
  HRESULT GetStatus(LPDWORD pdwStatus);

  // Need DSBCAPS_CTRLFREQUENCY / DSBCAPS_CTRLPAN. Frequency in Hz (DSBFREQUENCY_ORIGINAL
  // restores the format's); pan in hundredths of a decibel of attenuation on the far
  // channel, DSBPAN_LEFT to DSBPAN_RIGHT.
  HRESULT SetFrequency(DWORD dwFrequency);
  HRESULT SetPan(LONG lPan);

  IDirectSoundBuffer(const IDirectSoundBuffer&) = delete;
  IDirectSoundBuffer& operator=(const IDirectSoundBuffer&) = delete;

 private:
  friend struct dsound::Access;
  explicit IDirectSoundBuffer(dsound::BufferState* state);
  ~IDirectSoundBuffer();

  ULONG refs_;
  dsound::BufferState* state_;
};

// Opens the default output (lpGuid null). Without a usable audio device the device still
// comes up, mixing into nothing, and one line on standard error says sound is off.
HRESULT WINAPI DirectSoundCreate(LPCGUID lpGuid, LPDIRECTSOUND* ppDS, LPUNKNOWN pUnkOuter);

#endif  // VORNEX_PLATFORM_DSOUND_H
