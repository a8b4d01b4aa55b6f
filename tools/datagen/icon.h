// The desktop icon (installed with the game, never loaded by it): a plasma orb rising over
// the dusk horizon behind a bold V, on a rounded night-violet tile.
#ifndef VORNEX_TOOLS_ICON_H
#define VORNEX_TOOLS_ICON_H

#include <string>

// The icon's size in pixels (square), as the desktop's icon theme folder names it.
constexpr int kIconSize = 128;

// Writes the icon as an 8-bit RGBA PNG. Returns false with the reason.
bool make_icon(const std::string& path, std::string* error);

#endif  // VORNEX_TOOLS_ICON_H
