#include "host/render/render.h"

#include <windows.h>

#include <signal.h>
#include <stdio.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <sndfile.h>

#include <atomic>
#include <chrono>
#include <memory>
#include <vector>

#include "host/ending.h"
#include "host/enlarge.h"
#include "host/headless.h"
#include "host/hosts.h"
#include "host/render/album.h"
#include "host/render/cable_tap.h"
#include "host/render/quantities.h"
#include "host/render/script.h"
#include "host/render/sink.h"
#include "kernel/clock.h"
#include "kernel/printable.h"
#include "user/host.h"
#include "winmm/cd_sources.h"
#include "winmm/demo_synth.h"

namespace orvel::render {
namespace {

// Set when something outside closes the window (a signal, host/ending.h) before the end.
std::atomic<bool> g_interrupted{false};

std::string Clock(int64_t micros) {
  const int64_t s = micros / 1000000;
  char text[32];
  if (s >= 3600) {
    snprintf(text, sizeof text, "%d:%02d:%02d", static_cast<int>(s / 3600),
             static_cast<int>(s / 60 % 60), static_cast<int>(s % 60));
  } else {
    snprintf(text, sizeof text, "%d:%02d", static_cast<int>(s / 60), static_cast<int>(s % 60));
  }
  return text;
}

// The length of the music in microseconds; false with *error naming the file.
bool MusicLength(const std::string& input, int64_t* micros, std::string* error) {
  if (input == "demo") {
    *micros = wave::kDemoLoop * 1000000 / wave::kDemoRate;
    return true;
  }
  // The music is read twice, for the pictures and for the sound: a stream cannot be.
  struct stat st;
  if (stat(input.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) {
    *error = "a render reads its music from a file; '" + input + "' is a stream";
    return false;
  }
  SF_INFO info = {};
  SNDFILE* file = sf_open(input.c_str(), SFM_READ, &info);
  if (file == nullptr || info.samplerate <= 0) {
    if (file) sf_close(file);
    *error = "'" + input + "' is not an audio file";
    return false;
  }
  sf_close(file);
  *micros = static_cast<int64_t>(info.frames) * 1000000 / info.samplerate;
  return true;
}

// What to render: window frames [first, first + count) and the music under them.
struct Plan {
  int64_t first = 0;
  int64_t count = 0;
  AudioSpan audio;
  Rate rate;
  host::Layout layout;
  std::vector<Action> actions;
  std::unique_ptr<CableTap> cable;  // a disc's render: its sound
  std::unique_ptr<Album> album;
};

// Where the window lies in the render's frames (--size, --scale).
bool PlanFrames(const Options& o, host::Layout* layout, std::string* error) {
  FrameSize size;
  if (!o.size.empty() && !ParseSize(o.size, &size)) {
    *error = "--size '" + o.size + "' is not " + SizeForm();
    return false;
  }
  return host::MakeLayout(kWindowWidth, kWindowHeight, size.width, size.height, o.scale, layout,
                          error);
}

// The actions of --showcase or --script, false with *error.
bool ChooseActions(const Options& o, std::vector<Action>* actions, std::string* error) {
  if (o.showcase && !o.script.empty()) {
    *error = "give --script or --showcase, not both";
    return false;
  }
  if (o.showcase) *actions = Showcase();
  return o.script.empty() || LoadScript(o.script, actions, error);
}

// What both kinds of render take alike: the output's rate, the frames' layout, and the actions
// of --showcase or --script after those already planned (at one time, in that order).
bool PlanOutput(const Options& o, Plan* plan, std::string* error) {
  if (!ParseRate(o.fpsOut, &plan->rate)) {
    *error = "--fps-out '" + o.fpsOut + "' is not " + RateForm();
    return false;
  }
  if (!PlanFrames(o, &plan->layout, error)) return false;
  std::vector<Action> more;
  if (!ChooseActions(o, &more, error)) return false;
  plan->actions.insert(plan->actions.end(), more.begin(), more.end());
  std::stable_sort(plan->actions.begin(), plan->actions.end(),
                   [](const Action& a, const Action& b) { return a.micros < b.micros; });
  return true;
}

// A disc's render: the album's length, its sound off the cable and its own actions before
// those of a script.
bool MakeAlbumPlan(const Options& o, Plan* plan, std::string* error) {
  const std::shared_ptr<disc::Disc> disc = cdaudio::DiscToOpen();
  if (!disc) {
    *error = "a render of a disc needs --cd with a disc image, a CUE sheet or a folder";
    return false;
  }
  if (!o.from.empty()) {
    *error = "--from starts a render of a music file; for a disc choose --tracks";
    return false;
  }
  if (o.eachTrack && o.output == "-") {
    *error = "--each-track writes a file a track; standard output is one stream";
    return false;
  }
  plan->album = std::make_unique<Album>();
  if (!PlanAlbum(*disc, o.tracks, !o.showcase && o.script.empty(), plan->album.get(), error)) {
    return false;
  }
  int64_t end = plan->album->lengthMicros;
  if (o.seconds >= 0) end = std::min(end, static_cast<int64_t>(o.seconds * 1e6));
  plan->count = (end + kFrameMicros - 1) / kFrameMicros;
  plan->cable = std::make_unique<CableTap>();
  plan->audio = AudioSpan{"cd", plan->cable.get(), 0, end};
  plan->actions = plan->album->actions;
  return PlanOutput(o, plan, error);
}

bool MakePlan(const Options& o, const std::string& input, Plan* plan, std::string* error) {
  if (input == "cd") return MakeAlbumPlan(o, plan, error);
  if (!o.tracks.empty() || o.eachTrack) {
    *error = "--tracks and --each-track choose tracks of a disc: give --cd";
    return false;
  }
  // Live sources run in real time; a render reads its music from a file.
  if (input == "default" || input == "monitor") {
    *error = "a render needs music to read: --input FILE or --input demo";
    return false;
  }
  int64_t length = 0, from = 0;
  if (!MusicLength(input, &length, error)) return false;
  if (!o.from.empty() && !ParseTime(o.from, &from)) {
    *error = "--from '" + o.from + "' is not a time (" + TimeForm() + ")";
    return false;
  }
  if (length == 0) {
    *error = "'" + input + "' holds no sound to render";
    return false;
  }
  if (from >= length) {
    *error = "--from " + o.from + " is past the end of '" + input + "' (" + Clock(length) + ")";
    return false;
  }
  plan->first = from / kFrameMicros;
  const int64_t start = plan->first * kFrameMicros;
  int64_t end = length;
  if (o.seconds >= 0) end = std::min(end, from + static_cast<int64_t>(o.seconds * 1e6));
  plan->count = (end - start + kFrameMicros - 1) / kFrameMicros;
  plan->audio = AudioSpan{input, nullptr, start, end - start};
  return PlanOutput(o, plan, error);
}

// Output frames that start before window frame i (of the render) starts.
int64_t OutputBefore(int64_t i, const Rate& rate) {
  const int64_t scaled = i * kFrameMicros * rate.num;
  const int64_t unit = int64_t{1000000} * rate.den;
  return (scaled + unit - 1) / unit;
}

// The progress line, on a terminal only, at most five times a second.
class Progress {
 public:
  explicit Progress(int64_t total) : total_(total), shown_(isatty(STDERR_FILENO)) {}

  void Update(int64_t done) {
    if (!shown_) return;
    const auto now = std::chrono::steady_clock::now();
    if (now - last_ < std::chrono::milliseconds(200) && done < total_) return;
    last_ = now;
    const double seconds = std::chrono::duration<double>(now - start_).count();
    const double fps = seconds > 0 ? done / seconds : 0;
    const int64_t left = fps > 0 ? static_cast<int64_t>((total_ - done) / fps * 1e6) : 0;
    fprintf(stderr, "\rorvel: frame %lld/%lld  %.0f fps  %s left \033[K",
            static_cast<long long>(done), static_cast<long long>(total_), fps, Clock(left).c_str());
  }

  void Clear() {
    if (shown_) fprintf(stderr, "\r\033[K");
  }

 private:
  int64_t total_;
  bool shown_;
  std::chrono::steady_clock::time_point start_ = std::chrono::steady_clock::now();
  std::chrono::steady_clock::time_point last_;
};

// The render while the program runs: takes each window frame at its moment on the clock.
class Recorder {
 public:
  Recorder(const Plan& plan, Sink* sink) : plan_(plan), sink_(sink), progress_(plan.count) {
    if (plan.layout.Enlarges(kWindowWidth, kWindowHeight)) {
      enlarger_ = std::make_unique<host::Enlarger>(kWindowWidth, kWindowHeight, plan.layout);
      frame_ = gdi::Surface(plan.layout.frameWidth, plan.layout.frameHeight);
    }
  }

  void Start() {
    for (const Action& action : plan_.actions) {
      clock::ScheduleAt(action.micros, [action] { Perform(action, MainWindow()); });
    }
    ScheduleTake(plan_.first);
  }

  int64_t Taken() const { return taken_; }
  bool Failed() const { return failed_; }
  Progress& progress() { return progress_; }

 private:
  static HWND MainWindow() {
    const std::vector<HWND> windows = headless::TopLevelWindows();
    return windows.empty() ? nullptr : windows.front();
  }

  void ScheduleTake(int64_t frame) {
    clock::ScheduleAt((frame + 1) * kFrameMicros, [this, frame] { Take(frame); });
  }

  void Take(int64_t frame) {
    HWND main = MainWindow();
    gdi::Surface* picture = user::TopLevelSurface(main);
    if (picture == nullptr) return End(main);
    // As a host presents a window: what drawing touched since the last frame, then no more.
    std::vector<RECT> changed = picture->DamageRects();
    if (taken_ == 0) changed = {RECT{0, 0, picture->width, picture->height}};
    picture->ClearDamage();
    const gdi::Surface* shown = picture;
    if (enlarger_) {
      changed = enlarger_->Update(*picture, changed, frame_.pixels.data(),
                                  static_cast<size_t>(frame_.width));
      shown = &frame_;
      if (taken_ == 0) changed = {RECT{0, 0, shown->width, shown->height}};
    }
    const int64_t i = frame - plan_.first;
    const int count =
        static_cast<int>(OutputBefore(i + 1, plan_.rate) - OutputBefore(i, plan_.rate));
    if (!sink_->Write(*shown, changed, count)) {
      failed_ = true;
      return End(main);
    }
    ++taken_;
    progress_.Update(taken_);
    if (taken_ >= plan_.count) return End(main);
    ScheduleTake(frame + 1);
  }

  static void End(HWND main) {
    if (main) PostMessageA(main, WM_CLOSE, 0, 0);
  }

  const Plan& plan_;
  Sink* sink_;
  Progress progress_;
  std::unique_ptr<host::Enlarger> enlarger_;  // null when the frames are the window's size
  gdi::Surface frame_;                        // what the enlarger draws, black around it
  int64_t taken_ = 0;
  bool failed_ = false;
};

std::string Where(const std::string& output) {
  return output == "-" ? "standard output" : output;
}

// Tells the user `message`: input it echoes (names, times, script words) has its control bytes
// quoted, so that a file cannot drive the terminal.
void Say(const std::string& message) {
  fprintf(stderr, "orvel: %s\n", Printable(message).c_str());
}

// After the program: finishes the output and tells the user how it went.
int Conclude(const Plan& plan, const Options& o, const std::vector<std::string>& files, Sink* sink,
             Recorder* recorder) {
  recorder->progress().Clear();
  const bool finished = !recorder->Failed() && sink->Finish();
  if (!finished) {
    const std::string left = sink->Discard();
    Say(sink->Error() + (left.empty() ? "" : "; " + left));
    return 1;
  }
  const int64_t frames = recorder->Taken();
  const std::string rendered = Clock(frames * kFrameMicros);
  if (g_interrupted) {
    Say("interrupted at " + rendered + " of " + Clock(plan.count * kFrameMicros) + "; " +
        Where(o.output) + " holds the " + std::to_string(frames) +
        " frames rendered so far and plays as it is");
    return 130;
  }
  if (frames < plan.count) {
    Say("the program ended after " + std::to_string(frames) + " of " + std::to_string(plan.count) +
        " frames; " + Where(o.output) + " holds those");
    return 1;
  }
  std::string where = Where(o.output);
  if (!files.empty()) {
    where = std::to_string(files.size()) + " files, " + files.front() + " to " + files.back();
  }
  Say("rendered " + std::to_string(frames) + " frames (" + rendered + ") to " + where);
  return 0;
}

}  // namespace

int Run(const Options& o, const std::string& input, const std::function<int()>& program) {
  Plan plan;
  std::string error;
  if (!MakePlan(o, input, &plan, &error)) {
    Say(error);
    return 1;
  }
  SinkSettings settings;
  settings.output = o.output;
  settings.codec = o.codec;
  settings.crf = o.crf;
  settings.rate = plan.rate;
  settings.audio = plan.audio;
  settings.width = plan.layout.frameWidth;
  settings.height = plan.layout.frameHeight;
  std::vector<std::string> files;  // --each-track
  if (plan.album) settings.labels = plan.album->labels;
  std::unique_ptr<Sink> sink = plan.album && o.eachTrack
                                   ? OpenTrackSinks(settings, *plan.album, &files, &error)
                                   : OpenSink(settings, &error);
  if (!sink) {
    Say(error);
    return 1;
  }
  signal(SIGPIPE, SIG_IGN);  // a closed pipe is a write error, reported as such
  host::BeforeClose([] { g_interrupted = true; });
  // Callbacks run on the window thread while it waits for them anyway: half the render's CPU
  // time went into switching to the worker and back.
  clock::Use(clock::Mode::kVirtual, clock::Callbacks::kAdvancingThread);
  // The start-up boxes (no CD, About) are answered as a user pressing Enter would.
  host::UseHeadless(host::HeadlessSettings{true});
  if (plan.cable) plan.cable->Start();
  Recorder recorder(plan, sink.get());
  recorder.Start();
  program();
  return Conclude(plan, o, files, sink.get(), &recorder);
}

}  // namespace orvel::render
