// Fonts and text: the font matcher (font_match.h) plays the font mapper, FreeType renders. Faces at
// a size and their glyphs are cached across fonts (an app may create a font for every call), within
// a byte budget: past it the least recently used faces are let go, and then the other glyphs of the
// face in use. Each HFONT is still its own counted object.
#include "gdi/context.h"

#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_TRUETYPE_TABLES_H
#include <fcntl.h>
#include <stdlib.h>
#include <string.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <map>
#include <memory>
#include <mutex>
#include <tuple>

#include "gdi/font_match.h"
#include "kernel/trace.h"

namespace orvel::gdi {

struct Glyph {
  bool loaded = false;    // the metrics below are known
  bool rendered = false;  // the coverage is there (the cache may drop it again)
  int left = 0, top = 0;  // bitmap origin relative to the pen on the baseline (top is up)
  int width = 0, rows = 0;
  int advance = 0;  // whole pixels
  std::vector<uint8_t> coverage;
};

// A font file, mapped once for all the faces (sizes) open on it. FreeType would map it anew
// for each, and each size that draws touches the same tables again: six sizes of one 140 KB
// font came to 700 KiB of resident memory.
struct FontFile {
  void* data = MAP_FAILED;
  size_t size = 0;
  ~FontFile() {
    if (data != MAP_FAILED) munmap(data, size);
  }
};

// One face at one pixel size, with its GDI metrics and the glyphs rendered so far. A face the
// cache has let go keeps only its metrics: `face` is null and `glyphs` empty.
struct FontFace {
  FT_Face face = nullptr;
  std::shared_ptr<FontFile> file;  // what `face` reads; released after it
  int ascent = 0, descent = 0, internalLeading = 0, externalLeading = 0;
  int avgWidth = 0, maxWidth = 0, weight = FW_NORMAL;
  BYTE pitchAndFamily = 0;  // TEXTMETRIC's pitch bits and family
  bool italic = false;
  std::vector<Glyph> glyphs = std::vector<Glyph>(256);
  size_t bytes = 0;      // what the cache counts for this face (see kFaceBytes)
  size_t slotBytes = 0;  // of which FreeType's copy of the last glyph rendered
  uint64_t lastUse = 0;  // TextState::uses when it last drew or measured

