#include "generated_data.h"

#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/wait.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <system_error>

#ifndef VORNEX_DATAGEN
#error "VORNEX_DATAGEN must name the datagen program"
#endif

namespace {
// The shared run's folder, removed when the test program ends.
struct SharedRun {
  std::string dir;
  ~SharedRun() {
    std::error_code ec;
    std::filesystem::remove_all(dir, ec);
  }
};
}  // namespace

const std::string& generated_dir() {
  static const SharedRun run = [] {
    SharedRun made{make_temp_dir()};
    if (run_datagen({made.dir}) != 0) ADD_FAILURE() << "datagen failed for " << made.dir;
    return made;
  }();
  return run.dir;
}

std::string make_temp_dir() {
  std::string pattern = ::testing::TempDir() + "vornex_data_XXXXXX";
  if (!mkdtemp(pattern.data())) ADD_FAILURE() << "cannot make a temporary folder " << pattern;
  return pattern;
}

int run_datagen(const std::vector<std::string>& arguments) {
  std::string command = "'" VORNEX_DATAGEN "'";
  for (const std::string& a : arguments) command += " '" + a + "'";
  command += " 2>/dev/null";
  const int status = std::system(command.c_str());
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

std::string read_bytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::vector<std::string> files_under(const std::string& dir) {
  std::vector<std::string> files;
  for (const auto& entry : std::filesystem::recursive_directory_iterator(dir))
    if (entry.is_regular_file()) files.push_back(std::filesystem::relative(entry.path(), dir).string());
  std::sort(files.begin(), files.end());
  return files;
}
