#include "host/render/picture_deflate.h"

#include <string.h>

#include <libdeflate.h>

#include <algorithm>
#include <queue>

namespace orvel::render {
namespace {

constexpr size_t kMinMatch = 3;
constexpr size_t kMaxMatch = 258;
constexpr size_t kWindow = 32768;
// Literals, end of block, lengths. Only 286 are ever sent, but the fixed code is made over 288
// and its 9-bit codes come after all 8-bit ones, those of 286 and 287 included.
constexpr int kSymbols = 288;
constexpr int kDistances = 30;  // distance codes
constexpr int kEnd = 256;

// A token is a byte (below 256) or a run: kRun | length << 1 | (1 for the row above).
constexpr uint32_t kRun = 1u << 16;

// A code ready to write: its bits in the order the stream takes them, and how many.
struct Code {
  uint32_t bits = 0;
  uint32_t count = 0;
};

// Huffman codes go into the stream from their first bit, extra bits from their lowest.
uint32_t Reversed(uint32_t code, uint32_t count) {
  uint32_t r = 0;
  for (uint32_t i = 0; i < count; ++i) r |= ((code >> i) & 1u) << (count - 1 - i);
  return r;
}

const uint16_t kLengthBase[29] = {3,  4,  5,  6,  7,  8,  9,  10, 11,  13,  15,  17,  19,  23, 27,
                                  31, 35, 43, 51, 59, 67, 83, 99, 115, 131, 163, 195, 227, 258};
const uint8_t kLengthExtra[29] = {0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 2, 2, 2,
                                  2, 3, 3, 3, 3, 4, 4, 4, 4, 5, 5, 5, 5, 0};
const uint16_t kDistanceBase[30] = {1,    2,    3,    4,    5,    7,    9,    13,    17,    25,
                                    33,   49,   65,   97,   129,  193,  257,  385,   513,   769,
                                    1025, 1537, 2049, 3073, 4097, 6145, 8193, 12289, 16385, 24577};
const uint8_t kDistanceExtra[30] = {0, 0, 0, 0, 1, 1, 2, 2,  3,  3,  4,  4,  5,  5,  6,
                                    6, 7, 7, 8, 8, 9, 9, 10, 10, 11, 11, 12, 12, 13, 13};
// The order in which the lengths of the code-length code are sent.
const uint8_t kLengthOrder[19] = {16, 17, 18, 0, 8, 7, 9, 6, 10, 5, 11, 4, 12, 3, 13, 2, 14, 1, 15};

int LengthIndex(size_t n) {
  int i = 28;
  while (kLengthBase[i] > n) --i;
  return i;
}

int DistanceIndex(size_t d) {
  int i = 29;
  while (kDistanceBase[i] > d) --i;
  return i;
}

// The length code of every run length, and its extra bits.
struct LengthTable {
  uint16_t symbol[kMaxMatch + 1];
  Code extra[kMaxMatch + 1];
  LengthTable() {
    for (size_t n = kMinMatch; n <= kMaxMatch; ++n) {
      const int i = LengthIndex(n);
      symbol[n] = static_cast<uint16_t>(257 + i);
      extra[n] = {static_cast<uint32_t>(n - kLengthBase[i]), kLengthExtra[i]};
    }
  }
};

// deflate's fixed code lengths.
struct FixedLengths {
  uint8_t symbols[kSymbols];
  uint8_t distances[kDistances];
  FixedLengths() {
    for (int s = 0; s < kSymbols; ++s) symbols[s] = s < 144 ? 8 : s < 256 ? 9 : s < 280 ? 7 : 8;
    for (int d = 0; d < kDistances; ++d) distances[d] = 5;
  }
};

// How often each symbol of both alphabets occurs in a picture's tokens.
struct Counts {
  uint32_t symbols[kSymbols] = {};
  uint32_t distances[kDistances] = {};

