// The CD player behind the "cdaudio" device: it plays a disc digitally, reading its audio
// sectors and sending them to the sound output (paced by the clock when there is none, and
// always under the virtual clock), and offers the same frames to the wave input through the
// loopback cable. Its position advances with the frames handed to the output, one sector
// (1/75 s) at a time. Every position here is a sector of the disc's program area.
//
// In real time a reader thread keeps up to a second of sectors ahead of play, so that a drive
// that takes its time (spinning up, re-reading a scratch) never holds up the sound thread or
// the window's status queries; if it falls behind, the output plays silence and the position
// waits. Under the virtual clock the output reads what it needs itself, so a session plays
// the same on every run.
#ifndef ORVEL_WINMM_CD_PLAYER_H
#define ORVEL_WINMM_CD_PLAYER_H

#include <stdint.h>

#include <condition_variable>
#include <memory>
#include <mutex>
#include <thread>
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

  // Whether a disc is there, taking up a disc put in or swapped since the last call (the
  // position then goes to its start). A disc that went away also ends play.
  bool Present();

  // Plays sectors [from, to); the caller has checked the range. Replaces any play. When play
  // reaches `to` the player stops standing on the sector before it.
  void Play(int32_t from, int32_t to);
  // Ends play and goes back to the start of the disc.
  void Stop();
  // Ends play keeping the position, so that Resume (or a play from here) goes on.
  void Pause();
  // Goes on with a paused play to its end; false when nothing was paused.
  bool Resume();
  // Ends play and moves the position.
  void Seek(int32_t sector);

  bool Playing();
  // The sector being heard (or next to be heard).
  int32_t Position();

 private:
  // The first sector of the first track: where a disc stands when stopped.
  int32_t StartOfDisc() const;
  void Fill(float* frames, int count);
  // Whether the sector at cursor_ is in the ring; under the virtual clock it is read first.
  // Holds lock_.
  bool CursorReady();
  // Moves the ring to start at `sector`, empty, and drops reads in flight. Holds lock_.
  void Restart(int32_t sector);
  void ReadAhead();
  int16_t* Slot(int32_t sector);

  std::shared_ptr<disc::Disc> disc_;
  const bool threaded_;
  std::mutex lock_;
  std::condition_variable wanted_;  // the reader waits here for room or a new play
  bool playing_ = false;
  bool paused_ = false;  // a play paused that Resume can take up
  bool quitting_ = false;
  bool readFailed_ = false;
  int32_t cursor_ = 0;     // the sector being played
  int frameInSector_ = 0;  // frames of it already played
  int32_t end_ = 0;        // play stops before this sector
  // The ring: sectors [ringStart_, ringStart_ + ringCount_) are read, each in Slot(sector).
  std::vector<int16_t> ring_;
  int32_t ringStart_ = 0;
  int ringCount_ = 0;
  uint64_t generation_ = 0;  // changes with every Restart, so a read in flight is dropped
  std::thread reader_;
  std::unique_ptr<wave::audio::Stream> output_;
};

}  // namespace orvel::cdaudio

#endif
