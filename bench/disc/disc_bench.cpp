// What playing a disc costs: one second of audio (75 sectors read in order) from a BIN image,
// a folder of 44.1 kHz FLAC files and one of 48 kHz FLAC files (resampled). The time per
// iteration is CPU per second of playback; 3 ms is 0.3% of a core.
#include <benchmark/benchmark.h>

#include <memory>
#include <vector>

#include "disc/disc.h"
#include "disc_images.h"

namespace {

using orvel::disc::Disc;
using orvel::test::Form;

void BM_PlayOneSecond(benchmark::State& state, Form form, int rate) {
  orvel::test::Folder folder;
  orvel::test::Options options;
  options.tracks = 3;
  options.sectorsPerTrack = 20 * orvel::disc::kSectorsPerSecond;
  options.rate = rate;
  orvel::test::Image image = orvel::test::WriteImage(folder.path(), form, options);
  std::string error;
  std::unique_ptr<Disc> disc = orvel::disc::OpenDisc(image.path, &error);
  if (!disc) {
    state.SkipWithError(error.c_str());
    return;
  }
  const int n = orvel::disc::kSectorsPerSecond;
  std::vector<int16_t> out(static_cast<size_t>(n) * orvel::disc::kFramesPerSector * 2);
  int32_t sector = 0;
  for (auto _ : state) {
    if (sector + n > disc->Toc().leadOut) sector = 0;
    disc->Read(sector, n, out.data());
    benchmark::DoNotOptimize(out.data());
    sector += n;
  }
}
BENCHMARK_CAPTURE(BM_PlayOneSecond, bin, Form::kCueBin, 44100)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_PlayOneSecond, flac_folder_44k1, Form::kFlacFolder, 44100)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_PlayOneSecond, flac_folder_48k, Form::kFlacFolder, 48000)
    ->Unit(benchmark::kMillisecond);

}  // namespace
