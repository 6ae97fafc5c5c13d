// Audio files and streams as generators. The source is opened once: the descriptor that was
// checked is the one that is read, so a FIFO is not opened twice (which would kill its writer
// with SIGPIPE) and a file deleted after the check is still there to be read.
#include <errno.h>
#include <fcntl.h>
#include <math.h>
#include <poll.h>
#include <sndfile.h>
#include <string.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>

#include "generator.h"
#include "kernel/printable.h"

namespace orvel::wave {

namespace {

constexpr int kBlock = 8192;  // frames read from the file at a time

// Keeps the first `keep` of `have` channels of each frame, in place; non-finite samples (a
// float file may hold NaN or infinity) become silence.
void KeepChannels(float* frames, int64_t count, int have, int keep) {
  for (int64_t i = 0; i < count; ++i) {
    for (int c = 0; c < keep; ++c) {
      const float v = frames[i * have + c];
      frames[i * keep + c] = isfinite(v) ? v : 0.0f;
    }
  }
}

// A file that can seek, read through a cache of one block, since a device asks for a few
// frames at a time and mostly in order.
class FileGenerator : public Generator {
 public:
  FileGenerator(SNDFILE* file, const SF_INFO& info)
      : Generator(info.samplerate, std::min(info.channels, 2)),
        file_(file),
        fileChannels_(info.channels),
        frames_(info.frames) {}
  ~FileGenerator() override { sf_close(file_); }

  void Read(int64_t first, int count, float* out) override {
    std::lock_guard<std::mutex> lock(mutex_);
    const int ch = Channels();
    for (int i = 0; i < count;) {
      const int64_t frame = first + i;
      if (frame < 0 || frame >= frames_) {
        for (int c = 0; c < ch; ++c) out[i * ch + c] = 0.0f;
        ++i;
        continue;
      }
      if (frame < cacheFirst_ || frame >= cacheFirst_ + cacheFrames_) Fill(frame);
      if (cacheFrames_ == 0) {  // a read error: the rest is silence
        std::fill(out + i * ch, out + count * ch, 0.0f);
        return;
      }
      const int64_t offset = frame - cacheFirst_;
      const int n = static_cast<int>(std::min<int64_t>(count - i, cacheFrames_ - offset));
      std::copy_n(&cache_[static_cast<size_t>(offset * ch)], static_cast<size_t>(n * ch),
                  out + i * ch);
      i += n;
    }
  }

 private:
  void Fill(int64_t frame) {
    cache_.resize(static_cast<size_t>(kBlock) * static_cast<size_t>(fileChannels_));
    cacheFirst_ = frame;
    cacheFrames_ = 0;
    if (sf_seek(file_, frame, SEEK_SET) < 0) return;
    const sf_count_t got = sf_readf_float(file_, cache_.data(), kBlock);
    cacheFrames_ = got > 0 ? got : 0;
    KeepChannels(cache_.data(), cacheFrames_, fileChannels_, Channels());
  }

  std::mutex mutex_;
  SNDFILE* file_;
  int fileChannels_;
  int64_t frames_;
  std::vector<float> cache_;  // frames of Channels() channels
  int64_t cacheFirst_ = 0;
  int64_t cacheFrames_ = 0;
};

// A stream (a pipe, a FIFO, standard input): read in order as frames are asked for, into a
// ring of the last two seconds. Frames before the ring are silence, as are frames after the
// stream's end.
class StreamGenerator : public Generator {
 public:
  StreamGenerator(SNDFILE* file, const SF_INFO& info, std::string name, EndHook ended)
      : Generator(info.samplerate, std::min(info.channels, 2)),
        file_(file),
        fileChannels_(info.channels),
        capacity_(std::max<int64_t>(2 * static_cast<int64_t>(info.samplerate), kBlock)),
        ring_(static_cast<size_t>(capacity_ * Channels())),
        block_(static_cast<size_t>(kBlock) * static_cast<size_t>(info.channels)),
        name_(std::move(name)),
        ended_(std::move(ended)) {}
  ~StreamGenerator() override { sf_close(file_); }

  void Read(int64_t first, int count, float* out) override {
    std::lock_guard<std::mutex> lock(mutex_);
    while (!finished_ && end_ < first + count) Pull();
    const int ch = Channels();
    for (int i = 0; i < count; ++i) {
      const int64_t frame = first + i;
      const bool held = frame >= 0 && frame < end_ && frame >= end_ - capacity_;
      for (int c = 0; c < ch; ++c) {
        out[i * ch + c] = held ? ring_[static_cast<size_t>((frame % capacity_) * ch + c)] : 0.0f;
      }
    }
  }

 private:
  // Reads the next block into the ring (waiting for the writer); at the end, says so once.
  void Pull() {
    const sf_count_t got = sf_readf_float(file_, block_.data(), kBlock);
    if (got <= 0) {
      finished_ = true;
      const int failed = sf_error(file_);
      if (ended_) {
        ended_(failed ? "reading '" + name_ + "' failed: " + sf_strerror(file_)
                      : "'" + name_ + "' ended");
      }
      return;
    }
    const int ch = Channels();
    KeepChannels(block_.data(), got, fileChannels_, ch);
    for (sf_count_t i = 0; i < got; ++i, ++end_) {
      std::copy_n(&block_[static_cast<size_t>(i * ch)], ch,
                  &ring_[static_cast<size_t>((end_ % capacity_) * ch)]);
    }
  }

