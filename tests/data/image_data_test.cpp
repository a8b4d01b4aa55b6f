// The generated images, decoded with the platform's image decoder: power-of-two textures, screen
// pictures filling exactly the part of their texture that the screens' texture limits name, cut-outs
// and sprites shaped by alpha, and a sky whose quarters meet without seams.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>

#include "d3dx9/image_decode.h"
#include "generated_data.h"

namespace {

DecodedImage Load(const std::string& file) {
  DecodedImage image;
  std::string error;
  EXPECT_TRUE(decode_image_file((generated_dir() + "/" + file).c_str(), &image, &error)) << error;
  return image;
}

const uint8_t* Pixel(const DecodedImage& image, int x, int y) {
  return &image.rgba[(static_cast<size_t>(y) * image.width + x) * 4];
}

bool PowerOfTwo(int n) { return n > 0 && (n & (n - 1)) == 0; }

TEST(GeneratedImages, ModelAndEffectTexturesArePowerOfTwo) {
  for (const char* file :
       {"Plasma1.png", "Plasma2.png", "ArmsSkin.png", "BugTankSkin.png", "BugTurretSkin.png",
        "CannonWalkerSkin.png", "HoverTankSkin.png", "BlurPart.png", "Skybox.png"}) {
    SCOPED_TRACE(file);
    const DecodedImage image = Load(file);
    EXPECT_TRUE(PowerOfTwo(image.width));
    EXPECT_TRUE(PowerOfTwo(image.height));
  }
}

// Each screen image's widget passes texture-coordinate limits (uMax, vMax): the picture must cover
// exactly that fraction of a power-of-two texture, a whole number of pixels, about the widget's size.
struct ScreenCase {
  const char* file;
  int widgetWidth, widgetHeight;
  double uMax, vMax;
};

const ScreenCase kScreens[] = {
    {"Art/Title.png", 400, 400, 0.78125, 0.78125},     {"Art/Menu1.png", 381, 95, 0.744140625, 0.7734375},
    {"Art/Menu3.png", 215, 69, 0.83984375, 0.5390625}, {"Art/Cursor.png", 64, 64, 1.0, 1.0},
    {"Art/Story.png", 400, 400, 0.78125, 0.78125},     {"Art/GameOver.png", 400, 400, 0.78125, 0.78125},
};

TEST(GeneratedImages, ScreenPicturesFillThePartTheirLimitsName) {
  for (const ScreenCase& c : kScreens) {
    SCOPED_TRACE(c.file);
    const DecodedImage image = Load(c.file);
    ASSERT_TRUE(PowerOfTwo(image.width));
    ASSERT_TRUE(PowerOfTwo(image.height));
    const double pictureWidth = image.width * c.uMax, pictureHeight = image.height * c.vMax;
    EXPECT_EQ(pictureWidth, std::floor(pictureWidth));
    EXPECT_EQ(pictureHeight, std::floor(pictureHeight));
    // The smallest power of two that holds a picture of about the widget's size (within 5 %).
    EXPECT_NEAR(pictureWidth, c.widgetWidth, c.widgetWidth * 0.05);
    EXPECT_NEAR(pictureHeight, c.widgetHeight, c.widgetHeight * 0.05);
    EXPECT_LT(image.width / 2, c.widgetWidth);
    EXPECT_LT(image.height / 2, c.widgetHeight);
    // Outside the picture the texture only repeats the picture's edge, so the picture is all there
    // is and filtering at its edge stays in its colours.
    const int pw = static_cast<int>(pictureWidth), ph = static_cast<int>(pictureHeight);
    for (int y = 0; y < image.height; ++y)
      for (int x = 0; x < image.width; ++x) {
        if (x < pw && y < ph) continue;
        const uint8_t* edge = Pixel(image, std::min(x, pw - 1), std::min(y, ph - 1));
        ASSERT_EQ(0, std::memcmp(Pixel(image, x, y), edge, 4)) << x << ", " << y;
      }
  }
}

// The full-window pictures are opaque and not flat: a picture, not a fill.
TEST(GeneratedImages, FullScreenPicturesAreOpaquePictures) {
  for (const char* file : {"Art/Title.png", "Art/Story.png", "Art/GameOver.png"}) {
    SCOPED_TRACE(file);
    const DecodedImage image = Load(file);
    int darkest = 255 * 3, brightest = 0;
    for (int y = 0; y < 400; ++y)
      for (int x = 0; x < 400; ++x) {
        const uint8_t* p = Pixel(image, x, y);
        ASSERT_EQ(p[3], 255);
        darkest = std::min(darkest, p[0] + p[1] + p[2]);
        brightest = std::max(brightest, p[0] + p[1] + p[2]);
      }
    EXPECT_LT(darkest, 120);
    EXPECT_GT(brightest, 600);  // the lettering
  }
}

// Buttons are rounded plates: clear corners (the title shows through), solid middles.
TEST(GeneratedImages, ButtonsAreCutOutByAlpha) {
  const std::pair<const char*, std::pair<int, int>> buttons[] = {{"Art/Menu1.png", {381, 99}},
                                                                 {"Art/Menu3.png", {215, 69}}};
  for (const auto& [file, size] : buttons) {
    SCOPED_TRACE(file);
    const DecodedImage image = Load(file);
    const int w = size.first, h = size.second;
    EXPECT_EQ(Pixel(image, 0, 0)[3], 0);
    EXPECT_EQ(Pixel(image, w - 1, 0)[3], 0);
    EXPECT_EQ(Pixel(image, 0, h - 1)[3], 0);
    EXPECT_EQ(Pixel(image, w - 1, h - 1)[3], 0);
    EXPECT_EQ(Pixel(image, w / 2, h / 2)[3], 255);
    EXPECT_EQ(Pixel(image, 10, h / 2)[3], 255);
  }
}

// The pointer's tip is at the widget's top-left corner, which is the point the menu hit-tests.
TEST(GeneratedImages, CursorTipIsAtTheTopLeft) {
  const DecodedImage image = Load("Art/Cursor.png");
  EXPECT_GE(Pixel(image, 2, 3)[3], 200);
  EXPECT_EQ(Pixel(image, 20, 3)[3], 0);
  EXPECT_EQ(Pixel(image, 40, 40)[3], 0);
  EXPECT_EQ(Pixel(image, 63, 63)[3], 0);
}

// The particle sprite is a soft disc: opaque in the middle, alpha falling with the distance from
// the centre and gone at the edge, so the quad's corners never show.
TEST(GeneratedImages, ParticleSpriteFadesToNothingAtItsEdge) {
  const DecodedImage image = Load("BlurPart.png");
  const int n = image.width;
  EXPECT_GE(Pixel(image, n / 2, n / 2)[3], 250);
  int previous = 256;
  for (int x = n / 2; x < n; ++x) {
    const int a = Pixel(image, x, n / 2)[3];
    EXPECT_LE(a, previous);
    previous = a;
  }
  EXPECT_EQ(previous, 0);
  for (int i = 0; i < n; ++i) {
    EXPECT_EQ(Pixel(image, i, 0)[3], 0);
    EXPECT_EQ(Pixel(image, 0, i)[3], 0);
    EXPECT_EQ(Pixel(image, i, n - 1)[3], 0);
    EXPECT_EQ(Pixel(image, n - 1, i)[3], 0);
  }
}

// The sky cube puts its quarters side by side on the cube in several turns; the quarters can only
// meet without a seam if every quarter's border has one colour. And the sky is opaque.
TEST(GeneratedImages, SkyQuartersShareOneBorderColour) {
  const DecodedImage sky = Load("Skybox.png");
  const int half = sky.width / 2;
  const uint8_t* reference = Pixel(sky, 1, 1);
  for (int qy = 0; qy < 2; ++qy)
    for (int qx = 0; qx < 2; ++qx)
      for (int i = 0; i < half; ++i) {
        const int edge[4][2] = {{i, 0}, {i, half - 1}, {0, i}, {half - 1, i}};
        for (const auto& e : edge) {
          const uint8_t* p = Pixel(sky, qx * half + e[0], qy * half + e[1]);
          for (int c = 0; c < 3; ++c)
            ASSERT_NEAR(p[c], reference[c], 6) << "quarter " << qx << "," << qy << " at " << i;
          ASSERT_EQ(p[3], 255);
        }
      }
}

// The two side quarters carry the horizon glow: just above their horizon (the middle row) they are
// much brighter than high up in the same quarter.
TEST(GeneratedImages, SkySideQuartersGlowAtTheirHorizon) {
  const DecodedImage sky = Load("Skybox.png");
  const int half = sky.width / 2;
  // Mean brightness of the middle half of a band of rows in one quarter.
  auto band = [&](int qx, int qy, int fromRow, int toRow) {
    long sum = 0, n = 0;
    for (int y = fromRow; y < toRow; ++y)
      for (int x = half / 4; x < half * 3 / 4; ++x, ++n) {
        const uint8_t* p = Pixel(sky, qx * half + x, qy * half + y);
        sum += p[0] + p[1] + p[2];
      }
    return sum / n;
  };
  for (const auto& [qx, qy] : {std::pair<int, int>{1, 0}, std::pair<int, int>{0, 1}}) {
    SCOPED_TRACE(qx);
    EXPECT_GT(band(qx, qy, half / 2 - 16, half / 2 - 4), band(qx, qy, 4, 16) + 120);
  }
}

}  // namespace

namespace {

// The desktop icon, made on its own (it is installed with the game, not read by it): a
// square icon-theme size, a tile with rounded corners, opaque inside.
TEST(GeneratedImages, DesktopIconIsAnOpaqueTileWithRoundedCorners) {
  const std::string dir = make_temp_dir();
  ASSERT_EQ(run_datagen({"--icon", dir + "/vornex.png"}), 0);
  DecodedImage icon;
  std::string error;
  ASSERT_TRUE(decode_image_file((dir + "/vornex.png").c_str(), &icon, &error)) << error;
  EXPECT_EQ(icon.width, 128);
  EXPECT_EQ(icon.height, 128);
  if (icon.width == 128 && icon.height == 128) {
    for (const auto& [x, y] : {std::pair{0, 0}, {127, 0}, {0, 127}, {127, 127}}) EXPECT_EQ(Pixel(icon, x, y)[3], 0);
    for (const auto& [x, y] : {std::pair{64, 64}, {64, 8}, {8, 64}, {120, 64}}) EXPECT_EQ(Pixel(icon, x, y)[3], 255);
  }
  std::filesystem::remove_all(dir);
}

}  // namespace
