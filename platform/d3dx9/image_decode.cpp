// Image decoding with stb_image (PNG and BMP only), behind checks of our own: stb_image reads
// past a truncated BMP as zeros, does not verify PNG checksums, allocates the whole image before
// finding out that the data is short, and looks up colour indices past a short palette in
// uninitialised memory. The checks below reject such files first; a PNG with a short palette or
// an empty IDAT chunk is decoded from a tidied copy (palette padded with black, so that every
// index has a defined colour; empty IDAT chunks dropped, which the decoder would copy from a
// null buffer).
#include "image_decode.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

// Header-only use, private to this file (no symbols clash with other users of stb).
#define STB_IMAGE_IMPLEMENTATION
#define STB_IMAGE_STATIC
#define STBI_ONLY_PNG
#define STBI_ONLY_BMP
#define STBI_NO_STDIO
#define STBI_NO_LINEAR
#define STBI_NO_HDR
#define STBI_MAX_DIMENSIONS kMaxImageSide
#include <stb/stb_image.h>

namespace {

constexpr uint8_t kPngSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
// Deflate turns at most 2 bits into 258 bytes, so compressed data expands at most 1032 times.
constexpr uint64_t kMaxDeflateRatio = 1032;

uint32_t read_be32(const uint8_t* p) {
  return (uint32_t{p[0]} << 24) | (uint32_t{p[1]} << 16) | (uint32_t{p[2]} << 8) | uint32_t{p[3]};
}
uint32_t read_le32(const uint8_t* p) {
  return (uint32_t{p[3]} << 24) | (uint32_t{p[2]} << 16) | (uint32_t{p[1]} << 8) | uint32_t{p[0]};
}
uint32_t read_le16(const uint8_t* p) { return (uint32_t{p[1]} << 8) | uint32_t{p[0]}; }

uint32_t crc32(const uint8_t* data, size_t size) {
  static const auto table = [] {
    struct Table {
      uint32_t entries[256];
    } t{};
    for (uint32_t n = 0; n < 256; ++n) {
      uint32_t c = n;
      for (int k = 0; k < 8; ++k) c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
      t.entries[n] = c;
    }
    return t;
  }();
  uint32_t crc = 0xFFFFFFFFu;
  for (size_t i = 0; i < size; ++i) crc = table.entries[(crc ^ data[i]) & 0xFF] ^ (crc >> 8);
  return crc ^ 0xFFFFFFFFu;
}

std::string chunk_name(const uint8_t* type) {
  std::string name;
  for (int i = 0; i < 4; ++i) name += (type[i] >= 0x20 && type[i] < 0x7F) ? static_cast<char>(type[i]) : '?';
  return name;
}

bool check_size(uint64_t width, uint64_t height, std::string* why) {
  if (width == 0 || height == 0) {
    *why = "the image has no pixels";
    return false;
  }
  if (width > kMaxImageSide || height > kMaxImageSide) {
    *why = "the image is too large (" + std::to_string(width) + " x " + std::to_string(height) +
           ", at most " + std::to_string(kMaxImageSide) + " per side)";
    return false;
  }
  return true;
}

// What a PNG needs tidied before decoding.
struct PngFixes {
  size_t shortPalette = 0;  // where a palette image's PLTE chunk of < 256 entries lies; 0: none
  bool emptyPixelChunk = false;
  bool needed() const { return shortPalette != 0 || emptyPixelChunk; }
};

// Walks the chunks: IHDR first, every chunk whole with a correct CRC, up to IEND; and enough
// compressed pixel data for the size the header gives.
bool check_png(const uint8_t* data, size_t size, PngFixes* fixes, std::string* why) {
  size_t pos = sizeof kPngSignature;
  uint64_t width = 0, height = 0, bitsPerPixel = 0, pixelDataSize = 0;
  uint32_t colourType = 0;
  bool seenPalette = false;
  for (bool first = true;; first = false) {
    if (size - pos < 12) {
      *why = "corrupt PNG (truncated: no IEND chunk)";
      return false;
    }
    const uint32_t length = read_be32(data + pos);
    const uint8_t* type = data + pos + 4;
    if (length > 0x7FFFFFFFu || size - pos - 12 < length) {
      *why = "corrupt PNG (truncated in chunk " + chunk_name(type) + ")";
      return false;
    }
#ifndef FUZZING_BUILD_MODE_UNSAFE_FOR_PRODUCTION  // fuzzers reach the decoder without forging checksums
    if (crc32(type, size_t{length} + 4) != read_be32(type + 4 + length)) {
      *why = "corrupt PNG (bad checksum in chunk " + chunk_name(type) + ")";
      return false;
    }
#endif
    if (first) {
      if (std::memcmp(type, "IHDR", 4) != 0 || length != 13) {
        *why = "corrupt PNG (no IHDR chunk first)";
        return false;
      }
      const uint8_t* header = type + 4;
      width = read_be32(header);
      height = read_be32(header + 4);
      const uint32_t depth = header[8];
      colourType = header[9];
      const uint32_t channels = colourType == 2 ? 3 : colourType == 4 ? 2 : colourType == 6 ? 4 : 1;
      bitsPerPixel = uint64_t{depth} * channels;
      if (!check_size(width, height, why)) return false;
    }
    if (std::memcmp(type, "IDAT", 4) == 0) {
      pixelDataSize += length;
      if (length == 0) fixes->emptyPixelChunk = true;
    }
    if (std::memcmp(type, "PLTE", 4) == 0 && !seenPalette) {
      seenPalette = true;
      if (colourType == 3 && length < 256 * 3 && length % 3 == 0) fixes->shortPalette = pos;
    }
    if (std::memcmp(type, "IEND", 4) == 0) break;
    pos += size_t{length} + 12;
  }
  const uint64_t minimumPixelBytes = width * height * bitsPerPixel / 8;
  if (pixelDataSize * kMaxDeflateRatio + 1024 < minimumPixelBytes) {
    *why = "corrupt PNG (too little pixel data for " + std::to_string(width) + " x " +
           std::to_string(height) + ")";
    return false;
  }
  return true;
}

// A copy of a PNG that check_png accepted, up to IEND, with the fixes applied.
std::vector<uint8_t> tidied_png(const uint8_t* data, const PngFixes& fixes) {
  std::vector<uint8_t> out(data, data + sizeof kPngSignature);
  for (size_t pos = sizeof kPngSignature;;) {
    const uint32_t length = read_be32(data + pos);
    const uint8_t* type = data + pos + 4;
    const size_t end = pos + 12 + length;
    if (pos == fixes.shortPalette) {
      const uint8_t header[8] = {0, 0, 3, 0, 'P', 'L', 'T', 'E'};  // 768 bytes: 256 entries
      const size_t start = out.size();
      out.insert(out.end(), header, header + 8);
      out.insert(out.end(), type + 4, type + 4 + length);
      out.resize(out.size() + 256 * 3 - length, 0);
      const uint32_t crc = crc32(&out[start + 4], 4 + 256 * 3);
      for (int shift = 24; shift >= 0; shift -= 8) out.push_back(static_cast<uint8_t>(crc >> shift));
    } else if (!(length == 0 && std::memcmp(type, "IDAT", 4) == 0)) {
      out.insert(out.end(), data + pos, data + end);
    }
    if (std::memcmp(type, "IEND", 4) == 0) return out;
    pos = end;
  }
}

// Every colour index of an uncompressed palette BMP must name an entry of its palette, which
// holds as many entries as fit between the header and the pixels (as the decoder counts them).
bool check_bmp_indices(const uint8_t* data, uint32_t pixelOffset, uint32_t headerSize, uint64_t width,
                       uint64_t rows, uint32_t bits, uint64_t rowBytes, std::string* why) {
  const int64_t entries =
      headerSize == 12 ? (int64_t{pixelOffset} - 14 - 24) / 3 : (int64_t{pixelOffset} - 14 - headerSize) / 4;
  if (entries <= 0 || entries > 256) {
    *why = "corrupt BMP (bad palette size)";
    return false;
  }
  if (entries >= (int64_t{1} << bits)) return true;
  const uint32_t mask = (1u << bits) - 1;
  for (uint64_t row = 0; row < rows; ++row) {
    const uint8_t* pixels = data + pixelOffset + row * rowBytes;
    for (uint64_t x = 0; x < width; ++x) {
      const uint64_t bit = x * bits;
      const uint32_t index = (pixels[bit / 8] >> (8 - bits - bit % 8)) & mask;
      if (index >= entries) {
        *why = "corrupt BMP (colour index " + std::to_string(index) + " past the palette of " +
               std::to_string(entries) + ")";
        return false;
      }
    }
  }
  return true;
}

// Checks the size in the header and that the file holds every pixel row it promises.
bool check_bmp(const uint8_t* data, size_t size, std::string* why) {
  if (size < 26) {
    *why = "corrupt BMP (truncated header)";
    return false;
  }
  const uint32_t pixelOffset = read_le32(data + 10);
  const uint32_t headerSize = read_le32(data + 14);
  if (headerSize != 12 && headerSize != 40 && headerSize != 56 && headerSize != 108 && headerSize != 124) {
    *why = "unsupported BMP (header size " + std::to_string(headerSize) + ")";
    return false;
  }
  if (size < 14 + uint64_t{headerSize}) {
    *why = "corrupt BMP (truncated header)";
    return false;
  }
  if (pixelOffset < 14 + uint64_t{headerSize}) {
    *why = "corrupt BMP (pixel data offset inside the header)";
    return false;
  }
  int64_t width = 0, height = 0;
  uint32_t bitsPerPixel = 0, compression = 0;
  if (headerSize == 12) {
    width = read_le16(data + 18);
    height = read_le16(data + 20);
    bitsPerPixel = read_le16(data + 24);
  } else {
    width = static_cast<int32_t>(read_le32(data + 18));
    height = static_cast<int32_t>(read_le32(data + 22));  // negative: rows stored top first
    bitsPerPixel = read_le16(data + 28);
    compression = read_le32(data + 30);
  }
  if (width < 0) {
    *why = "corrupt BMP (negative width)";
    return false;
  }
  const uint64_t rows = static_cast<uint64_t>(height < 0 ? -height : height);
  if (!check_size(static_cast<uint64_t>(width), rows, why)) return false;
  // Only uncompressed and bit-field pixels are read (rows padded to 4 bytes). The decoder would
  // take unknown compression codes above 2^31 for uncompressed data, so they are refused here.
  if (compression != 0 && compression != 3) {
    *why = "unsupported BMP (compression " + std::to_string(compression) + ")";
    return false;
  }
  const uint64_t rowBytes = (static_cast<uint64_t>(width) * bitsPerPixel + 31) / 32 * 4;
  const uint64_t needed = uint64_t{pixelOffset} + rowBytes * rows;
  if (needed > size) {
    *why = "corrupt BMP (truncated: the pixels need " + std::to_string(needed) + " bytes, the file has " +
           std::to_string(size) + ")";
    return false;
  }
  if (compression == 0 && (bitsPerPixel == 1 || bitsPerPixel == 4 || bitsPerPixel == 8))
    return check_bmp_indices(data, pixelOffset, headerSize, static_cast<uint64_t>(width), rows, bitsPerPixel,
                             rowBytes, why);
  return true;
}

bool fail(const char* name, const std::string& why, std::string* error) {
  if (error) *error = std::string(name) + ": " + why;
  return false;
}

}  // namespace

