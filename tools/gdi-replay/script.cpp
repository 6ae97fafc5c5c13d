#include "script.h"

#include <stddef.h>

#include <sstream>
#include <unordered_map>

namespace replay {
namespace {

// Argument signatures: h handle (name or 0), i number, s text, p the rest as x y pairs.
struct Signature {
  const char* name;
  Op op;
  const char* args;
};

const Signature kCalls[] = {
    {"CreatePen", Op::kCreatePen, "iii"},
    {"CreateSolidBrush", Op::kCreateSolidBrush, "i"},
    {"CreateBrushIndirect", Op::kCreateBrushIndirect, "iii"},
    {"GetStockObject", Op::kGetStockObject, "i"},
    {"SelectObject", Op::kSelectObject, "hh"},
    {"DeleteObject", Op::kDeleteObject, "h"},
    {"CreateRectRgn", Op::kCreateRectRgn, "iiii"},
    {"SelectClipRgn", Op::kSelectClipRgn, "hh"},
    {"CreateCompatibleDC", Op::kCreateCompatibleDC, "h"},
    {"DeleteDC", Op::kDeleteDC, "h"},
    {"CreateCompatibleBitmap", Op::kCreateCompatibleBitmap, "hii"},
    {"LoadBitmapA", Op::kLoadBitmapA, "i"},
    {"CreateFontA", Op::kCreateFontA, "is"},
    {"SetTextAlign", Op::kSetTextAlign, "hi"},
    {"SetTextColor", Op::kSetTextColor, "hi"},
    {"SetBkMode", Op::kSetBkMode, "hi"},
    {"SetBkColor", Op::kSetBkColor, "hi"},
    {"SetPolyFillMode", Op::kSetPolyFillMode, "hi"},
    {"TextOutA", Op::kTextOutA, "hiis"},
    {"Rectangle", Op::kRectangle, "hiiii"},
    {"Ellipse", Op::kEllipse, "hiiii"},
    {"MoveToEx", Op::kMoveToEx, "hii"},
    {"LineTo", Op::kLineTo, "hii"},
    {"SetPixel", Op::kSetPixel, "hiii"},
    {"Polygon", Op::kPolygon, "hp"},
    {"PolyBezier", Op::kPolyBezier, "hp"},
    {"BitBlt", Op::kBitBlt, "hiiiihiii"},
};

const Signature* FindCall(const std::string& name) {
  for (const Signature& s : kCalls) {
    if (name == s.name) return &s;
  }
  return nullptr;
}

struct Token {
  std::string text;
  bool quoted = false;
};

bool IsSpace(char c) {
  return c == ' ' || c == '\t' || c == '\r' || c == '\v' || c == '\f';
}

// Splits a line into tokens; `=` is a token of its own, `#` outside quotes ends the line.
bool Tokenize(const std::string& line, std::vector<Token>* tokens, std::string* error) {
  size_t i = 0;
  while (i < line.size()) {
    char c = line[i];
    if (IsSpace(c)) {
      ++i;
    } else if (c == '#') {
      break;
    } else if (c == '=') {
      tokens->push_back({"=", false});
      ++i;
    } else if (c == '"') {
      size_t close = line.find('"', i + 1);
      if (close == std::string::npos) {
        *error = "unterminated text (missing closing \")";
        return false;
      }
      tokens->push_back({line.substr(i + 1, close - i - 1), true});
      i = close + 1;
      if (i < line.size() && !IsSpace(line[i]) && line[i] != '#') {
        *error = "text must be followed by a space";
        return false;
      }
    } else {
      size_t end = i;
      while (end < line.size() && !IsSpace(line[end]) && line[end] != '#' && line[end] != '=' &&
             line[end] != '"') {
        ++end;
      }
      tokens->push_back({line.substr(i, end - i), false});
      i = end;
    }
  }
  return true;
}

bool IsIdentifier(const std::string& s) {
  if (s.empty()) return false;
  for (size_t i = 0; i < s.size(); ++i) {
    char c = s[i];
    bool letter = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_';
    bool digit = c >= '0' && c <= '9';
    if (!letter && !(digit && i > 0)) return false;
  }
  return true;
}

// Decimal or 0x hexadecimal, optionally negative, within -2^31 .. 2^32-1 (an int or a DWORD).
bool ParseNumber(const std::string& s, int64_t* out) {
  size_t i = 0;
  bool negative = false;
  if (i < s.size() && s[i] == '-') {
    negative = true;
    ++i;
  }
  int base = 10;
  if (s.size() - i > 2 && s[i] == '0' && (s[i + 1] == 'x' || s[i + 1] == 'X')) {
    base = 16;
    i += 2;
  }
  if (i == s.size()) return false;
  int64_t value = 0;
  for (; i < s.size(); ++i) {
    char c = s[i];
    int digit;
    if (c >= '0' && c <= '9') {
      digit = c - '0';
    } else if (base == 16 && c >= 'a' && c <= 'f') {
      digit = c - 'a' + 10;
    } else if (base == 16 && c >= 'A' && c <= 'F') {
      digit = c - 'A' + 10;
    } else {
      return false;
    }
    value = value * base + digit;
    if (value > 0xFFFFFFFFll) return false;
  }
  if (negative) value = -value;
  if (value < -0x80000000ll) return false;
  *out = value;
  return true;
}

class LineParser {
 public:
  LineParser(Script* script, std::string* error) : script_(script), error_(error) {}

