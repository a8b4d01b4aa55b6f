// The model skins: ArmsSkin.png, BugTankSkin.png, BugTurretSkin.png, CannonWalkerSkin.png and
// HoverTankSkin.png, painted to the regions of skin_layout.h.
#ifndef VORNEX_TOOLS_SKINS_H
#define VORNEX_TOOLS_SKINS_H

#include <string>

// Writes the files into dir. Returns false with the reason when a file cannot be made.
bool make_skins(const std::string& dir, std::string* error);

#endif  // VORNEX_TOOLS_SKINS_H
