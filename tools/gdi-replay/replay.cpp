#include "replay.h"

#include <stdio.h>

namespace replay {
namespace {

// The value each name holds: a handle, or the number a call returned.
class Slots {
 public:
  explicit Slots(size_t count) : values_(count, 0) {}
  void Set(int slot, uintptr_t value) {
    if (slot >= 0) values_[slot] = value;
  }
  void* Handle(const Arg& arg) const {
    return arg.slot < 0 ? nullptr : reinterpret_cast<void*>(values_[arg.slot]);
  }

 private:
  std::vector<uintptr_t> values_;
};

int I(const Arg& arg) {
  return static_cast<int>(arg.number);
}
DWORD U(const Arg& arg) {
  return static_cast<DWORD>(arg.number);
}
uintptr_t FromHandle(const void* h) {
  return reinterpret_cast<uintptr_t>(h);
}
uintptr_t FromInt(long long v) {
  return static_cast<uintptr_t>(v);
}

std::vector<POINT> Points(const std::vector<Arg>& args, size_t from) {
  std::vector<POINT> points;
  for (size_t i = from; i + 1 < args.size(); i += 2) {
    POINT p;
    p.x = I(args[i]);
    p.y = I(args[i + 1]);
    points.push_back(p);
  }
  return points;
}

// Performs one call and returns its result as the value a name keeps.
uintptr_t Perform(const Call& call, const Slots& slots, HINSTANCE instance) {
  const std::vector<Arg>& a = call.args;
  auto dc = [&](size_t i) { return static_cast<HDC>(slots.Handle(a[i])); };
  switch (call.op) {
    case Op::kCreatePen:
      return FromHandle(CreatePen(I(a[0]), I(a[1]), U(a[2])));
    case Op::kCreateSolidBrush:
      return FromHandle(CreateSolidBrush(U(a[0])));
    case Op::kCreateBrushIndirect: {
      LOGBRUSH lb;
      lb.lbStyle = U(a[0]);
      lb.lbColor = U(a[1]);
      lb.lbHatch = static_cast<ULONG_PTR>(U(a[2]));
      return FromHandle(CreateBrushIndirect(&lb));
    }
    case Op::kGetStockObject:
      return FromHandle(GetStockObject(I(a[0])));
    case Op::kSelectObject:
      return FromHandle(SelectObject(dc(0), slots.Handle(a[1])));
    case Op::kDeleteObject:
      return FromInt(DeleteObject(slots.Handle(a[0])));
    case Op::kCreateRectRgn:
      return FromHandle(CreateRectRgn(I(a[0]), I(a[1]), I(a[2]), I(a[3])));
    case Op::kSelectClipRgn:
      return FromInt(SelectClipRgn(dc(0), static_cast<HRGN>(slots.Handle(a[1]))));
    case Op::kCreateCompatibleDC:
      return FromHandle(CreateCompatibleDC(dc(0)));
    case Op::kDeleteDC:
      return FromInt(DeleteDC(dc(0)));
    case Op::kCreateCompatibleBitmap:
      return FromHandle(CreateCompatibleBitmap(dc(0), I(a[1]), I(a[2])));
    case Op::kLoadBitmapA:
      return FromHandle(LoadBitmapA(instance, MAKEINTRESOURCEA(I(a[0]))));
    case Op::kCreateFontA:
      return FromHandle(
          CreateFontA(I(a[0]), 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, a[1].text.c_str()));
    case Op::kSetTextAlign:
      return FromInt(SetTextAlign(dc(0), U(a[1])));
    case Op::kSetTextColor:
      return FromInt(SetTextColor(dc(0), U(a[1])));
    case Op::kSetBkMode:
      return FromInt(SetBkMode(dc(0), I(a[1])));
    case Op::kSetBkColor:
      return FromInt(SetBkColor(dc(0), U(a[1])));
    case Op::kSetPolyFillMode:
      return FromInt(SetPolyFillMode(dc(0), I(a[1])));
    case Op::kTextOutA: {
      const std::string& s = a[3].text;
      return FromInt(TextOutA(dc(0), I(a[1]), I(a[2]), s.c_str(), static_cast<int>(s.size())));
    }
    case Op::kRectangle:
      return FromInt(Rectangle(dc(0), I(a[1]), I(a[2]), I(a[3]), I(a[4])));
    case Op::kEllipse:
      return FromInt(Ellipse(dc(0), I(a[1]), I(a[2]), I(a[3]), I(a[4])));
    case Op::kMoveToEx:
      return FromInt(MoveToEx(dc(0), I(a[1]), I(a[2]), nullptr));
    case Op::kLineTo:
      return FromInt(LineTo(dc(0), I(a[1]), I(a[2])));
    case Op::kSetPixel:
      return FromInt(SetPixel(dc(0), I(a[1]), I(a[2]), U(a[3])));
    case Op::kPolygon: {
      std::vector<POINT> p = Points(a, 1);
      return FromInt(Polygon(dc(0), p.data(), static_cast<int>(p.size())));
    }
    case Op::kPolyBezier: {
      std::vector<POINT> p = Points(a, 1);
      return FromInt(PolyBezier(dc(0), p.data(), static_cast<DWORD>(p.size())));
    }
    case Op::kBitBlt:
      return FromInt(
          BitBlt(dc(0), I(a[1]), I(a[2]), I(a[3]), I(a[4]), dc(5), I(a[6]), I(a[7]), U(a[8])));
  }
  return 0;
}

// A line that would destroy the surface before it is read back: deleting its DC, or its
// bitmap (which a script gets back from SelectObject). Null if the line may run.
const char* Refusal(const Call& call, const Slots& slots, HDC surfaceDC, HBITMAP surfaceBitmap) {
  if (call.op != Op::kDeleteDC && call.op != Op::kDeleteObject) return nullptr;
  const void* handle = slots.Handle(call.args[0]);
  if (handle == surfaceDC) return "the surface's DC cannot be deleted (it is read back at the end)";
  if (handle == surfaceBitmap) {
    return "the surface's bitmap cannot be deleted (it is read back at the end)";
  }
  return nullptr;
}

// Every object and DC the script created, so that none outlives the replay whether or not the
// script deleted it. Deleting one twice is harmless: the second call fails on a dead handle.
class Made {
 public:
  void Keep(Op op, uintptr_t result) {
    if (result == 0) return;
    switch (op) {
      case Op::kCreateCompatibleDC:
        dcs_.push_back(reinterpret_cast<HDC>(result));
        break;
      case Op::kCreatePen:
      case Op::kCreateSolidBrush:
      case Op::kCreateBrushIndirect:
      case Op::kCreateRectRgn:
      case Op::kCreateCompatibleBitmap:
      case Op::kLoadBitmapA:
      case Op::kCreateFontA:
        objects_.push_back(reinterpret_cast<HGDIOBJ>(result));
        break;
      default:
        break;
    }
  }
  // DCs first, which releases what they hold; then the objects.
  void DeleteDCs() {
    for (HDC dc : dcs_) DeleteDC(dc);
    dcs_.clear();
  }
  void DeleteObjects() {
    for (HGDIOBJ object : objects_) DeleteObject(object);
    objects_.clear();
  }