  ~FontFace() {
    if (face) FT_Done_Face(face);
  }
};

namespace {

// Windows-1252 for bytes 0x80..0x9F; the rest of the code page is Latin-1.
constexpr uint16_t kCp1252High[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

uint32_t Unicode(unsigned char c) {
  return c >= 0x80 && c < 0xA0 ? kCp1252High[c - 0x80] : c;
}

struct Request {
  std::string face;
  int height, weight;
  bool italic;
  DWORD pitchAndFamily;
  bool operator<(const Request& o) const {
    return std::tie(face, height, weight, italic, pitchAndFamily) <
           std::tie(o.face, o.height, o.weight, o.italic, o.pitchAndFamily);
  }
};

// What a loaded face costs besides its glyphs' coverage: FreeType's face and size records and
// the glyph records come to about 19 KiB of heap (Liberation Sans, any size), and FreeType maps
// the font file, of which a face touches some pages.
constexpr size_t kFaceBytes = 64u << 10;

// Every loaded face is in `faces`; a font points at its face and finds it unloaded once the
// cache has let it go. All of it is guarded by `lock`.
struct TextState {
  std::mutex lock;
  FT_Library library = nullptr;
  bool initialised = false;
  std::map<Request, std::shared_ptr<FontFace>> faces;
  std::map<std::string, std::weak_ptr<FontFile>> files;  // by path
  size_t bytes = 0;   // the faces' bytes, at most kTextCacheBudget outside Trim
  uint64_t uses = 0;  // a clock for the faces' lastUse
};

TextState& State() {
  static TextState state;
  return state;
}

// An unknown face falls back by family, as the Windows font mapper does.
std::string MappedFamily(const Request& r) {
  if (KnownFontFamily(r.face, r.weight, r.italic)) return r.face;
  constexpr DWORD kFixedPitch = 1, kRoman = 0x10, kModern = 0x30;
  DWORD family = r.pitchAndFamily & 0xF0;
  if (family == kModern || (r.pitchAndFamily & 3) == kFixedPitch) return "Courier New";
  if (family == kRoman) return "Times New Roman";
  return "Arial";
}

// Pixel metrics at a pixel-per-em size, from the OS/2 Windows ascent and descent as GDI uses.
void Scale(FontFace* f, const TT_OS2* os2, int units) {
  FT_Size_Metrics& m = f->face->size->metrics;
  auto scale = [&](long v) { return static_cast<int>((FT_MulFix(v, m.y_scale) + 32) >> 6); };
  auto scaleX = [&](long v) { return static_cast<int>((FT_MulFix(v, m.x_scale) + 32) >> 6); };
  if (os2 && os2->usWinAscent + os2->usWinDescent > 0) {
    f->ascent = scale(os2->usWinAscent);
    f->descent = scale(os2->usWinDescent);
    f->internalLeading = scale(os2->usWinAscent + os2->usWinDescent - units);
    f->avgWidth = scaleX(os2->xAvgCharWidth);
  } else {
    f->ascent = static_cast<int>((m.ascender + 63) >> 6);
    f->descent = static_cast<int>((-m.descender + 63) >> 6);
    f->internalLeading = f->ascent + f->descent - m.y_ppem;
    f->avgWidth = static_cast<int>(m.max_advance >> 7);
  }
  f->maxWidth = scaleX(f->face->bbox.xMax - f->face->bbox.xMin);
  const TT_HoriHeader* hhea = static_cast<TT_HoriHeader*>(FT_Get_Sfnt_Table(f->face, FT_SFNT_HHEA));
  if (hhea && os2) {
    long gap = hhea->Line_Gap -
               ((os2->usWinAscent + os2->usWinDescent) - (hhea->Ascender - hhea->Descender));
    f->externalLeading = std::max(0, scale(gap));
  }
}

// The file at `path`, mapped, shared with the faces already open on it; null if unreadable.
std::shared_ptr<FontFile> MapFontFile(TextState& st, const std::string& path) {
  std::weak_ptr<FontFile>& slot = st.files[path];
  if (std::shared_ptr<FontFile> open = slot.lock()) return open;
  const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return nullptr;
  struct stat info;
  auto file = std::make_shared<FontFile>();
  if (fstat(fd, &info) == 0 && info.st_size > 0) {
    file->size = static_cast<size_t>(info.st_size);
    file->data = mmap(nullptr, file->size, PROT_READ, MAP_PRIVATE, fd, 0);
  }
  close(fd);
  if (file->data == MAP_FAILED) return nullptr;
  slot = file;
  return file;
}

std::shared_ptr<FontFace> OpenFace(TextState& st, const Request& r) {
  if (!st.initialised) {
    st.initialised = true;
    if (FT_Init_FreeType(&st.library) != 0) st.library = nullptr;
    StartFontMatching();
  }
  if (!st.library) return nullptr;
  std::string family = MappedFamily(r);
  int index = 0;
  std::string file = MatchFontFile(family.c_str(), r.weight, r.italic, &index);
  if (file.empty()) return nullptr;
  auto f = std::make_shared<FontFace>();
  f->file = MapFontFile(st, file);
  if (!f->file || FT_New_Memory_Face(st.library, static_cast<const FT_Byte*>(f->file->data),
                                     static_cast<FT_Long>(f->file->size), index, &f->face) != 0) {
    f->face = nullptr;
    return nullptr;
  }
  const TT_OS2* os2 = static_cast<TT_OS2*>(FT_Get_Sfnt_Table(f->face, FT_SFNT_OS2));
  int units = f->face->units_per_EM ? f->face->units_per_EM : 2048;
  int cell = os2 && os2->usWinAscent + os2->usWinDescent > 0
                 ? os2->usWinAscent + os2->usWinDescent
                 : static_cast<int>(f->face->ascender - f->face->descender);
  // A positive height is the cell (ascent + descent), a negative one the em; 0 means 16.
  // A positive height is the cell (ascent + descent), a negative one the em; 0 means 16. The
  // em is worked out in 16.16 fixed point as GDI's TrueType rasteriser does, one pixel smaller
  // when the rounded cell would exceed the height asked for.
  int height = r.height == 0 ? 16 : r.height;
  long ppem = -height;
  if (height > 0) {
    ppem = FT_MulFix(units, FT_DivFix(height, cell));
    if (ppem > 1 && FT_MulFix(cell, FT_DivFix(ppem, units)) > height) --ppem;
  }
  ppem = std::max(1L, std::min(ppem, 4096L));
  if (FT_Set_Pixel_Sizes(f->face, 0, static_cast<FT_UInt>(ppem)) != 0) return nullptr;
  Scale(f.get(), os2, units);
  f->weight = r.weight ? r.weight : FW_NORMAL;
  // Bit 0 set means variable pitch (sic), 2 a vector font, 4 TrueType; the family from PANOSE.
  constexpr BYTE kVariable = 1, kVector = 2, kTrueType = 4;
  constexpr BYTE kRoman = 0x10, kSwiss = 0x20, kModern = 0x30;
  bool fixed = FT_IS_FIXED_WIDTH(f->face);
  BYTE kind = fixed ? kModern : kSwiss;
  if (!fixed && os2 && os2->panose[0] == 2 && (os2->panose[1] < 11 || os2->panose[1] > 13))
    kind = kRoman;  // Latin text with serifs
  f->pitchAndFamily = static_cast<BYTE>((fixed ? 0 : kVariable) | kVector |
                                        (FT_IS_SFNT(f->face) ? kTrueType : 0) | kind);
  f->italic = r.italic;
  return f;
}

// Frees a face's FreeType face and glyphs, leaving its metrics to the fonts that point at it.
void Unload(TextState& st, FontFace& f) {
  FT_Done_Face(f.face);
  f.face = nullptr;
  f.file.reset();
  std::vector<Glyph>().swap(f.glyphs);
  st.bytes -= f.bytes;
  f.bytes = 0;
  f.slotBytes = 0;
}

// Brings the cache within its budget: first the least recently used faces other than `keep` go,
// then the coverage of keep's glyphs other than `keepGlyph` (-1: none spared). Only a glyph
// larger than the whole budget can leave the cache above it.
void Trim(TextState& st, FontFace* keep, int keepGlyph) {
  while (st.bytes > kTextCacheBudget) {
    auto oldest = st.faces.end();
    for (auto i = st.faces.begin(); i != st.faces.end(); ++i) {
      if (i->second.get() == keep) continue;
      if (oldest == st.faces.end() || i->second->lastUse < oldest->second->lastUse) oldest = i;
    }
    if (oldest == st.faces.end()) break;
    Unload(st, *oldest->second);
    st.faces.erase(oldest);
  }
  for (size_t c = 0; c < keep->glyphs.size() && st.bytes > kTextCacheBudget; ++c) {
    Glyph& g = keep->glyphs[c];
    if (static_cast<int>(c) == keepGlyph || !g.rendered) continue;
    keep->bytes -= g.coverage.size();
    st.bytes -= g.coverage.size();
    std::vector<uint8_t>().swap(g.coverage);
    g.rendered = false;
  }
}

// A glyph's metrics, and with `render` its coverage too. The reference stays valid until the
// next call that may trim the cache.
const Glyph& GlyphOf(TextState& st, FontFace& f, unsigned char c, bool render) {
  Glyph& g = f.glyphs[c];
  if (g.loaded && (g.rendered || !render)) return g;
  FT_UInt index = FT_Get_Char_Index(f.face, Unicode(c));
  if (FT_Load_Glyph(f.face, index, FT_LOAD_DEFAULT) != 0) {
    g.loaded = g.rendered = true;  // nothing to measure or draw
    return g;
  }
  FT_GlyphSlot slot = f.face->glyph;
  g.loaded = true;
  g.advance = static_cast<int>((slot->metrics.horiAdvance + 63) >> 6);
  if (!render) return g;
  g.rendered = true;
  if (FT_Render_Glyph(slot, FT_RENDER_MODE_NORMAL) != 0) return g;
  const FT_Bitmap& bm = slot->bitmap;
  if (bm.pixel_mode != FT_PIXEL_MODE_GRAY) return g;
  g.left = slot->bitmap_left;
  g.top = slot->bitmap_top;
  g.width = static_cast<int>(bm.width);
  g.rows = static_cast<int>(bm.rows);
  g.coverage.resize(static_cast<size_t>(g.width) * g.rows);
  for (int y = 0; y < g.rows; ++y)
    std::copy_n(bm.buffer + static_cast<ptrdiff_t>(y) * bm.pitch, g.width,
                g.coverage.data() + static_cast<size_t>(y) * g.width);
  // FreeType keeps the rendered bitmap in the face's glyph slot until the next glyph: at a
  // large size that is as much again as the coverage, so it is counted too.
  const size_t slotBytes = static_cast<size_t>(std::abs(bm.pitch)) * bm.rows;
  f.bytes += g.coverage.size() + slotBytes - f.slotBytes;
  st.bytes += g.coverage.size() + slotBytes - f.slotBytes;
  f.slotBytes = slotBytes;
  Trim(st, &f, c);
  return g;
}

// The face behind the DC's selected font, resolved and cached on first use. Caller holds the
// text lock.
FontFace* FaceOf(TextState& st, const DC& dc) {
  Font* font = LookupAs<Font>(dc.font, Kind::kFont);
  if (!font) return nullptr;
  if (!font->resolved || !font->resolved->face) {
    Request r{font->face, font->height, font->weight, font->italic, font->pitchAndFamily};
    auto it = st.faces.find(r);
    if (it == st.faces.end()) {
      std::shared_ptr<FontFace> face = OpenFace(st, r);
      if (!face) return nullptr;
      face->bytes = kFaceBytes;
      st.bytes += kFaceBytes;
      it = st.faces.emplace(r, std::move(face)).first;
      Trim(st, it->second.get(), -1);
    }
    font->resolved = it->second;
  }
  FontFace* f = const_cast<FontFace*>(font->resolved.get());
  f->lastUse = ++st.uses;
  return f;
}

// The advance width of n characters, in pixels; held within the coordinate limit so that a
// very long string cannot overflow the arithmetic that places it.
int Advance(TextState& st, FontFace& f, const char* s, int n) {
  int64_t w = 0;
  for (int i = 0; i < n && w < kCoordLimit; ++i)
    w += GlyphOf(st, f, static_cast<unsigned char>(s[i]), false).advance;
  return static_cast<int>(std::min<int64_t>(w, kCoordLimit));
}

uint32_t Blend(uint32_t dst, uint32_t src, unsigned a) {
  uint32_t out = 0;
  for (int shift = 0; shift <= 16; shift += 8) {
    unsigned d = (dst >> shift) & 0xFF, s = (src >> shift) & 0xFF;
    unsigned v = (d * (255 - a) + s * a + 127) / 255;
    out |= v << shift;
  }
  return out;
}

void DrawGlyph(const raster::Target& t, const Glyph& g, int x, int y, uint32_t pixel) {
  for (int row = 0; row < g.rows; ++row) {
    int py = y + row;
    if (py < t.top || py >= t.bottom) continue;
    int c0 = std::max(0, t.left - x), c1 = std::min(g.width, t.right - x);
    const uint8_t* cov = g.coverage.data() + static_cast<size_t>(row) * g.width;
    uint32_t* line = t.Row(py);
    for (int c = c0; c < c1; ++c) {
      unsigned a = cov[c];
      uint32_t& dst = line[x + c];
      if (a == 255)
        dst = pixel;
      else if (a)
        dst = Blend(dst, pixel, a);
    }
  }
}

}  // namespace
}  // namespace orvel::gdi

// GCC names AddressSanitizer with a macro, clang with a feature test.
#if defined(__has_feature)
#if __has_feature(address_sanitizer)
#define ORVEL_ADDRESS_SANITIZER 1
#endif
#endif
#if defined(__SANITIZE_ADDRESS__) || defined(ORVEL_ADDRESS_SANITIZER)
// fontconfig 2.14 loses a few hundred bytes while parsing its XML configuration, once per
// process. That is not ours to mend; keep it out of every leak report of a program that draws
// text.
extern "C" const char* __lsan_default_suppressions() {
  return "leak:libfontconfig.so\n";
}
#endif

namespace orvel::gdi {

size_t TextCacheBytes() {
  TextState& st = State();
  std::lock_guard<std::mutex> hold(st.lock);
  return st.bytes;
}

}  // namespace orvel::gdi

using namespace orvel::gdi;

extern "C" {

HFONT WINAPI CreateFontA(int cHeight, int cWidth, int cEscapement, int cOrientation, int cWeight,
                         DWORD bItalic, DWORD bUnderline, DWORD bStrikeOut, DWORD iCharSet,
                         DWORD iOutPrecision, DWORD iClipPrecision, DWORD iQuality,
                         DWORD iPitchAndFamily, LPCSTR pszFaceName) {
  ORVEL_TRACE_CALL(kGdi);
  // Known gaps: a font keeps its own width and is never turned, underlined or struck out.
  if (cWidth != 0) ORVEL_TRACE_UNSUPPORTED(kGdi, "width ignored (%lld)", cWidth);
  if (cEscapement != 0 || cOrientation != 0)
    ORVEL_TRACE_UNSUPPORTED(kGdi, "turned text drawn level (escapement %lld)", cEscapement);
  if (bUnderline) ORVEL_TRACE_UNSUPPORTED(kGdi, "underline not drawn", 0);
  if (bStrikeOut) ORVEL_TRACE_UNSUPPORTED(kGdi, "strike-out not drawn", 0);
  auto font = std::make_unique<Font>();
  font->height = std::max(-4096, std::min(4096, cHeight));
  font->weight = std::max(0, std::min(1000, cWeight));
  font->italic = bItalic != 0;
  font->pitchAndFamily = iPitchAndFamily & 0xFF;
  if (pszFaceName) font->face.assign(pszFaceName, strnlen(pszFaceName, LF_FACESIZE - 1));
  return static_cast<HFONT>(AddObject(Kind::kFont, std::move(font)));
}

BOOL WINAPI GetTextExtentPoint32A(HDC hdc, LPCSTR lpString, int c, LPSIZE psizl) {
  ORVEL_TRACE_CALL(kGdi);
  DC* dc = LookupDC(hdc);
  if (!dc || !psizl || c < 0 || (c > 0 && !lpString)) return FALSE;
  TextState& st = State();
  std::lock_guard<std::mutex> hold(st.lock);
  FontFace* f = FaceOf(st, *dc);
  if (!f) return FALSE;
  psizl->cx = Advance(st, *f, lpString, c);
  psizl->cy = f->ascent + f->descent;
  return TRUE;
}

BOOL WINAPI GetTextMetricsA(HDC hdc, LPTEXTMETRICA tm) {
  ORVEL_TRACE_CALL(kGdi);
  DC* dc = LookupDC(hdc);
  if (!dc || !tm) return FALSE;
  TextState& st = State();
  std::lock_guard<std::mutex> hold(st.lock);
  FontFace* f = FaceOf(st, *dc);
  if (!f) return FALSE;
  *tm = TEXTMETRICA{};
  tm->tmHeight = f->ascent + f->descent;
  tm->tmAscent = f->ascent;
  tm->tmDescent = f->descent;
  tm->tmInternalLeading = f->internalLeading;
  tm->tmExternalLeading = f->externalLeading;
  tm->tmAveCharWidth = f->avgWidth;
  tm->tmMaxCharWidth = f->maxWidth;
  tm->tmWeight = f->weight;
  tm->tmDigitizedAspectX = 96;
  tm->tmDigitizedAspectY = 96;
  tm->tmFirstChar = 0x1E;
  tm->tmLastChar = 0xFF;
  tm->tmDefaultChar = 0x1F;
  tm->tmBreakChar = 0x20;
  tm->tmItalic = f->italic ? 255 : 0;
  tm->tmPitchAndFamily = f->pitchAndFamily;
  tm->tmCharSet = ANSI_CHARSET;
  return TRUE;
}

BOOL WINAPI TextOutA(HDC hdc, int x, int y, LPCSTR lpString, int c) {
  ORVEL_TRACE_CALL(kGdi);
  Drawing d;
  if (!BeginDrawing(hdc, &d) || c < 0 || (c > 0 && !lpString)) return FALSE;
  TextState& st = State();
  std::lock_guard<std::mutex> hold(st.lock);
  FontFace* f = FaceOf(st, *d.dc);
  if (!f) return FALSE;
  const int w = Advance(st, *f, lpString, c);
  const UINT align = d.dc->textAlign;
  int left = d.X(x);
  if ((align & TA_CENTER) == TA_CENTER)
    left -= w / 2;
  else if (align & TA_RIGHT)
    left -= w;
  int baseline = d.Y(y);
  if ((align & TA_BASELINE) == TA_BASELINE) {
  } else if (align & TA_BOTTOM) {
    baseline -= f->descent;
  } else {
    baseline += f->ascent;
  }
  if (d.dc->bkMode == OPAQUE) {
    d.Touch(left, baseline - f->ascent, left + w, baseline + f->descent);
    raster::FillRect(d.target, left, baseline - f->ascent, left + w, baseline + f->descent,
                     ToPixel(d.dc->bkColor));
  }
  const uint32_t pixel = ToPixel(d.dc->textColor);
  // Glyphs starting past the clip (allowing for a negative bearing) cannot show: stop there.
  int pen = left;
  for (int i = 0; i < c && pen < d.target.right + f->maxWidth; ++i) {
    const Glyph& g = GlyphOf(st, *f, static_cast<unsigned char>(lpString[i]), true);
    if (!g.coverage.empty()) {
      d.Touch(pen + g.left, baseline - g.top, pen + g.left + g.width, baseline - g.top + g.rows);
      DrawGlyph(d.target, g, pen + g.left, baseline - g.top, pixel);
    }
    pen += g.advance;
  }
  return TRUE;
}

}  // extern "C"
