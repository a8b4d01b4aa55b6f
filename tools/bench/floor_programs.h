// The bare-GL floor's programs: the game's three effects, their GLSL taken from the
// effect files as written, and one plain textured program for the sky and the arms
// (what the device's fixed-function emulation does for them). Each carries the same
// Direct3D depth mapping and alpha test (alpha >= 8) as the game's draws.
#ifndef VORNEX_TOOLS_BENCH_FLOOR_PROGRAMS_H
#define VORNEX_TOOLS_BENCH_FLOOR_PROGRAMS_H

#include <epoxy/gl.h>

#include <string>

struct FloorProgram {
  GLuint name = 0;
  GLint world = -1;
  GLint view = -1;
  GLint projection = -1;
  GLint timeOffset = -1;  // the plasma's values (-1 in the other effects)
  GLint plasmaColor = -1;
};

// Builds the first pass of the effect file at path. False with the reason in *error.
bool build_effect_program(const std::string& path, FloorProgram* out, std::string* error);

// world x view x projection in "World", the texture on unit 0.
bool build_textured_program(FloorProgram* out, std::string* error);

// The attribute slots every floor program and vertex layout share.
enum FloorSlot : GLuint { kFloorPosition = 0, kFloorNormal = 1, kFloorColor = 2, kFloorTexcoord = 3 };

#endif  // VORNEX_TOOLS_BENCH_FLOOR_PROGRAMS_H
