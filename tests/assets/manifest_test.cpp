// The manifest's lookups: by key and kind, case-sensitive, falling back to the default
// entry; and the handles they give once everything has loaded.
#include "assets/manifest.h"

#include <gtest/gtest.h>

#include <string>

#include "asset_test_support.h"

namespace {

using asset_test::DataDevice;

std::string file_of(const char* key, int kind) { return find_asset(key, kind)->file; }

// Every key the game looks up finds the file of its kind.
TEST(Manifest, EveryKeyTheGameUsesFindsItsFileByKind) {
  EXPECT_EQ(file_of("ARMS", kAssetMesh), "Arms.X");
  EXPECT_EQ(file_of("BULLET", kAssetMesh), "Bullet.X");
  EXPECT_EQ(file_of("BUGTANK", kAssetMesh), "BugTank.X");
  EXPECT_EQ(file_of("BUGTOP", kAssetMesh), "BugTurret.X");
  EXPECT_EQ(file_of("CANNON", kAssetMesh), "CannonWalker.X");
  EXPECT_EQ(file_of("HOVERTANK", kAssetMesh), "HoverTank.X");
  EXPECT_EQ(file_of("PLASMA1", kAssetTexture), "Plasma1.png");
  EXPECT_EQ(file_of("PLASMA2", kAssetTexture), "Plasma2.png");
  EXPECT_EQ(file_of("BLURPART", kAssetTexture), "BlurPart.png");
  EXPECT_EQ(file_of("SKY", kAssetTexture), "Skybox.png");
  EXPECT_EQ(file_of("ARMS", kAssetTexture), "ArmsSkin.png");
  EXPECT_EQ(file_of("BUGTANK", kAssetTexture), "BugTankSkin.png");
  EXPECT_EQ(file_of("BUGTOP", kAssetTexture), "BugTurretSkin.png");
  EXPECT_EQ(file_of("CANNON", kAssetTexture), "CannonWalkerSkin.png");
  EXPECT_EQ(file_of("HOVERTANK", kAssetTexture), "HoverTankSkin.png");
  EXPECT_EQ(file_of("DEAD", kAssetSound), "dead.wav");
}

TEST(Manifest, SharedKeyFindsTheFirstSoundEntry) {
  AssetRecord* shoot = find_asset("SHOOT", kAssetSound);
  EXPECT_EQ(shoot, &g_assets[16]);
  EXPECT_STREQ(shoot->file, "BONES4.wav");
}

TEST(Manifest, NullAbsentOrWrongKindKeysGiveTheDefaultEntry) {
  for (const AssetRecord* found :
       {find_asset(nullptr, kAssetMesh), find_asset(nullptr, kAssetDefault), find_asset("NOSUCHKEY", kAssetMesh),
        find_asset("SKY", kAssetMesh), find_asset("BULLET", kAssetTexture), find_asset("SHOOT", kAssetMesh)}) {
    EXPECT_EQ(found, &g_assets[0]);
    EXPECT_EQ(found->kind, -1);
    EXPECT_EQ(found->handle, nullptr);
  }
}

TEST(Manifest, KeysMatchWholeAndCaseSensitively) {
  EXPECT_EQ(find_asset("arms", kAssetTexture), &g_assets[0]);
  EXPECT_EQ(find_asset("Arms", kAssetMesh), &g_assets[0]);
  EXPECT_EQ(find_asset("ARM", kAssetMesh), &g_assets[0]) << "a prefix is not the key";
  EXPECT_EQ(find_asset("ARMSX", kAssetMesh), &g_assets[0]) << "nor is a longer key";
  EXPECT_EQ(find_asset("PLASMA", kAssetTexture), &g_assets[0]);
}

TEST(Manifest, NothingIsFoundBeforeLoading) {
  asset_test::reset_loading_state();
  EXPECT_EQ(find_mesh("ARMS"), nullptr);
  EXPECT_EQ(find_texture("SKY"), nullptr);
  EXPECT_EQ(find_mesh(nullptr), nullptr);
  EXPECT_EQ(find_texture(nullptr), nullptr);
}

using ManifestLoaded = DataDevice;

TEST_F(ManifestLoaded, MeshAndSkinOfOneKeyAreDifferentObjects) {
  ASSERT_TRUE(load_assets());
  ID3DXMesh* mesh = find_mesh("ARMS");
  IDirect3DTexture9* skin = find_texture("ARMS");
  ASSERT_NE(mesh, nullptr);
  ASSERT_NE(skin, nullptr);
  EXPECT_NE(static_cast<void*>(mesh), static_cast<void*>(skin));
  EXPECT_EQ(mesh, g_assets[1].handle);
  EXPECT_EQ(skin, g_assets[9].handle);
  EXPECT_GT(mesh->GetNumFaces(), 0u) << "a real mesh";
}

TEST_F(ManifestLoaded, MissesStayNullAfterLoading) {
  ASSERT_TRUE(load_assets());
  EXPECT_EQ(find_texture("arms"), nullptr);
  EXPECT_EQ(find_mesh("arms"), nullptr);
  EXPECT_EQ(find_mesh("SKY"), nullptr) << "a texture's key asked for as a mesh";
  EXPECT_EQ(find_texture("BULLET"), nullptr) << "a mesh's key asked for as a texture";
  EXPECT_EQ(find_mesh(nullptr), nullptr);
  EXPECT_EQ(find_texture("NOSUCHKEY"), nullptr);
  EXPECT_EQ(g_assets[0].handle, nullptr) << "the default entry never gets a handle";
  for (int i = 16; i < 19; ++i) EXPECT_EQ(g_assets[i].handle, nullptr) << "sounds live in their slots";
}

}  // namespace
