#include "host/render/quantities.h"

#include <math.h>
#include <stdlib.h>

namespace orvel::render {
namespace {

// A run of digits from text[*i] on as a number, at most `limit`; false for none or more.
bool Digits(const std::string& text, size_t* i, int64_t limit, int64_t* value) {
  const size_t start = *i;
  *value = 0;
  for (; *i < text.size() && text[*i] >= '0' && text[*i] <= '9'; ++*i) {
    *value = *value * 10 + (text[*i] - '0');
    if (*value > limit) return false;
  }
  return *i > start;
}

}  // namespace

bool ParseTime(const std::string& text, int64_t* micros) {
  if (text.empty() || text.size() > 32) return false;
  int64_t whole = 0;
  size_t i = 0;
  for (int fields = 0;; ++fields) {
    int64_t field = 0;
    if (!Digits(text, &i, kMaxTimeSeconds, &field) || (fields > 0 && field >= 60)) return false;
    whole = whole * 60 + field;
    if (whole > kMaxTimeSeconds) return false;
    if (i < text.size() && text[i] == ':' && fields < 2) {
      ++i;
      continue;
    }
    break;
  }
  int64_t fraction = 0;
  if (i < text.size() && text[i] == '.') {
    ++i;
    int64_t scale = 100000;
    const size_t start = i;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i, scale /= 10) {
      fraction += (text[i] - '0') * scale;
    }
    if (i == start) return false;
  }
  if (i != text.size()) return false;
  *micros = whole * 1000000 + fraction;
  return true;
}

std::string TimeForm() {
  return "m:ss, for example 0:05 or 1:30.5, up to " + std::to_string(kMaxTimeSeconds) + " seconds";
}

bool ParseRate(const std::string& text, Rate* rate) {
  if (text.empty()) return true;
  const size_t slash = text.find('/');
  Rate r;
  if (slash != std::string::npos) {
    size_t i = 0, j = slash + 1;
    int64_t num = 0, den = 0;
    if (!Digits(text, &i, kMaxRatePart, &num) || i != slash ||
        !Digits(text, &j, kMaxRatePart, &den) || j != text.size() || den == 0) {
      return false;
    }
    r = Rate{static_cast<int>(num), static_cast<int>(den)};
  } else {
    // Digits and one point only: strtod's other forms (1e9, inf, nan, hex) are not rates.
    if (text.find_first_not_of("0123456789.") != std::string::npos) return false;
    char* end = nullptr;
    const double value = strtod(text.c_str(), &end);
    if (*end != '\0' || !(value >= kMinRate && value <= kMaxRate)) return false;
    r = Rate{static_cast<int>(lround(value * 1000)), 1000};
  }
  const double fps = static_cast<double>(r.num) / r.den;
  if (!(fps >= kMinRate && fps <= kMaxRate)) return false;
  *rate = r;
  return true;
}

std::string RateForm() {
  return "a frame rate such as 30, 25, 29.97 or 30000/1001, from 0.1 to 240 frames a second";
}

bool ParseSize(const std::string& text, FrameSize* size) {
  static const struct {
    const char* name;
    FrameSize size;
  } kNamed[] = {{"1080p", {1920, 1080}},
                {"1440p", {2560, 1440}},
                {"4k", {3840, 2160}},
                {"vertical", {1080, 1920}}};
  std::string lower;
  for (char c : text) lower += static_cast<char>(c >= 'A' && c <= 'Z' ? c + 32 : c);
  for (const auto& named : kNamed) {
    if (lower == named.name) return (*size = named.size), true;
  }
  size_t i = 0;
  int64_t width = 0, height = 0;
  if (!Digits(lower, &i, kMaxSide, &width)) return false;
  if (lower.compare(i, 1, "x") == 0) {
    i += 1;
  } else if (lower.compare(i, 2, "\xc3\x97") == 0) {
    i += 2;
  } else {
    return false;
  }
  if (!Digits(lower, &i, kMaxSide, &height) || i != lower.size()) return false;
  if (width < kMinSide || height < kMinSide) return false;
  *size = FrameSize{static_cast<int>(width), static_cast<int>(height)};
  return true;
}

std::string SizeForm() {
  return "WIDTHxHEIGHT such as 1920x1080, each side " + std::to_string(kMinSide) + " to " +
         std::to_string(kMaxSide) + " pixels, or 1080p, 1440p, 4k or vertical";
}

}  // namespace orvel::render
