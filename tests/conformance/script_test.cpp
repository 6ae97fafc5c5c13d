#include "script.h"

#include <gtest/gtest.h>

#include <string>

namespace {

using replay::Arg;
using replay::Op;
using replay::ParseError;
using replay::ParseScript;
using replay::Script;

TEST(ReplayScript, ParsesCallsNamesNumbersAndTexts) {
  const char* text =
      "# a comment line\n"
      "\n"
      "surface 64 32   # trailing comment\r\n"
      "pen = CreatePen 0 0 0x00FF00ff\n"
      "SelectObject dc pen\n"
      "MoveToEx dc -3 -0x10\n"
      "TextOutA dc 1 2 \"a # b  c\"\n"
      "SelectClipRgn dc 0\n"
      "pen=CreatePen 0 1 4294967295\n"
      "Polygon dc 1 2 3 4 5 6\n";
  Script s;
  ParseError e;
  ASSERT_TRUE(ParseScript(text, &s, &e)) << e.line << ": " << e.message;
  EXPECT_EQ(s.width, 64);
  EXPECT_EQ(s.height, 32);
  ASSERT_EQ(s.calls.size(), 7u);
  ASSERT_EQ(s.names.size(), 2u);  // dc and pen; pen's second assignment reuses its slot
  EXPECT_EQ(s.names[0], "dc");

  EXPECT_EQ(s.calls[0].line, 4);
  EXPECT_EQ(s.calls[0].op, Op::kCreatePen);
  EXPECT_EQ(s.calls[0].result, 1);
  EXPECT_EQ(s.calls[0].args[2].number, 0xFF00FF);

  EXPECT_EQ(s.calls[1].result, -1);
  EXPECT_EQ(s.calls[1].args[0].kind, Arg::kHandle);
  EXPECT_EQ(s.calls[1].args[0].slot, 0);
  EXPECT_EQ(s.calls[1].args[1].slot, 1);

  EXPECT_EQ(s.calls[2].args[1].number, -3);
  EXPECT_EQ(s.calls[2].args[2].number, -16);
  EXPECT_EQ(s.calls[3].args[3].kind, Arg::kText);
  EXPECT_EQ(s.calls[3].args[3].text, "a # b  c");
  EXPECT_EQ(s.calls[4].args[1].slot, -1);  // 0 is the null handle
  EXPECT_EQ(s.calls[5].result, 1);
  EXPECT_EQ(s.calls[5].args[2].number, 4294967295ll);
  EXPECT_EQ(s.calls[6].args.size(), 7u);
}

struct BadCase {
  const char* script;
  int line;
  const char* message;  // a part of the message
};

TEST(ReplayScript, ReportsTheFirstBadLine) {
  const BadCase cases[] = {
      {"", 1, "no 'surface"},
      {"# only a comment\n\n", 2, "no 'surface"},
      {"Rectangle dc 0 0 1 1\n", 1, "first line must be 'surface"},
      {"surface 0 10\n", 1, "1 to 4096"},
      {"surface 10 4097\n", 1, "1 to 4096"},
      {"surface 10\n", 1, "first line"},
      {"surface 10 10\nsurface 10 10\n", 2, "unknown call 'surface'"},
      {"surface 10 10\n\nRectangel dc 0 0 1 1\n", 3, "unknown call 'Rectangel'"},
      {"surface 10 10\nRectangle dc 0 0 1\n", 2, "takes 5 argument(s), got 4"},
      {"surface 10 10\nLineTo dc 1 2 3\n", 2, "takes 3"},
      {"surface 10 10\nSelectObject dc pen\n", 2, "unknown handle 'pen'"},
      {"surface 10 10\npen = SelectObject dc pen\n", 2, "unknown handle 'pen'"},
      {"surface 10 10\nSelectObject dc 5\n", 2, "handle name or 0"},
      {"surface 10 10\nLineTo dc x 2\n", 2, "argument 2 of LineTo: 'x'"},
      {"surface 10 10\nLineTo dc 0x 2\n", 2, "'0x' is not"},
      {"surface 10 10\nLineTo dc 12a 2\n", 2, "'12a' is not"},
      {"surface 10 10\nLineTo dc 0x100000000 2\n", 2, "not a 32-bit number"},
      {"surface 10 10\nLineTo dc -2147483649 2\n", 2, "not a 32-bit number"},
      {"surface 10 10\nLineTo dc \"1\" 2\n", 2, "not a 32-bit number"},
      {"surface 10 10\nCreateFontA 12 Arial\n", 2, "text in double quotes"},
      {"surface 10 10\nTextOutA dc 1 2 \"abc\n", 2, "unterminated text"},
      {"surface 10 10\nTextOutA dc 1 2 \"abc\"x\n", 2, "followed by a space"},
      {"surface 10 10\ndc = CreateCompatibleDC dc\n", 2, "'dc' is the surface's DC"},
      {"surface 10 10\n9p = GetStockObject 0\n", 2, "'9p' is not a name"},
      {"surface 10 10\np =\n", 2, "nothing after '='"},
      {"surface 10 10\nPolygon dc 1 2 3\n", 2, "x y pairs, got 4"},
      {"surface 10 10\nPolyBezier dc\n", 2, "x y pairs, got 1"},
  };
  for (const BadCase& c : cases) {
    Script s;
    ParseError e;
    EXPECT_FALSE(ParseScript(c.script, &s, &e)) << c.script;
    EXPECT_EQ(e.line, c.line) << c.script;
    EXPECT_NE(e.message.find(c.message), std::string::npos)
        << c.script << "\n  got: " << e.message << "\n  want: " << c.message;
  }
}

TEST(ReplayScript, AcceptsTheEdgesOfTheNumberRange) {
  Script s;
  ParseError e;
  ASSERT_TRUE(ParseScript("surface 4096 1\nSetPixel dc -2147483648 0 0xFFFFFFFF\n", &s, &e))
      << e.message;
  EXPECT_EQ(s.calls[0].args[1].number, -2147483648ll);
  EXPECT_EQ(s.calls[0].args[3].number, 0xFFFFFFFFll);
}

// A line may be kMaxLineBytes long, its newline not counted; one byte more is refused at that
// line, before anything after it is read.
TEST(ReplayScript, RefusesALineOverTheLimit) {
  const std::string longest = "# " + std::string(replay::kMaxLineBytes - 2, 'x');
  Script s;
  ParseError e;
  EXPECT_TRUE(ParseScript("surface 1 1\n" + longest + "\n", &s, &e)) << e.message;
  EXPECT_FALSE(ParseScript("surface 1 1\n" + longest + "x\nRectangle dc\n", &s, &e));
  EXPECT_EQ(e.line, 2);
  EXPECT_NE(e.message.find("longer than 65536 bytes"), std::string::npos) << e.message;
}

}  // namespace
