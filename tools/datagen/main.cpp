// Makes the game's data files into a run-time directory.
// usage: datagen OUTPUT_DIR
#include <cstdio>
#include <filesystem>
#include <string>
#include <system_error>

#include "bmp_writer.h"
#include "ground.h"
#include "meshes.h"
#include "screens.h"
#include "skins.h"
#include "sounds.h"
#include "textures.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: datagen OUTPUT_DIR\n");
    return 2;
  }
  const std::string out = argv[1];
  std::string error;
  std::error_code ec;
  std::filesystem::create_directories(out, ec);  // a failure shows as the first file that cannot be written
  const int ground_size = 64;
  if (!write_bmp24(out + "/ground.bmp", ground_size, ground_size, make_ground(ground_size), &error)) {
    std::fprintf(stderr, "datagen: %s\n", error.c_str());
    return 1;
  }
  if (!make_meshes(out, &error) || !make_skins(out, &error) || !make_textures(out, &error) ||
      !make_sounds(out, &error) || !make_screens(out, &error)) {
    std::fprintf(stderr, "datagen: %s\n", error.c_str());
    return 1;
  }
  return 0;
}
