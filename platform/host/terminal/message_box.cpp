#include "host/terminal/message_box.h"

#include <poll.h>
#include <unistd.h>

#include <algorithm>
#include <vector>

#include <windows.h>

#include "host/terminal/input.h"
#include "host/terminal/tty.h"

namespace orvel::terminal {
namespace {

constexpr char kBody[] = "\x1b[0;38;2;0;0;0;48;2;192;192;192m";       // black on light grey
constexpr char kTitle[] = "\x1b[0;1;38;2;255;255;255;48;2;0;0;128m";  // white on navy
constexpr char kOkLabel[] = "[ OK ]";

std::string Printable(const std::string& text) {
  std::string out = text;
  for (char& c : out) {
    if (c == '\n' || c == '\r' || c == '\t') c = ' ';
    if (static_cast<unsigned char>(c) < 0x20 || static_cast<unsigned char>(c) > 0x7E) c = '?';
  }
  return out;
}

// The box's lines for a terminal `cols` cells wide: the text wrapped at spaces (or cut where a
// word is too long) to at most cols - 4 cells. At least one line.
std::vector<std::string> BoxLines(const std::string& text, int cols) {
  const size_t width = static_cast<size_t>(std::max(1, cols - 4));
  std::vector<std::string> lines;
  std::string rest = Printable(text);
  while (!rest.empty()) {
    if (rest.size() <= width) {
      lines.push_back(rest);
      break;
    }
    size_t cut = rest.rfind(' ', width);
    const bool atSpace = cut != std::string::npos && cut > 0;
    if (!atSpace) cut = width;
    lines.push_back(rest.substr(0, cut));
    rest.erase(0, cut + (atSpace ? 1 : 0));
  }
  if (lines.empty()) lines.push_back("");
  return lines;
}

// Where the box lies, in 0-based cells.
struct Place {
  int top, left, width, height;
};

Place Draw(const std::string& caption, const std::string& text, std::string* out) {
  int cols, rows;
  TerminalSize(&cols, &rows);
  const std::vector<std::string> lines = BoxLines(text, cols);
  const std::string title = Printable(caption);
  int inner = static_cast<int>(std::max(title.size(), sizeof kOkLabel - 1));
  for (const std::string& line : lines) inner = std::max(inner, static_cast<int>(line.size()));
  inner = std::min(inner, std::max(1, cols - 4));
  Place place{0, 0, inner + 4, static_cast<int>(lines.size()) + 4};
  place.top = std::max(0, (rows - place.height) / 2);
  place.left = std::max(0, (cols - place.width) / 2);
  auto row = [&](int r, const char* colours, const std::string& content, bool centre) {
    std::string padded = content.substr(0, static_cast<size_t>(inner));
    const size_t space = static_cast<size_t>(inner) - padded.size();
    padded.insert(0, centre ? space / 2 : 0, ' ');
    padded.append(static_cast<size_t>(inner) - padded.size(), ' ');
    *out += "\x1b[" + std::to_string(place.top + r + 1) + ";" + std::to_string(place.left + 1) +
            "H" + colours + "  " + padded + "  ";
  };
  row(0, kTitle, title, false);
  row(1, kBody, "", false);
  for (size_t i = 0; i < lines.size(); ++i) row(static_cast<int>(i) + 2, kBody, lines[i], false);
  row(static_cast<int>(lines.size()) + 2, kBody, kOkLabel, true);
  row(static_cast<int>(lines.size()) + 3, kBody, "", false);
  *out += "\x1b[0m";
  return place;
}

}  // namespace

BoxAnswer ShowMessageBox(const std::string& caption, const std::string& text) {
  std::string out;
  Place place = Draw(caption, text, &out);
  WriteTerminal(out.data(), out.size());
  InputParser parser;
  for (;;) {
    pollfd fds[2] = {{TerminalFd(), POLLIN, 0}, {SignalFd(), POLLIN, 0}};
    if (poll(fds, 2, -1) < 0) continue;
    if (fds[1].revents & POLLIN) {
      const Signals signals = ReadSignals();
      if (signals.ending || !OwnsTerminal()) return BoxAnswer::kOk;
      if (signals.resized) {
        out = "\x1b[0m\x1b[2J";
        place = Draw(caption, text, &out);
        WriteTerminal(out.data(), out.size());
      }
    }
    if (!(fds[0].revents & (POLLIN | POLLHUP | POLLERR))) continue;
    char bytes[256];
    const ssize_t got = read(fds[0].fd, bytes, sizeof bytes);
    if (got <= 0) return BoxAnswer::kOk;  // the terminal is gone
    std::vector<TermEvent> events;
    parser.Feed(bytes, static_cast<size_t>(got), &events);
    parser.Flush(&events);
    for (const TermEvent& e : events) {
      if (e.kind == TermEvent::Kind::kQuit) return BoxAnswer::kQuit;
      if (e.kind == TermEvent::Kind::kKey &&
          (e.key == VK_RETURN || e.key == VK_ESCAPE || e.key == VK_SPACE)) {
        return BoxAnswer::kOk;
      }
      if (e.kind == TermEvent::Kind::kMouseUp && e.row >= place.top &&
          e.row < place.top + place.height && e.col >= place.left &&
          e.col < place.left + place.width) {
        return BoxAnswer::kOk;
      }
    }
  }
}

}  // namespace orvel::terminal
