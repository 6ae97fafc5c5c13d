// The "cdaudio" MCI device: the commands of the CD-audio driver over one CD player. Positions
// come and go in the device's time format: milliseconds or MSF from the start of the disc
// (including its two-second lead-in, so the first track usually starts at 00:02:00), or TMSF
// (track, then minutes, seconds and frames into it). MSF is the format after opening.
#ifndef ORVEL_WINMM_MCI_CDAUDIO_H
#define ORVEL_WINMM_MCI_CDAUDIO_H

#include <windows.h>
#include <mmsystem.h>

#include <memory>

#include "cd_player.h"

namespace orvel::cdaudio {

class Device {
 public:
  explicit Device(std::shared_ptr<disc::Disc> disc) : player_(std::move(disc)) {}

  // One command other than MCI_OPEN and MCI_CLOSE: its MCI result.
  MCIERROR Command(UINT message, DWORD_PTR flags, DWORD_PTR params);

 private:
  MCIERROR Status(DWORD flags, MCI_STATUS_PARMS* status);
  MCIERROR Position(DWORD flags, MCI_STATUS_PARMS* status);
  MCIERROR Length(DWORD flags, MCI_STATUS_PARMS* status);
  MCIERROR Set(DWORD flags, const MCI_SET_PARMS* set);
  MCIERROR Play(DWORD flags, const MCI_PLAY_PARMS* play);
  MCIERROR Seek(DWORD flags, const MCI_SEEK_PARMS* seek);

  Player player_;
  DWORD timeFormat_ = MCI_FORMAT_MSF;
};

}  // namespace orvel::cdaudio

#endif
