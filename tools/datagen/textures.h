// The effect and scene textures: Plasma1.png, Plasma2.png, BlurPart.png and Skybox.png.
#ifndef VORNEX_TOOLS_TEXTURES_H
#define VORNEX_TOOLS_TEXTURES_H

#include <string>

// Writes the files into dir. Returns false with the reason when a file cannot be made.
bool make_textures(const std::string& dir, std::string* error);

#endif  // VORNEX_TOOLS_TEXTURES_H
