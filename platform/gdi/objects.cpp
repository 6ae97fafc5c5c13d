#include "gdi/objects.h"

#include <atomic>
#include <mutex>
#include <thread>
#include <vector>

namespace orvel::gdi {
namespace {

// A handle is (generation << 16) | (slot + 1). Generations start at 1 and stay below the top
// bit, so a handle is never null, never one of the small region kinds SelectObject returns,
// never HGDI_ERROR, and a freed slot's old handles stop matching once the slot is reused. With
// 64-bit handles a slot wraps only after 2^31 reuses; with 32-bit ones after 2^15.
constexpr uintptr_t kSlots = 0xFFFF;
constexpr uint32_t kMaxGeneration = sizeof(uintptr_t) >= 8 ? 0x7FFFFFFF : 0x7FFF;

// The table's lock. Nearly every GDI call comes from the window thread, so the lock is almost
// always free and a display makes thousands of calls a frame: taking it is one atomic
// exchange, and a thread that finds it held yields until it is let go.
class SpinLock {
 public:
  void lock() {
    while (held_.exchange(true, std::memory_order_acquire)) std::this_thread::yield();
  }
  void unlock() { held_.store(false, std::memory_order_release); }

 private:
  std::atomic<bool> held_{false};
};

struct Entry {
  std::unique_ptr<Object> object;  // null when the slot is free
  Kind kind = Kind::kDC;
  uint32_t generation = 1;
  bool stock = false;
  bool deletePending = false;
  int selected = 0;
};

struct Table {
  SpinLock lock;
  std::vector<Entry> entries;
  std::vector<uint32_t> freeSlots;
  int live[6] = {0, 0, 0, 0, 0, 0};
  // Pens and brushes of deleted handles, kept for the next ones (see NewPen).
  std::vector<std::unique_ptr<Object>> sparePens, spareBrushes;
};

constexpr size_t kMaxSpares = 64;

Table g_table;  // constant-initialised: usable from any static initialiser

inline Table& TheTable() {
  return g_table;
}

HGDIOBJ MakeHandle(uint32_t slot, uint32_t generation) {
  return reinterpret_cast<HGDIOBJ>((static_cast<uintptr_t>(generation) << 16) | (slot + 1));
}

// The entry of a live handle, or null. Caller holds the lock.
Entry* Find(Table& t, HGDIOBJ handle) {
  uintptr_t value = reinterpret_cast<uintptr_t>(handle);
  uintptr_t slotPlusOne = value & 0xFFFF;
  uintptr_t generation = value >> 16;
  if (slotPlusOne == 0 || generation == 0 || generation > kMaxGeneration) return nullptr;
  size_t slot = slotPlusOne - 1;
  if (slot >= t.entries.size()) return nullptr;
  Entry& e = t.entries[slot];
  if (!e.object || e.generation != generation) return nullptr;
  return &e;
}

// Frees an entry's object. Caller holds the lock; the object is destroyed after unlocking by
// the returned owner, since destroying a DC releases what it holds.
std::unique_ptr<Object> FreeEntry(Table& t, Entry& e) {
  std::unique_ptr<Object> object = std::move(e.object);
  if (!e.stock) t.live[static_cast<int>(e.kind)]--;
  e.generation = e.generation >= kMaxGeneration ? 1 : e.generation + 1;
  e.deletePending = false;
  e.selected = 0;
  t.freeSlots.push_back(static_cast<uint32_t>(&e - t.entries.data()));
  auto* spares = e.kind == Kind::kPen     ? &t.sparePens
                 : e.kind == Kind::kBrush ? &t.spareBrushes
                                          : nullptr;
  if (spares && spares->size() < kMaxSpares) spares->push_back(std::move(object));
  return object;
}

template <typename T>
std::unique_ptr<T> Spare(std::vector<std::unique_ptr<Object>>* spares) {
  {
    std::lock_guard<SpinLock> hold(TheTable().lock);
    if (!spares->empty()) {
      std::unique_ptr<T> object(static_cast<T*>(spares->back().release()));
      spares->pop_back();
      *object = T();
      return object;
    }
  }
  return std::make_unique<T>();
}

HGDIOBJ AddEntry(Kind kind, std::unique_ptr<Object> object, bool stock) {
  Table& t = TheTable();
  std::lock_guard<SpinLock> hold(t.lock);
  uint32_t slot;
  if (!t.freeSlots.empty()) {
    slot = t.freeSlots.back();
    t.freeSlots.pop_back();
  } else {
    if (t.entries.size() >= kSlots) return nullptr;
    slot = static_cast<uint32_t>(t.entries.size());
    t.entries.emplace_back();
  }
  Entry& e = t.entries[slot];
  e.object = std::move(object);
  e.kind = kind;
  e.stock = stock;
  e.deletePending = false;
  e.selected = 0;
  if (!stock) t.live[static_cast<int>(kind)]++;
  return MakeHandle(slot, e.generation);
}

std::unique_ptr<Object> StockPen(int style, COLORREF color) {
  auto pen = std::make_unique<Pen>();
  pen->style = style;
  pen->color = color;
  return pen;
}

std::unique_ptr<Object> StockBrush(UINT style, COLORREF color) {
  auto brush = std::make_unique<Brush>();
  brush->style = style;
  brush->color = color;
  return brush;
}

std::unique_ptr<Object> StockFont(int height, int weight, DWORD pitchAndFamily, const char* face) {
  auto font = std::make_unique<Font>();
  font->height = height;
  font->weight = weight;
  font->pitchAndFamily = pitchAndFamily;
  font->face = face;
  return font;
}

constexpr int kStockCount = 18;
constexpr DWORD kFixedPitch = 1, kModern = 0x30, kSwiss = 0x20;

struct StockSet {
  HGDIOBJ objects[kStockCount] = {};
  HGDIOBJ bitmap = nullptr;
};

const StockSet& Stocks() {
  static const StockSet set = [] {
    StockSet s;
    auto add = [&](int index, Kind kind, std::unique_ptr<Object> object) {
      s.objects[index] = AddEntry(kind, std::move(object), true);
    };
    add(WHITE_BRUSH, Kind::kBrush, StockBrush(BS_SOLID, 0xFFFFFF));
    add(LTGRAY_BRUSH, Kind::kBrush, StockBrush(BS_SOLID, 0xC0C0C0));
    add(GRAY_BRUSH, Kind::kBrush, StockBrush(BS_SOLID, 0x808080));
    add(DKGRAY_BRUSH, Kind::kBrush, StockBrush(BS_SOLID, 0x404040));
    add(BLACK_BRUSH, Kind::kBrush, StockBrush(BS_SOLID, 0x000000));
    add(NULL_BRUSH, Kind::kBrush, StockBrush(BS_NULL, 0));
    add(WHITE_PEN, Kind::kPen, StockPen(PS_SOLID, 0xFFFFFF));
    add(BLACK_PEN, Kind::kPen, StockPen(PS_SOLID, 0x000000));
    add(NULL_PEN, Kind::kPen, StockPen(PS_NULL, 0));
    add(OEM_FIXED_FONT, Kind::kFont, StockFont(12, 400, kFixedPitch | kModern, "Terminal"));
    add(ANSI_FIXED_FONT, Kind::kFont, StockFont(12, 400, kFixedPitch | kModern, "Courier"));
    add(ANSI_VAR_FONT, Kind::kFont, StockFont(12, 400, kSwiss, "MS Sans Serif"));
    add(SYSTEM_FONT, Kind::kFont, StockFont(16, 700, kSwiss, "System"));
    add(DEVICE_DEFAULT_FONT, Kind::kFont, StockFont(16, 700, kSwiss, "System"));
    add(SYSTEM_FIXED_FONT, Kind::kFont, StockFont(16, 400, kFixedPitch | kModern, "Fixedsys"));
    add(DEFAULT_GUI_FONT, Kind::kFont, StockFont(-11, 400, kSwiss, "MS Shell Dlg"));
    auto bitmap = std::make_unique<Bitmap>();
    bitmap->surface = Surface(1, 1);
    s.bitmap = AddEntry(Kind::kBitmap, std::move(bitmap), true);
    return s;
  }();
  return set;
}

}  // namespace

std::unique_ptr<Pen> NewPen() {
  return Spare<Pen>(&TheTable().sparePens);
}

std::unique_ptr<Brush> NewBrush() {
  return Spare<Brush>(&TheTable().spareBrushes);
}

HGDIOBJ AddObject(Kind kind, std::unique_ptr<Object> object) {
  Stocks();  // stock objects take the first slots
  return AddEntry(kind, std::move(object), false);
}

Object* Lookup(HGDIOBJ handle, Kind kind) {
  Table& t = TheTable();
  std::lock_guard<SpinLock> hold(t.lock);
  Entry* e = Find(t, handle);
  return e && e->kind == kind ? e->object.get() : nullptr;
}

TableLock::TableLock() {
  TheTable().lock.lock();
}
TableLock::~TableLock() {
  TheTable().lock.unlock();
}

Object* LookupLocked(HGDIOBJ handle, Kind kind) {
  Entry* e = Find(TheTable(), handle);
  return e && e->kind == kind ? e->object.get() : nullptr;
}

bool KindOfLocked(HGDIOBJ handle, Kind* kind) {
  Entry* e = Find(TheTable(), handle);
  if (!e) return false;
  *kind = e->kind;
  return true;
}

bool KindOf(HGDIOBJ handle, Kind* kind) {
  TableLock hold;
  return KindOfLocked(handle, kind);
}

bool IsStockLocked(HGDIOBJ handle) {
  Entry* e = Find(TheTable(), handle);
  return e && e->stock;
}

bool IsStock(HGDIOBJ handle) {
  TableLock hold;
  return IsStockLocked(handle);
}

void RetainLocked(HGDIOBJ handle) {
  if (Entry* e = Find(TheTable(), handle)) e->selected++;
}

void Retain(HGDIOBJ handle) {
  TableLock hold;
  RetainLocked(handle);
}

std::unique_ptr<Object> ReleaseLocked(HGDIOBJ handle) {
  Entry* e = Find(TheTable(), handle);
  if (!e) return nullptr;
  if (e->selected > 0) e->selected--;
  if (e->selected == 0 && e->deletePending) return FreeEntry(TheTable(), *e);
  return nullptr;
}

void Release(HGDIOBJ handle) {
  std::unique_ptr<Object> doomed;
  TableLock hold;
  doomed = ReleaseLocked(handle);
}

int SelectCountLocked(HGDIOBJ handle) {
  Entry* e = Find(TheTable(), handle);
  return e ? e->selected : 0;
}

int SelectCount(HGDIOBJ handle) {
  TableLock hold;
  return SelectCountLocked(handle);
}

BOOL DeleteHandle(HGDIOBJ handle, bool allowDC) {
  std::unique_ptr<Object> doomed;
  Table& t = TheTable();
  std::lock_guard<SpinLock> hold(t.lock);
  Entry* e = Find(t, handle);
  if (!e || (!allowDC && e->kind == Kind::kDC)) return FALSE;
  if (e->stock) return TRUE;
  if (e->selected > 0) {
    e->deletePending = true;
    return TRUE;
  }
  doomed = FreeEntry(t, *e);
  return TRUE;
}

HGDIOBJ Stock(int index) {
  if (index < 0 || index >= kStockCount) return nullptr;
  return Stocks().objects[index];
}

HGDIOBJ StockBitmap() {
  return Stocks().bitmap;
}

int LiveObjects(Kind kind) {
  Table& t = TheTable();
  std::lock_guard<SpinLock> hold(t.lock);
  return t.live[static_cast<int>(kind)];
}

int LiveObjectsTotal() {
  Table& t = TheTable();
  std::lock_guard<SpinLock> hold(t.lock);
  int total = 0;
  for (int n : t.live) total += n;
  return total;
}

}  // namespace orvel::gdi
