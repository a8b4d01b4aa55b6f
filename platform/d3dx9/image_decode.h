// PNG and BMP files decoded to RGBA8 pixels at the file's own size, rows top first (v = 0 is
// the top of the image), with no device involved: the D3DX texture loader uploads the result.
// Damaged files fail with a message instead of decoding to garbage: PNG chunks must be whole with
// correct CRCs up to IEND, a BMP must hold all the pixel rows its header promises, and no side may
// exceed kMaxImageSide (checked before any pixel memory is allocated).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

struct DecodedImage {
  int width = 0;
  int height = 0;
  std::vector<uint8_t> rgba;  // width * height * 4 bytes: R, G, B, A per pixel, top row first
};

constexpr int kMaxImageSide = 16384;
constexpr size_t kMaxImageFileSize = size_t{256} << 20;

// Decodes an image held in memory. `name` only labels the error messages ("name: what is
// wrong"). On failure returns false and leaves *out unchanged.
bool decode_image_memory(const uint8_t* data, size_t size, const char* name, DecodedImage* out,
                         std::string* error);

// Reads and decodes the file at path; error messages start with the path.
bool decode_image_file(const char* path, DecodedImage* out, std::string* error);
