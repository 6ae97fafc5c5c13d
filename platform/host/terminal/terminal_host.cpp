// The terminal host. Every shown top-level window is placed on a picture the size of the main
// window's client area (dialogs over it, where the layer put them), which is shrunk to fit the
// terminal and sent as half-block cells, sixel or kitty graphics: only what changed, at most
// once per frame time, and not at all while the terminal has not taken the last frame yet (a
// slow link skips frames rather than queueing them). Each frame ends with a status report
// request, which the terminal answers once it has read everything before it: the end of the
// link itself says when the next frame may go, however much the kernel, sshd or the network
// buffer on the way. Input is read from the terminal in the message
// loop's idle wait, which is a poll() on the terminal, the host's wake-up counter and its signals.
#include "host/terminal/terminal.h"

#include <errno.h>
#include <poll.h>
#include <stdint.h>
#include <string.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <algorithm>
#include <map>
#include <thread>
#include <vector>

#include "host/ending.h"
#include "host/render/script.h"
#include "host/terminal/blocks.h"
#include "host/terminal/detect.h"
#include "host/terminal/input.h"
#include "host/terminal/kitty.h"
#include "host/terminal/message_box.h"
#include "host/terminal/sixel.h"
#include "host/terminal/tty.h"
#include "kernel/clock.h"
#include "user/host.h"

namespace orvel::host {
namespace {

using terminal::TermEvent;

// Frames are sent at most this often: more often than the program draws (30 a second), so
// that each of its frames goes out as soon as it is drawn.
constexpr int64_t kFrameMicros = 20000;
// Half blocks of a shrunk picture show each pixel within this much of its colour in each
// channel, where that saves bytes: averaged pixels take many near shades, each of which would
// otherwise be sent as a colour of its own.
constexpr int kShrunkTolerance = 16;
// The cell size that sixel and kitty pictures assume when the terminal does not say.
constexpr int kGuessedCellWidth = 8, kGuessedCellHeight = 16;
// How long the terminal has to answer what it can show.
constexpr int kAskMillis = 500;
// The status report request that follows each frame; the terminal answers ESC [ 0 n.
constexpr char kStatusQuery[] = "\x1b[5n";
// A terminal that has never answered a status report within this time is taken not to answer
// them: frames are then paced by the frame time alone.
constexpr int64_t kFirstAnswerMicros = 1000000;

RECT Intersect(const RECT& a, const RECT& b) {
  return RECT{std::max(a.left, b.left), std::max(a.top, b.top), std::min(a.right, b.right),
              std::min(a.bottom, b.bottom)};
}

bool Contains(const RECT& r, int x, int y) {
  return x >= r.left && x < r.right && y >= r.top && y < r.bottom;
}

// Pixels compared at once where rows are mostly alike: memcmp goes through them far faster
// than a loop that stops at the first difference.
constexpr int kCompareBlock = 16;

// The first x in [left, right) where rows a and b differ, or right.
int FirstDifference(const uint32_t* a, const uint32_t* b, int left, int right) {
  while (right - left >= kCompareBlock &&
         memcmp(a + left, b + left, kCompareBlock * sizeof *a) == 0) {
    left += kCompareBlock;
  }
  while (left < right && a[left] == b[left]) ++left;
  return left;
}

// One past the last x in [left, right) where rows a and b differ, or left.
int LastDifference(const uint32_t* a, const uint32_t* b, int left, int right) {
  while (right - left >= kCompareBlock &&
         memcmp(a + right - kCompareBlock, b + right - kCompareBlock, kCompareBlock * sizeof *a) ==
             0) {
    right -= kCompareBlock;
  }
  while (right > left && a[right - 1] == b[right - 1]) --right;
  return right;
}

class TerminalHost : public user::Host {
 public:
  TerminalHost(TerminalMode mode, const terminal::Abilities& abilities)
      : thread_(std::this_thread::get_id()), mode_(mode), abilities_(abilities) {
    wakeFd_ = eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
    // A picture's pixels are finer than its cells: clicks are reported in pixels where the
    // terminal can.
    pixelMouse_ = mode_ != TerminalMode::kBlocks && abilities_.pixelMouse;
    if (pixelMouse_) terminal::WriteTerminal("\x1b[?1016h", 8);
  }

