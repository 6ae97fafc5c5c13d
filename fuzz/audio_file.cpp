// Any bytes as an audio file, as the input opens it: libsndfile reads them from memory (its
// virtual I/O), the file's checks and generator follow, and the first second is
// converted to the 8-bit mono 22050 Hz the program records, in the buffers it uses.
#include <stddef.h>
#include <stdint.h>
#include <string.h>

#include <algorithm>
#include <vector>

#include <sndfile.h>

#include "winmm/convert.h"
#include "winmm/generator.h"

namespace {

struct Memory {
  const uint8_t* data;
  sf_count_t size;
  sf_count_t at;
};

sf_count_t Length(void* user) {
  return static_cast<Memory*>(user)->size;
}

sf_count_t Seek(sf_count_t offset, int whence, void* user) {
  auto* m = static_cast<Memory*>(user);
  const sf_count_t base = whence == SEEK_CUR ? m->at : whence == SEEK_END ? m->size : 0;
  if (offset < -base || offset > m->size - base) return -1;
  m->at = base + offset;
  return m->at;
}

sf_count_t Read(void* out, sf_count_t count, void* user) {
  auto* m = static_cast<Memory*>(user);
  const sf_count_t n = std::max<sf_count_t>(0, std::min(count, m->size - m->at));
  memcpy(out, m->data + m->at, static_cast<size_t>(n));
  m->at += n;
  return n;
}

sf_count_t Write(const void*, sf_count_t, void*) {
  return 0;
}

sf_count_t Tell(void* user) {
  return static_cast<Memory*>(user)->at;
}

constexpr int kBufferSamples = 2205;  // a tenth of a second, as the program records
constexpr int kSeconds = 1;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  Memory memory{data, static_cast<sf_count_t>(size), 0};
  SF_VIRTUAL_IO io{Length, Seek, Read, Write, Tell};
  SF_INFO info;
  memset(&info, 0, sizeof info);
  SNDFILE* file = sf_open_virtual(&io, SFM_READ, &info, &memory);
  if (file == nullptr) return 0;
  std::string error;
  auto source = orvel::wave::MakeFileGenerator(file, info, "fuzz.wav", nullptr, &error);
  if (!source) return 0;
  orvel::wave::PcmFormat format;  // 8-bit mono 22050 Hz
  orvel::wave::Converter converter(source->Rate(), source->Channels(), format);
  std::vector<float> frames;
  uint8_t out[kBufferSamples];
  for (int64_t first = 0; first < kSeconds * format.rate; first += kBufferSamples) {
    const orvel::wave::FrameSpan span = converter.Span(first, kBufferSamples);
    frames.resize(static_cast<size_t>(span.Frames()) * static_cast<size_t>(source->Channels()));
    source->Read(span.first, span.Frames(), frames.data());
    converter.Convert(frames.data(), first, kBufferSamples, out);
  }
  return 0;
}
