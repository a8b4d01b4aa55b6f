// The play frame: drawing one frame of a game and the player's actions in it.
#ifndef VORNEX_PLAY_PLAY_FRAME_H
#define VORNEX_PLAY_PLAY_FRAME_H

struct World;

void play_frame(World& world);

#endif  // VORNEX_PLAY_PLAY_FRAME_H
