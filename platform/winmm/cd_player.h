// The CD player behind the "cdaudio" device: it plays a disc digitally, reading its audio
// sectors and sending them to the sound output (paced by the clock when there is none, and
// always under the virtual clock), and offers the same frames to the wave input through the
// loopback cable. Its position advances with the frames handed to the output, one sector
// (1/75 s) at a time. Every position here is a sector of the disc's program area.
#ifndef ORVEL_WINMM_CD_PLAYER_H
#define ORVEL_WINMM_CD_PLAYER_H

#include <stdint.h>

#include <memory>
#include <mutex>
#include <vector>

#include "audio_backend.h"
#include "disc/disc.h"

namespace orvel::cdaudio {

class Player {
 public:
  // Starts the output at once (silence until Play), so that the cable carries time even while
  // nothing plays.
  explicit Player(std::shared_ptr<disc::Disc> disc);
  ~Player();
  Player(const Player&) = delete;
  Player& operator=(const Player&) = delete;

  const disc::Contents& Toc() const { return disc_->Toc(); }

  // Whether the medium is there; a disc that went away also ends play.
  bool Present();

  // Plays sectors [from, to); the caller has checked the range. Replaces any play.
  void Play(int32_t from, int32_t to);
  // Ends play; the position stays where play was.
  void Stop();
  // Ends play and moves the position.
  void Seek(int32_t sector);

  bool Playing();
  // The sector being heard (or next to be heard).
  int32_t Position();

 private:
  void Fill(float* frames, int count);
  // Reads the chunk holding cursor_; false when the disc cannot be read. Holds lock_.
  bool LoadChunk();

  std::shared_ptr<disc::Disc> disc_;
  std::mutex lock_;
  bool playing_ = false;
  int32_t cursor_ = 0;     // the sector being played
  int frameInSector_ = 0;  // frames of it already played
  int32_t end_ = 0;        // play stops before this sector
  std::vector<int16_t> chunk_;
  int32_t chunkStart_ = 0;
  int chunkSectors_ = 0;
  std::unique_ptr<wave::audio::Stream> output_;
};

}  // namespace orvel::cdaudio

#endif
