// What a user gets wrong, and Ctrl-C: clear messages naming the file, nothing left behind
// without saying so, the program not even started when the fault is known beforehand, and an
// interrupted render that still plays.
#include <gtest/gtest.h>

extern "C" {
#include <libavformat/avformat.h>
}

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>

#include <chrono>
#include <thread>

#include "run_orvel.h"
#include "wait_scale.h"

extern char** environ;

namespace {

using orvel::test::Exists;
using orvel::test::RunOrvel;
using orvel::test::Scratch;

// The headless host says so when it answers the About box: the program ran.
constexpr char kProgramRan[] = "(a dialog; Enter pressed)";

TEST(RenderCommandLine, FaultsKnownBeforehandStopTheRenderBeforeTheProgramRuns) {
  const std::string dir = Scratch("faults");
  ASSERT_TRUE(orvel::test::WriteTone(dir + "/tone.wav", 0.5, 22050, 1));
  std::ofstream(dir + "/script.txt") << "0:00.2 click bars\n\n0:00.3 clack bars\n";
  std::ofstream(dir + "/file.txt") << "a file, not a folder\n";
  const std::string tone = "--input " + dir + "/tone.wav ";
  struct Case {
    std::string arguments;
    std::string output;  // must not exist afterwards
    std::vector<std::string> said;
  };
  const Case cases[] = {
      {tone + "--script " + dir + "/script.txt --render " + dir + "/a.mp4",
       dir + "/a.mp4",
       {dir + "/script.txt:3:", "clack"}},
      {tone + "--render " + dir + "/file.txt/b.mp4",
       dir + "/file.txt/b.mp4",
       {dir + "/file.txt/b.mp4"}},
      {tone + "--render " + dir + "/file.txt/%03d.png",
       dir + "/file.txt/001.png",
       {dir + "/file.txt"}},
      {tone + "--render " + dir + "/c.avi", dir + "/c.avi", {"c.avi", ".mp4", "%05d.png", ".gif"}},
      {tone + "--codec nosuch --render " + dir + "/d.mp4", dir + "/d.mp4", {"nosuch", "d.mp4"}},
      {tone + "--codec h264 --render " + dir + "/e.webm", dir + "/e.webm", {"h264", ".webm"}},
      {tone + "--from 0:01 --render " + dir + "/f.mp4", dir + "/f.mp4", {"past the end"}},
      {"--input " + dir + "/script.txt --render " + dir + "/g.mp4",
       dir + "/g.mp4",
       {dir + "/script.txt", "not an audio file"}},
      {"--input default --render " + dir + "/h.mp4", dir + "/h.mp4", {"--input FILE"}},
      {tone + "--screenshot " + dir + "/i.png --render " + dir + "/i.mp4",
       dir + "/i.mp4",
       {"--screenshot", "frames/%05d.png"}},
  };
  for (const Case& c : cases) {
    const auto o = RunOrvel(c.arguments, dir + "/out");
    EXPECT_EQ(o.exitCode, 1) << c.arguments << "\n" << o.errors;
    for (const std::string& words : c.said) {
      EXPECT_NE(o.errors.find(words), std::string::npos) << words << " in:\n" << o.errors;
    }
    EXPECT_EQ(o.errors.find(kProgramRan), std::string::npos) << o.errors;
    EXPECT_FALSE(Exists(c.output)) << c.output;
  }
}

// The live program renders raw frames itself and needs orvel-render only for files: a copy of
// it alone pipes frames, and names the renderer it lacks for a video.
TEST(RenderCommandLine, RawFramesNeedNoRendererBesideTheProgram) {
  const std::string dir = Scratch("alone");
  ASSERT_TRUE(orvel::test::WriteTone(dir + "/tone.wav", 0.5, 22050, 1));
  const std::string alone = dir + "/orvel";
  ASSERT_EQ(system(("cp '" ORVEL_PROGRAM "' '" + alone + "'").c_str()), 0);
  const std::string run =
      "env -u DISPLAY -u WAYLAND_DISPLAY '" + alone + "' --input '" + dir + "/tone.wav' --render ";
  ASSERT_EQ(system((run + "- >'" + dir + "/raw' 2>/dev/null").c_str()), 0);
  std::ifstream raw(dir + "/raw", std::ios::binary | std::ios::ate);
  EXPECT_EQ(static_cast<long>(raw.tellg()), 16L * 561 * 411 * 3);  // 0.5 s: 16 frames

  const int status = system((run + "'" + dir + "/v.mp4' 2>'" + dir + "/err'").c_str());
  EXPECT_EQ(WEXITSTATUS(status), 1);
  const std::string said = orvel::test::ReadAll(dir + "/err");
  EXPECT_NE(said.find("cannot start the renderer '" + dir + "/orvel-render'"), std::string::npos)
      << said;
}

TEST(RenderCommandLine, AFullDiskIsReportedAndTheBrokenFileRemoved) {
  const std::string dir = Scratch("full");
  ASSERT_TRUE(orvel::test::WriteTone(dir + "/tone.wav", 1.0, 22050, 1));
  const std::string video = dir + "/full.mp4";
  ASSERT_EQ(symlink("/dev/full", video.c_str()), 0);  // every write fails with ENOSPC
  auto o = RunOrvel("--input " + dir + "/tone.wav --render " + video, dir + "/out");
  EXPECT_EQ(o.exitCode, 1);
  EXPECT_NE(o.errors.find(video), std::string::npos) << o.errors;
  EXPECT_NE(o.errors.find("No space left on device"), std::string::npos) << o.errors;
  EXPECT_EQ(o.errors.find("removed"), std::string::npos) << o.errors;  // a device stays

  // A disk that fills up in the middle: the file may grow to 64 KiB only.
  const std::string longer = dir + "/longer.mp4";
  o = RunOrvel("--input demo --seconds 20 --render " + longer, dir + "/out", "",
               "trap '' XFSZ; ulimit -f 64");
  EXPECT_EQ(o.exitCode, 1);
  EXPECT_NE(o.errors.find(longer + "': File too large; the incomplete"), std::string::npos)
      << o.errors;
  EXPECT_NE(o.errors.find(kProgramRan), std::string::npos) << o.errors;
  EXPECT_FALSE(Exists(longer));

  o = RunOrvel("--input " + dir + "/tone.wav --render -", "/dev/full", dir + "/raw.err");
  EXPECT_EQ(o.exitCode, 1);
  EXPECT_NE(o.errors.find("standard output: No space left on device"), std::string::npos)
      << o.errors;
}

// Frames and seconds of sound in a video file.
void Measure(const std::string& path, int* frames, double* videoSeconds, double* audioSeconds) {
  AVFormatContext* format = nullptr;
  ASSERT_EQ(avformat_open_input(&format, path.c_str(), nullptr, nullptr), 0);
  ASSERT_GE(avformat_find_stream_info(format, nullptr), 0);
  ASSERT_EQ(format->nb_streams, 2u);
  AVPacket* packet = av_packet_alloc();
  int64_t audioEnd = 0;
  *frames = 0;
  while (av_read_frame(format, packet) >= 0) {
    if (packet->stream_index == 0) ++*frames;
    if (packet->stream_index == 1) audioEnd = std::max(audioEnd, packet->pts + packet->duration);
    av_packet_unref(packet);
  }
  *videoSeconds = *frames * 0.033;
  *audioSeconds = audioEnd * av_q2d(format->streams[1]->time_base);
  av_packet_free(&packet);
  avformat_close_input(&format);
}

// The size of the largest file in `dir`, in bytes.
off_t LargestFile(const std::string& dir) {
  off_t largest = 0;
  DIR* d = opendir(dir.c_str());
  while (dirent* e = d ? readdir(d) : nullptr) {
    struct stat st;
    if (stat((dir + "/" + e->d_name).c_str(), &st) == 0 && S_ISREG(st.st_mode)) {
      largest = std::max(largest, st.st_size);
    }
  }
  if (d) closedir(d);
  return largest;
}

TEST(RenderCommandLine, CtrlCLeavesAPlayableFileOfWhatWasRendered) {
  const std::string dir = Scratch("interrupt");
  const std::string video = dir + "/demo.mp4", errors = dir + "/errors";
  std::string words[] = {ORVEL_PROGRAM, "--input", "demo", "--render", video};
  char* args[] = {words[0].data(), words[1].data(), words[2].data(),
                  words[3].data(), words[4].data(), nullptr};
  posix_spawn_file_actions_t files;
  posix_spawn_file_actions_init(&files);
  posix_spawn_file_actions_addopen(&files, 2, errors.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  pid_t pid = 0;
  ASSERT_EQ(posix_spawn(&pid, args[0], &files, nullptr, args, environ), 0);
  posix_spawn_file_actions_destroy(&files);

  // Once a good part of the minute of demo music is in the file, Ctrl-C. Until the render
  // ends, the file grows under a temporary name beside the video.
  for (long i = 0; i < orvel::test::ScaledMillis(60000) / 20 && LargestFile(dir) < 150000; ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  ASSERT_EQ(kill(pid, SIGINT), 0);
  int status = 0;
  ASSERT_EQ(waitpid(pid, &status, 0), pid);
  const std::string said = orvel::test::ReadAll(errors);
  ASSERT_TRUE(WIFEXITED(status)) << said;
  EXPECT_EQ(WEXITSTATUS(status), 130) << said;
  const size_t at = said.find("holds the ");
  ASSERT_NE(at, std::string::npos) << said;
  const int reported = atoi(said.c_str() + at + 10);

  int frames = 0;
  double videoSeconds = 0, audioSeconds = 0;
  Measure(video, &frames, &videoSeconds, &audioSeconds);
  EXPECT_EQ(frames, reported);
  EXPECT_GT(frames, 30);
  EXPECT_LT(frames, 1940);                       // stopped before the end of the music
  EXPECT_NEAR(audioSeconds, videoSeconds, 0.1);  // the sound stops with the pictures
}

}  // namespace