  // The wake-up counter stays open, as another thread may still wake the host as it goes.
  ~TerminalHost() override { terminal::ReleaseTerminal(); }

  void TopLevelShown(HWND window, const RECT& screen, const std::string&) override {
    shown_[window] = screen;
    terminal::WindowShown();
    recompose_ = true;
  }
  void TopLevelHidden(HWND window) override { Forget(window); }
  void TopLevelDestroyed(HWND window) override { Forget(window); }

  void Poll(bool) override {
    ReadInput();
    Present();
  }

  void Wait(int64_t deadlineMicros) override {
    const int64_t presentAt = Pending() ? NextFrameAt() : kWhenAnswered;
    if (presentAt != kWhenAnswered) {
      deadlineMicros = deadlineMicros < 0 ? presentAt : std::min(deadlineMicros, presentAt);
    }
    int timeout = -1;
    if (deadlineMicros >= 0) {
      const int64_t wait = std::max<int64_t>(0, deadlineMicros - clock::NowMicros());
      timeout = static_cast<int>(std::min<int64_t>((wait + 999) / 1000, 1 << 30));
    }
    pollfd fds[3] = {{wakeFd_, POLLIN, 0},
                     {terminal::SignalFd(), POLLIN, 0},
                     {terminal::OwnsTerminal() ? terminal::TerminalFd() : -1, POLLIN, 0}};
    if (poll(fds, 3, timeout) <= 0) return;
    uint64_t wakes = 0;
    if (fds[0].revents & POLLIN) (void)!read(wakeFd_, &wakes, sizeof wakes);
    ReadInput();
  }

  void Wake() override {
    if (std::this_thread::get_id() == thread_) return;  // the window thread carries on
    const uint64_t one = 1;
    (void)!write(wakeFd_, &one, sizeof one);
  }

  // Drawn over the picture and answered in the terminal; the picture is sent whole again
  // afterwards.
  int MessageBox(HWND owner, const std::string& text, const std::string& caption,
                 UINT type) override {
    if (!terminal::OwnsTerminal()) return Host::MessageBox(owner, text, caption, type);
    // A kitty image may lie above text: it goes first.
    if (mode_ == TerminalMode::kKitty) terminal::WriteTerminal(kClear, sizeof kClear - 1);
    const terminal::BoxAnswer answer = terminal::ShowMessageBox(caption, text);
    awaiting_ = false;  // the box read the terminal's answer, if it came
    sent_ = terminal::Shown();
    recompose_ = true;
    if (answer == terminal::BoxAnswer::kQuit) CloseMainWindow();
    return IDOK;
  }

  // Dialogs are centred on the main window, which is the whole picture.
  RECT WorkArea() override {
    const HWND main = MainWindow();
    return main != nullptr ? shown_[main] : Host::WorkArea();
  }

 private:
  void Forget(HWND window) {
    shown_.erase(window);
    if (window == pressed_) pressed_ = nullptr;
    recompose_ = true;
  }

  // The oldest shown top-level window, whose client area is the picture.
  HWND MainWindow() const {
    for (HWND window : user::TopLevelWindows()) {
      if (shown_.count(window)) return window;
    }
    return nullptr;
  }

  // Shown windows, bottom first.
  std::vector<HWND> Stack() const {
    std::vector<HWND> stack;
    for (HWND window : user::TopLevelWindows()) {
      if (shown_.count(window)) stack.push_back(window);
    }
    return stack;
  }

  // When the next frame may go out (microseconds on the clock): a frame time after the last
  // one, once the terminal has answered for it; kWhenAnswered while only its answer can tell.
  static constexpr int64_t kWhenAnswered = INT64_MAX;
  int64_t NextFrameAt() const {
    if (!awaiting_) return lastPresent_ + kFrameMicros;
    return answered_ ? kWhenAnswered : askedAt_ + kFirstAnswerMicros;
  }

  bool Pending() const {
    if (recompose_ || resized_) return true;
    for (const auto& entry : shown_) {
      const gdi::Surface* pixels = user::TopLevelSurface(entry.first);
      if (pixels != nullptr && pixels->HasDamage()) return true;
    }
    return false;
  }

