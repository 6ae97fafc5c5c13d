// Any bytes as a sound stream, as `--input -` or a FIFO reads it: written into a pipe and
// opened through its descriptor, so that libsndfile reads it in order, never seeking, and the
// stream reader keeps its ring of the last two seconds. The first second is read in the
// program's buffers, then frames from before the ring and after the end.
#include <stddef.h>
#include <stdint.h>
#include <stdlib.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "winmm/generator.h"

namespace {

// A pipe holds 64 KiB before a writer waits; the whole input goes in before anything reads.
constexpr size_t kMostBytes = 60000;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size > kMostBytes) return 0;
  int ends[2];
  if (pipe(ends) != 0) abort();
  if (write(ends[1], data, size) != static_cast<ssize_t>(size)) abort();
  close(ends[1]);
  std::string error;
  auto source =
      orvel::wave::OpenFileGenerator("/proc/self/fd/" + std::to_string(ends[0]), nullptr, &error);
  close(ends[0]);  // the reader holds a descriptor of its own
  if (!source) return 0;
  if (source->Channels() < 1 || source->Channels() > 2) abort();
  std::vector<float> frames(static_cast<size_t>(2205) * source->Channels());
  for (int64_t first : {int64_t{0}, int64_t{2205}, int64_t{-100}, int64_t{1} << 40, int64_t{10}}) {
    source->Read(first, 2205, frames.data());
  }
  return 0;
}
