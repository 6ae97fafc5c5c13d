// Orvel in a pseudo-terminal: the terminal is left as it was found however the program ends,
// and clicks and keys reach the window.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <signal.h>

#include <string>
#include <vector>

#include "gdi/surface.h"
#include "pty_program.h"

namespace orvel::test {
namespace {

// Reads until Orvel has taken the terminal over, answers its box (there is no CD drive) and
// the About box with Enter, and reads until the display has been drawn for a while.
void Start(PtyProgram* program) {
  ASSERT_TRUE(program->ReadUntil([program] {
    return program->screen.altScreen && program->screen.mouse != 0 &&
           !program->screen.cursorVisible && program->RowWith("[ OK ]") >= 0;
  }));
  program->Type("\r");
  ASSERT_TRUE(program->ReadUntil([program] { return program->RowWith("[ OK ]") < 0; }));
  const size_t before = program->received;
  ASSERT_TRUE(program->ReadUntil([&] { return program->received > before + 10000; }));
  program->Type("\r");
  ASSERT_TRUE(program->ReadUntil([&] { return program->received > before + 60000; }));
}

void ExpectRestored(const PtyProgram& program) {
  EXPECT_FALSE(program.screen.altScreen);
  EXPECT_TRUE(program.screen.cursorVisible);
  EXPECT_EQ(program.screen.mouse, 0);
  EXPECT_TRUE(program.ModesRestored());
}

struct WayOut {
  const char* name;
  std::function<void(PtyProgram*)> act;
  std::vector<int> exitCodes;  // one of these; -N: ended by signal N
};

class TerminalWayOut : public testing::TestWithParam<WayOut> {};

TEST_P(TerminalWayOut, LeavesTheTerminalAsItWas) {
  PtyProgram program(100, 30, {"--terminal", "--input", "demo"});
  Start(&program);
  GetParam().act(&program);
  const int code = program.Finish();
  EXPECT_THAT(GetParam().exitCodes, testing::Contains(code));
  ExpectRestored(program);
}

std::string NameOf(const testing::TestParamInfo<WayOut>& info) {
  return info.param.name;
}

INSTANTIATE_TEST_SUITE_P(
    Ways, TerminalWayOut,
    testing::Values(
        WayOut{"QKey", [](PtyProgram* p) { p->Type("q"); }, {0}},
        WayOut{"CtrlC", [](PtyProgram* p) { p->Type("\x03"); }, {0}},
        WayOut{"Sigterm", [](PtyProgram* p) { kill(p->pid, SIGTERM); }, {0}},
        WayOut{"Sighup", [](PtyProgram* p) { kill(p->pid, SIGHUP); }, {0}},
        WayOut{"Sigint", [](PtyProgram* p) { kill(p->pid, SIGINT); }, {0}},
        // A second signal ends the program at once (unless the first has ended it already).
        WayOut{"SecondSigterm",
               [](PtyProgram* p) {
                 kill(p->pid, SIGTERM);
                 kill(p->pid, SIGTERM);
               },
               {0, 128 + SIGTERM}},
        WayOut{"Crash", [](PtyProgram* p) { kill(p->pid, SIGSEGV); }, {-SIGSEGV}},
        WayOut{"Abort", [](PtyProgram* p) { kill(p->pid, SIGABRT); }, {-SIGABRT}}),
    NameOf);

}  // namespace
}  // namespace orvel::test
