// The soak: every display mode in turn, frame after frame of noise, on the headless host under
// the virtual clock, with the clock ticking between blocks of frames. After a first round has
// warmed the caches, the live GDI objects, heap blocks and resident memory must end where they
// started. ORVEL_SOAK_FRAMES sets the total (default 20,000, a few seconds of processor time;
// the full soak is ORVEL_SOAK_FRAMES=1000000).
#include <gtest/gtest.h>

#include <stdio.h>
#include <stdlib.h>
#include <unistd.h>

#include <windows.h>

#include <functional>
#include <vector>

#include "app/handlers.h"
#include "app/state.h"
#include "audio/capture.h"
#include "audio/frame.h"
#include "gdi/surface.h"
#include "kernel/heap.h"
#include "resources/resource_ids.h"
#include "session.h"

namespace {

using orvel::test::Session;

struct Counts {
  int gdi = -1;
  int heap = -1;
  long residentKiB = -1;
};

Counts Take() {
  Counts c{orvel::gdi::LiveObjectsTotal(), orvel::kernel::LiveHeapBlocks(), -1};
  long pages = 0, resident = 0;
  if (FILE* f = fopen("/proc/self/statm", "r")) {
    if (fscanf(f, "%ld %ld", &pages, &resident) == 2)
      c.residentKiB = resident * (sysconf(_SC_PAGESIZE) / 1024);
    fclose(f);
  }
  return c;
}

void Command(int id) {
  HandleCommand(MAKEWPARAM(id, 0), 0);
}
void Press(HWND button) {
  HandleCommand(MAKEWPARAM(0, BN_CLICKED), reinterpret_cast<LPARAM>(button));
}

// Each display in turn, as a user picks it: the menu's display commands (dots, Bezier,
// extents, both charts, gauge, bars, every pattern kind and random patterns), the four sphere
// variants, and the big clock.
std::vector<std::function<void()>> Displays() {
  std::vector<std::function<void()>> displays;
  for (int id = IDM_DOTS; id <= IDM_RANDOM_PATTERNS; ++id)
    displays.push_back([id] { Command(id); });
  for (int variant = 0; variant < 4; ++variant) displays.push_back([] { Press(SphereButton); });
  displays.push_back([] {
    while (ClockStage != 2) Press(ClockButton);
  });
  return displays;
}

// Noise into the capture buffer, then the frame, as a buffer coming back would do.
void Frames(int count, unsigned* seed) {
  for (int frame = 0; frame < count; ++frame) {
    for (int i = 0; i < 64; ++i) {
      *seed = *seed * 1103515245u + 12345u;
      CaptureBuffer->lpData[i] = static_cast<char>(*seed >> 24);
    }
    ProcessFrame();
  }
}

// Under the address sanitizer every frame costs about ten times more: the default is a tenth.
#if defined(__SANITIZE_ADDRESS__)
const long kDefaultFrames = 2000;
#else
const long kDefaultFrames = 20000;
#endif

long FramesWanted() {
  const char* text = getenv("ORVEL_SOAK_FRAMES");
  long frames = text != nullptr ? strtol(text, nullptr, 10) : 0;
  return frames > 0 ? frames : kDefaultFrames;
}

TEST(Soak, EveryDisplayForManyFramesLeavesObjectsHeapAndMemoryWhereTheyWere) {
  const std::vector<std::function<void()>> displays = Displays();
  const int kBlocks = 10;  // blocks of frames per display, a virtual second apart
  const long total = FramesWanted();
  const int perBlock =
      static_cast<int>(std::max<long>(1, total / static_cast<long>(displays.size() * kBlocks)));

  Session session;
  session.UseDemo();
  session.CloseAbout();
  session.StopFrames(0.2);
  unsigned seed = 1;
  Counts start, end;
  // A first round through every display makes the fonts, faces and glyphs that stay.
  session.OnWindowThread(0.5, [&] {
    for (const auto& display : displays) {
      display();
      Frames(50, &seed);
    }
    start = Take();
  });
  double at = 1.0;
  long done = 0;
  for (const auto& display : displays) {
    for (int block = 0; block < kBlocks; ++block, at += 1.0) {
      session.OnWindowThread(at, [&, block] {
        if (block == 0) display();
        Frames(perBlock, &seed);
        done += perBlock;
      });
    }
  }
  session.OnWindowThread(at, [&] {
    Command(IDM_DOTS);  // back to the dots, whose frames make no objects of their own
    end = Take();
  });
  session.Close(at + 0.1);
  EXPECT_EQ(session.Run(at + 100.0).exitCode, 0);

  printf(
      "soak: %ld frames over %zu displays; GDI objects %d -> %d, heap blocks %d -> %d, "
      "resident %ld -> %ld KiB\n",
      done, displays.size(), start.gdi, end.gdi, start.heap, end.heap, start.residentKiB,
      end.residentKiB);
  EXPECT_GE(done, total - static_cast<long>(displays.size() * kBlocks));
  EXPECT_EQ(end.gdi, start.gdi);
  EXPECT_EQ(end.heap, start.heap);
#if !defined(__SANITIZE_ADDRESS__)  // AddressSanitizer holds freed blocks back for a while
  EXPECT_LT(end.residentKiB - start.residentKiB, 4096);
#endif
}

}  // namespace
