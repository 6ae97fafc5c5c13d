// Outputs whose writes fail: a device that refuses every byte, a file that may not grow, a
// folder that is missing or is a folder. The run fails with exit code 1, and what stood at the
// output before (a device node, an older file) is still there as it was.
#include <gtest/gtest.h>
#include <dirent.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>

#include "run_orvel.h"

namespace {

using orvel::test::ReadAll;
using orvel::test::RunOrvel;
using orvel::test::Scratch;

// A character device like /dev/full (every write fails with ENOSPC) or /dev/null at `path`;
// without the right to make one, a link to the system's own, which such a user cannot remove
// either. The tests never name the system's devices themselves: a fault that replaced the
// output would replace them.
void MakeDevice(const std::string& path, bool full) {
  if (mknod(path.c_str(), S_IFCHR | 0666, makedev(1, full ? 7 : 3)) != 0) {
    ASSERT_EQ(symlink(full ? "/dev/full" : "/dev/null", path.c_str()), 0);
  }
}

bool IsCharDevice(const std::string& path) {
  struct stat st;
  return stat(path.c_str(), &st) == 0 && S_ISCHR(st.st_mode);
}

// Files a run left in `dir` under a temporary name.
int TemporaryFiles(const std::string& dir) {
  int count = 0;
  DIR* d = opendir(dir.c_str());
  while (dirent* e = d ? readdir(d) : nullptr) {
    if (std::string(e->d_name).find(".orvel-") != std::string::npos) ++count;
  }
  if (d) closedir(d);
  return count;
}

struct FailedOutput {
  const char* name;
  std::string run;     // the options, with TONE for a short tone's path and OUT for the output's
  std::string output;  // the file name under the scratch folder
  const char* before;  // what the output holds beforehand: "device", a file's text, or null
  const char* shell;   // limits for the run
};

const FailedOutput kFailed[] = {
    {"screenshot to a full device", "--input TONE --headless --seconds 0.1 --screenshot OUT",
     "node", "device", "true"},
    {"screenshot over a file that may not grow",
     "--input TONE --headless --seconds 0.1 --screenshot OUT", "old.png", "an older picture",
     "trap '' XFSZ; ulimit -f 1"},
    {"screenshot into a missing folder", "--input TONE --headless --seconds 0.1 --screenshot OUT",
     "no/such/folder.png", nullptr, "true"},
    {"screenshot onto a folder", "--input TONE --headless --seconds 0.1 --screenshot OUT", "",
     nullptr, "true"},
    {"render to a full device", "--input TONE --render OUT", "node.mp4", "device", "true"},
    {"render over a video that may not grow", "--input TONE --render OUT", "old.mp4",
     "an older video", "trap '' XFSZ; ulimit -f 64"},
    {"frames over frames that may not grow", "--input TONE --render OUT", "%03d.png", nullptr,
     "trap '' XFSZ; ulimit -f 1"},
    // The GIF muxer holds its last frame until the trailer is written: a leak when it was not.
    {"GIF over a picture that may not grow", "--input demo --seconds 20 --render OUT", "old.gif",
     "an older picture", "trap '' XFSZ; ulimit -f 64"},
};

std::string Replace(std::string text, const std::string& from, const std::string& to) {
  const size_t at = text.find(from);
  return at == std::string::npos ? text : text.replace(at, from.size(), to);
}

TEST(HostileOutputs, AFailedWriteFailsTheRunAndKeepsWhatWasThere) {
  for (const FailedOutput& f : kFailed) {
    const std::string dir = Scratch("failed-output");
    ASSERT_TRUE(orvel::test::WriteTone(dir + "/tone.wav", 0.5, 22050, 1));
    const std::string out = dir + "/" + f.output;
    const std::string firstFrame = dir + "/001.png";
    if (f.before && std::string(f.before) == "device") {
      MakeDevice(out, true);
    } else if (f.before) {
      std::ofstream(out) << f.before;
    }
    std::ofstream(firstFrame) << "an older frame";
    const auto o = RunOrvel(Replace(Replace(f.run, "TONE", dir + "/tone.wav"), "OUT", out),
                            dir + "/stdout", dir + "/stderr.txt", f.shell);
    EXPECT_EQ(o.exitCode, 1) << f.name << "\n" << o.errors;
    // A leak ends the run with its exit code unchanged: the sanitizer's report tells.
    EXPECT_EQ(o.errors.find("LeakSanitizer"), std::string::npos) << f.name << "\n" << o.errors;
    if (f.before && std::string(f.before) == "device") {
      EXPECT_TRUE(IsCharDevice(out)) << f.name;
    } else if (f.before) {
      EXPECT_EQ(ReadAll(out), f.before) << f.name;
    }
    EXPECT_EQ(ReadAll(firstFrame), "an older frame") << f.name;
    EXPECT_EQ(TemporaryFiles(dir), 0) << f.name;
  }
}

// Writes that succeed still land where they were asked to: over an older file, and on a
// device that takes them.
TEST(HostileOutputs, AGoodWriteReplacesTheOlderFile) {
  const std::string dir = Scratch("good-output");
  ASSERT_TRUE(orvel::test::WriteTone(dir + "/tone.wav", 0.5, 22050, 1));
  std::ofstream(dir + "/shot.png") << "an older picture";
  const std::string run = "--input " + dir + "/tone.wav --headless --seconds 0.1 --screenshot ";
  auto o = RunOrvel(run + dir + "/shot.png", dir + "/stdout");
  EXPECT_EQ(o.exitCode, 0) << o.errors;
  EXPECT_EQ(ReadAll(dir + "/shot.png").substr(1, 3), "PNG");
  MakeDevice(dir + "/null", false);
  o = RunOrvel(run + dir + "/null", dir + "/stdout");
  EXPECT_EQ(o.exitCode, 0) << o.errors;
  EXPECT_TRUE(IsCharDevice(dir + "/null"));
  EXPECT_EQ(TemporaryFiles(dir), 0);
}

}  // namespace
