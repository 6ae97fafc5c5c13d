// The terminal's bytes as events: a table of what a terminal sends for keys and the left
// button, with what the window gets.
#include "host/terminal/input.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <vector>

namespace orvel::terminal {
namespace {

using Kind = TermEvent::Kind;

TermEvent Key(int key) {
  return TermEvent{Kind::kKey, 0, 0, key};
}
TermEvent Mouse(Kind kind, int col, int row) {
  return TermEvent{kind, col, row, 0};
}

std::vector<TermEvent> Parse(const std::string& bytes) {
  InputParser parser;
  std::vector<TermEvent> events;
  parser.Feed(bytes.data(), bytes.size(), &events);
  parser.Flush(&events);
  return events;
}

TEST(TerminalInput, BytesBecomeEvents) {
  struct Case {
    const char* what;
    std::string bytes;
    std::vector<TermEvent> events;
  };
  const Case cases[] = {
      {"Enter", "\r", {Key(VK_RETURN)}},
      {"Enter as line feed", "\n", {Key(VK_RETURN)}},
      {"Esc alone", "\x1b", {Key(VK_ESCAPE)}},
      {"space", " ", {Key(VK_SPACE)}},
      {"keypad digits", "07", {Key('0'), Key('7')}},
      {"letters as capitals", "aZ", {Key('A'), Key('Z')}},
      {"q ends", "q", {TermEvent{Kind::kQuit}}},
      {"Q ends", "Q", {TermEvent{Kind::kQuit}}},
      {"Ctrl-C ends", "\x03", {TermEvent{Kind::kQuit}}},
      {"left press and release, 1-based cells",
       "\x1b[<0;10;5M\x1b[<0;10;5m",
       {Mouse(Kind::kMouseDown, 9, 4), Mouse(Kind::kMouseUp, 9, 4)}},
      {"drag with the left button", "\x1b[<32;200;60M", {Mouse(Kind::kMouseMove, 199, 59)}},
      {"shift-click is a click", "\x1b[<4;3;3M", {Mouse(Kind::kMouseDown, 2, 2)}},
      {"right and middle buttons dropped", "\x1b[<2;3;3M\x1b[<1;3;3M\x1b[<2;3;3m", {}},
      {"wheel dropped", "\x1b[<64;3;3M\x1b[<65;3;3M", {}},
      {"motion without a button dropped", "\x1b[<35;3;3M", {}},
      {"arrow and function keys dropped", "\x1b[A\x1bOP\x1b[15~5", {Key('5')}},
      {"answers to queries dropped", "\x1b[?62;4c\x1b_Gi=1;OK\x1b\\\x1b[6;20;10t1", {Key('1')}},
      {"the status report's answer", "\x1b[0n\x1b[3n", {TermEvent{Kind::kStatusOk}}},
      {"other bytes dropped", "\x7f\x01\xc3\xa9+", {}},
      {"a malformed report dropped", "\x1b[<0;0;5M\x1b[<0;5M8", {Key('8')}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(Parse(c.bytes), c.events);
  }
}

TEST(TerminalInput, SequencesSplitAcrossReadsAreCompleted) {
  const std::string bytes = "\x1b[<0;12;34M7\x1b[<0;12;34m";
  for (size_t cut = 1; cut < bytes.size(); ++cut) {
    SCOPED_TRACE(cut);
    InputParser parser;
    std::vector<TermEvent> events;
    parser.Feed(bytes.data(), cut, &events);
    parser.Feed(bytes.data() + cut, bytes.size() - cut, &events);
    const std::vector<TermEvent> expected = {Mouse(Kind::kMouseDown, 11, 33), Key('7'),
                                             Mouse(Kind::kMouseUp, 11, 33)};
    EXPECT_EQ(events, expected);
  }
}

}  // namespace
}  // namespace orvel::terminal
