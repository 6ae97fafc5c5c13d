// The headless host: windows live only in memory. Input arrives through the functions of
// headless.h, message boxes are logged to standard error and answered with IDOK.
#include "host/headless.h"

#include <stdio.h>

#include <mutex>

#include "host/hosts.h"
#include "user/host.h"

namespace orvel::headless {
namespace {

struct Log {
  std::mutex lock;
  std::vector<MessageBoxRecord> boxes;
  std::function<void(const MessageBoxRecord&)> watcher;
};

Log& TheLog() {
  static Log* log = new Log;
  return *log;
}

class HeadlessHost : public user::Host {
 public:
  explicit HeadlessHost(const host::HeadlessSettings& settings) : settings_(settings) {}

  // A modal dialog is made active before it is shown, so this is the moment it waits for a
  // user. The Enter queued here is the first input its modal loop retrieves.
  void TopLevelShown(HWND window, const RECT&, const std::string& title) override {
    if (!settings_.answerDialogs || window != user::ActiveDialog()) return;
    fprintf(stderr, "%s: (a dialog; Enter pressed)\n", title.c_str());
    Record(MessageBoxRecord{window, title, ""});
    Key(window, VK_RETURN);
  }

  int MessageBox(HWND owner, const std::string& text, const std::string& caption,
                 UINT type) override {
    fprintf(stderr, "%s: %s\n", caption.c_str(), text.c_str());
    const MessageBoxRecord record{owner, caption, text};
    std::function<void(const MessageBoxRecord&)> watcher;
    {
      std::lock_guard<std::mutex> hold(TheLog().lock);
      watcher = TheLog().watcher;
    }
    if (watcher) watcher(record);
    Record(record);
    return IDOK;
  }

 private:
  static void Record(MessageBoxRecord record) {
    std::lock_guard<std::mutex> hold(TheLog().lock);
    TheLog().boxes.push_back(std::move(record));
  }

  host::HeadlessSettings settings_;
};

}  // namespace

std::vector<HWND> TopLevelWindows() {
  return user::TopLevelWindows();
}

HWND ActiveDialog() {
  return user::ActiveDialog();
}

void MouseDown(HWND topLevel, int x, int y) {
  user::QueueInput(user::InputKind::kMouseDown, topLevel, x, y);
}

void MouseUp(HWND topLevel, int x, int y) {
  user::QueueInput(user::InputKind::kMouseUp, topLevel, x, y);
}

void MouseMove(HWND topLevel, int x, int y) {
  user::QueueInput(user::InputKind::kMouseMove, topLevel, x, y);
}

void Click(HWND topLevel, int x, int y) {
  MouseDown(topLevel, x, y);
  MouseUp(topLevel, x, y);
}

void DoubleClick(HWND topLevel, int x, int y) {
  Click(topLevel, x, y);
  Click(topLevel, x, y);
}

void Key(HWND window, int virtualKey) {
  user::QueueInput(user::InputKind::kKeyDown, window, 0, 0, virtualKey);
  user::QueueInput(user::InputKind::kKeyUp, window, 0, 0, virtualKey);
}

bool SaveWindow(HWND topLevel, const char* pngPath) {
  const gdi::Surface* surface = WindowSurface(topLevel);
  return surface != nullptr && pngPath != nullptr && gdi::WritePng(*surface, pngPath);
}

const gdi::Surface* WindowSurface(HWND topLevel) {
  return user::TopLevelSurface(topLevel);
}

void WatchMessageBoxes(std::function<void(const MessageBoxRecord&)> look) {
  std::lock_guard<std::mutex> hold(TheLog().lock);
  TheLog().watcher = std::move(look);
}

std::vector<MessageBoxRecord> MessageBoxes() {
  std::lock_guard<std::mutex> hold(TheLog().lock);
  return TheLog().boxes;
}

}  // namespace orvel::headless

namespace orvel::host {

void UseHeadless(const HeadlessSettings& settings) {
  user::SetHost(std::make_unique<headless::HeadlessHost>(settings));
}

}  // namespace orvel::host
