// Choosing the face on the desktop: fontconfig maps the Windows face request onto an
// installed font (Debian's metric-compatible Liberation faces stand in for Arial, Times
// New Roman and Courier New).
#include <fontconfig/fontconfig.h>

#include <algorithm>

#include "../d3dx9/font_internal.h"

namespace d3dx9 {

bool find_font_file(const std::string& family, UINT weight, bool italic, FontFile* out) {
  if (!FcInit()) return false;  // loads the configuration once; cheap afterwards
  FcPattern* pattern = FcPatternCreate();
  if (!pattern) return false;
  if (!family.empty())
    FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8*>(family.c_str()));
  // GDI weights are OpenType weights; FW_DONTCARE means regular.
  int opentype_weight = weight == 0 ? 400 : static_cast<int>(std::min<UINT>(weight, 1000));
  FcPatternAddInteger(pattern, FC_WEIGHT, FcWeightFromOpenType(opentype_weight));
  FcPatternAddInteger(pattern, FC_SLANT, italic ? FC_SLANT_ITALIC : FC_SLANT_ROMAN);
  FcConfigSubstitute(nullptr, pattern, FcMatchPattern);
  FcDefaultSubstitute(pattern);
  FcResult result = FcResultNoMatch;
  FcPattern* match = FcFontMatch(nullptr, pattern, &result);
  FcPatternDestroy(pattern);
  if (!match) return false;

  FcChar8* path = nullptr;
  bool found = FcPatternGetString(match, FC_FILE, 0, &path) == FcResultMatch && path && *path;
  if (found) {
    *out = FontFile{};
    out->path = reinterpret_cast<const char*>(path);
    FcPatternGetInteger(match, FC_INDEX, 0, &out->index);
    // fontconfig asks for synthetic bold or oblique when the family lacks the style.
    FcBool embolden = FcFalse;
    FcPatternGetBool(match, FC_EMBOLDEN, 0, &embolden);
    out->embolden = embolden == FcTrue;
    FcMatrix* m = nullptr;
    if (FcPatternGetMatrix(match, FC_MATRIX, 0, &m) == FcResultMatch && m &&
        (m->xx != 1 || m->xy != 0 || m->yx != 0 || m->yy != 1)) {
      out->slant = true;
      out->shear.xx = static_cast<FT_Fixed>(m->xx * 65536.0);
      out->shear.xy = static_cast<FT_Fixed>(m->xy * 65536.0);
      out->shear.yx = static_cast<FT_Fixed>(m->yx * 65536.0);
      out->shear.yy = static_cast<FT_Fixed>(m->yy * 65536.0);
    }
  }
  FcPatternDestroy(match);
  return found;
}

}  // namespace d3dx9
