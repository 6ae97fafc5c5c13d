#include "user/dialog_template.h"

#include <string.h>

namespace orvel::user {
namespace {

// A bounds-checked reader over the template's bytes (little-endian, as on Windows).
class Reader {
 public:
  Reader(const unsigned char* data, size_t size) : data_(data), size_(size) {}

  bool Word(WORD* out) {
    if (pos_ + 2 > size_) return false;
    *out = static_cast<WORD>(data_[pos_] | (data_[pos_ + 1] << 8));
    pos_ += 2;
    return true;
  }
  bool Dword(DWORD* out) {
    WORD lo, hi;
    if (!Word(&lo) || !Word(&hi)) return false;
    *out = lo | (static_cast<DWORD>(hi) << 16);
    return true;
  }
  bool Short(short* out) {
    WORD w;
    if (!Word(&w)) return false;
    *out = static_cast<short>(w);
    return true;
  }
  // A NUL-terminated UTF-16 string, as UTF-8.
  bool String(std::string* out) {
    out->clear();
    for (;;) {
      WORD c;
      if (!Word(&c)) return false;
      if (c == 0) return true;
      if (c < 0x80) {
        out->push_back(static_cast<char>(c));
      } else if (c < 0x800) {
        out->push_back(static_cast<char>(0xC0 | (c >> 6)));
        out->push_back(static_cast<char>(0x80 | (c & 0x3F)));
      } else {
        out->push_back(static_cast<char>(0xE0 | (c >> 12)));
        out->push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
        out->push_back(static_cast<char>(0x80 | (c & 0x3F)));
      }
    }
  }
  // A name field: 0x0000 (none), 0xFFFF followed by an ordinal, or a string.
  bool NameOrOrdinal(std::string* name, WORD* ordinal) {
    WORD first;
    if (!Word(&first)) return false;
    *ordinal = 0;
    name->clear();
    if (first == 0) return true;
    if (first == 0xFFFF) return Word(ordinal);
    pos_ -= 2;
    return String(name);
  }
  bool Skip(size_t bytes) {
    if (pos_ + bytes > size_) return false;
    pos_ += bytes;
    return true;
  }
  void AlignDword() { pos_ = (pos_ + 3) & ~size_t{3}; }
  size_t Pos() const { return pos_; }

 private:
  const unsigned char* data_;
  size_t size_;
  size_t pos_ = 0;
};

const char* AtomClass(WORD atom) {
  switch (atom) {
    case 0x0080:
      return "BUTTON";
    case 0x0081:
      return "EDIT";
    case 0x0082:
      return "STATIC";
    case 0x0083:
      return "LISTBOX";
    case 0x0084:
      return "SCROLLBAR";
    case 0x0085:
      return "COMBOBOX";
    default:
      return "";
  }
}

bool ParseItem(Reader& r, DialogItem* item) {
  r.AlignDword();
  WORD id, atom, ordinal, extra;
  std::string text;
  if (!r.Dword(&item->style) || !r.Dword(&item->exStyle) || !r.Short(&item->x) ||
      !r.Short(&item->y) || !r.Short(&item->cx) || !r.Short(&item->cy) || !r.Word(&id)) {
    return false;
  }
  item->id = id;
  if (!r.NameOrOrdinal(&item->className, &atom)) return false;
  if (item->className.empty()) item->className = AtomClass(atom);
  if (!r.NameOrOrdinal(&item->text, &ordinal)) return false;
  if (!r.Word(&extra)) return false;
  // The creation data's size counts its own size word.
  return extra == 0 || r.Skip(extra >= 2 ? extra - 2 : 0);
}

}  // namespace

bool ParseDialogTemplate(const unsigned char* data, size_t size, DialogTemplate* out) {
  if (data == nullptr) return false;
  Reader r(data, size);
  WORD count, ordinal;
  std::string menu;
  if (!r.Dword(&out->style) || !r.Dword(&out->exStyle)) return false;
  // An extended template starts with the signature 0x0001 0xFFFF; it is not this format.
  if ((out->style & 0xFFFF0000u) == 0xFFFF0000u && (out->style & 0xFFFF) == 1) return false;
  if (!r.Word(&count) || !r.Short(&out->x) || !r.Short(&out->y) || !r.Short(&out->cx) ||
      !r.Short(&out->cy)) {
    return false;
  }
  if (!r.NameOrOrdinal(&menu, &ordinal) || !r.NameOrOrdinal(&out->className, &ordinal) ||
      !r.String(&out->title)) {
    return false;
  }
  out->hasFont = (out->style & DS_SETFONT) != 0;
  if (out->hasFont) {
    WORD points;
    if (!r.Word(&points) || !r.String(&out->face)) return false;
    out->pointSize = points;
  }
  out->items.assign(count, DialogItem{});
  for (DialogItem& item : out->items) {
    if (!ParseItem(r, &item)) return false;
  }
  return true;
}

}  // namespace orvel::user
