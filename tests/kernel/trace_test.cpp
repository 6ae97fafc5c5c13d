#include "kernel/trace.h"

#include <windows.h>
#include <mmsystem.h>

#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "kernel/clock.h"
#include "user/internal.h"

namespace {

namespace trace = orvel::trace;

// One call with a parameter the layer does not honour, and the line it should bring.
struct Unsupported {
  const char* room;
  std::function<void()> call;
  const char* line;
};

const Unsupported kCases[] = {
    {"gdi", [] { DeleteObject(CreatePen(1, 1, 0)); },
     "orvel trace: gdi: CreatePen: dashed or inside-frame pen drawn solid (style 1)\n"},
    {"gdi", [] { DeleteObject(CreatePen(PS_SOLID, 3, 0)); },
     "orvel trace: gdi: CreatePen: wide pen drawn one pixel wide (3)\n"},
    {"gdi", [] { DeleteObject(CreateFontA(12, 0, 0, 0, 400, 0, TRUE, 0, 0, 0, 0, 0, 0, "Arial")); },
     "orvel trace: gdi: CreateFontA: underline not drawn\n"},
    {"user",
     [] {
       MSG msg;
       PostQuitMessage(0);
       GetMessageA(&msg, nullptr, WM_USER, WM_USER + 1);
     },
     "orvel trace: user: GetMessageA: message range ignored (from 1024)\n"},
    {"winmm",
     [] {
       WAVEFORMATEX format{WAVE_FORMAT_PCM, 1, 22050, 22050, 1, 8, 0};
       HWAVEIN wave = nullptr;
       waveInOpen(&wave, WAVE_MAPPER, &format, 0, 0, CALLBACK_WINDOW);
     },
     "orvel trace: winmm: waveInOpen: callback kind not supported, fails (0x10000)\n"},
    {"mci", [] { mciSendCommandA(7, MCI_STATUS, MCI_NOTIFY, 0); },
     "orvel trace: mci: mciSendCommandA: MCI_NOTIFY ignored (command 2068)\n"},
};

// What the layer prints while every case runs twice under the switch `value`.
std::string RunAllTwice(const char* value) {
  trace::Configure(value);
  testing::internal::CaptureStderr();
  for (int round = 0; round < 2; ++round) {
    for (const Unsupported& c : kCases) c.call();
  }
  std::string printed = testing::internal::GetCapturedStderr();
  trace::Configure(nullptr);
  return printed;
}

class Trace : public testing::Test {
 protected:
  void SetUp() override { orvel::clock::Use(orvel::clock::Mode::kVirtual); }
  void TearDown() override { orvel::user::ResetForTests(); }
};

TEST_F(Trace, EachRoomPrintsEachUnsupportedKindOnceAndOffPrintsNothing) {
  std::string everything;
  for (const char* room : {"gdi", "user", "winmm", "mci"}) {
    std::string expected;
    for (const Unsupported& c : kCases) {
      if (std::string(c.room) == room) expected += c.line;
    }
    EXPECT_EQ(RunAllTwice(room), expected) << room;
    everything += expected;
  }
  EXPECT_EQ(RunAllTwice("gdi,user,winmm,mci"), everything);
  EXPECT_EQ(RunAllTwice("all"), everything);
  EXPECT_EQ(RunAllTwice(""), "");
  EXPECT_EQ(RunAllTwice(nullptr), "");
}

TEST_F(Trace, CallsListsEveryCallOfTheRoomAndAnUnknownWordIsNamed) {
  testing::internal::CaptureStderr();
  trace::Configure("mci, calls,colour");
  for (int i = 0; i < 2; ++i) mciSendCommandA(7, MCI_STATUS, MCI_NOTIFY, 0);
  Rectangle(nullptr, 0, 0, 1, 1);
  std::string printed = testing::internal::GetCapturedStderr();
  trace::Configure(nullptr);
  EXPECT_EQ(printed,
            "orvel trace: ORVEL_TRACE: unknown word \"colour\" (known: gdi, user, winmm, mci, all, "
            "calls)\n"
            "orvel trace: mci: call mciSendCommandA\n"
            "orvel trace: mci: mciSendCommandA: MCI_NOTIFY ignored (command 2068)\n"
            "orvel trace: mci: call mciSendCommandA\n");
}

}  // namespace
