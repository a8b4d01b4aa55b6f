#include "assets/manifest.h"

#include <cstring>

AssetRecord g_assets[19] = {
    {kAssetDefault, "", "", nullptr},
    {kAssetMesh, "Arms.X", "ARMS", nullptr},
    {kAssetMesh, "BugTank.X", "BUGTANK", nullptr},
    {kAssetMesh, "BugTurret.X", "BUGTOP", nullptr},
    {kAssetMesh, "CannonWalker.X", "CANNON", nullptr},
    {kAssetMesh, "HoverTank.X", "HOVERTANK", nullptr},
    {kAssetMesh, "Bullet.X", "BULLET", nullptr},
    {kAssetTexture, "Plasma1.png", "PLASMA1", nullptr},
    {kAssetTexture, "Plasma2.png", "PLASMA2", nullptr},
    {kAssetTexture, "ArmsSkin.png", "ARMS", nullptr},
    {kAssetTexture, "BugTankSkin.png", "BUGTANK", nullptr},
    {kAssetTexture, "BugTurretSkin.png", "BUGTOP", nullptr},
    {kAssetTexture, "CannonWalkerSkin.png", "CANNON", nullptr},
    {kAssetTexture, "HoverTankSkin.png", "HOVERTANK", nullptr},
    {kAssetTexture, "BlurPart.png", "BLURPART", nullptr},
    {kAssetTexture, "Skybox.png", "SKY", nullptr},
    {kAssetSound, "BONES4.wav", "SHOOT", nullptr},
    {kAssetSound, "pew.wav", "SHOOT", nullptr},
    {kAssetSound, "dead.wav", "DEAD", nullptr},
};
int g_asset_count = 19;

AssetRecord* find_asset(const char* key, int kind) {
  if (!key) return &g_assets[0];
  for (int i = 0; i < g_asset_count; ++i) {
    if (g_assets[i].kind == kind && std::strcmp(g_assets[i].key, key) == 0) return &g_assets[i];
  }
  return &g_assets[0];
}

ID3DXMesh* find_mesh(const char* key) { return static_cast<ID3DXMesh*>(find_asset(key, kAssetMesh)->handle); }

IDirect3DTexture9* find_texture(const char* key) {
  return static_cast<IDirect3DTexture9*>(find_asset(key, kAssetTexture)->handle);
}