 private:
  std::vector<HDC> dcs_;
  std::vector<HGDIOBJ> objects_;
};

// Paints the whole surface black with the stock brush, leaving the DC's objects as they were.
void FillBlack(HDC dc, int width, int height) {
  HGDIOBJ oldPen = SelectObject(dc, GetStockObject(NULL_PEN));
  HGDIOBJ oldBrush = SelectObject(dc, GetStockObject(BLACK_BRUSH));
  Rectangle(dc, 0, 0, width + 1, height + 1);  // a null pen fills [l, r-1) x [t, b-1)
  SelectObject(dc, oldBrush);
  SelectObject(dc, oldPen);
}

// Reads the bitmap as 32-bit bottom-up rows (GetDIBits wants it selected out of every DC).
bool ReadBack(HDC dc, HBITMAP bitmap, HGDIOBJ previous, Image* image) {
  const int w = image->width, h = image->height;
  SelectObject(dc, previous);
  BITMAPINFO info = {};
  info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  info.bmiHeader.biWidth = w;
  info.bmiHeader.biHeight = h;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  std::vector<uint32_t> rows(static_cast<size_t>(w) * h);
  if (GetDIBits(dc, bitmap, 0, static_cast<UINT>(h), rows.data(), &info, DIB_RGB_COLORS) != h) {
    return false;
  }
  image->pixels.resize(rows.size());
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) {
      image->pixels[static_cast<size_t>(y) * w + x] =
          rows[static_cast<size_t>(h - 1 - y) * w + x] & 0xFFFFFFu;
    }
  }
  return true;
}

}  // namespace

