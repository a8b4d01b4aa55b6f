// The WAV loader: walks a RIFF WAVE file with mmio, checks that its format is PCM and
// copies the bytes of its "data" chunk, unconverted, into the slot's buffer. Sizes come
// from the file and are not trusted: the data is read in pieces, so a chunk that claims
// more than the file holds fails at the first missing byte instead of being allocated.
#include "sound/sound.h"

#include <cstring>
#include <new>
#include <vector>

namespace {

const FOURCC kWaveForm = mmioFOURCC('W', 'A', 'V', 'E');
const FOURCC kFormatChunk = mmioFOURCC('f', 'm', 't', ' ');
const FOURCC kDataChunk = mmioFOURCC('d', 'a', 't', 'a');

// A PCM format chunk holds the fields up to wBitsPerSample; cbSize is often left out.
const DWORD kPcmFormatBytes = 16;
const DWORD kReadPiece = 64 * 1024;

bool read_exactly(HMMIO file, BYTE* into, DWORD bytes) {
  const LONG count = static_cast<LONG>(bytes);
  return mmioRead(file, reinterpret_cast<HPSTR>(into), count) == count;
}

// The file's samples when it is a RIFF WAVE with a PCM "fmt " chunk followed (somewhere
// in the form) by a "data" chunk.
bool read_pcm_data(HMMIO file, std::vector<BYTE>* data) {
  MMCKINFO riff;
  ZeroMemory(&riff, sizeof(riff));
  riff.fccType = kWaveForm;
  if (mmioDescend(file, &riff, nullptr, MMIO_FINDRIFF) != MMSYSERR_NOERROR) return false;

  MMCKINFO chunk;
  ZeroMemory(&chunk, sizeof(chunk));
  chunk.ckid = kFormatChunk;
  if (mmioDescend(file, &chunk, &riff, MMIO_FINDCHUNK) != MMSYSERR_NOERROR) return false;
  if (chunk.cksize < kPcmFormatBytes) return false;  // truncated
  // Only as much of a WAVEFORMATEX as the chunk holds, so nothing of the next chunk is read.
  WAVEFORMATEX format;
  ZeroMemory(&format, sizeof(format));
  const DWORD formatBytes = chunk.cksize < sizeof(WAVEFORMATEX) ? chunk.cksize : sizeof(WAVEFORMATEX);
  if (!read_exactly(file, reinterpret_cast<BYTE*>(&format), formatBytes)) return false;
  if (format.wFormatTag != WAVE_FORMAT_PCM) return false;
  if (mmioAscend(file, &chunk, 0) != MMSYSERR_NOERROR) return false;

  chunk.ckid = kDataChunk;
  if (mmioDescend(file, &chunk, &riff, MMIO_FINDCHUNK) != MMSYSERR_NOERROR) return false;
  DWORD remaining = chunk.cksize;
  while (remaining > 0) {
    const DWORD piece = remaining < kReadPiece ? remaining : kReadPiece;
    const std::size_t at = data->size();
    try {
      data->resize(at + piece);
    } catch (const std::bad_alloc&) {
      return false;
    }
    if (!read_exactly(file, data->data() + at, piece)) return false;
    remaining -= piece;
  }
  return true;
}

bool read_wav_file(const char* file_name, std::vector<BYTE>* data) {
  // mmioOpenA takes a writable name but only writes it when asked to parse it.
  HMMIO file = mmioOpenA(const_cast<LPSTR>(file_name), nullptr, MMIO_ALLOCBUF | MMIO_READ);
  if (!file) return false;
  const bool read = read_pcm_data(file, data);
  mmioClose(file, 0);
  return read;
}

// Copies the samples into a new buffer, locked from its write cursor (its start).
bool fill_buffer(IDirectSoundBuffer* buffer, const std::vector<BYTE>& data) {
  const DWORD size = static_cast<DWORD>(data.size());
  LPVOID part1 = nullptr;
  LPVOID part2 = nullptr;
  DWORD bytes1 = 0;
  DWORD bytes2 = 0;
  if (FAILED(buffer->Lock(0, size, &part1, &bytes1, &part2, &bytes2, DSBLOCK_FROMWRITECURSOR))) return false;
  // Never copy more than the data holds, whatever Lock reports.
  if (bytes1 > size) bytes1 = size;
  if (!part2) bytes2 = 0;
  if (bytes2 > size - bytes1) bytes2 = size - bytes1;
  std::memcpy(part1, data.data(), bytes1);
  if (bytes2 > 0) std::memcpy(part2, data.data() + bytes1, bytes2);
  return SUCCEEDED(buffer->Unlock(part1, bytes1, part2, bytes2));
}

}  // namespace

bool load_wav(int slot, const char* file_name) {
  if (slot < 0 || slot >= kSoundSlotCount || !file_name) return false;
  SoundSlot& target = g_sounds[slot];
  if (target.status != 0 || target.buffer) {
    stop_sound(slot);
    if (target.buffer) target.buffer->Release();
    target.buffer = nullptr;
    target.status = 0;
  }

  std::vector<BYTE> data;
  if (!read_wav_file(file_name, &data)) return false;
  if (!g_pds) return true;  // no sound device: a good file is enough, the slot stays empty

  g_buffer_desc.dwBufferBytes = static_cast<DWORD>(data.size());
  IDirectSoundBuffer* buffer = nullptr;
  if (FAILED(g_pds->CreateSoundBuffer(&g_buffer_desc, &buffer, nullptr)) || !buffer) return false;
  if (!fill_buffer(buffer, data)) {
    buffer->Release();
    return false;
  }
  target.buffer = buffer;
  target.status = 1;
  return true;
}
