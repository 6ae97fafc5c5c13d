#include "host/terminal/kitty.h"

#include <zlib.h>

#include <vector>

namespace orvel::terminal {
namespace {

// Base64 characters a command carries at most; longer data goes in chunks (m=1).
constexpr size_t kChunk = 4096;

void AppendBase64(const std::string& data, size_t from, size_t to, std::string* out) {
  static const char kDigits[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  for (size_t i = from; i < to; i += 3) {
    const uint32_t a = static_cast<unsigned char>(data[i]);
    const uint32_t b = i + 1 < to ? static_cast<unsigned char>(data[i + 1]) : 0;
    const uint32_t c = i + 2 < to ? static_cast<unsigned char>(data[i + 2]) : 0;
    const uint32_t n = a << 16 | b << 8 | c;
    out->push_back(kDigits[n >> 18]);
    out->push_back(kDigits[(n >> 12) & 63]);
    out->push_back(i + 1 < to ? kDigits[(n >> 6) & 63] : '=');
    out->push_back(i + 2 < to ? kDigits[n & 63] : '=');
  }
}

// The RGB bytes of a rectangle of the picture, deflated.
std::string Deflated(const Shown& next, const Area& a) {
  std::string rgb;
  rgb.reserve(static_cast<size_t>(a.right - a.left) * (a.bottom - a.top) * 3);
  for (int y = a.top; y < a.bottom; ++y) {
    for (int x = a.left; x < a.right; ++x) {
      const uint32_t p = next.At(x, y);
      rgb.push_back(static_cast<char>(p >> 16));
      rgb.push_back(static_cast<char>(p >> 8));
      rgb.push_back(static_cast<char>(p));
    }
  }
  uLongf size = compressBound(rgb.size());
  std::string packed(size, '\0');
  compress2(reinterpret_cast<Bytef*>(&packed[0]), &size, reinterpret_cast<const Bytef*>(rgb.data()),
            rgb.size(), Z_BEST_SPEED);
  packed.resize(size);
  return packed;
}

// One command with its keys and the payload, in chunks of kChunk base64 characters. The
// chunks after the first carry `again` before m: kitty takes each chunk by its own action, so
// a frame's chunk without a=f would become a new image of the frame's size.
void AppendCommand(const std::string& keys, const std::string& again, const std::string& payload,
                   std::string* out) {
  const size_t bytesPerChunk = kChunk / 4 * 3;
  size_t at = 0;
  do {
    const size_t end = std::min(payload.size(), at + bytesPerChunk);
    out->append("\x1b_G");
    out->append(at == 0 ? keys + "," : again);
    out->append(end < payload.size() ? "m=1;" : "m=0;");
    AppendBase64(payload, at, end, out);
    out->append("\x1b\\");
    at = end;
  } while (at < payload.size());
}

}  // namespace

void EncodeKitty(const Fit& fit, const Shown& sent, const Shown& next, std::string* out) {
  const std::string image = "i=" + std::to_string(kKittyImage);
  const std::string size = ",s=" + std::to_string(next.width) + ",v=" + std::to_string(next.height);
  if (sent.width != next.width || sent.height != next.height) {
    // Sent and placed at the cursor, which stays where it is (C=1).
    out->append("\x1b[" + std::to_string(fit.firstRow() + 1) + ";" +
                std::to_string(fit.firstCol() + 1) + "H");
    AppendCommand("a=T,f=24,o=z,q=2,C=1," + image + size, "",
                  Deflated(next, Area{0, 0, next.width, next.height}), out);
    return;
  }
  const std::vector<Area> areas = ChangedAreas(sent, next, fit.cellHeight(), 1);
  for (const Area& a : areas) {
    const std::string place = ",x=" + std::to_string(a.left) + ",y=" + std::to_string(a.top) +
                              ",s=" + std::to_string(a.right - a.left) +
                              ",v=" + std::to_string(a.bottom - a.top);
    // X=1: the rectangle replaces what the frame had, no blending.
    AppendCommand("a=f,r=1,X=1,f=24,o=z,q=2," + image + place, "a=f,r=1,q=2,", Deflated(next, a),
                  out);
  }
  // The root frame made current again, which has the terminal show the edits.
  if (!areas.empty()) out->append("\x1b_Ga=a,c=1,q=2," + image + "\x1b\\");
}

}  // namespace orvel::terminal
