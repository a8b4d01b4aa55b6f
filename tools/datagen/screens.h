// The screen images under Art/: Title, Menu1, Menu3, Cursor, Story and GameOver (.png), each a power-of-two
// texture whose picture fills the part the screens' texture limits give.
#ifndef VORNEX_TOOLS_SCREENS_H
#define VORNEX_TOOLS_SCREENS_H

#include <string>

// Writes the files into dir. Returns false with the reason when a file cannot be made.
bool make_screens(const std::string& dir, std::string* error);

#endif  // VORNEX_TOOLS_SCREENS_H
