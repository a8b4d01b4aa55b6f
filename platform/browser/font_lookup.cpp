// Choosing the face in a browser, which has no fontconfig and no installed fonts: the page's
// data holds Debian's Liberation Sans faces under their Debian paths, and every request is
// answered with the one of them of its weight and slant, as fontconfig answers a request
// for Arial on the desktop.
#include "../d3dx9/font_internal.h"

namespace d3dx9 {

bool find_font_file(const std::string&, UINT weight, bool italic, FontFile* out) {
  // GDI weights are OpenType weights: 600 (semibold) and up is drawn bold.
  const bool bold = weight >= 600;
  const char* const kFaces[2][2] = {{"Regular", "Italic"}, {"Bold", "BoldItalic"}};
  *out = FontFile{};
  out->path = std::string("/usr/share/fonts/truetype/liberation/LiberationSans-") + kFaces[bold][italic] + ".ttf";
  return true;
}

}  // namespace d3dx9
