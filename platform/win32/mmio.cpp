// The mmio subset: read-only buffered files and navigation of RIFF chunks. Every chunk
// found is checked against the bytes its parent (or the file) really holds, so a size
// field cannot send a reader past the end of the data.
#include <mmsystem.h>

#include "win32_internal.h"

#include <sys/stat.h>

#include <cstdint>
#include <cstdio>
#include <new>
#include <string>

struct HMMIO__ {
  std::FILE* file = nullptr;
  std::uint64_t size = 0;  // bytes in the file when it was opened
};

namespace {

// Chunk offsets are 32-bit in MMCKINFO, so larger files cannot be described.
const std::uint64_t kLargestFile = 0xFFFFFFFFu;

bool seek_to(HMMIO hmmio, std::uint64_t offset) {
  if (offset > kLargestFile + 1) return false;
  return std::fseek(hmmio->file, static_cast<long>(offset), SEEK_SET) == 0;
}

bool tell(HMMIO hmmio, std::uint64_t* offset) {
  const long at = std::ftell(hmmio->file);
  if (at < 0) return false;
  *offset = static_cast<std::uint64_t>(at);
  return true;
}

// RIFF fields are little-endian whatever the machine.
bool read_dword(HMMIO hmmio, DWORD* value) {
  unsigned char bytes[4];
  if (std::fread(bytes, 1, 4, hmmio->file) != 4) return false;
  *value = static_cast<DWORD>(bytes[0]) | static_cast<DWORD>(bytes[1]) << 8 |
           static_cast<DWORD>(bytes[2]) << 16 | static_cast<DWORD>(bytes[3]) << 24;
  return true;
}

bool is_list_kind(FOURCC id) { return id == FOURCC_RIFF || id == FOURCC_LIST; }

}  // namespace

HMMIO WINAPI mmioOpenA(LPSTR pszFileName, LPMMIOINFO pmmioinfo, DWORD fdwOpen) {
  if (!pszFileName || pmmioinfo) return nullptr;
  if ((fdwOpen & ~static_cast<DWORD>(MMIO_ALLOCBUF)) != MMIO_READ) return nullptr;  // read-only subset

  const std::string path = win32::native_path(pszFileName);
  std::FILE* file = std::fopen(path.c_str(), "rb");
  if (!file) return nullptr;
  struct stat info;
  if (fstat(fileno(file), &info) != 0 || !S_ISREG(info.st_mode) || info.st_size < 0 ||
      static_cast<std::uint64_t>(info.st_size) > kLargestFile) {
    std::fclose(file);
    return nullptr;
  }
  HMMIO hmmio = new (std::nothrow) HMMIO__;
  if (!hmmio) {
    std::fclose(file);
    return nullptr;
  }
  hmmio->file = file;
  hmmio->size = static_cast<std::uint64_t>(info.st_size);
  return hmmio;
}

MMRESULT WINAPI mmioClose(HMMIO hmmio, UINT) {
  if (!hmmio) return MMSYSERR_INVALHANDLE;
  std::fclose(hmmio->file);
  delete hmmio;
  return MMSYSERR_NOERROR;
}

LONG WINAPI mmioRead(HMMIO hmmio, HPSTR pch, LONG cch) {
  if (!hmmio || cch < 0 || (!pch && cch > 0)) return -1;
  if (cch == 0) return 0;
  const std::size_t got = std::fread(pch, 1, static_cast<std::size_t>(cch), hmmio->file);
  if (got < static_cast<std::size_t>(cch) && std::ferror(hmmio->file)) {
    std::clearerr(hmmio->file);
    return -1;
  }
  return static_cast<LONG>(got);
}

MMRESULT WINAPI mmioDescend(HMMIO hmmio, LPMMCKINFO pmmcki, const MMCKINFO* pmmckiParent, UINT fuDescend) {
  if (!hmmio || !pmmcki) return MMSYSERR_INVALHANDLE;
  if (fuDescend != 0 && fuDescend != MMIO_FINDCHUNK && fuDescend != MMIO_FINDRIFF) return MMSYSERR_INVALPARAM;

  // Children of a chunk end where the parent's data ends, and nothing ends past the file.
  std::uint64_t limit = hmmio->size;
  if (pmmckiParent) {
    const std::uint64_t parentEnd =
        static_cast<std::uint64_t>(pmmckiParent->dwDataOffset) + pmmckiParent->cksize;
    if (parentEnd < limit) limit = parentEnd;
  }

  for (;;) {
    std::uint64_t start = 0;
    if (!tell(hmmio, &start)) return MMIOERR_CANNOTSEEK;
    if (start + 8 > limit) return MMIOERR_CHUNKNOTFOUND;

    DWORD id = 0;
    DWORD size = 0;
    if (!read_dword(hmmio, &id) || !read_dword(hmmio, &size)) return MMIOERR_CANNOTREAD;
    const std::uint64_t data = start + 8;
    const std::uint64_t end = data + size;
    if (end > limit) return MMIOERR_INVALIDFILE;  // claims more than is there

    FOURCC formType = 0;
    if (is_list_kind(id)) {
      if (size < 4 || !read_dword(hmmio, &formType)) return MMIOERR_INVALIDFILE;
    }

    bool wanted = true;
    if (fuDescend == MMIO_FINDCHUNK) wanted = id == pmmcki->ckid;
    if (fuDescend == MMIO_FINDRIFF) wanted = id == FOURCC_RIFF && formType == pmmcki->fccType;

    if (wanted) {
      pmmcki->ckid = id;
      pmmcki->cksize = size;
      pmmcki->fccType = formType;
      pmmcki->dwDataOffset = static_cast<DWORD>(data);
      pmmcki->dwFlags = 0;
      return MMSYSERR_NOERROR;  // the position is at the data (after the form type)
    }
    // Chunks are padded to an even size.
    if (!seek_to(hmmio, end + (size & 1))) return MMIOERR_CANNOTSEEK;
  }
}

MMRESULT WINAPI mmioAscend(HMMIO hmmio, LPMMCKINFO pmmcki, UINT) {
  if (!hmmio || !pmmcki) return MMSYSERR_INVALHANDLE;
  const std::uint64_t end = static_cast<std::uint64_t>(pmmcki->dwDataOffset) + pmmcki->cksize;
  if (!seek_to(hmmio, end + (pmmcki->cksize & 1))) return MMIOERR_CANNOTSEEK;
  return MMSYSERR_NOERROR;
}
