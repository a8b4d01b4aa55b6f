// The loading screen: one frame (a red frame, a dark bar and a red fill growing from the
// centre) before each manifest entry, loading that stops at the first missing file or at
// a quit, sounds numbered in manifest order, and the bar's pixels.
#include "assets/loading_screen.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "asset_test_support.h"
#include "gfx/vertex.h"
#include "sound/sound.h"

#define STB_IMAGE_WRITE_IMPLEMENTATION
#define STB_IMAGE_WRITE_STATIC
#include <stb/stb_image_write.h>

namespace {

const DWORD kRed = 0xFF0000;
const DWORD kBlack = 0x000000;
// Of the half viewport, the part a quad of scale 1 at the bar's distance covers:
// 1.7 / (4.2 x tan 22.5 degrees).
const double kQuadCover = 1.7 / (4.2 * std::tan(22.5 * 3.14159265358979 / 180.0));

// The recorded frames, each a Clear and the three strips of the bar.
struct Frame {
  D3d9DrawRecord clear;
  D3d9DrawRecord frame, inner, fill;
};

std::vector<Frame> frames_of(const std::vector<D3d9DrawRecord>& records) {
  EXPECT_EQ(records.size() % 4, 0u) << "each frame is a Clear and three draws";
  std::vector<Frame> frames;
  for (size_t i = 0; i + 3 < records.size(); i += 4) {
    EXPECT_NE(records[i].clearFlags, 0u) << "record " << i;
    for (size_t d = 1; d <= 3; ++d) EXPECT_EQ(records[i + d].clearFlags, 0u) << "record " << i + d;
    frames.push_back({records[i], records[i + 1], records[i + 2], records[i + 3]});
  }
  return frames;
}

// The fill's progress after `entries` entries, summed as loading does.
float progress_after(int entries) {
  float progress = 0.0f;
  for (int i = 0; i < entries; ++i) progress += 0.985f / 19;
  return progress;
}

std::string read_file(const std::string& name) {
  std::ifstream in(name, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// The sample bytes of a RIFF WAVE file's data chunk.
std::string wave_data(const std::string& name) {
  const std::string bytes = read_file(name);
  for (size_t at = 12; at + 8 <= bytes.size();) {
    DWORD size = 0;
    std::memcpy(&size, bytes.data() + at + 4, 4);
    if (bytes.compare(at, 4, "data") == 0) return bytes.substr(at + 8, size);
    at += 8 + size + (size & 1);
  }
  ADD_FAILURE() << "no data chunk in " << name;
  return {};
}

std::string slot_bytes(int slot) {
  IDirectSoundBuffer* buffer = g_sounds[slot].buffer;
  if (!buffer) return {};
  void *part1 = nullptr, *part2 = nullptr;
  DWORD bytes1 = 0, bytes2 = 0;
  if (FAILED(buffer->Lock(0, 0, &part1, &bytes1, &part2, &bytes2, DSBLOCK_ENTIREBUFFER))) return {};
  std::string out(static_cast<const char*>(part1), bytes1);
  buffer->Unlock(part1, bytes1, part2, bytes2);
  return out;
}

class Loading : public asset_test::DataDevice {
 protected:
  void TearDown() override {
    release_sound();
    DataDevice::TearDown();
  }

  // Loads with every draw and Clear recorded.
  bool load_recorded() {
    d3d9_record_draws(g_pd3d_render, &records_);
    const bool loaded = load_assets();
    d3d9_record_draws(g_pd3d_render, nullptr);
    return loaded;
  }

  void start_sound() {
    ::testing::internal::CaptureStderr();
    const HRESULT started = init_sound(nullptr, 0xEA);
    ::testing::internal::GetCapturedStderr();
    ASSERT_EQ(started, 0) << "SDL's dummy audio driver";
  }

  std::vector<D3d9DrawRecord> records_;
};

void expect_bar_strip(const D3d9DrawRecord& draw, float sx, float sy) {
  EXPECT_EQ(draw.type, D3DPT_TRIANGLESTRIP);
  EXPECT_EQ(draw.startVertex, 0u);
  EXPECT_EQ(draw.primitiveCount, 2u);
  EXPECT_EQ(draw.subset, -1);
  EXPECT_EQ(draw.fvf, static_cast<DWORD>(D3DFVF_XYZ | D3DFVF_DIFFUSE | D3DFVF_TEX1));
  EXPECT_FLOAT_EQ(draw.world._11, sx);
  EXPECT_FLOAT_EQ(draw.world._22, sy);
  EXPECT_FLOAT_EQ(draw.world._33, 1.0f);
  EXPECT_FLOAT_EQ(draw.world._41, 0.0f);
  EXPECT_FLOAT_EQ(draw.world._42, 0.0f);
  EXPECT_FLOAT_EQ(draw.world._43, 4.2f);
  EXPECT_FLOAT_EQ(draw.world._44, 1.0f);
}

TEST_F(Loading, EveryFilePresentDrawsNineteenFramesWithTheFillGrowingEachTime) {
  ASSERT_TRUE(load_recorded());
  EXPECT_TRUE(g_assets_loaded);
  EXPECT_EQ(g_load_failed_file, nullptr);

  const std::vector<Frame> frames = frames_of(records_);
  ASSERT_EQ(frames.size(), 19u);
  EXPECT_FLOAT_EQ(frames[0].fill.world._11, 0.985f / 19);
  for (int k = 0; k < 19; ++k) {
    SCOPED_TRACE("frame " + std::to_string(k));
    const Frame& f = frames[k];
    EXPECT_EQ(f.clear.clearFlags, static_cast<DWORD>(D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER));
    expect_bar_strip(f.frame, 1.0f, 0.1f);
    expect_bar_strip(f.inner, 0.99f, 0.09f);
    expect_bar_strip(f.fill, progress_after(k + 1), 0.08f);
    EXPECT_EQ(f.frame.stream, f.fill.stream) << "the frame and the fill are the red quad";
    EXPECT_NE(f.frame.stream, f.inner.stream);
  }
  EXPECT_NEAR(g_load_progress, 0.985f, 1e-5);
  EXPECT_FLOAT_EQ(frames[18].fill.world._11, g_load_progress);
  EXPECT_LT(g_load_progress, 0.99f) << "the fill never covers the dark bar";

  for (int i = 1; i <= 15; ++i) EXPECT_NE(g_assets[i].handle, nullptr) << g_assets[i].file;
  EXPECT_EQ(g_sound_count, 3) << "without a sound device the sounds still count";
}

TEST_F(Loading, ASecondCallReturnsTrueWithoutDrawingOrReloading) {
  ASSERT_TRUE(load_assets());
  void* arms = g_assets[1].handle;
  void* sky = g_assets[15].handle;
  const float progress = g_load_progress;

  ASSERT_TRUE(load_recorded());
  EXPECT_TRUE(records_.empty());
  EXPECT_EQ(g_load_progress, progress);
  EXPECT_EQ(g_sound_count, 3);
  EXPECT_EQ(g_assets[1].handle, arms);
  EXPECT_EQ(g_assets[15].handle, sky);
}

TEST_F(Loading, SoundsTakeSlotsInManifestOrder) {
  start_sound();
  ASSERT_TRUE(load_assets());
  EXPECT_EQ(g_sound_count, 3);
  const char* files[] = {"BONES4.wav", "pew.wav", "dead.wav"};
  for (int slot = 0; slot < 3; ++slot) {
    EXPECT_EQ(g_sounds[slot].status, 1) << files[slot];
    EXPECT_EQ(slot_bytes(slot), wave_data(files[slot])) << "slot " << slot << " holds " << files[slot];
  }
  EXPECT_EQ(g_sounds[3].buffer, nullptr);
}

TEST_F(Loading, AMissingShotSoundStopsAtItsEntryAfterTheLoopTookSlotZero) {
  start_sound();
  remove_data_file("pew.wav");
  EXPECT_FALSE(load_recorded());
  ASSERT_NE(g_load_failed_file, nullptr);
  EXPECT_STREQ(g_load_failed_file, "pew.wav");
  EXPECT_FALSE(g_assets_loaded);

  const std::vector<Frame> frames = frames_of(records_);
  ASSERT_EQ(frames.size(), 18u) << "entries 0 to 17 each drew their frame";
  EXPECT_FLOAT_EQ(frames[17].fill.world._11, progress_after(18));

  EXPECT_EQ(g_sound_count, 2);
  EXPECT_EQ(g_sounds[0].status, 1);
  EXPECT_EQ(slot_bytes(0), wave_data("BONES4.wav"));
  EXPECT_EQ(g_sounds[1].buffer, nullptr);
  EXPECT_EQ(g_sounds[2].buffer, nullptr) << "dead.wav was never reached";
  for (int i = 1; i <= 15; ++i) EXPECT_NE(g_assets[i].handle, nullptr) << "kept: " << g_assets[i].file;
}

TEST_F(Loading, AMissingMeshStopsAtItsEntryKeepingWhatLoaded) {
  remove_data_file("BugTank.X");
  EXPECT_FALSE(load_recorded());
  EXPECT_STREQ(g_load_failed_file, "BugTank.X");
  EXPECT_EQ(frames_of(records_).size(), 3u);
  EXPECT_NE(g_assets[1].handle, nullptr);
  for (int i = 2; i < 19; ++i) EXPECT_EQ(g_assets[i].handle, nullptr) << g_assets[i].file;
  EXPECT_EQ(g_sound_count, 0);
}

TEST_F(Loading, QuitEndsLoadingAfterTheEntryInProgressWithNoFileToBlame) {
  // One message is handled after each entry: two ahead of the quit let entries 0 to 2 load.
  ASSERT_TRUE(PostMessageA(nullptr, WM_NULL, 0, 0));
  ASSERT_TRUE(PostMessageA(nullptr, WM_NULL, 0, 0));
  PostQuitMessage(0);
  EXPECT_FALSE(load_recorded());
  EXPECT_EQ(g_load_failed_file, nullptr);
  EXPECT_FALSE(g_assets_loaded);
  EXPECT_EQ(frames_of(records_).size(), 3u);
  EXPECT_NE(g_assets[1].handle, nullptr) << "Arms.X";
  EXPECT_NE(g_assets[2].handle, nullptr) << "BugTank.X, loading when the quit came";
  EXPECT_EQ(g_assets[3].handle, nullptr) << "BugTurret.X";
}

TEST_F(Loading, BarQuadHoldsTheFourCornersInStripOrder) {
  IDirect3DVertexBuffer9* quad = make_bar_quad(0x00FF0000);
  ASSERT_NE(quad, nullptr);
  void* data = nullptr;
  EXPECT_NE(quad->Lock(0, 97, &data, 0), D3D_OK) << "96 bytes, no more";
  ASSERT_EQ(quad->Lock(0, 96, &data, 0), D3D_OK);
  FlexVertex v[4];
  std::memcpy(v, data, sizeof v);
  quad->Unlock();
  quad->Release();
  const float expected[4][4] = {{-1.7f, 1.7f, 0, 0}, {1.7f, 1.7f, 0, 1}, {-1.7f, -1.7f, 1, 0}, {1.7f, -1.7f, 1, 1}};
  for (int i = 0; i < 4; ++i) {
    EXPECT_FLOAT_EQ(v[i].x, expected[i][0]) << i;
    EXPECT_FLOAT_EQ(v[i].y, expected[i][1]) << i;
    EXPECT_FLOAT_EQ(v[i].z, 0.0f) << i;
    EXPECT_EQ(v[i].color, 0x00FF0000u) << i;
    EXPECT_FLOAT_EQ(v[i].u, expected[i][2]) << i;
    EXPECT_FLOAT_EQ(v[i].v, expected[i][3]) << i;
  }
}

// The back buffer after loading, with positions given as fractions of the half viewport
// from its centre (positive right and up).
class LoadingPixels : public Loading {
 protected:
  void read_pixels() { ASSERT_TRUE(d3d9_read_back_buffer(g_pd3d_render, &width_, &height_, &pixels_)); }

  DWORD at(double right, double up) const {
    const int x = static_cast<int>(std::floor(width_ / 2.0 * (1.0 + right)));
    const int y = static_cast<int>(std::floor(height_ / 2.0 * (1.0 - up)));
    return pixels_[static_cast<size_t>(y) * width_ + x] & 0xFFFFFF;
  }

  // How far the red run through the centre row reaches to each side, in pixels.
  void fill_reach(int* left, int* right) const {
    const size_t row = static_cast<size_t>(height_ / 2) * width_;
    const int centre = width_ / 2;
    *left = *right = 0;
    while (centre - *left - 1 >= 0 && (pixels_[row + centre - *left - 1] & 0xFFFFFF) == kRed) ++*left;
    while (centre + *right < width_ && (pixels_[row + centre + *right] & 0xFFFFFF) == kRed) ++*right;
  }

  void save_screenshot(const char* name) const {
    const std::filesystem::path dir =
        std::filesystem::read_symlink("/proc/self/exe").parent_path().parent_path() / "screenshots";
    std::filesystem::create_directories(dir);
    std::vector<unsigned char> rgb;
    for (DWORD p : pixels_) {
      rgb.push_back(static_cast<unsigned char>(p >> 16));
      rgb.push_back(static_cast<unsigned char>(p >> 8));
      rgb.push_back(static_cast<unsigned char>(p));
    }
    EXPECT_NE(stbi_write_png((dir / name).c_str(), width_, height_, 3, rgb.data(), width_ * 3), 0);
  }

  int width_ = 0, height_ = 0;
  std::vector<DWORD> pixels_;
};

TEST_F(LoadingPixels, StoppedBarShowsTheRedFrameTheDarkBarAndACentredFill) {
  // Stopped at entry 7, the screen keeps that entry's frame: the fill at 8/19 of 0.985.
  remove_data_file("Plasma1.png");
  EXPECT_FALSE(load_assets());
  read_pixels();
  const double c = kQuadCover;
  const double fill = progress_after(8) * c;

  // The red frame: its band above, below and at each end of the dark bar.
  EXPECT_EQ(at(0.0, 0.095 * c), kRed) << "top band";
  EXPECT_EQ(at(0.0, -0.095 * c), kRed) << "bottom band";
  EXPECT_EQ(at(-0.995 * c, 0.0), kRed) << "left end";
  EXPECT_EQ(at(0.995 * c, 0.0), kRed) << "right end";
  // The dark bar between the frame and the fill, and beside the fill.
  EXPECT_EQ(at(0.0, 0.085 * c), kBlack) << "above the fill";
  EXPECT_EQ(at(-(fill + 0.99 * c) / 2, 0.0), kBlack) << "left of the fill";
  EXPECT_EQ(at((fill + 0.99 * c) / 2, 0.0), kBlack) << "right of the fill";
  // The fill in the middle, and the clear colour all around the bar.
  EXPECT_EQ(at(0.0, 0.0), kRed);
  EXPECT_EQ(at(-fill * 0.9, 0.07 * c), kRed);
  EXPECT_EQ(at(0.0, 0.5), kBlack);
  EXPECT_EQ(at(0.0, -0.5), kBlack);
  EXPECT_EQ(at(-0.995, 0.0), kBlack) << "beyond the frame's left end";

  int left = 0, right = 0;
  fill_reach(&left, &right);
  EXPECT_NEAR(left, fill * width_ / 2, 1.5);
  EXPECT_NEAR(right, fill * width_ / 2, 1.5);
  save_screenshot("loading.png");
}

TEST_F(LoadingPixels, TheFillGrowsFromTheCentreToAlmostTheWholeBar) {
  remove_data_file("BugTank.X");
  EXPECT_FALSE(load_assets());
  read_pixels();
  int earlyLeft = 0, earlyRight = 0;
  fill_reach(&earlyLeft, &earlyRight);
  EXPECT_NEAR(earlyLeft, progress_after(3) * kQuadCover * width_ / 2, 1.5);
  EXPECT_NEAR(earlyRight, earlyLeft, 1);

  // Put the file back and load from the start, as a fresh process would.
  std::filesystem::copy_file(asset_test::generated_data() + "/BugTank.X", dataDir_ + "/BugTank.X");
  asset_test::reset_loading_state();
  ASSERT_TRUE(load_assets());
  read_pixels();
  int left = 0, right = 0;
  fill_reach(&left, &right);
  EXPECT_GT(left, earlyLeft);
  // The dark strip left at each end is under a pixel wide here, so the run may reach
  // through it into the frame's end, but no further.
  EXPECT_GE(left, 0.985 * kQuadCover * width_ / 2 - 1.5);
  EXPECT_LE(left, kQuadCover * width_ / 2 + 1);
  EXPECT_NEAR(right, left, 1);
  EXPECT_EQ(at(0.0, 0.095 * kQuadCover), kRed) << "the frame still drawn";
}

}  // namespace
