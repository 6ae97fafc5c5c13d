#include "user/windows_table.h"

#include <algorithm>

namespace orvel::user {

HWND WindowTable::Add(std::unique_ptr<Window> w) {
  std::lock_guard<std::mutex> hold(lock_);
  HWND hwnd = reinterpret_cast<HWND>(next_);
  next_ += 4;
  w->handle = hwnd;
  live_[hwnd] = std::move(w);
  order_.push_back(hwnd);
  return hwnd;
}

void WindowTable::Remove(HWND hwnd) {
  std::lock_guard<std::mutex> hold(lock_);
  auto it = live_.find(hwnd);
  if (it == live_.end()) return;
  dead_.push_back(std::move(it->second));
  live_.erase(it);
  order_.erase(std::remove(order_.begin(), order_.end(), hwnd), order_.end());
}

Window* WindowTable::Get(HWND hwnd) {
  if (hwnd == nullptr) return nullptr;
  std::lock_guard<std::mutex> hold(lock_);
  auto it = live_.find(hwnd);
  return it == live_.end() ? nullptr : it->second.get();
}

bool WindowTable::IsLive(HWND hwnd) {
  return Get(hwnd) != nullptr;
}

std::vector<HWND> WindowTable::TopLevels() {
  std::lock_guard<std::mutex> hold(lock_);
  std::vector<HWND> result;
  for (HWND h : order_) {
    if (live_[h]->parent == nullptr) result.push_back(h);
  }
  return result;
}

std::vector<HWND> WindowTable::All() {
  std::lock_guard<std::mutex> hold(lock_);
  return order_;
}

void WindowTable::Collect() {
  std::vector<std::unique_ptr<Window>> dead;
  {
    std::lock_guard<std::mutex> hold(lock_);
    dead.swap(dead_);
  }
}

WindowTable& Table() {
  static WindowTable* table = new WindowTable;
  return *table;
}

Window* Find(HWND hwnd) {
  return Table().Get(hwnd);
}

std::vector<HWND> TopLevelWindows() {
  return Table().TopLevels();
}

gdi::Surface* TopLevelSurface(HWND window) {
  Window* w = Find(window);
  if (w == nullptr || w->parent != nullptr) return nullptr;
  return w->surface.get();
}

}  // namespace orvel::user