  // The bits that the tokens take with these code lengths, extra bits left out.
  uint64_t Cost(const uint8_t* symbolLengths, const uint8_t* distanceLengths) const {
    uint64_t bits = 0;
    for (int s = 0; s < kSymbols; ++s) bits += uint64_t{symbols[s]} * symbolLengths[s];
    for (int d = 0; d < kDistances; ++d) bits += uint64_t{distances[d]} * distanceLengths[d];
    return bits;
  }
};

// Huffman code lengths of at most `limit` bits for the symbols that occur; others get 0. Where
// the best code is too deep, the counts are flattened and the code made again.
void HuffmanLengths(const uint32_t* counts, int n, int limit, uint8_t* lengths) {
  std::vector<uint32_t> weight(counts, counts + n);
  for (;;) {
    std::vector<int> parent(2 * n, -1);
    using Node = std::pair<uint64_t, int>;
    std::priority_queue<Node, std::vector<Node>, std::greater<Node>> queue;
    for (int s = 0; s < n; ++s)
      if (weight[s] > 0) queue.push({weight[s], s});
    int next = n;
    while (queue.size() > 1) {
      const Node a = queue.top();
      queue.pop();
      const Node b = queue.top();
      queue.pop();
      parent[a.second] = parent[b.second] = next;
      queue.push({a.first + b.first, next++});
    }
    int deepest = 0;
    for (int s = 0; s < n; ++s) {
      int depth = 0;
      if (weight[s] > 0)
        for (int p = s; parent[p] >= 0; p = parent[p]) ++depth;
      lengths[s] = static_cast<uint8_t>(depth);
      deepest = std::max(deepest, depth);
    }
    if (deepest <= limit) return;
    for (auto& w : weight)
      if (w > 0) w = w / 2 + 1;
  }
}

// The canonical codes of a set of code lengths, reversed for writing.
void CanonicalCodes(const uint8_t* lengths, int n, Code* codes) {
  uint32_t perLength[16] = {};
  for (int s = 0; s < n; ++s) ++perLength[lengths[s]];
  perLength[0] = 0;
  uint32_t next[16] = {};
  for (int bits = 1, code = 0; bits < 16; ++bits) {
    code = (code + perLength[bits - 1]) << 1;
    next[bits] = code;
  }
  for (int s = 0; s < n; ++s)
    codes[s] =
        lengths[s] == 0 ? Code{} : Code{Reversed(next[lengths[s]]++, lengths[s]), lengths[s]};
}

// Bits gathered low first and stored four bytes at a time; one call puts at most 31 bits.
class Bits {
 public:
  explicit Bits(uint8_t* out) : out_(out) {}
  void Put(uint32_t bits, uint32_t count) {
    held_ |= static_cast<uint64_t>(bits) << count_;
    count_ += count;
    if (count_ >= 32) {
      for (int i = 0; i < 4; ++i) *out_++ = static_cast<uint8_t>(held_ >> (8 * i));
      held_ >>= 32;
      count_ -= 32;
    }
  }
  void Put(Code c) { Put(c.bits, c.count); }
  // Pads to a whole byte and returns the end of what was written.
  uint8_t* Finish() {
    for (; count_ > 0; count_ -= count_ >= 8 ? 8 : count_) {
      *out_++ = static_cast<uint8_t>(held_);
      held_ >>= 8;
    }
    return out_;
  }