  // Handles what the terminal sent and the signals that came.
  void ReadInput() {
    const terminal::Signals signals = terminal::ReadSignals();
    if (signals.resized) resized_ = true;
    if (!terminal::OwnsTerminal()) return;
    pollfd fd{terminal::TerminalFd(), POLLIN, 0};
    if (poll(&fd, 1, 0) <= 0) return;
    char bytes[4096];
    const ssize_t got = read(fd.fd, bytes, sizeof bytes);
    if (got < 0 && (errno == EINTR || errno == EAGAIN)) return;
    if (got <= 0) {
      // The terminal hung up without a signal: nobody can see the window or end it now.
      terminal::ReleaseTerminal();
      CloseMainWindow();
      return;
    }
    std::vector<TermEvent> events;
    parser_.Feed(bytes, static_cast<size_t>(got), &events);
    parser_.Flush(&events);
    for (const TermEvent& event : events) Handle(event);
  }

  void Handle(const TermEvent& event) {
    switch (event.kind) {
      case TermEvent::Kind::kQuit:
        CloseMainWindow();
        return;
      case TermEvent::Kind::kKey:
        Key(event.key);
        return;
      case TermEvent::Kind::kStatusOk:
        awaiting_ = false;
        answered_ = true;
        return;
      default:
        Mouse(event);
        return;
    }
  }

  // A dialog takes every key; without one, digits press the CD keypad's keys.
  void Key(int key) {
    HWND target = user::ActiveDialog();
    const HWND main = MainWindow();
    if (target == nullptr && main != nullptr && key >= '0' && key <= '9') {
      render::Action press;
      press.kind = render::Action::Kind::kKeys;
      press.digits = {key - '0'};
      render::Perform(press, main);
      return;
    }
    if (target == nullptr) target = main;
    if (target == nullptr) return;
    user::QueueInput(user::InputKind::kKeyDown, target, 0, 0, key);
    user::QueueInput(user::InputKind::kKeyUp, target, 0, 0, key);
  }

  // A press goes to the topmost window under it; drags and the release follow the press.
  void Mouse(const TermEvent& event) {
    const HWND main = MainWindow();
    if (main == nullptr) return;
    int x, y;
    const bool inside = pixelMouse_ ? fit_.PixelAtPoint(event.col, event.row, &x, &y)
                                    : fit_.PixelAt(event.col, event.row, &x, &y);
    const RECT& picture = shown_[main];
    x += picture.left;
    y += picture.top;
    HWND target = pressed_;
    if (event.kind == TermEvent::Kind::kMouseDown) {
      if (!inside) return;
      const std::vector<HWND> stack = Stack();
      for (auto it = stack.rbegin(); it != stack.rend() && target == nullptr; ++it) {
        if (Contains(shown_[*it], x, y)) target = *it;
      }
      if (target == nullptr) target = main;
      pressed_ = target;
    }
    if (target == nullptr) return;
    if (event.kind == TermEvent::Kind::kMouseUp) pressed_ = nullptr;
    const user::InputKind kind =
        event.kind == TermEvent::Kind::kMouseDown ? user::InputKind::kMouseDown
        : event.kind == TermEvent::Kind::kMouseUp ? user::InputKind::kMouseUp
                                                  : user::InputKind::kMouseMove;
    const RECT& window = shown_[target];
    user::QueueInput(kind, target, x - window.left, y - window.top);
  }

  // Brings the picture up to date where windows were drawn and sends the cells that changed,
  // when a frame time has passed and the terminal has taken the last frame.
  void Present() {
    const int64_t now = clock::NowMicros();
    if (!Pending()) return;
    if (now < NextFrameAt()) return;             // the damage waits for the next frame
    if (awaiting_) asking_ = awaiting_ = false;  // the terminal does not answer
    lastPresent_ = now;
    const HWND main = MainWindow();
    if (main == nullptr || !terminal::OwnsTerminal()) return ForgetDamage();
    if (terminal::UnsentBytes() > 0) return;  // the damage waits for the next frame
    const RECT picture = shown_[main];
    const int width = std::max<int>(1, picture.right - picture.left);
    const int height = std::max<int>(1, picture.bottom - picture.top);
    if (resized_ || width != fit_.width() || height != fit_.height()) {
      resized_ = false;
      Refit(width, height);
    }
    const terminal::Area changed = Compose(picture, width, height);
    // One buffer, kept from frame to frame, and one write a frame.
    out_.clear();
    if (sent_.width == 0) out_ = kClear;
    Encode(changed, &out_);
    if (out_.empty()) return;
    if (asking_) {
      out_ += kStatusQuery;
      awaiting_ = true;
      askedAt_ = now;
    }
    if (!terminal::WriteTerminal(out_.data(), out_.size())) sent_ = terminal::Shown();
  }

