// The headless driver's picture files: pixels in the device's read-back form come out
// of the PNG as the same colours in the same places, and the output directory is made
// before a run or refused with a reason.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "d3dx9/image_decode.h"
#include "frame_capture.h"
#include "support/temp_folder.h"

namespace {

using test_support::temp_path;

TEST(FrameCapture, PixelsKeepTheirColoursAndPlaces) {
  // 2 x 2, rows top first, 0xAARRGGBB: red, green / blue, grey.
  const std::vector<DWORD> pixels{0xFFFF0000, 0xFF00FF00, 0xFF0000FF, 0x00808080};
  const std::string path = temp_path("capture_2x2.png");
  std::string error;
  ASSERT_TRUE(save_pixels_png(path, 2, 2, pixels, &error)) << error;

  DecodedImage image;
  ASSERT_TRUE(decode_image_file(path.c_str(), &image, &error)) << error;
  ASSERT_EQ(image.width, 2);
  ASSERT_EQ(image.height, 2);
  const uint8_t expected[4][4] = {{255, 0, 0, 255}, {0, 255, 0, 255}, {0, 0, 255, 255}, {128, 128, 128, 255}};
  for (int i = 0; i < 4; ++i)
    for (int c = 0; c < 4; ++c)
      EXPECT_EQ(image.rgba[i * 4 + c], expected[i][c]) << "pixel " << i << " channel " << c;
}

TEST(FrameCapture, APictureOfTheWrongSizeIsRefused) {
  std::string error;
  EXPECT_FALSE(save_pixels_png(temp_path("short.png"), 2, 2, std::vector<DWORD>(3), &error));
  EXPECT_FALSE(save_pixels_png(temp_path("empty.png"), 0, 0, {}, &error));
  EXPECT_FALSE(std::filesystem::exists(temp_path("short.png")));
}

TEST(FrameCapture, AFailedWriteSaysWhy) {
  std::string error;
  EXPECT_FALSE(save_pixels_png(temp_path("no_such_dir/shot.png"), 1, 1, {0xFF000000}, &error));
  EXPECT_NE(error.find("no_such_dir/shot.png"), std::string::npos) << error;
  EXPECT_NE(error.find("No such file"), std::string::npos) << error;
}

TEST(FrameCapture, OutputDirectoryIsMadeWithItsParents) {
  const std::string dir = temp_path("shots_parent/shots");
  std::string error;
  ASSERT_TRUE(make_output_directory(dir, &error)) << error;
  EXPECT_TRUE(std::filesystem::is_directory(dir));
  EXPECT_TRUE(make_output_directory(dir, &error)) << "an existing directory will do: " << error;
  EXPECT_TRUE(save_pixels_png(dir + "/one.png", 1, 1, {0xFF000000}, &error)) << error;
}

TEST(FrameCapture, OutputDirectoryThatIsAFileIsRefused) {
  const std::string file = temp_path("plain_file");
  std::ofstream(file) << "not a directory";
  std::string error;
  EXPECT_FALSE(make_output_directory(file, &error));
  EXPECT_NE(error.find("plain_file"), std::string::npos) << error;
  EXPECT_FALSE(make_output_directory(file + "/below", &error));
}

}  // namespace
