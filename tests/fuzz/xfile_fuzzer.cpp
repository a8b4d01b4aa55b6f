// Feeds arbitrary bytes to the .X text reader. Besides the sanitizers' findings, a result that
// breaks the reader's promises (indices in range, one valid material id per triangle) or a
// failure without a message stops the run.
#include <cstddef>
#include <cstdint>
#include <string>

#include "xfile_parser.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  XMeshData mesh;
  std::string error;
  if (!parse_x_text(reinterpret_cast<const char*>(data), size, &mesh, &error)) {
    if (error.empty()) __builtin_trap();
    return 0;
  }
  if (mesh.indices.size() != mesh.faceAttributes.size() * 3) __builtin_trap();
  for (const uint32_t index : mesh.indices)
    if (index >= mesh.vertices.size()) __builtin_trap();
  for (const uint32_t attribute : mesh.faceAttributes)
    if (attribute >= mesh.materials.size()) __builtin_trap();
  return 0;
}
