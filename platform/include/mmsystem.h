// The subset of winmm that VORNEX uses, for Linux: the millisecond clock, the wave format
// structure and the buffered RIFF reader (mmio). Implemented in platform/win32.
#ifndef VORNEX_PLATFORM_MMSYSTEM_H
#define VORNEX_PLATFORM_MMSYSTEM_H

#include <windows.h>

typedef UINT MMRESULT;

#define MMSYSERR_NOERROR 0
#define MMSYSERR_INVALHANDLE 5
#define MMSYSERR_INVALPARAM 11

// Milliseconds since the program started. It wraps after 49.7 days, as on Windows.
DWORD WINAPI timeGetTime(void);

// ---- wave format ----
// Packed to 18 bytes, as winmm declares it: files and buffers carry it byte for byte.
#pragma pack(push, 1)

#define WAVE_FORMAT_PCM 1

typedef struct tWAVEFORMATEX {
  WORD wFormatTag;
  WORD nChannels;
  DWORD nSamplesPerSec;
  DWORD nAvgBytesPerSec;
  WORD nBlockAlign;
  WORD wBitsPerSample;
  WORD cbSize;
} WAVEFORMATEX, *PWAVEFORMATEX, *LPWAVEFORMATEX;
typedef const WAVEFORMATEX* LPCWAVEFORMATEX;

// ---- mmio: buffered file input with RIFF chunk navigation ----
typedef DWORD FOURCC;
typedef char* HPSTR;

struct HMMIO__;
typedef HMMIO__* HMMIO;

// Only ever passed as null: this platform has no custom I/O procedures or user buffers.
struct MMIOINFO;
typedef MMIOINFO* LPMMIOINFO;

typedef struct _MMCKINFO {
  FOURCC ckid;         // chunk identifier
  DWORD cksize;        // size of the chunk's data (the form type included for RIFF and LIST)
  FOURCC fccType;      // form type of a RIFF or LIST chunk
  DWORD dwDataOffset;  // file offset of the chunk's data
  DWORD dwFlags;
} MMCKINFO, *PMMCKINFO, *LPMMCKINFO;
typedef const MMCKINFO* LPCMMCKINFO;

#pragma pack(pop)

#ifndef MAKEFOURCC
#define MAKEFOURCC(ch0, ch1, ch2, ch3) \
  ((DWORD)(BYTE)(ch0) | ((DWORD)(BYTE)(ch1) << 8) | ((DWORD)(BYTE)(ch2) << 16) | ((DWORD)(BYTE)(ch3) << 24))
#endif
#define mmioFOURCC(ch0, ch1, ch2, ch3) MAKEFOURCC(ch0, ch1, ch2, ch3)
#define FOURCC_RIFF mmioFOURCC('R', 'I', 'F', 'F')
#define FOURCC_LIST mmioFOURCC('L', 'I', 'S', 'T')

#define MMIOERR_BASE 256
#define MMIOERR_CANNOTREAD (MMIOERR_BASE + 5)
#define MMIOERR_CANNOTSEEK (MMIOERR_BASE + 7)
#define MMIOERR_CHUNKNOTFOUND (MMIOERR_BASE + 9)
#define MMIOERR_INVALIDFILE (MMIOERR_BASE + 16)

#define MMIO_READ 0x00000000
#define MMIO_ALLOCBUF 0x00010000
#define MMIO_FINDCHUNK 0x0010
#define MMIO_FINDRIFF 0x0020

// Opens a file for reading (MMIO_READ, optionally MMIO_ALLOCBUF); null when it cannot be
// opened or other modes are asked for. pmmioinfo must be null. Backslashes in the name
// are folder separators.
HMMIO WINAPI mmioOpenA(LPSTR pszFileName, LPMMIOINFO pmmioinfo, DWORD fdwOpen);
MMRESULT WINAPI mmioClose(HMMIO hmmio, UINT fuClose);
// Reads up to cch bytes from the current position; returns the count read (0 at the end
// of the file) or -1 on error.
LONG WINAPI mmioRead(HMMIO hmmio, HPSTR pch, LONG cch);
// Descends into the chunk at the current position (fuDescend 0), or searches forward for
// a chunk with pmmcki->ckid (MMIO_FINDCHUNK) or a RIFF form of type pmmcki->fccType
// (MMIO_FINDRIFF), within pmmckiParent if given. Afterwards the position is at the start
// of the chunk's data (after the form type of a RIFF chunk). A chunk that claims more
// bytes than its parent or the file holds is MMIOERR_INVALIDFILE.
MMRESULT WINAPI mmioDescend(HMMIO hmmio, LPMMCKINFO pmmcki, const MMCKINFO* pmmckiParent, UINT fuDescend);
// Moves to the end of the chunk (past its pad byte when its size is odd).
MMRESULT WINAPI mmioAscend(HMMIO hmmio, LPMMCKINFO pmmcki, UINT fuAscend);

#endif  // VORNEX_PLATFORM_MMSYSTEM_H