  // Places the picture in the terminal as it is now, to be drawn anew.
  void Refit(int width, int height) {
    int cols, rows;
    terminal::TerminalSize(&cols, &rows);
    if (mode_ == TerminalMode::kBlocks) {
      fit_ = terminal::Fit(width, height, cols, rows);
    } else {
      // Images keep off the last row, where drawing down to the edge would scroll the screen.
      int cellWidth = abilities_.cellWidth, cellHeight = abilities_.cellHeight;
      terminal::CellPixels(&cellWidth, &cellHeight);
      if (cellWidth <= 0 || cellHeight <= 0) {
        cellWidth = kGuessedCellWidth;
        cellHeight = kGuessedCellHeight;
      }
      fit_ = terminal::Fit(width, height, cols, std::max(1, rows - 1), cellWidth, cellHeight);
    }
    sent_ = terminal::Shown();
    recompose_ = true;
  }

  // The bytes that bring the terminal from sent_ to next_, which has changed only in
  // `changed` since the last frame; sent_ becomes what the terminal then shows.
  void Encode(const terminal::Area& changed, std::string* out) {
    if (mode_ == TerminalMode::kBlocks) {
      const bool shrunk = fit_.shownWidth() < fit_.width();
      return terminal::EncodeBlocks(fit_, next_, shrunk ? kShrunkTolerance : 0, &sent_, out,
                                    changed);
    }
    if (mode_ == TerminalMode::kSixel) terminal::EncodeSixel(fit_, sent_, next_, out);
    if (mode_ == TerminalMode::kKitty) terminal::EncodeKitty(fit_, sent_, next_, out);
    sent_ = next_;
  }

  // Copies what was drawn into the picture, and shrinks into next_ the part that changed;
  // returns that part of next_.
  terminal::Area Compose(const RECT& picture, int width, int height) {
    std::vector<RECT>& areas = areas_;  // picture coordinates
    areas.clear();
    if (recompose_ || picture_.size() != static_cast<size_t>(width) * height) {
      picture_.assign(static_cast<size_t>(width) * height, 0);
      areas.push_back(RECT{0, 0, width, height});
    }
    const std::vector<HWND> stack = Stack();
    for (HWND window : stack) {
      gdi::Surface* pixels = user::TopLevelSurface(window);
      if (pixels == nullptr) continue;
      const RECT& at = shown_[window];
      if (!recompose_) {
        for (const RECT& r : pixels->DamageRects()) {
          const LONG dx = at.left - picture.left, dy = at.top - picture.top;
          areas.push_back(RECT{r.left + dx, r.top + dy, r.right + dx, r.bottom + dy});
        }
      }
      pixels->ClearDamage();
    }
    // Programs repaint more than changes (the spectrum bars redraw their whole area every
    // frame): only shown pixels whose picture pixels changed are shrunk again.
    const size_t shownSize = static_cast<size_t>(fit_.shownWidth()) * fit_.shownHeight();
    if (marks_.size() != shownSize) marks_.assign(shownSize, 0);
    const RECT whole{0, 0, width, height};
    for (const RECT& area : areas) {
      const RECT a = Intersect(area, whole);
      if (a.left >= a.right || a.top >= a.bottom) continue;
      for (HWND window : stack) CopyWindow(window, picture, a, width);
    }
    terminal::Area shown;
    if (recompose_ || next_.width != fit_.shownWidth() || next_.height != fit_.shownHeight()) {
      terminal::Shrink(picture_.data(), fit_, &next_);
      std::fill(marks_.begin(), marks_.end(), 0);
      shown = terminal::Area{0, 0, next_.width, next_.height};
    } else {
      shown = terminal::ShrinkMarked(picture_.data(), fit_, &marks_, &next_);
    }
    recompose_ = false;
    return shown;
  }

