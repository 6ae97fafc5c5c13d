// The gdi-replay script: parsing only, no GDI. A script is one call per line:
//
//   surface W H                 first line: a W x H surface filled black, its DC named `dc`
//   NAME = CALL ARGS...         the call's result kept under NAME
//   CALL ARGS...                result ignored
//
// `#` starts a comment (outside quotes), blank lines are skipped, numbers are decimal or 0x
// hexadecimal and may be negative, texts are in double quotes without escapes. A handle
// argument is a name assigned by an earlier line (or `dc`), or 0 for a null handle.
#ifndef ORVEL_TOOLS_GDI_REPLAY_SCRIPT_H
#define ORVEL_TOOLS_GDI_REPLAY_SCRIPT_H

#include <stddef.h>
#include <stdint.h>

#include <string>
#include <vector>

namespace replay {

enum class Op {
  kCreatePen,
  kCreateSolidBrush,
  kCreateBrushIndirect,
  kGetStockObject,
  kSelectObject,
  kDeleteObject,
  kCreateRectRgn,
  kSelectClipRgn,
  kCreateCompatibleDC,
  kDeleteDC,
  kCreateCompatibleBitmap,
  kLoadBitmapA,
  kCreateFontA,
  kSetTextAlign,
  kSetTextColor,
  kSetBkMode,
  kSetBkColor,
  kSetPolyFillMode,
  kTextOutA,
  kRectangle,
  kEllipse,
  kMoveToEx,
  kLineTo,
  kSetPixel,
  kPolygon,
  kPolyBezier,
  kBitBlt,
};

// One argument. A handle names a slot (see Script::names); slot -1 is the null handle.
struct Arg {
  enum Kind { kNumber, kHandle, kText } kind = kNumber;
  int64_t number = 0;  // kNumber: fits in 32 bits, signed or unsigned
  int slot = -1;       // kHandle
  std::string text;    // kText
};

struct Call {
  int line = 0;  // 1-based line number in the script
  Op op = Op::kCreatePen;
  int result = -1;  // slot that keeps the result, -1 if none
  std::vector<Arg> args;
};

// Slot 0 is always `dc`, the surface's DC.
struct Script {
  int width = 0;   // pixels, 1..kMaxSide
  int height = 0;  // pixels, 1..kMaxSide
  std::vector<std::string> names;
  std::vector<Call> calls;
};

constexpr int kMaxSide = 4096;

// The largest script and the longest line accepted, in bytes: enough for a hundred thousand
// calls or a polygon of thousands of points, and a bound on what a bad input (an endless device,
// a binary file) can make the tool read or hold.
constexpr size_t kMaxScriptBytes = 16u << 20;
constexpr size_t kMaxLineBytes = 64u << 10;

// Where parsing stopped: the 1-based line number and what is wrong with it.
struct ParseError {
  int line = 0;
  std::string message;
};

// Parses a whole script. Returns false and fills `error` at the first bad line; then `script`
// is unspecified. A script without a `surface` line is an error at its last line (or line 1); a
// line longer than kMaxLineBytes is an error at that line.
bool ParseScript(const std::string& text, Script* script, ParseError* error);

}  // namespace replay

#endif
