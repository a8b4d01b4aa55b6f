#include "support/loaded_game.h"

#include <unistd.h>

#include <climits>

#include "assets/loading_screen.h"
#include "assets/manifest.h"

void LoadedGame::SetUp() {
  GameDevice::SetUp();
  if (HasFatalFailure()) return;
  char cwd[PATH_MAX];
  ASSERT_NE(getcwd(cwd, sizeof cwd), nullptr);
  previousDirectory_ = cwd;
  ASSERT_EQ(chdir(VORNEX_RUN_DIR), 0) << VORNEX_RUN_DIR;
  g_assets_loaded = false;
  g_load_progress = 0.0f;
  g_sound_count = 0;
  ASSERT_TRUE(load_assets()) << "missing: " << (g_load_failed_file ? g_load_failed_file : "(quit)");
}

// The loaded meshes and textures go with the device, so the next test loads afresh.
void LoadedGame::TearDown() {
  for (int i = 0; i < g_asset_count; ++i) {
    AssetRecord& entry = g_assets[i];
    if (entry.kind == kAssetMesh && entry.handle) static_cast<ID3DXMesh*>(entry.handle)->Release();
    if (entry.kind == kAssetTexture && entry.handle) static_cast<IDirect3DTexture9*>(entry.handle)->Release();
    entry.handle = nullptr;
  }
  g_assets_loaded = false;
  if (!previousDirectory_.empty()) chdir(previousDirectory_.c_str());
  GameDevice::TearDown();
}
