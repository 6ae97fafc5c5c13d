// The page's own sound input, "/page": the demo music until a song is dropped on the page (or
// chosen with its file button), then that song, decoded by the browser, and the demo again
// after its end. The page has no files of the user's to open by name, so it is the one "file"
// that OpenFileGenerator knows. 44.1 kHz stereo, the rate the page decodes songs at; the demo
// (22.05 kHz mono) is doubled up to it.
#include <algorithm>
#include <memory>
#include <vector>

#include <emscripten.h>

#include "demo_synth.h"
#include "generator.h"

namespace orvel::wave {
namespace {

constexpr int kPageRate = 44100;
constexpr int kPageChannels = 2;

class PageInput : public Generator {
 public:
  PageInput() : Generator(kPageRate, kPageChannels) {}

  // The song plays from the next frame read on, as the listener hears it.
  void PlaySong(const float* frames, int64_t count) {
    song_.assign(frames, frames + count * kPageChannels);
    songStart_ = nextRead_;
  }

  void Read(int64_t first, int count, float* out) override {
    if (count <= 0) return;
    nextRead_ = std::max(nextRead_, first + count);
    const int64_t demoFirst = first >> 1;  // floor, also before frame 0
    demo_.resize(static_cast<size_t>(((first + count - 1) >> 1) - demoFirst + 1));
    DemoRender(demoFirst, static_cast<int>(demo_.size()), demo_.data());
    const int64_t songFrames = static_cast<int64_t>(song_.size()) / kPageChannels;
    for (int i = 0; i < count; ++i) {
      const int64_t frame = first + i;
      const int64_t inSong = frame - songStart_;
      float* at = out + static_cast<ptrdiff_t>(i) * kPageChannels;
      if (inSong >= 0 && inSong < songFrames) {
        at[0] = song_[static_cast<size_t>(inSong) * 2];
        at[1] = song_[static_cast<size_t>(inSong) * 2 + 1];
      } else {
        at[0] = at[1] = demo_[static_cast<size_t>((frame >> 1) - demoFirst)];
      }
    }
  }

 private:
  std::vector<float> song_;  // interleaved stereo
  int64_t songStart_ = 0;
  int64_t nextRead_ = 0;
  std::vector<float> demo_;  // the demo's frames under this read
};

PageInput* g_page = nullptr;

}  // namespace

std::unique_ptr<Generator> OpenFileGenerator(const std::string& name, EndHook, std::string* error) {
  if (name != "/page" || g_page != nullptr) {
    *error = "a web page reads no files by name ('" + name + "'): drop a song on the page";
    return nullptr;
  }
  auto page = std::make_unique<PageInput>();
  g_page = page.get();
  return page;
}

}  // namespace orvel::wave

// Called by the page with a decoded song, 44.1 kHz interleaved stereo. Returns 0 when the
// page's input is not in use (the microphone, or the tests' demo).
extern "C" EMSCRIPTEN_KEEPALIVE int orvel_web_song(const float* frames, int count) {
  if (orvel::wave::g_page == nullptr || count < 0) return 0;
  orvel::wave::g_page->PlaySong(frames, count);
  return 1;
}
