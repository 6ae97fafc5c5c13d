// The font mapper's questions, which text.cpp asks before FreeType renders: fontconfig answers
// them natively (font_match.cpp); the browser build answers from the fonts its page carries.
#ifndef ORVEL_GDI_FONT_MATCH_H
#define ORVEL_GDI_FONT_MATCH_H

#include <string>

namespace orvel::gdi {

// Called once before the first question.
void StartFontMatching();

// The font file for a family ("" for the general default), an OpenType weight (100..900, 0
// for normal) and slant, with the face's index in the file in *index; empty when none.
std::string MatchFontFile(const char* family, int weight, bool italic, int* index);

// Whether the fonts provide this family by name, or map it to something other than the
// general default (a metric-compatible alias such as Arial -> Liberation Sans).
bool KnownFontFamily(const std::string& family, int weight, bool italic);

}  // namespace orvel::gdi

#endif
