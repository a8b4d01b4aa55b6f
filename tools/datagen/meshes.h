// The meshes: Arms.X, BugTank.X, BugTurret.X, CannonWalker.X, HoverTank.X and Bullet.X (text .X).
#ifndef VORNEX_TOOLS_MESHES_H
#define VORNEX_TOOLS_MESHES_H

#include <string>

// Writes the files into dir. Returns false with the reason when a file cannot be made.
bool make_meshes(const std::string& dir, std::string* error);

#endif  // VORNEX_TOOLS_MESHES_H
