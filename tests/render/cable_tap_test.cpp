// A disc's sound taken off the cable lands at the clock time it was played: a player that starts
// late leaves silence before it, periods follow on, and what was read is forgotten, as is all
// but the last seconds of what nobody reads.
#include <gtest/gtest.h>

#include <vector>

#include "host/render/cable_tap.h"
#include "kernel/clock.h"
#include "winmm/loopback.h"

namespace {

using orvel::render::CableTap;

TEST(CableTap, SoundLandsAtItsClockTime) {
  namespace clock = orvel::clock;
  clock::Use(clock::Mode::kVirtual, clock::Callbacks::kAdvancingThread);
  CableTap tap;
  tap.Start();
  auto publish = [](float value) {
    const std::vector<float> frames(2 * 1024, value);
    orvel::wave::loopback::Publish(frames.data(), 1024);
  };
  clock::ScheduleAt(500000, [&] { publish(0.5f); });  // frame 22050
  clock::ScheduleAt(500000 + 23220, [&] { publish(0.25f); });
  clock::AdvanceTo(1000000);
  ASSERT_EQ(tap.Recorded(), 22050 + 2048);
  std::vector<float> out(2 * (22050 + 2048 + 10));
  tap.Read(0, 22050 + 2048 + 10, out.data());
  EXPECT_EQ(out[2 * 22049 + 1], 0.0f);
  EXPECT_EQ(out[2 * 22050], 0.5f);
  EXPECT_EQ(out[2 * (22050 + 1023) + 1], 0.5f);
  EXPECT_EQ(out[2 * (22050 + 1024)], 0.25f);
  EXPECT_EQ(out[2 * (22050 + 2048)], 0.0f);  // not yet played
  tap.Read(22050, 1, out.data());
  EXPECT_EQ(out[0], 0.0f);  // read once, then forgotten

  // Unread, a long recording keeps only its last seconds.
  for (int64_t k = 0; k < 1100; ++k) {
    clock::ScheduleAt(1000000 + (k * 1024 * 1000000 + 44099) / 44100, [&] { publish(1.0f); });
  }
  clock::AdvanceTo(30000000);
  const int64_t end = tap.Recorded();
  ASSERT_EQ(end, 44100 + 1100 * 1024);
  tap.Read(44100, 1, out.data());
  EXPECT_EQ(out[0], 0.0f);
  tap.Read(end - 441000, 1, out.data());
  EXPECT_EQ(out[0], 1.0f);
  clock::Use(clock::Mode::kReal);
}

}  // namespace
