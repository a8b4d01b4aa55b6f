// Writing 24-bit BMP files, the format of the ground texture.
#ifndef VORNEX_TOOLS_BMP_WRITER_H
#define VORNEX_TOOLS_BMP_WRITER_H

#include <cstdint>
#include <string>
#include <vector>

// Pixels are 0xRRGGBB, rows top first. Returns false (with the reason) if the file
// cannot be written.
bool write_bmp24(const std::string& path, int width, int height, const std::vector<std::uint32_t>& pixels,
                 std::string* error);

#endif  // VORNEX_TOOLS_BMP_WRITER_H
