#include "kernel/output_file.h"

#include <errno.h>
#include <fcntl.h>
#include <limits.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>

namespace orvel {
namespace {

// A name beside `target` that no other writer uses: hidden, with the process and a count.
std::string TemporaryName(const std::string& target) {
  static std::atomic<unsigned> count{0};
  const size_t slash = target.rfind('/');
  const std::string folder = slash == std::string::npos ? "" : target.substr(0, slash + 1);
  const std::string base = slash == std::string::npos ? target : target.substr(slash + 1);
  return folder + "." + base + ".orvel-" + std::to_string(getpid()) + "-" + std::to_string(count++);
}

}  // namespace

bool OutputFile::Prepare(const std::string& target, std::string* why) {
  Discard();
  target_ = target;
  struct stat st;
  const bool exists = stat(target.c_str(), &st) == 0;
  if (exists && S_ISDIR(st.st_mode)) {
    *why = "it is a folder";
    errno = EISDIR;
    return false;
  }
  if (exists && !S_ISREG(st.st_mode)) {
    writePath_ = target;  // a device or a FIFO takes the bytes as they come
    return true;
  }
  // A link to a file: the file it names is replaced, the link stays.
  char resolved[PATH_MAX];
  if (exists && realpath(target.c_str(), resolved) != nullptr) target_ = resolved;
  for (int attempt = 0; attempt < 100; ++attempt) {
    writePath_ = TemporaryName(target_);
    const int fd = open(writePath_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0 && errno == EEXIST) continue;
    if (fd < 0) {
      *why = strerror(errno);
      writePath_.clear();
      return false;
    }
    if (exists) fchmod(fd, st.st_mode & 07777);
    close(fd);
    temporary_ = true;
    return true;
  }
  *why = "no temporary name is free beside it";
  return false;
}

bool OutputFile::Commit(std::string* why) {
  if (!temporary_) return true;
  if (rename(writePath_.c_str(), target_.c_str()) != 0) {
    const int error = errno;
    *why = strerror(error);
    Discard();
    errno = error;  // for callers that report the errno
    return false;
  }
  temporary_ = false;
  return true;
}

bool OutputFile::Discard() {
  if (!temporary_) return false;
  temporary_ = false;
  return unlink(writePath_.c_str()) == 0;
}

}  // namespace orvel
