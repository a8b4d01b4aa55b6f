// The bare-GL floor: the play frame's draws (the sky, the four terrain tiles, every
// active entity, every live particle and the arms) issued straight to OpenGL, with the
// same geometry, textures, shaders, states and matrices as the game's, but without the
// platform layer in between: one program per kind of draw, one VAO per kind of
// geometry, a uniform and a draw call per object. What the play frame costs above it
// is the platform layer's (and the game's own CPU) overhead. The heads-up text is left
// out (a single small draw).
#ifndef VORNEX_TOOLS_BENCH_GL_FLOOR_H
#define VORNEX_TOOLS_BENCH_GL_FLOOR_H

#include <windows.h>

#include <string>
#include <vector>

struct World;
struct GlFloor;

// Opens its own off-screen window, OpenGL 3.3 core context and 400 x 400 back buffer
// (RGBA8, 16-bit depth), and uploads the World's geometry and the game's textures.
// Null with the reason in *error.
GlFloor* create_floor(World& world, std::string* error);

// One frame as the game would draw the World now, ending like Present (a blit to the
// window and a swap) and waiting for the rendering to finish.
void draw_floor_frame(GlFloor* floor, const World& world);

// The floor's back buffer in the form the game's is read in (0xAARRGGBB, rows top
// first), for a look at what it drew.
void read_floor_pixels(GlFloor* floor, int* width, int* height, std::vector<DWORD>* pixels);

void destroy_floor(GlFloor* floor);

#endif  // VORNEX_TOOLS_BENCH_GL_FLOOR_H
