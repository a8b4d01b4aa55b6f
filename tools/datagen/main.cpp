// Makes the game's data files into a run-time directory, or the desktop icon installed
// with the game (which the game itself never reads).
// usage: datagen OUTPUT_DIR | datagen --icon ICON.png
#include <cstdio>
#include <filesystem>
#include <string>
#include <system_error>

#include "bmp_writer.h"
#include "ground.h"
#include "icon.h"
#include "meshes.h"
#include "screens.h"
#include "skins.h"
#include "sounds.h"
#include "textures.h"

int main(int argc, char** argv) {
  const bool icon = argc == 3 && std::string(argv[1]) == "--icon";
  if (argc != 2 && !icon) {
    std::fprintf(stderr, "usage: datagen OUTPUT_DIR | datagen --icon ICON.png\n");
    return 2;
  }
  std::string error;
  if (icon) {
    if (make_icon(argv[2], &error)) return 0;
    std::fprintf(stderr, "datagen: %s\n", error.c_str());
    return 1;
  }
  const std::string out = argv[1];
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