 private:
  uint8_t* out_;
  uint64_t held_ = 0;
  uint32_t count_ = 0;
};

// How many bytes from `a` repeat those from `b`, up to `most`; eight at a time where it can.
size_t Repeats(const uint8_t* a, const uint8_t* b, size_t most) {
  size_t n = 0;
  for (; n + 8 <= most; n += 8) {
    uint64_t x, y;
    memcpy(&x, a + n, 8);
    memcpy(&y, b + n, 8);
    if (x != y) break;
  }
  while (n < most && a[n] == b[n]) ++n;
  return n;
}

// A Huffman code needs two symbols at least: where fewer occur, the first unused ones are added.
void AtLeastTwo(uint32_t* counts, int n) {
  int used = 0;
  for (int s = 0; s < n; ++s) used += counts[s] > 0;
  for (int s = 0; s < n && used < 2; ++s)
    if (counts[s] == 0) counts[s] = 1, ++used;
}

// The code lengths of a dynamic block as the code-length alphabet (0-18) with extra bits:
// each entry is symbol | extra << 8. Runs use 16 (repeat 3-6), 17 (3-10 zeros), 18 (11-138).
std::vector<uint32_t> RunLengths(const uint8_t* lengths, int n) {
  std::vector<uint32_t> out;
  for (int i = 0; i < n;) {
    int run = 1;
    while (i + run < n && lengths[i + run] == lengths[i]) ++run;
    const uint32_t l = lengths[i];
    i += run;
    if (l == 0) {
      for (; run >= 11; run -= std::min(run, 138))
        out.push_back(18 | (std::min(run, 138) - 11) << 8);
      if (run >= 3) out.push_back(17 | (run - 3) << 8), run = 0;
    } else {
      out.push_back(l), --run;
      for (; run >= 3; run -= std::min(run, 6)) out.push_back(16 | (std::min(run, 6) - 3) << 8);
    }
    for (; run > 0; --run) out.push_back(l);
  }
  return out;
}

const uint8_t kRunExtraBits[19] = {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 2, 3, 7};

// A dynamic block's header: the code lengths of both alphabets, and its size in bits.
struct Header {
  int symbols = 257, distances = 1, lengthCodes = 4;
  std::vector<uint32_t> runs;
  uint8_t runLengths[19] = {};
  Code runCodes[19];
  uint64_t bits = 0;

  Header(const uint8_t* symbolLengths, const uint8_t* distanceLengths) {
    symbols = kSymbols;
    while (symbols > 257 && symbolLengths[symbols - 1] == 0) --symbols;
    distances = kDistances;
    while (distances > 1 && distanceLengths[distances - 1] == 0) --distances;
    uint8_t all[kSymbols + kDistances];
    memcpy(all, symbolLengths, symbols);
    memcpy(all + symbols, distanceLengths, distances);
    runs = RunLengths(all, symbols + distances);
    uint32_t counts[19] = {};
    for (uint32_t r : runs) ++counts[r & 0xff];
    AtLeastTwo(counts, 19);
    HuffmanLengths(counts, 19, 7, runLengths);
    CanonicalCodes(runLengths, 19, runCodes);
    lengthCodes = 19;
    while (lengthCodes > 4 && runLengths[kLengthOrder[lengthCodes - 1]] == 0) --lengthCodes;
    bits = 14 + 3 * lengthCodes;
    for (uint32_t r : runs) bits += runLengths[r & 0xff] + kRunExtraBits[r & 0xff];
  }

