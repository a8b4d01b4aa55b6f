// Image decoding: PNG and BMP at their own size, top row first, with their colours and alpha;
// damaged, truncated and oversized files fail with a message naming the file.
#include "d3dx9/image_decode.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <unistd.h>

#define STB_IMAGE_WRITE_IMPLEMENTATION
#define STB_IMAGE_WRITE_STATIC
#include <stb/stb_image_write.h>

namespace {

using Bytes = std::vector<uint8_t>;

// A 3 x 2 picture, top row first: red, green, blue / white, half-transparent grey, black.
const Bytes kPixels = {255, 0,   0,   255, 0,   255, 0,   255, 0, 0, 255, 255,
                       255, 255, 255, 255, 128, 128, 128, 64,  0, 0, 0,   255};
constexpr int kWidth = 3;
constexpr int kHeight = 2;

Bytes Opaque(Bytes rgba) {
  for (size_t i = 3; i < rgba.size(); i += 4) rgba[i] = 255;
  return rgba;
}

void PutLe(Bytes& out, uint32_t value, int bytes) {
  for (int i = 0; i < bytes; ++i) out.push_back(static_cast<uint8_t>(value >> (8 * i)));
}

// An uncompressed BMP with a 40-byte header, 24 or 32 bits a pixel, rows bottom first (or top
// first when topDown), each row padded to 4 bytes.
Bytes MakeBmp(const Bytes& rgba, int width, int height, int bits, bool topDown = false) {
  const int rowBytes = (width * bits / 8 + 3) / 4 * 4;
  Bytes out = {'B', 'M'};
  PutLe(out, 54 + rowBytes * height, 4);
  PutLe(out, 0, 4);
  PutLe(out, 54, 4);
  PutLe(out, 40, 4);
  PutLe(out, width, 4);
  PutLe(out, static_cast<uint32_t>(topDown ? -height : height), 4);
  PutLe(out, 1, 2);
  PutLe(out, bits, 2);
  PutLe(out, 0, 4);  // uncompressed
  PutLe(out, rowBytes * height, 4);
  for (int i = 0; i < 4; ++i) PutLe(out, 0, 4);
  for (int row = 0; row < height; ++row) {
    const int y = topDown ? row : height - 1 - row;
    for (int x = 0; x < width; ++x) {
      const uint8_t* p = &rgba[(y * width + x) * 4];
      out.insert(out.end(), {p[2], p[1], p[0]});
      if (bits == 32) out.push_back(p[3]);
    }
    out.resize(out.size() + rowBytes - width * bits / 8, 0);
  }
  return out;
}

Bytes MakePng(const Bytes& rgba, int width, int height) {
  Bytes out;
  stbi_write_png_to_func(
      [](void* context, void* data, int size) {
        auto* bytes = static_cast<Bytes*>(context);
        bytes->insert(bytes->end(), static_cast<uint8_t*>(data), static_cast<uint8_t*>(data) + size);
      },
      &out, width, height, 4, rgba.data(), width * 4);
  return out;
}

uint32_t Crc32(const uint8_t* data, size_t size) {
  uint32_t crc = 0xFFFFFFFFu;
  for (size_t i = 0; i < size; ++i) {
    crc ^= data[i];
    for (int k = 0; k < 8; ++k) crc = (crc & 1) ? 0xEDB88320u ^ (crc >> 1) : crc >> 1;
  }
  return crc ^ 0xFFFFFFFFu;
}

// Gives a PNG's IHDR another size, with a matching checksum.
Bytes WithPngSize(Bytes png, uint32_t width, uint32_t height) {
  for (int i = 0; i < 4; ++i) {
    png[16 + i] = static_cast<uint8_t>(width >> (24 - 8 * i));
    png[20 + i] = static_cast<uint8_t>(height >> (24 - 8 * i));
  }
  const uint32_t crc = Crc32(&png[12], 17);
  for (int i = 0; i < 4; ++i) png[29 + i] = static_cast<uint8_t>(crc >> (24 - 8 * i));
  return png;
}

Bytes PngChunk(const char* type, const Bytes& data) {
  Bytes out;
  for (int shift = 24; shift >= 0; shift -= 8) out.push_back(static_cast<uint8_t>(data.size() >> shift));
  out.insert(out.end(), type, type + 4);
  out.insert(out.end(), data.begin(), data.end());
  const uint32_t crc = Crc32(&out[4], data.size() + 4);
  for (int shift = 24; shift >= 0; shift -= 8) out.push_back(static_cast<uint8_t>(crc >> shift));
  return out;
}

// A one-row palette PNG of 2-bit indices with the given palette (RGB triples).
Bytes MakePalettePng(int width, uint8_t packedIndices, const Bytes& palette) {
  Bytes raw = {0, packedIndices};  // filter byte, then the row
  int compressedSize = 0;
  unsigned char* compressed =
      stbi_zlib_compress(raw.data(), static_cast<int>(raw.size()), &compressedSize, 8);
  const Bytes idat(compressed, compressed + compressedSize);
  STBIW_FREE(compressed);
  Bytes out = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
  for (const Bytes& chunk :
       {PngChunk("IHDR", {0, 0, 0, static_cast<uint8_t>(width), 0, 0, 0, 1, 2, 3, 0, 0, 0}),
        PngChunk("PLTE", palette), PngChunk("IDAT", idat), PngChunk("IEND", {})})
    out.insert(out.end(), chunk.begin(), chunk.end());
  return out;
}

// A one-row 8-bit BMP with a palette of `entries` grey levels.
Bytes MakePaletteBmp(const Bytes& indices, int entries) {
  const uint32_t offset = 54 + 4 * entries;
  const uint32_t rowBytes = (indices.size() + 3) / 4 * 4;
  Bytes out = {'B', 'M'};
  PutLe(out, offset + rowBytes, 4);
  PutLe(out, 0, 4);
  PutLe(out, offset, 4);
  PutLe(out, 40, 4);
  PutLe(out, static_cast<uint32_t>(indices.size()), 4);
  PutLe(out, 1, 4);
  PutLe(out, 1, 2);
  PutLe(out, 8, 2);
  for (int i = 0; i < 6; ++i) PutLe(out, 0, 4);
  for (int i = 0; i < entries; ++i) PutLe(out, static_cast<uint32_t>(i * 0x101010), 4);
  out.insert(out.end(), indices.begin(), indices.end());
  out.resize(offset + rowBytes, 0);
  return out;
}

std::string DecodeError(const Bytes& file) {
  DecodedImage image;
  std::string error;
  EXPECT_FALSE(decode_image_memory(file.data(), file.size(), "test.img", &image, &error));
  EXPECT_TRUE(image.rgba.empty());
  EXPECT_EQ(error.rfind("test.img: ", 0), 0u) << error;
  return error;
}

void ExpectDecodesTo(const Bytes& file, const Bytes& expected) {
  DecodedImage image;
  std::string error;
  ASSERT_TRUE(decode_image_memory(file.data(), file.size(), "test.img", &image, &error)) << error;
  EXPECT_EQ(image.width, kWidth);
  EXPECT_EQ(image.height, kHeight);
  EXPECT_EQ(image.rgba, expected);
}

TEST(ImageDecode, PngDecodesTopRowFirstWithAlpha) {
  ExpectDecodesTo(MakePng(kPixels, kWidth, kHeight), kPixels);
}

TEST(ImageDecode, BmpStoredBottomUpDecodesTopRowFirst) {
  ExpectDecodesTo(MakeBmp(kPixels, kWidth, kHeight, 24), Opaque(kPixels));
}

TEST(ImageDecode, BmpStoredTopDownDecodesTopRowFirst) {
  ExpectDecodesTo(MakeBmp(kPixels, kWidth, kHeight, 24, true), Opaque(kPixels));
}

TEST(ImageDecode, ThirtyTwoBitBmpKeepsItsAlpha) {
  ExpectDecodesTo(MakeBmp(kPixels, kWidth, kHeight, 32), kPixels);
}

TEST(ImageDecode, PaletteIndicesPastAShortPaletteAreBlackInPngAndRefusedInBmp) {
  // Indices 0, 1, 3, 2 with a palette of red and green only.
  const Bytes png = MakePalettePng(4, 0b00011110, {255, 0, 0, 0, 255, 0});
  DecodedImage image;
  std::string error;
  ASSERT_TRUE(decode_image_memory(png.data(), png.size(), "palette.png", &image, &error)) << error;
  EXPECT_EQ(image.rgba, (Bytes{255, 0, 0, 255, 0, 255, 0, 255, 0, 0, 0, 255, 0, 0, 0, 255}));

  const Bytes goodBmp = MakePaletteBmp({0, 1, 1}, 2);
  ASSERT_TRUE(decode_image_memory(goodBmp.data(), goodBmp.size(), "palette.bmp", &image, &error)) << error;
  EXPECT_EQ(image.rgba, (Bytes{0, 0, 0, 255, 16, 16, 16, 255, 16, 16, 16, 255}));
  EXPECT_NE(DecodeError(MakePaletteBmp({0, 1, 5}, 2)).find("past the palette"), std::string::npos);
}

TEST(ImageDecode, EmptyPixelChunksAreSkipped) {
  Bytes png = MakePng(kPixels, kWidth, kHeight);
  const Bytes empty = PngChunk("IDAT", {});
  png.insert(png.begin() + 33, empty.begin(), empty.end());  // right after IHDR
  ExpectDecodesTo(png, kPixels);
}

TEST(ImageDecode, DecodesAFileAtItsOwnSize) {
  const Bytes wide = Bytes(5 * 1 * 4, 200);
  const std::string path = ::testing::TempDir() + "vornex_image_" + std::to_string(getpid()) + ".png";
  const Bytes png = MakePng(wide, 5, 1);
  FILE* file = std::fopen(path.c_str(), "wb");
  ASSERT_NE(file, nullptr);
  std::fwrite(png.data(), 1, png.size(), file);
  std::fclose(file);

  DecodedImage image;
  std::string error;
  EXPECT_TRUE(decode_image_file(path.c_str(), &image, &error)) << error;
  std::remove(path.c_str());
  EXPECT_EQ(image.width, 5);
  EXPECT_EQ(image.height, 1);
  EXPECT_EQ(image.rgba, wide);
}

TEST(ImageDecode, AMissingFileFailsNamingIt) {
  DecodedImage image;
  std::string error;
  EXPECT_FALSE(decode_image_file("no-such-dir/ground.bmp", &image, &error));
  EXPECT_EQ(error.rfind("no-such-dir/ground.bmp: ", 0), 0u) << error;
}

TEST(ImageDecode, EveryTruncationFails) {
  for (const Bytes& file : {MakePng(kPixels, kWidth, kHeight), MakeBmp(kPixels, kWidth, kHeight, 24)}) {
    for (size_t length = 0; length < file.size(); ++length) {
      SCOPED_TRACE(length);
      DecodeError(Bytes(file.begin(), file.begin() + length));
    }
  }
}

TEST(ImageDecode, CorruptPngFails) {
  Bytes png = MakePng(kPixels, kWidth, kHeight);
  png[png.size() - 20] ^= 0x55;  // inside the pixel data
  EXPECT_NE(DecodeError(png).find("checksum"), std::string::npos);
  EXPECT_NE(
      DecodeError(Bytes{'n', 'o', 't', ' ', 'a', 'n', ' ', 'i', 'm', 'a', 'g', 'e'}).find("not a PNG or BMP"),
      std::string::npos);
}

TEST(ImageDecode, ImpossibleHeadersFailBeforeDecoding) {
  const Bytes png = MakePng(kPixels, kWidth, kHeight);
  EXPECT_NE(DecodeError(WithPngSize(png, 20000, 1)).find("too large"), std::string::npos);
  // Within the limits, but far more pixels than the compressed data could ever hold.
  EXPECT_NE(DecodeError(WithPngSize(png, 16384, 16384)).find("too little pixel data"), std::string::npos);

  Bytes bmp = MakeBmp(kPixels, kWidth, kHeight, 24);
  Bytes wideBmp = bmp;
  wideBmp[18] = 0xA0, wideBmp[19] = 0x86, wideBmp[20] = 0x01;  // 100000 wide
  EXPECT_NE(DecodeError(wideBmp).find("too large"), std::string::npos);
  Bytes tallBmp = bmp;
  tallBmp[22] = 0, tallBmp[23] = 0, tallBmp[24] = 0, tallBmp[25] = 0x80;  // height INT32_MIN
  EXPECT_NE(DecodeError(tallBmp).find("too large"), std::string::npos);
  Bytes oddCompression = bmp;
  oddCompression[33] = 0xE8;  // a code above 2^31 would be read as uncompressed
  EXPECT_NE(DecodeError(oddCompression).find("unsupported BMP (compression"), std::string::npos);
  Bytes longerBmp = bmp;
  longerBmp[22] = 50;  // more rows than the file holds
  EXPECT_NE(DecodeError(longerBmp).find("truncated"), std::string::npos);
}

}  // namespace