  // Copies the part of a window's pixels that lies in `area` (picture coordinates), marking
  // the shown pixels whose picture pixels this changes.
  void CopyWindow(HWND window, const RECT& picture, const RECT& area, int width) {
    const gdi::Surface* pixels = user::TopLevelSurface(window);
    if (pixels == nullptr) return;
    const RECT& at = shown_[window];
    const int dx = at.left - picture.left, dy = at.top - picture.top;
    const RECT r = Intersect(area, RECT{dx, dy, dx + pixels->width, dy + pixels->height});
    if (r.left >= r.right) return;  // the area lies beside the window
    for (int y = r.top; y < r.bottom; ++y) {
      const uint32_t* from = &pixels->pixels[static_cast<size_t>(y - dy) * pixels->width] - dx;
      uint32_t* to = &picture_[static_cast<size_t>(y) * width];
      // Most rows of a repainted area are as they were: one memcmp over the row says so.
      if (memcmp(from + r.left, to + r.left, (r.right - r.left) * sizeof *from) == 0) continue;
      const int left = FirstDifference(from, to, r.left, r.right);
      if (left >= r.right) continue;
      const int right = LastDifference(from, to, left, r.right);
      uint8_t* mark = &marks_[static_cast<size_t>(fit_.ShownRowOf(y)) * fit_.shownWidth()];
      for (int x = left; x < right; ++x) mark[fit_.ShownColumnOf(x)] |= from[x] != to[x];
      std::copy(from + left, from + right, to + left);
    }
  }

  void ForgetDamage() {
    for (const auto& entry : shown_) {
      if (gdi::Surface* pixels = user::TopLevelSurface(entry.first)) pixels->ClearDamage();
    }
    recompose_ = resized_ = false;
  }

  // The screen cleared, with the kitty image (where there is one) deleted.
  static constexpr char kClear[] = "\x1b_Ga=d,d=A,q=2\x1b\\\x1b[0m\x1b[2J";

  std::thread::id thread_;
  TerminalMode mode_;
  terminal::Abilities abilities_;
  bool pixelMouse_ = false;     // mouse reports give the terminal's pixels, not cells
  int wakeFd_ = -1;             // an eventfd that Wake() counts up
  std::map<HWND, RECT> shown_;  // shown top-level windows, client areas on the screen
  HWND pressed_ = nullptr;      // the window that the held button pressed
  terminal::InputParser parser_;
  terminal::Fit fit_;
  std::vector<uint32_t> picture_;  // the main window's client size, dialogs placed over it
  std::vector<uint8_t> marks_;     // shown pixels to shrink again (1), one a pixel of next_
  terminal::Shown next_;           // the picture as the terminal is to show it
  terminal::Shown sent_;           // what the terminal shows; empty: nothing yet
  std::vector<RECT> areas_;        // the areas that a frame composes, kept for the next
  std::string out_;                // the bytes of a frame, kept for the next
  bool recompose_ = true;          // the whole picture must be put together again
  bool resized_ = true;            // the terminal's size must be read again
  bool asking_ = true;             // frames end with a status report request
  bool awaiting_ = false;          // the terminal has not answered for the last frame yet
  bool answered_ = false;          // the terminal has answered a status report
  int64_t askedAt_ = 0;            // when the last frame's request went out
  int64_t lastPresent_ = -1000000;
};

}  // namespace

bool ParseTerminalMode(const std::string& name, TerminalMode* mode) {
  static const std::pair<const char*, TerminalMode> kNames[] = {{"", TerminalMode::kAuto},
                                                                {"auto", TerminalMode::kAuto},
                                                                {"blocks", TerminalMode::kBlocks},
                                                                {"sixel", TerminalMode::kSixel},
                                                                {"kitty", TerminalMode::kKitty}};
  for (const auto& entry : kNames) {
    if (name == entry.first) {
      *mode = entry.second;
      return true;
    }
  }
  return false;
}

bool UseTerminal(TerminalMode mode, std::string* error) {
  if (!terminal::TakeTerminal(error)) return false;
  terminal::Abilities abilities;
  if (mode != TerminalMode::kBlocks) abilities = terminal::AskTerminal(kAskMillis);
  if (mode == TerminalMode::kAuto) {
    mode = abilities.kitty   ? TerminalMode::kKitty
           : abilities.sixel ? TerminalMode::kSixel
                             : TerminalMode::kBlocks;
  }
  user::SetHost(std::make_unique<TerminalHost>(mode, abilities));
  return true;
}

}  // namespace orvel::host