  std::mutex mutex_;
  SNDFILE* file_;
  int fileChannels_;
  int64_t capacity_;  // frames
  std::vector<float> ring_;
  std::vector<float> block_;
  int64_t end_ = 0;  // frames read so far
  bool finished_ = false;
  std::string name_;
  EndHook ended_;
};

// The descriptor of `name` ("-": a copy of standard input), or -1 with *error set.
int OpenDescriptor(const std::string& name, const std::string& shown, std::string* error) {
  const int fd =
      name == "-" ? fcntl(0, F_DUPFD_CLOEXEC, 0) : open(name.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) {
    *error = "cannot read '" + shown + "': " + strerror(errno);
    return -1;
  }
  struct stat st;
  if (fstat(fd, &st) == 0 && S_ISDIR(st.st_mode)) {
    close(fd);
    *error = "cannot read '" + shown + "': " + strerror(EISDIR);
    return -1;
  }
  if (isatty(fd)) {  // a sound is piped in, not typed
    close(fd);
    *error = "cannot read '" + shown + "': it is a terminal, not a sound stream";
    return -1;
  }
  return fd;
}

// Copies the start of the stream `fd` (up to `n` bytes, as many as are in it now; waits while
// it is empty) into `head` through the pipe `copy`, leaving the stream as it was. The count.
size_t TeeHead(int fd, const int copy[2], unsigned char* head, size_t n) {
  const ssize_t teed = tee(fd, copy[1], n, 0);
  if (teed <= 0) return 0;
  const ssize_t got = read(copy[0], head, static_cast<size_t>(teed));
  return got > 0 ? static_cast<size_t>(got) : 0;
}

// The first `n` bytes of a FIFO or pipe, left in it. Fewer when the stream ends sooner; a
// writer that has written only part of them so far is given time, in steps of 10 ms, for as
// long as it keeps the stream open.
size_t PeekPipe(int fd, unsigned char* head, size_t n) {
  int copy[2];
  if (pipe2(copy, O_CLOEXEC) != 0) return 0;
  size_t got = TeeHead(fd, copy, head, n);
  while (got > 0 && got < n) {
    pollfd hangup{fd, 0, 0};
    const bool closed = poll(&hangup, 1, 10) > 0 && (hangup.revents & POLLHUP);
    got = TeeHead(fd, copy, head, n);  // all there will be, once the writer has closed it
    if (closed) break;
  }
  close(copy[0]);
  close(copy[1]);
  return got;
}

// libsndfile reads many formats, but only its WAV reader is made for a stream that cannot
// seek (its MPEG reader, for one, reads past its buffer there). A FIFO, pipe or socket must
// start as WAV does: RIFF, RIFX or RF64, then WAVE. Other descriptors pass.
bool IsWavStream(int fd) {
  struct stat st;
  if (fstat(fd, &st) != 0 || !(S_ISFIFO(st.st_mode) || S_ISSOCK(st.st_mode))) return true;
  unsigned char head[12] = {};
  const size_t got = S_ISFIFO(st.st_mode)
                         ? PeekPipe(fd, head, sizeof head)
                         : static_cast<size_t>(std::max<ssize_t>(
                               0, recv(fd, head, sizeof head, MSG_PEEK | MSG_WAITALL)));
  return got == sizeof head &&
         (memcmp(head, "RIFF", 4) == 0 || memcmp(head, "RIFX", 4) == 0 ||
          memcmp(head, "RF64", 4) == 0) &&
         memcmp(head + 8, "WAVE", 4) == 0;
}

}  // namespace

std::unique_ptr<Generator> MakeFileGenerator(SNDFILE* file, const SF_INFO& info,
                                             const std::string& name, EndHook ended,
                                             std::string* error) {
  const std::string shown = Printable(name);
  std::string problem;
  if (info.channels < 1 || info.frames < 0) {
    problem = "it holds no sound";
  } else if (info.samplerate < kMinSourceRate || info.samplerate > kMaxSourceRate) {
    problem = "its rate of " + std::to_string(info.samplerate) + " frames a second is outside " +
              std::to_string(kMinSourceRate) + " to " + std::to_string(kMaxSourceRate);
  }
  if (!problem.empty()) {
    sf_close(file);
    *error = "'" + shown + "' is not an audio file Orvel can play: " + problem;
    return nullptr;
  }
  if (info.seekable) return std::make_unique<FileGenerator>(file, info);
  return std::make_unique<StreamGenerator>(file, info, shown, std::move(ended));
}

std::unique_ptr<Generator> OpenFileGenerator(const std::string& name, EndHook ended,
                                             std::string* error) {
  const std::string shown = Printable(name);
  const int fd = OpenDescriptor(name, shown, error);
  if (fd < 0) return nullptr;
  if (!IsWavStream(fd)) {
    close(fd);
    *error = "'" + shown + "' is a stream that is not WAV: a pipe, FIFO or standard input " +
             "must carry WAV (ffmpeg -f wav, sox -t wav)";
    return nullptr;
  }
  SF_INFO info;
  memset(&info, 0, sizeof info);
  SNDFILE* file = sf_open_fd(fd, SFM_READ, &info, SF_TRUE);
  if (!file) {  // libsndfile has closed the descriptor
    *error = "'" + shown + "' is not an audio file: " + sf_strerror(nullptr);
    return nullptr;
  }
  return MakeFileGenerator(file, info, name, std::move(ended), error);
}

}  // namespace orvel::wave
