// Writing whole files into the output directory.
#ifndef VORNEX_TOOLS_FILE_OUT_H
#define VORNEX_TOOLS_FILE_OUT_H

#include <string>

// Writes bytes to path, creating its folder if needed. Returns false with the reason on failure.
bool write_file(const std::string& path, const std::string& bytes, std::string* error);

#endif  // VORNEX_TOOLS_FILE_OUT_H