Outcome Run(const Script& script, HINSTANCE instance, HDC reference, Image* image,
            ParseError* error) {
  image->width = script.width;
  image->height = script.height;
  HDC dc = CreateCompatibleDC(reference);
  if (dc == nullptr) return Outcome::kNoSurface;
  HBITMAP bitmap =
      CreateCompatibleBitmap(reference != nullptr ? reference : dc, script.width, script.height);
  if (bitmap == nullptr) {
    DeleteDC(dc);
    return Outcome::kNoSurface;
  }
  HGDIOBJ previous = SelectObject(dc, bitmap);
  FillBlack(dc, script.width, script.height);

  Slots slots(script.names.size());
  slots.Set(0, FromHandle(dc));
  Made made;
  Outcome outcome = Outcome::kDrawn;
  for (const Call& call : script.calls) {
    const char* refusal = Refusal(call, slots, dc, bitmap);
    if (refusal != nullptr) {
      *error = {call.line, refusal};
      outcome = Outcome::kRefused;
      break;
    }
    uintptr_t result = Perform(call, slots, instance);
    made.Keep(call.op, result);
    slots.Set(call.result, result);
  }

  // The script's own DCs go first: one of them may hold the surface's bitmap, which must be
  // selected nowhere to be read back.
  made.DeleteDCs();
  if (outcome == Outcome::kDrawn && !ReadBack(dc, bitmap, previous, image)) {
    outcome = Outcome::kNoSurface;
  }
  DeleteDC(dc);
  DeleteObject(bitmap);
  made.DeleteObjects();
  return outcome;
}

bool WriteBmp24(const Image& image, const char* path) {
  const uint32_t stride = (static_cast<uint32_t>(image.width) * 3 + 3) & ~3u;
  const uint32_t dataSize = stride * static_cast<uint32_t>(image.height);
  unsigned char header[54] = {'B', 'M'};
  auto put32 = [&](int at, uint32_t v) {
    for (int i = 0; i < 4; ++i) header[at + i] = static_cast<unsigned char>(v >> (8 * i));
  };
  put32(2, 54 + dataSize);  // file size
  put32(10, 54);            // offset of the pixels
  put32(14, 40);            // BITMAPINFOHEADER
  put32(18, static_cast<uint32_t>(image.width));
  put32(22, static_cast<uint32_t>(image.height));  // positive: bottom-up
  header[26] = 1;                                  // planes
  header[28] = 24;                                 // bits per pixel
  put32(34, dataSize);

  FILE* f = fopen(path, "wb");
  if (f == nullptr) return false;
  bool ok = fwrite(header, 1, sizeof header, f) == sizeof header;
  std::vector<unsigned char> row(stride, 0);
  for (int y = image.height - 1; ok && y >= 0; --y) {
    for (int x = 0; x < image.width; ++x) {
      uint32_t p = image.pixels[static_cast<size_t>(y) * image.width + x];
      row[3 * x] = static_cast<unsigned char>(p);            // blue
      row[3 * x + 1] = static_cast<unsigned char>(p >> 8);   // green
      row[3 * x + 2] = static_cast<unsigned char>(p >> 16);  // red
    }
    ok = fwrite(row.data(), 1, stride, f) == stride;
  }
  if (fclose(f) != 0) ok = false;
  if (!ok) remove(path);
  return ok;
}

}  // namespace replay
