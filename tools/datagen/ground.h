// The ground texture "ground.bmp".
#ifndef VORNEX_TOOLS_GROUND_H
#define VORNEX_TOOLS_GROUND_H

#include <cstdint>
#include <vector>

// A size x size picture, 0xRRGGBB, rows top first; size a multiple of 8.
std::vector<std::uint32_t> make_ground(int size);

#endif  // VORNEX_TOOLS_GROUND_H
