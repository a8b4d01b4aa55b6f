// A folder of this test process's own for the files its tests write, made on first use
// and removed with everything in it when the process ends.
#ifndef VORNEX_TESTS_SUPPORT_TEMP_FOLDER_H
#define VORNEX_TESTS_SUPPORT_TEMP_FOLDER_H

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>

namespace test_support {

inline const std::string& temp_folder_name() {
  static const std::string name = (std::filesystem::temp_directory_path() /
                                   ("vornex_tests_" + std::to_string(getpid())))
                                      .string();
  return name;
}

inline void remove_temp_folder() {
  std::error_code ignored;
  std::filesystem::remove_all(temp_folder_name(), ignored);
}

// The folder's path, without a trailing slash.
inline const std::string& temp_folder() {
  static const bool made = [] {
    std::filesystem::create_directories(temp_folder_name());
    std::atexit(remove_temp_folder);
    return true;
  }();
  (void)made;
  return temp_folder_name();
}

// A path for `name` inside the folder.
inline std::string temp_path(const std::string& name) { return temp_folder() + "/" + name; }

}  // namespace test_support

#endif  // VORNEX_TESTS_SUPPORT_TEMP_FOLDER_H
