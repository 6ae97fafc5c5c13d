#include "cd_player.h"

#include <algorithm>

#include "kernel/clock.h"
#include "loopback.h"

namespace orvel::cdaudio {
namespace {

// The ring holds a second of sound: enough to ride out a drive's slow read.
constexpr int kRingSectors = disc::kSectorsPerSecond;
// Sectors read at a time: cheap for images, and a drive keeps streaming.
constexpr int kChunkSectors = 8;
constexpr int kSectorSamples = disc::kFramesPerSector * 2;
constexpr float kScale = 1.0f / 32768.0f;

}  // namespace

Player::Player(std::shared_ptr<disc::Disc> disc)
    : disc_(std::move(disc)), threaded_(clock::Current() == clock::Mode::kReal) {
  ring_.resize(static_cast<size_t>(kRingSectors) * kSectorSamples);
  Restart(StartOfDisc());
  if (threaded_) reader_ = std::thread([this] { ReadAhead(); });
  output_ = wave::audio::OpenPlaybackOrPaced(
      disc::kSampleRate, 2, [this](float* frames, int count) { Fill(frames, count); }, nullptr);
  output_->Run(true);
}

Player::~Player() {
  // The output's callback and the reader use this player: end both before anything goes.
  output_.reset();
  {
    std::lock_guard<std::mutex> hold(lock_);
    quitting_ = true;
  }
  wanted_.notify_all();
  if (reader_.joinable()) reader_.join();
}

bool Player::Present() {
  const disc::Disc::Media media = disc_->Check();
  if (media == disc::Disc::Media::kPresent) return true;
  // A disc gone ends play; a new one stands at its start, stopped.
  std::lock_guard<std::mutex> hold(lock_);
  playing_ = false;
  paused_ = false;
  Restart(StartOfDisc());
  return media == disc::Disc::Media::kChanged;
}

int32_t Player::StartOfDisc() const {
  return Toc().tracks.empty() ? 0 : Toc().tracks.front().start;
}

void Player::Play(int32_t from, int32_t to) {
  std::lock_guard<std::mutex> hold(lock_);
  Restart(from);
  end_ = to;
  playing_ = from < to;
  paused_ = false;
  wanted_.notify_all();
}

void Player::Stop() {
  std::lock_guard<std::mutex> hold(lock_);
  playing_ = false;
  paused_ = false;
  Restart(StartOfDisc());
}

void Player::Pause() {
  std::lock_guard<std::mutex> hold(lock_);
  paused_ = paused_ || playing_;
  playing_ = false;
}

bool Player::Resume() {
  std::lock_guard<std::mutex> hold(lock_);
  if (!paused_) return false;
  paused_ = false;
  playing_ = cursor_ < end_;
  wanted_.notify_all();
  return true;
}

void Player::Seek(int32_t sector) {
  std::lock_guard<std::mutex> hold(lock_);
  playing_ = false;
  paused_ = false;
  Restart(sector);
}

bool Player::Playing() {
  std::lock_guard<std::mutex> hold(lock_);
  return playing_;
}

int32_t Player::Position() {
  std::lock_guard<std::mutex> hold(lock_);
  return cursor_;
}

void Player::Restart(int32_t sector) {
  cursor_ = sector;
  frameInSector_ = 0;
  ringStart_ = sector;
  ringCount_ = 0;
  readFailed_ = false;
  ++generation_;
}

int16_t* Player::Slot(int32_t sector) {
  return ring_.data() + static_cast<size_t>(sector % kRingSectors) * kSectorSamples;
}

bool Player::CursorReady() {
  if (cursor_ < ringStart_ + ringCount_) return true;
  if (threaded_) return false;
  // Under the virtual clock: read the next chunk here, into the emptied ring.
  ringStart_ = cursor_;
  ringCount_ = std::min(kChunkSectors, end_ - cursor_);
  for (int i = 0; i < ringCount_; ++i) {
    if (!disc_->Read(cursor_ + i, 1, Slot(cursor_ + i))) {
      ringCount_ = i;
      readFailed_ = true;
      break;
    }
  }
  return ringCount_ > 0;
}

void Player::Fill(float* frames, int count) {
  int done = 0;
  {
    std::lock_guard<std::mutex> hold(lock_);
    while (done < count && playing_) {
      if (cursor_ >= end_) {
        // The end of the play: stopped, standing on the last sector played, which is still
        // in the track that played (not in a data track or the lead-out after it).
        playing_ = false;
        Restart(end_ - 1);
        break;
      }
      if (!CursorReady()) {
        // A read error or a disc gone ends play where it failed; a slow drive only waits.
        if (readFailed_) playing_ = false;
        break;
      }
      const int n = std::min(count - done, disc::kFramesPerSector - frameInSector_);
      const int16_t* from = Slot(cursor_) + frameInSector_ * 2;
      for (int i = 0; i < n * 2; ++i) frames[done * 2 + i] = from[i] * kScale;
      done += n;
      frameInSector_ += n;
      if (frameInSector_ == disc::kFramesPerSector) {
        ++cursor_;
        frameInSector_ = 0;
        ++ringStart_;
        --ringCount_;
      }
    }
  }
  if (threaded_) wanted_.notify_one();
  std::fill(frames + done * 2, frames + count * 2, 0.0f);
  wave::loopback::Publish(frames, count);
}

// The reader thread: reads the sectors after the ring's end while play wants them and there
// is room, without holding the lock during the read.
void Player::ReadAhead() {
  std::vector<int16_t> chunk(static_cast<size_t>(kChunkSectors) * kSectorSamples);
  std::unique_lock<std::mutex> hold(lock_);
  for (;;) {
    wanted_.wait(hold, [this] {
      return quitting_ || (playing_ && !readFailed_ && ringCount_ < kRingSectors &&
                           ringStart_ + ringCount_ < end_);
    });
    if (quitting_) return;
    const uint64_t generation = generation_;
    const int32_t next = ringStart_ + ringCount_;
    const int n = std::min({kChunkSectors, kRingSectors - ringCount_, end_ - next});
    hold.unlock();
    const bool ok = disc_->Read(next, n, chunk.data());
    hold.lock();
    if (generation != generation_) continue;  // a new play or seek came meanwhile
    if (!ok) {
      readFailed_ = true;
      continue;
    }
    for (int i = 0; i < n; ++i) {
      std::copy_n(chunk.data() + static_cast<size_t>(i) * kSectorSamples, kSectorSamples,
                  Slot(next + i));
    }
    ringCount_ += n;
  }
}

}  // namespace orvel::cdaudio
