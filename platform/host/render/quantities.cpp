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

}  // namespace orvel::render
