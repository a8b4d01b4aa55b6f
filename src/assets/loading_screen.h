// Loading every manifest entry at start-up behind a progress bar, one frame drawn before
// each entry and one window message handled after it.
#ifndef VORNEX_ASSETS_LOADING_SCREEN_H
#define VORNEX_ASSETS_LOADING_SCREEN_H

#include <d3d9.h>

extern bool g_assets_loaded;
extern float g_load_progress;  // horizontal scale of the red fill
extern int g_sound_count;      // the sound slot the next sound entry goes to
// The file whose loading failed, or null (nothing failed, or the player quit).
extern const char* g_load_failed_file;

// True when every entry loaded (or had already); false on the first entry that fails to
// load, or when the window is closed during loading.
bool load_assets();

IDirect3DVertexBuffer9* make_bar_quad(D3DCOLOR colour);
bool draw_bar(float sx, float sy, IDirect3DVertexBuffer9* quad);

#endif  // VORNEX_ASSETS_LOADING_SCREEN_H
