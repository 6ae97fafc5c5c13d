#include "cd_player.h"

#include <algorithm>

#include "loopback.h"

namespace orvel::cdaudio {
namespace {

// Sectors read at a time: a read of a few sectors is cheap for images and keeps a drive
// streaming, and 8 sectors (107 ms) is still short enough that a seek is heard at once.
constexpr int kChunkSectors = 8;
constexpr float kScale = 1.0f / 32768.0f;

}  // namespace

Player::Player(std::shared_ptr<disc::Disc> disc) : disc_(std::move(disc)) {
  chunk_.resize(static_cast<size_t>(kChunkSectors) * disc::kFramesPerSector * 2);
  cursor_ = Toc().tracks.empty() ? 0 : Toc().tracks.front().start;
  output_ = wave::audio::OpenPlaybackOrPaced(
      disc::kSampleRate, 2, [this](float* frames, int count) { Fill(frames, count); }, nullptr);
  output_->Run(true);
}

Player::~Player() {
  // The output's callback uses this player: close it before anything else goes.
  output_.reset();
}

bool Player::Present() {
  if (disc_->Present()) return true;
  std::lock_guard<std::mutex> hold(lock_);
  playing_ = false;
  return false;
}

void Player::Play(int32_t from, int32_t to) {
  std::lock_guard<std::mutex> hold(lock_);
  cursor_ = from;
  frameInSector_ = 0;
  end_ = to;
  playing_ = from < to;
}

void Player::Stop() {
  std::lock_guard<std::mutex> hold(lock_);
  playing_ = false;
}

void Player::Seek(int32_t sector) {
  std::lock_guard<std::mutex> hold(lock_);
  playing_ = false;
  cursor_ = sector;
  frameInSector_ = 0;
}

bool Player::Playing() {
  std::lock_guard<std::mutex> hold(lock_);
  return playing_;
}

int32_t Player::Position() {
  std::lock_guard<std::mutex> hold(lock_);
  return cursor_;
}

bool Player::LoadChunk() {
  chunkStart_ = cursor_;
  chunkSectors_ = std::min(kChunkSectors, end_ - cursor_);
  if (disc_->Read(chunkStart_, chunkSectors_, chunk_.data())) return true;
  chunkSectors_ = 0;
  return false;
}

void Player::Fill(float* frames, int count) {
  int done = 0;
  {
    std::lock_guard<std::mutex> hold(lock_);
    while (done < count && playing_) {
      if (cursor_ >= end_) {
        playing_ = false;  // the end of the play: stopped, standing at its end
        break;
      }
      if (cursor_ < chunkStart_ || cursor_ >= chunkStart_ + chunkSectors_) {
        if (!LoadChunk()) {
          playing_ = false;  // a read error or a disc gone: play ends where it failed
          break;
        }
      }
      const int n = std::min(count - done, disc::kFramesPerSector - frameInSector_);
      const int16_t* from =
          chunk_.data() +
          (static_cast<size_t>(cursor_ - chunkStart_) * disc::kFramesPerSector + frameInSector_) *
              2;
      for (int i = 0; i < n * 2; ++i) frames[done * 2 + i] = from[i] * kScale;
      done += n;
      frameInSector_ += n;
      if (frameInSector_ == disc::kFramesPerSector) {
        ++cursor_;
        frameInSector_ = 0;
      }
    }
  }
  std::fill(frames + done * 2, frames + count * 2, 0.0f);
  wave::loopback::Publish(frames, count);
}

}  // namespace orvel::cdaudio
