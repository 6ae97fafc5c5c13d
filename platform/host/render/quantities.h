// The numbers a user gives a render, read by one checked parser each: times (--from, a
// script's times) and frame rates (--fps-out). Anything outside the stated range is refused,
// so that nothing downstream overflows or wraps.
#ifndef ORVEL_HOST_RENDER_QUANTITIES_H
#define ORVEL_HOST_RENDER_QUANTITIES_H

#include <stdint.h>

#include <string>

#include "host/render/sink.h"

namespace orvel::render {

// The longest time a render or a script may name: 1,000,000,000 seconds (as --seconds).
constexpr int64_t kMaxTimeSeconds = 1000000000;
// Frame rates of a render: 0.1 to 240 frames a second; a fraction's parts at most 1,000,000.
constexpr double kMinRate = 0.1, kMaxRate = 240;
constexpr int64_t kMaxRatePart = 1000000;

// Parses a time such as "75", "1:15", "0:01:15.5" ([[h:]m:]s, minutes and seconds under 60
// after the first field, any fraction of a second) into microseconds, 0 to kMaxTimeSeconds
// seconds; false for anything else.
bool ParseTime(const std::string& text, int64_t* micros);

// What ParseTime takes, for messages: "m:ss, for example ..., up to ...".
std::string TimeForm();

// Parses a frame rate: "30", "29.97" (kept to a thousandth) or "30000/1001" (whole numbers),
// kMinRate to kMaxRate frames a second; false for anything else. An empty text leaves *rate.
bool ParseRate(const std::string& text, Rate* rate);

// What ParseRate takes, for messages.
std::string RateForm();

// A render's frame size: each side from kMinSide to kMaxSide pixels.
struct FrameSize {
  int width = 0;
  int height = 0;
};
constexpr int kMinSide = 64, kMaxSide = 8192;

// Parses "1920x1080" (or with an X or a multiplication sign "×") or a name: 1080p
// (1920x1080), 1440p (2560x1440), 4k (3840x2160), vertical (1080x1920); false for anything
// else.
bool ParseSize(const std::string& text, FrameSize* size);

// What ParseSize takes, for messages.
std::string SizeForm();

}  // namespace orvel::render

#endif