  bool ParseSurface(const std::vector<Token>& tokens) {
    if (tokens.size() != 3 || tokens[0].quoted || tokens[0].text != "surface") {
      return Fail("the first line must be 'surface W H'");
    }
    int64_t w, h;
    if (!Number(tokens[1], "width", &w) || !Number(tokens[2], "height", &h)) return false;
    if (w < 1 || w > kMaxSide || h < 1 || h > kMaxSide) {
      return Fail("surface width and height must be 1 to " + std::to_string(kMaxSide));
    }
    script_->width = static_cast<int>(w);
    script_->height = static_cast<int>(h);
    script_->names.assign(1, "dc");
    slots_.clear();
    slots_.emplace("dc", 0);
    return true;
  }

  bool ParseCall(const std::vector<Token>& tokens, Call* call) {
    size_t first = 0;
    std::string target;
    if (tokens.size() >= 2 && !tokens[1].quoted && tokens[1].text == "=") {
      if (tokens[0].quoted || !IsIdentifier(tokens[0].text)) {
        return Fail("'" + tokens[0].text + "' is not a name");
      }
      if (tokens[0].text == "dc") return Fail("'dc' is the surface's DC and cannot be assigned");
      if (tokens.size() < 3) return Fail("nothing after '='");
      target = tokens[0].text;
      first = 2;
    }
    const Token& callName = tokens[first];
    const Signature* sig = callName.quoted ? nullptr : FindCall(callName.text);
    if (sig == nullptr) return Fail("unknown call '" + callName.text + "'");
    call->op = sig->op;
    if (!ParseArgs(*sig, tokens, first + 1, call)) return false;
    if (!target.empty()) {
      auto added = slots_.emplace(target, static_cast<int>(script_->names.size()));
      if (added.second) script_->names.push_back(target);
      call->result = added.first->second;
    }
    return true;
  }

 private:
  bool ParseArgs(const Signature& sig, const std::vector<Token>& tokens, size_t from, Call* call) {
    std::string kinds = sig.args;
    bool pairs = !kinds.empty() && kinds.back() == 'p';
    size_t fixed = pairs ? kinds.size() - 1 : kinds.size();
    size_t given = tokens.size() - from;
    if (pairs ? given < fixed + 2 || (given - fixed) % 2 != 0 : given != fixed) {
      std::ostringstream m;
      m << sig.name << " takes ";
      if (pairs) {
        m << fixed << " argument(s) and then x y pairs";
      } else {
        m << fixed << " argument(s)";
      }
      m << ", got " << given;
      return Fail(m.str());
    }
    for (size_t k = 0; k < given; ++k) {
      char kind = k < fixed ? kinds[k] : 'i';
      const Token& t = tokens[from + k];
      std::string what = "argument " + std::to_string(k + 1) + " of " + sig.name;
      Arg arg;
      if (kind == 's') {
        if (!t.quoted) return Fail(what + " must be a text in double quotes");
        arg.kind = Arg::kText;
        arg.text = t.text;
      } else if (kind == 'h') {
        if (!Handle(t, what, &arg)) return false;
      } else if (!Number(t, what, &arg.number)) {
        return false;
      }
      call->args.push_back(arg);
    }
    return true;
  }

  bool Handle(const Token& t, const std::string& what, Arg* arg) {
    arg->kind = Arg::kHandle;
    if (!t.quoted && t.text == "0") {
      arg->slot = -1;
      return true;
    }
    if (t.quoted || !IsIdentifier(t.text)) return Fail(what + " must be a handle name or 0");
    auto found = slots_.find(t.text);
    if (found == slots_.end()) return Fail("unknown handle '" + t.text + "'");
    arg->slot = found->second;
    return true;
  }

  bool Number(const Token& t, const std::string& what, int64_t* out) {
    if (t.quoted || !ParseNumber(t.text, out)) {
      return Fail(what + ": '" + t.text + "' is not a 32-bit number");
    }
    return true;
  }

  bool Fail(const std::string& message) {
    *error_ = message;
    return false;
  }

  Script* script_;
  std::string* error_;
  std::unordered_map<std::string, int> slots_;  // name -> index into script_->names
};

}  // namespace

bool ParseScript(const std::string& text, Script* script, ParseError* error) {
  *script = Script();
  std::string message;
  LineParser parser(script, &message);
  bool haveSurface = false;
  int lineNo = 0;
  size_t pos = 0;
  while (pos < text.size()) {
    size_t end = text.find('\n', pos);
    if (end == std::string::npos) end = text.size();
    ++lineNo;
    if (end - pos > kMaxLineBytes) {
      *error = {lineNo, "line longer than " + std::to_string(kMaxLineBytes) + " bytes"};
      return false;
    }
    std::string line = text.substr(pos, end - pos);
    pos = end + 1;

    std::vector<Token> tokens;
    bool ok = Tokenize(line, &tokens, &message);
    if (ok && tokens.empty()) continue;
    if (ok && !haveSurface) {
      ok = parser.ParseSurface(tokens);
      haveSurface = ok;
    } else if (ok) {
      Call call;
      call.line = lineNo;
      ok = parser.ParseCall(tokens, &call);
      if (ok) script->calls.push_back(std::move(call));
    }
    if (!ok) {
      *error = {lineNo, message};
      return false;
    }
  }
  if (!haveSurface) {
    *error = {lineNo > 0 ? lineNo : 1, "no 'surface W H' line"};
    return false;
  }
  return true;
}

}  // namespace replay
