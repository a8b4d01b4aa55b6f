// The asset manifest: every mesh, texture and sound the game loads at start-up, with the
// key it is looked up by. Entry 0 is the default every failed lookup returns.
#ifndef VORNEX_ASSETS_MANIFEST_H
#define VORNEX_ASSETS_MANIFEST_H

#include <d3dx9.h>

enum AssetKind {
  kAssetDefault = -1,
  kAssetMesh = 0,
  kAssetTexture = 1,
  kAssetSound = 2,
};

struct AssetRecord {
  int kind;
  const char* file;
  const char* key;  // upper case, compared byte for byte
  void* handle;     // ID3DXMesh* for meshes, IDirect3DTexture9* for textures, once loaded
};

// In loading order.
extern AssetRecord g_assets[19];
extern int g_asset_count;

// The first entry with this key and kind, or entry 0; never null.
AssetRecord* find_asset(const char* key, int kind);
// Borrowed handles: callers never release them. Null for a key not in the manifest.
ID3DXMesh* find_mesh(const char* key);
IDirect3DTexture9* find_texture(const char* key);

#endif  // VORNEX_ASSETS_MANIFEST_H
