// The font mapper of the page. The page carries one font, Liberation Sans Regular (the
// metric-compatible Arial that fontconfig picks natively), at /fonts in its file system: the
// program draws only upright, normal-weight text, in faces that all fall back to Arial
// ("Ariel", "MS Sans Serif"). Arial and Liberation Sans are the families known by name.
#include <strings.h>

#include "gdi/font_match.h"

namespace orvel::gdi {

void StartFontMatching() {}

std::string MatchFontFile(const char*, int, bool, int* index) {
  *index = 0;
  return "/fonts/LiberationSans-Regular.ttf";
}

bool KnownFontFamily(const std::string& family, int, bool) {
  return strcasecmp(family.c_str(), "Arial") == 0 ||
         strcasecmp(family.c_str(), "Liberation Sans") == 0;
}

}  // namespace orvel::gdi
