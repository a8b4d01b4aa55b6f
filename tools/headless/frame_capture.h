// What the game shows: its back buffer, saved as a PNG or folded into a digest.
#ifndef VORNEX_TOOLS_HEADLESS_FRAME_CAPTURE_H
#define VORNEX_TOOLS_HEADLESS_FRAME_CAPTURE_H

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

// Writes the game's back buffer (as the last frame left it) to path as an RGB PNG.
bool save_frame_png(const std::string& path, std::string* error);

// Writes width x height 0xAARRGGBB pixels, rows top first (the form the device's back
// buffer is read in), to path as an RGB PNG.
bool save_pixels_png(const std::string& path, int width, int height, const std::vector<DWORD>& pixels,
                     std::string* error);

// Makes a directory for the pictures a run writes, with any missing parents; true when
// it exists as a directory afterwards.
bool make_output_directory(const std::string& dir, std::string* error);

// FNV-1a over the back buffer's pixels, continuing from `digest`; `digest` as it was
// when there is no back buffer to read.
uint64_t fold_frame_digest(uint64_t digest);

const uint64_t kDigestStart = 14695981039346656037ull;

#endif  // VORNEX_TOOLS_HEADLESS_FRAME_CAPTURE_H
