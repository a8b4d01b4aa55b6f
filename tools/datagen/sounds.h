// The sounds: BONES4.wav (background loop), pew.wav (shot) and dead.wav (kill), 8-bit mono 11025 Hz PCM.
#ifndef VORNEX_TOOLS_SOUNDS_H
#define VORNEX_TOOLS_SOUNDS_H

#include <string>

// Writes the files into dir. Returns false with the reason when a file cannot be made.
bool make_sounds(const std::string& dir, std::string* error);

#endif  // VORNEX_TOOLS_SOUNDS_H
