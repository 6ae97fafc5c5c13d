// What a second of CD playback costs: the "cdaudio" device plays a disc image written for the
// benchmark, under the virtual clock, so that each iteration is one second of music read from
// the disc, converted and handed to the output and the cable (the clock's back end stands in
// for the sound card, so the figure leaves out only SDL's own mixing). The target is under
// 0.3% of one core: 3 ms of CPU for each second.
#include <benchmark/benchmark.h>

#include <windows.h>
#include <mmsystem.h>

#include "disc_images.h"
#include "kernel/clock.h"
#include "winmm/cd_sources.h"

namespace {

void PlaySeconds(benchmark::State& state, orvel::test::Form form, int rate) {
  orvel::test::Folder folder;
  orvel::test::Options options;
  options.tracks = 2;
  options.sectorsPerTrack = 75 * 60;
  options.rate = rate;
  const orvel::test::Image image = orvel::test::WriteImage(folder.path(), form, options);
  orvel::clock::Use(orvel::clock::Mode::kVirtual);
  std::string error;
  if (!orvel::cdaudio::ChooseDisc(image.path, &error)) {
    state.SkipWithError(error.c_str());
    return;
  }
  MCI_OPEN_PARMSA open = {};
  open.lpstrDeviceType = "cdaudio";
  mciSendCommandA(0, MCI_OPEN, MCI_OPEN_TYPE, reinterpret_cast<DWORD_PTR>(&open));
  MCI_PLAY_PARMS play = {};
  for (auto _ : state) {
    MCI_STATUS_PARMS status = {};
    status.dwItem = MCI_STATUS_MODE;
    mciSendCommandA(open.wDeviceID, MCI_STATUS, MCI_STATUS_ITEM,
                    reinterpret_cast<DWORD_PTR>(&status));
    if (status.dwReturn != MCI_MODE_PLAY) {
      play.dwFrom = MCI_MAKE_MSF(0, 2, 0);  // the end of the disc: from the start again
      mciSendCommandA(open.wDeviceID, MCI_PLAY, MCI_FROM, reinterpret_cast<DWORD_PTR>(&play));
    }
    orvel::clock::AdvanceTo(orvel::clock::NowMicros() + 1000000);
  }
  mciSendCommandA(open.wDeviceID, MCI_CLOSE, 0, 0);
  state.SetLabel("CPU per second of playback");
}

BENCHMARK_CAPTURE(PlaySeconds, CueBin, orvel::test::Form::kCueBin, 44100)
    ->Unit(benchmark::kMillisecond)
    ->MeasureProcessCPUTime();
BENCHMARK_CAPTURE(PlaySeconds, FlacFolder44k, orvel::test::Form::kFlacFolder, 44100)
    ->Unit(benchmark::kMillisecond)
    ->MeasureProcessCPUTime();
BENCHMARK_CAPTURE(PlaySeconds, FlacFolder48k, orvel::test::Form::kFlacFolder, 48000)
    ->Unit(benchmark::kMillisecond)
    ->MeasureProcessCPUTime();

}  // namespace
