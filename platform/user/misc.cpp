// Icons, cursors, message boxes, and the reset that tests use between cases.
#include <windows.h>

#include <atomic>
#include <map>
#include <memory>

#include "kernel/resources.h"
#include "kernel/trace.h"
#include "user/host.h"
#include "user/internal.h"
#include "user/windows_table.h"

namespace orvel::user {

void ResetClassesForTests();
void ResetQueueForTests();

namespace {

std::atomic<HWND> g_activeDialog{nullptr};

// Icons and cursors are never drawn by the layer: a handle only has to be distinct and live.
int g_stockIcon;
int g_stockCursor;
// One handle per icon resource, pointing at its id.
std::map<int, std::unique_ptr<int>>& IconHandles() {
  static std::map<int, std::unique_ptr<int>> handles;
  return handles;
}

}  // namespace

int IconResourceOf(HWND window) {
  Window* w = Find(window);
  if (w == nullptr || w->cls == nullptr || w->cls->icon == nullptr) return 0;
  for (const auto& entry : IconHandles()) {
    if (reinterpret_cast<HICON>(entry.second.get()) == w->cls->icon) return entry.first;
  }
  return 0;
}

void SetActiveDialog(HWND hwnd) {
  g_activeDialog = hwnd;
}

HWND ActiveDialog() {
  return g_activeDialog.load();
}

void ResetForTests() {
  std::vector<HWND> tops = TopLevelWindows();
  for (auto it = tops.rbegin(); it != tops.rend(); ++it) DestroyWindow(*it);
  Table().Collect();
  ResetQueueForTests();
  ResetClassesForTests();
  g_activeDialog = nullptr;
}

}  // namespace orvel::user

extern "C" {

HICON WINAPI LoadIconA(HINSTANCE hInstance, LPCSTR lpIconName) {
  ORVEL_TRACE_CALL(kUser);
  if (lpIconName == nullptr || !IS_INTRESOURCE(lpIconName)) return nullptr;
  auto id = LOWORD(lpIconName);
  if (hInstance == nullptr) {
    return lpIconName == IDI_APPLICATION ? reinterpret_cast<HICON>(&orvel::user::g_stockIcon)
                                         : nullptr;
  }
  if (orvel::res::Find(orvel::res::kIconFile, id).data == nullptr) return nullptr;
  auto& slot = orvel::user::IconHandles()[id];
  if (!slot) slot = std::make_unique<int>(id);
  return reinterpret_cast<HICON>(slot.get());
}

HCURSOR WINAPI LoadCursorA(HINSTANCE hInstance, LPCSTR lpCursorName) {
  ORVEL_TRACE_CALL(kUser);
  if (hInstance == nullptr && lpCursorName == IDC_ARROW) {
    return reinterpret_cast<HCURSOR>(&orvel::user::g_stockCursor);
  }
  return nullptr;
}

int WINAPI MessageBoxA(HWND hWnd, LPCSTR lpText, LPCSTR lpCaption, UINT uType) {
  ORVEL_TRACE_CALL(kUser);
  using namespace orvel::user;
  if (hWnd != nullptr && Find(hWnd) == nullptr) return 0;  // a stale owner fails
  return CurrentHost().MessageBox(hWnd, lpText ? lpText : "", lpCaption ? lpCaption : "Error",
                                  uType);
}

}  // extern "C"
