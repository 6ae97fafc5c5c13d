// The font mapper on fontconfig: its matching and aliases (Arial -> Liberation Sans).
#include "gdi/font_match.h"

#include <fontconfig/fontconfig.h>
#include <strings.h>

namespace orvel::gdi {

void StartFontMatching() {
  FcInit();
}

// The file fontconfig picks for a family, weight and slant.
std::string MatchFontFile(const char* family, int weight, bool italic, int* index) {
  FcPattern* pat = FcPatternCreate();
  if (family && *family)
    FcPatternAddString(pat, FC_FAMILY, reinterpret_cast<const FcChar8*>(family));
  FcPatternAddInteger(pat, FC_WEIGHT, FcWeightFromOpenType(weight));
  FcPatternAddInteger(pat, FC_SLANT, italic ? FC_SLANT_ITALIC : FC_SLANT_ROMAN);
  FcPatternAddBool(pat, FC_SCALABLE, FcTrue);
  FcConfigSubstitute(nullptr, pat, FcMatchPattern);
  FcDefaultSubstitute(pat);
  FcResult result;
  FcPattern* match = FcFontMatch(nullptr, pat, &result);
  std::string path;
  if (match) {
    FcChar8* file = nullptr;
    if (FcPatternGetString(match, FC_FILE, 0, &file) == FcResultMatch) path = (const char*)file;
    if (FcPatternGetInteger(match, FC_INDEX, 0, index) != FcResultMatch) *index = 0;
    FcPatternDestroy(match);
  }
  FcPatternDestroy(pat);
  return path;
}

bool KnownFontFamily(const std::string& family, int weight, bool italic) {
  if (family.empty()) return false;
  int index = 0, defaultIndex = 0;
  std::string file = MatchFontFile(family.c_str(), weight, italic, &index);
  if (file.empty()) return false;
  std::string fallback = MatchFontFile("", weight, italic, &defaultIndex);
  if (file != fallback || index != defaultIndex) return true;
  FcPattern* pat = FcPatternCreate();
  FcPatternAddString(pat, FC_FILE, reinterpret_cast<const FcChar8*>(file.c_str()));
  FcObjectSet* os = FcObjectSetBuild(FC_FAMILY, nullptr);
  FcFontSet* set = FcFontList(nullptr, pat, os);
  bool same = false;
  for (int i = 0; set && i < set->nfont && !same; ++i) {
    FcChar8* name = nullptr;
    for (int k = 0; FcPatternGetString(set->fonts[i], FC_FAMILY, k, &name) == FcResultMatch; ++k)
      if (strcasecmp(reinterpret_cast<const char*>(name), family.c_str()) == 0) same = true;
  }
  if (set) FcFontSetDestroy(set);
  FcObjectSetDestroy(os);
  FcPatternDestroy(pat);
  return same;
}

}  // namespace orvel::gdi
