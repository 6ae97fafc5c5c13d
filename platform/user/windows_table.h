// The handle table of live windows. Handles are never reused, so a stale handle stays invalid.
// The window thread adds and removes windows under the lock; other threads only ask whether a
// handle is live and list top-level windows.
#ifndef ORVEL_USER_WINDOWS_TABLE_H
#define ORVEL_USER_WINDOWS_TABLE_H

#include <windows.h>

#include <memory>
#include <mutex>
#include <unordered_map>
#include <vector>

#include "user/internal.h"

namespace orvel::user {

class WindowTable {
 public:
  HWND Add(std::unique_ptr<Window> w);
  // Moves the window out of the table; its memory is kept until Collect(), since a window
  // procedure further up the stack may still hold a pointer to it.
  void Remove(HWND hwnd);
  Window* Get(HWND hwnd);
  bool IsLive(HWND hwnd);
  std::vector<HWND> TopLevels();
  std::vector<HWND> All();  // creation order
  void Collect();           // frees removed windows; only when no message is being handled
  std::mutex& Lock() { return lock_; }

 private:
  std::mutex lock_;
  uintptr_t next_ = 0x10010;
  std::unordered_map<HWND, std::unique_ptr<Window>> live_;
  std::vector<HWND> order_;
  std::vector<std::unique_ptr<Window>> dead_;
};

WindowTable& Table();

}  // namespace orvel::user

#endif
