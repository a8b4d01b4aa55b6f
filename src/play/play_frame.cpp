#include "play/play_frame.h"

#include "world/world.h"

// Nothing is drawn until the graphics device and the scene arrive.
void play_frame(World&) {}
