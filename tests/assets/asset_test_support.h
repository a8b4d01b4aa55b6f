// Support for the manifest and loading tests: the game's device (game_device.h) working
// in a private copy of the generated data, with the loading state and the manifest's
// handles put back between tests, since both are process-wide.
#ifndef VORNEX_TESTS_ASSETS_ASSET_TEST_SUPPORT_H
#define VORNEX_TESTS_ASSETS_ASSET_TEST_SUPPORT_H

#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <climits>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "assets/loading_screen.h"
#include "assets/manifest.h"
#include "support/game_device.h"

#ifndef VORNEX_DATAGEN
#error "VORNEX_DATAGEN must name the datagen program"
#endif

namespace asset_test {

inline std::string make_temp_dir() {
  std::string pattern = std::filesystem::temp_directory_path().string() + "/vornex_assets_XXXXXX";
  return mkdtemp(pattern.data()) ? pattern : std::string();
}

// One datagen run per test program, removed when it ends; empty if the run failed.
inline const std::string& generated_data() {
  struct Run {
    std::string dir;
    ~Run() {
      std::error_code ignored;
      if (!dir.empty()) std::filesystem::remove_all(dir, ignored);
    }
  };
  static const Run run = [] {
    Run made{make_temp_dir()};
    const std::string command = "'" VORNEX_DATAGEN "' '" + made.dir + "' >/dev/null 2>&1";
    const int status = std::system(command.c_str());
    if (made.dir.empty() || !WIFEXITED(status) || WEXITSTATUS(status) != 0) made.dir.clear();
    return made;
  }();
  return run.dir;
}

// Nothing loaded, nothing drawn: the state of a fresh process. Loaded meshes and textures
// are released, since they belong to the device of the test that loaded them.
inline void reset_loading_state() {
  for (int i = 0; i < g_asset_count; ++i) {
    AssetRecord& entry = g_assets[i];
    if (entry.handle && entry.kind == kAssetMesh) static_cast<ID3DXMesh*>(entry.handle)->Release();
    if (entry.handle && entry.kind == kAssetTexture) static_cast<IDirect3DTexture9*>(entry.handle)->Release();
    entry.handle = nullptr;
  }
  g_assets_loaded = false;
  g_load_progress = 0.0f;
  g_sound_count = 0;
  g_load_failed_file = nullptr;
}

// The game's device, with the working directory a fresh copy of the generated data, so a
// test may remove files from it.
class DataDevice : public GameDevice {
 protected:
  void SetUp() override {
    GameDevice::SetUp();
    if (HasFatalFailure()) return;
    ASSERT_FALSE(generated_data().empty()) << "datagen failed";
    dataDir_ = make_temp_dir();
    ASSERT_FALSE(dataDir_.empty());
    std::filesystem::copy(generated_data(), dataDir_, std::filesystem::copy_options::recursive);
    char cwd[PATH_MAX];
    ASSERT_NE(getcwd(cwd, sizeof cwd), nullptr);
    previousDir_ = cwd;
    ASSERT_EQ(chdir(dataDir_.c_str()), 0);
    reset_loading_state();
    drain_messages();
  }

  void TearDown() override {
    d3d9_record_draws(g_pd3d_render, nullptr);
    reset_loading_state();
    if (!previousDir_.empty()) {
      EXPECT_EQ(chdir(previousDir_.c_str()), 0);
    }
    std::error_code ignored;
    if (!dataDir_.empty()) std::filesystem::remove_all(dataDir_, ignored);
    GameDevice::TearDown();
  }

  // Whatever the window set-up left in the queue, so a test knows what loading will see.
  static void drain_messages() {
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
    }
  }

  void remove_data_file(const char* name) {
    ASSERT_TRUE(std::filesystem::remove(dataDir_ + "/" + name)) << name;
  }

  std::string dataDir_;
  std::string previousDir_;
};

}  // namespace asset_test

#endif  // VORNEX_TESTS_ASSETS_ASSET_TEST_SUPPORT_H
