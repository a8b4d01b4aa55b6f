// The play frame: one frame of a game, drawn and played. The background ramp, the
// camera, the sky, four terrain tiles around the camera, every active entity and
// particle through the three effects, the first-person arms with the fire control, the
// enemy pass, and the heads-up line.
#ifndef VORNEX_PLAY_PLAY_FRAME_H
#define VORNEX_PLAY_PLAY_FRAME_H

#include <cstddef>

struct World;

void play_frame(World& world);

// The tile origin on one axis for a camera coordinate: the 2 x 2 block of 32-unit tiles
// drawn from there always holds the camera with about 16 units or more of ground on
// each side.
float tile_origin(float eye);

// The heads-up line "Kills:%03d Time Remaining %02d:%02d" (whole seconds, toward zero).
void format_heads_up(char* out, size_t size, int kills, float timeRemaining);

#endif  // VORNEX_PLAY_PLAY_FRAME_H
