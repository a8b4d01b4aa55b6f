// Feeds arbitrary bytes to the PNG/BMP decoder. Besides the sanitizers' findings, a decoded
// image whose size or pixel count is off, or a failure without a message, stops the run.
#include <cstddef>
#include <cstdint>
#include <string>

#include "image_decode.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  DecodedImage image;
  std::string error;
  if (!decode_image_memory(data, size, "fuzz", &image, &error)) {
    if (error.empty()) __builtin_trap();
    return 0;
  }
  if (image.width < 1 || image.height < 1 || image.width > kMaxImageSide || image.height > kMaxImageSide)
    __builtin_trap();
  if (image.rgba.size() != size_t{4} * static_cast<size_t>(image.width) * static_cast<size_t>(image.height))
    __builtin_trap();
  return 0;
}