bool decode_image_memory(const uint8_t* data, size_t size, const char* name, DecodedImage* out,
                         std::string* error) {
  std::string why;
  std::vector<uint8_t> tidied;
  if (size >= sizeof kPngSignature && std::memcmp(data, kPngSignature, sizeof kPngSignature) == 0) {
    PngFixes fixes;
    if (!check_png(data, size, &fixes, &why)) return fail(name, why, error);
    if (fixes.needed()) {
      tidied = tidied_png(data, fixes);
      data = tidied.data();
      size = tidied.size();
    }
  } else if (size >= 2 && data[0] == 'B' && data[1] == 'M') {
    if (!check_bmp(data, size, &why)) return fail(name, why, error);
  } else {
    return fail(name, "not a PNG or BMP image", error);
  }
  if (size > static_cast<size_t>(INT32_MAX)) return fail(name, "the file is too large", error);

  int width = 0, height = 0, channels = 0;
  stbi_uc* pixels = stbi_load_from_memory(data, static_cast<int>(size), &width, &height, &channels, 4);
  if (!pixels)
    return fail(name, std::string("cannot decode the image (") + stbi_failure_reason() + ")", error);
  if (width <= 0 || height <= 0 || width > kMaxImageSide || height > kMaxImageSide) {
    stbi_image_free(pixels);
    return fail(name, "the image has an impossible size", error);
  }
  out->width = width;
  out->height = height;
  out->rgba.assign(pixels, pixels + size_t{4} * static_cast<size_t>(width) * static_cast<size_t>(height));
  stbi_image_free(pixels);
  return true;
}

bool decode_image_file(const char* path, DecodedImage* out, std::string* error) {
  FILE* file = std::fopen(path, "rb");
  if (!file) return fail(path, "cannot open the file", error);
  std::vector<uint8_t> bytes;
  uint8_t chunk[65536];
  size_t got = 0;
  while ((got = std::fread(chunk, 1, sizeof chunk, file)) > 0) {
    if (bytes.size() + got > kMaxImageFileSize) {
      std::fclose(file);
      return fail(path, "the file is too large", error);
    }
    bytes.insert(bytes.end(), chunk, chunk + got);
  }
  const bool readFailed = std::ferror(file) != 0;
  std::fclose(file);
  if (readFailed) return fail(path, "cannot read the file", error);
  return decode_image_memory(bytes.data(), bytes.size(), path, out, error);
}