  void Write(Bits* out) const {
    out->Put(symbols - 257, 5);
    out->Put(distances - 1, 5);
    out->Put(lengthCodes - 4, 4);
    for (int i = 0; i < lengthCodes; ++i) out->Put(runLengths[kLengthOrder[i]], 3);
    for (uint32_t r : runs) {
      out->Put(runCodes[r & 0xff]);
      out->Put(r >> 8, kRunExtraBits[r & 0xff]);
    }
  }
};

}  // namespace

size_t PictureDeflater::Bound(size_t size) {
  // The block is written with fixed codes when those are smaller, and with them a byte takes
  // at most 9 bits, a run no more per byte. The header, block end and checksum take 12 bytes.
  return size + size / 8 + 32;
}

namespace {

// The picture as tokens (bytes, and runs repeating the bytes at distance[0] or distance[1],
// where distanceUsable says it lies in the window), counting each symbol. The longer repeat
// wins, the row above when they tie.
void Tokenize(const uint8_t* data, size_t size, const size_t distance[2],
              const bool distanceUsable[2], const int distanceSymbol[2], const LengthTable& lengths,
              std::vector<uint32_t>* tokens, Counts* counts) {
  tokens->clear();
  for (size_t p = 0; p < size;) {
    const size_t most = std::min(size - p, kMaxMatch);
    size_t best = 0;
    int from = 0;
    for (int k : {1, 0}) {
      if (best == most || !distanceUsable[k] || p < distance[k]) continue;
      const size_t n = Repeats(data + p, data + p - distance[k], most);
      if (n > best) best = n, from = k;
    }
    if (best >= kMinMatch) {
      tokens->push_back(kRun | static_cast<uint32_t>(best) << 1 | from);
      ++counts->symbols[lengths.symbol[best]];
      ++counts->distances[distanceSymbol[from]];
      p += best;
    } else {
      tokens->push_back(data[p]);
      ++counts->symbols[data[p++]];
    }
  }
  counts->symbols[kEnd] = 1;
  AtLeastTwo(counts->symbols, kSymbols);
  AtLeastTwo(counts->distances, kDistances);
}

}  // namespace

size_t PictureDeflater::Deflate(const uint8_t* data, size_t size, size_t rowBytes,
                                size_t pixelBytes, uint8_t* out) {
  static const LengthTable lengthTable;
  static const FixedLengths fixed;
  // Index 0 is the pixel to the left, 1 the row above; a distance outside the window is not
  // sought and stands as 1 in the tables.
  const size_t distance[2] = {pixelBytes, rowBytes};
  bool usable[2];
  int distanceSymbol[2];
  Code distanceExtra[2];
  for (int k = 0; k < 2; ++k) {
    usable[k] = distance[k] >= 1 && distance[k] <= kWindow;
    const size_t d = usable[k] ? distance[k] : 1;
    distanceSymbol[k] = DistanceIndex(d);
    distanceExtra[k] = {static_cast<uint32_t>(d - kDistanceBase[distanceSymbol[k]]),
                        kDistanceExtra[distanceSymbol[k]]};
  }
  Counts counts;
  Tokenize(data, size, distance, usable, distanceSymbol, lengthTable, &tokens_, &counts);

  // The picture's own codes, or the fixed ones where those come out smaller.
  uint8_t symbolLengths[kSymbols], distanceLengths[kDistances];
  HuffmanLengths(counts.symbols, kSymbols, 15, symbolLengths);
  HuffmanLengths(counts.distances, kDistances, 15, distanceLengths);
  const Header header(symbolLengths, distanceLengths);
  const bool dynamic = header.bits + counts.Cost(symbolLengths, distanceLengths) <
                       counts.Cost(fixed.symbols, fixed.distances);
  Code symbolCodes[kSymbols], distanceCodes[kDistances];
  CanonicalCodes(dynamic ? symbolLengths : fixed.symbols, kSymbols, symbolCodes);
  CanonicalCodes(dynamic ? distanceLengths : fixed.distances, kDistances, distanceCodes);
  Code runCode[2];
  for (int k = 0; k < 2; ++k) {
    const Code& c = distanceCodes[distanceSymbol[k]];
    runCode[k] = {c.bits | distanceExtra[k].bits << c.count, c.count + distanceExtra[k].count};
  }

  out[0] = 0x78;  // deflate with a 32 KiB window
  out[1] = 0x01;  // the fastest level; 0x7801 is a multiple of 31 as zlib requires
  Bits bits(out + 2);
  bits.Put(dynamic ? 0x5 : 0x3, 3);  // the last block, with its own or the fixed codes
  if (dynamic) header.Write(&bits);
  for (uint32_t t : tokens_) {
    if (t < kRun) {
      bits.Put(symbolCodes[t]);
      continue;
    }
    const size_t n = (t & 0xffff) >> 1;
    bits.Put(symbolCodes[lengthTable.symbol[n]]);
    bits.Put(lengthTable.extra[n]);
    bits.Put(runCode[t & 1]);
  }
  bits.Put(symbolCodes[kEnd]);
  uint8_t* end = bits.Finish();
  const uint32_t adler = libdeflate_adler32(1, data, size);
  for (int i = 3; i >= 0; --i) *end++ = static_cast<uint8_t>(adler >> (8 * i));
  return static_cast<size_t>(end - out);
}

}  // namespace orvel::render
