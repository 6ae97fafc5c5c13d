// The CD-audio driver's behaviour that programs rely on, where the documentation and drivers
// agree: play is asynchronous; a play without MCI_FROM starts at the current position and one
// without MCI_TO runs to the end of the disc, after which the device reports the stop mode;
// MCI_STOP ends play and goes back to the start of the disc, while MCI_PAUSE keeps the
// position, so that a paused device reports MCI_MODE_STOP and a play without flags, or
// MCI_RESUME, goes on from there; positions are read in the format set last (MSF after
// opening); the length of the last track, and so of the disc, is one frame short, as the
// driver has always reported it.
//
// Data tracks (an enhanced CD's last track, a mixed-mode CD's first) count among the tracks.
// A play or seek that starts in one moves on to the next audio track; with none after it, it
// goes to the disc's last sector and succeeds without playing. Play stops at the end of the
// audio before a data track.
//
// Not supported: notifications (MCI_NOTIFY is accepted and nothing is posted) and a waiting
// play (MCI_WAIT returns at once); the door commands succeed and do nothing.
#include "mci_cdaudio.h"

#include <stdint.h>

#include <algorithm>

#include "kernel/trace.h"

namespace orvel::cdaudio {
namespace {

constexpr int32_t kPerSecond = disc::kSectorsPerSecond;
constexpr int32_t kPerMinute = 60 * kPerSecond;

// MCI's command numbers that a CD-audio device refuses rather than ignores.
constexpr UINT kMciRecord = 0x080F;
constexpr UINT kMciSave = 0x0813;
constexpr UINT kMciLoad = 0x0850;

// The track whose sectors hold `sector` (the first track before it, the last track after it).
const disc::Track& TrackAt(const disc::Contents& toc, int32_t sector) {
  auto it = std::upper_bound(toc.tracks.begin(), toc.tracks.end(), sector,
                             [](int32_t s, const disc::Track& t) { return s < t.start; });
  return it == toc.tracks.begin() ? toc.tracks.front() : *(it - 1);
}

const disc::Track* TrackNumbered(const disc::Contents& toc, DWORD number) {
  if (toc.tracks.empty() || number < static_cast<DWORD>(toc.FirstTrack()) ||
      number > static_cast<DWORD>(toc.LastTrack())) {
    return nullptr;
  }
  return &toc.tracks[number - static_cast<DWORD>(toc.FirstTrack())];
}

DWORD PackMsf(int32_t frames) {
  frames = std::max<int32_t>(0, frames);
  return MCI_MAKE_MSF(frames / kPerMinute, frames / kPerSecond % 60, frames % kPerSecond);
}

DWORD Milliseconds(int32_t frames) {
  return static_cast<DWORD>(static_cast<int64_t>(frames) * 1000 / kPerSecond + 1);
}

// A position on the disc in `format`.
DWORD PositionIn(DWORD format, const disc::Contents& toc, int32_t sector) {
  const int32_t absolute = sector + disc::kMsfOffset;
  switch (format) {
    case MCI_FORMAT_MILLISECONDS:
      return Milliseconds(absolute);
    case MCI_FORMAT_MSF:
      return PackMsf(absolute);
    default: {
      const disc::Track& track = TrackAt(toc, sector);
      const int32_t into = std::max<int32_t>(0, sector - track.start);
      return MCI_MAKE_TMSF(track.number, into / kPerMinute, into / kPerSecond % 60,
                           into % kPerSecond);
    }
  }
}

// A length (no lead-in) in `format`; TMSF lengths come as MSF.
DWORD LengthIn(DWORD format, int32_t frames) {
  return format == MCI_FORMAT_MILLISECONDS ? Milliseconds(frames) : PackMsf(frames);
}

// The sector that `value` names in `format`; false for a track the disc does not have.
bool SectorOf(DWORD format, const disc::Contents& toc, DWORD value, int32_t* sector) {
  int64_t absolute = 0;
  switch (format) {
    case MCI_FORMAT_MILLISECONDS:
      absolute = value == 0 ? 0 : ((static_cast<int64_t>(value) - 1) * kPerSecond + 500) / 1000;
      break;
    case MCI_FORMAT_MSF:
      absolute = MCI_MSF_MINUTE(value) * kPerMinute + MCI_MSF_SECOND(value) * kPerSecond +
                 MCI_MSF_FRAME(value);
      break;
    default: {
      const disc::Track* track = TrackNumbered(toc, MCI_TMSF_TRACK(value));
      if (!track) return false;
      absolute = track->start + disc::kMsfOffset + MCI_TMSF_MINUTE(value) * kPerMinute +
                 MCI_TMSF_SECOND(value) * kPerSecond + MCI_TMSF_FRAME(value);
      break;
    }
  }
  *sector = static_cast<int32_t>(std::min<int64_t>(absolute - disc::kMsfOffset, INT32_MAX));
  return true;
}

// Moves a start out of data tracks to the next audio track, or to the disc's last sector when
// no audio follows. Out of range outside the program area.
MCIERROR AudioStart(const disc::Contents& toc, int32_t* sector) {
  if (toc.tracks.empty() || *sector < toc.tracks.front().start || *sector >= toc.leadOut) {
    return MCIERR_OUTOFRANGE;
  }
  for (size_t i = static_cast<size_t>(&TrackAt(toc, *sector) - toc.tracks.data());
       i < toc.tracks.size(); ++i) {
    if (toc.tracks[i].audio) {
      *sector = std::max(*sector, toc.tracks[i].start);
      return 0;
    }
  }
  *sector = toc.leadOut - 1;
  return 0;
}

// Play stops before the first data track after `from`.
int32_t AudioEnd(const disc::Contents& toc, int32_t from, int32_t to) {
  for (const disc::Track& track : toc.tracks) {
    if (track.start > from && !track.audio) return std::min(to, track.start);
  }
  return to;
}

// Reports what the device leaves undone, under the name the program called.
void Trace(const char* reason, long long value) {
  if (trace::On(trace::kMci)) trace::Unsupported(trace::kMci, "mciSendCommandA", reason, value);
}

}  // namespace

MCIERROR Device::Command(UINT message, DWORD_PTR flags, DWORD_PTR params) {
  const DWORD f = static_cast<DWORD>(flags);
  switch (message) {
    case MCI_STATUS:
      return Status(f, reinterpret_cast<MCI_STATUS_PARMS*>(params));
    case MCI_SET:
      return Set(f, reinterpret_cast<const MCI_SET_PARMS*>(params));
    case MCI_PLAY:
      return Play(f, reinterpret_cast<const MCI_PLAY_PARMS*>(params));
    case MCI_SEEK:
      return Seek(f, reinterpret_cast<const MCI_SEEK_PARMS*>(params));
    case MCI_STOP:
    case MCI_PAUSE:
    case MCI_RESUME:
      if (!player_.Present()) return MCIERR_DEVICE_NOT_READY;
      if (message == MCI_STOP) player_.Stop();
      if (message == MCI_PAUSE) player_.Pause();
      // Only a paused play resumes; the driver answers a hardware error otherwise.
      if (message == MCI_RESUME && !player_.Resume()) return MCIERR_HARDWARE;
      return 0;
    case kMciRecord:
    case kMciSave:
    case kMciLoad:
      // A CD records nothing.
      Trace("command not supported (%lld)", message);
      return MCIERR_UNSUPPORTED_FUNCTION;
    default:
      Trace("command not recognised (%lld)", message);
      return MCIERR_UNRECOGNIZED_COMMAND;
  }
}

MCIERROR Device::Status(DWORD flags, MCI_STATUS_PARMS* status) {
  if (!status) return MCIERR_NULL_PARAMETER_BLOCK;
  if (!(flags & MCI_STATUS_ITEM)) return MCIERR_MISSING_PARAMETER;
  const bool present = player_.Present();
  switch (status->dwItem) {
    case MCI_STATUS_MODE:
      status->dwReturn = !present            ? MCI_MODE_OPEN
                         : player_.Playing() ? MCI_MODE_PLAY
                                             : MCI_MODE_STOP;
      return 0;
    case MCI_STATUS_MEDIA_PRESENT:
    case MCI_STATUS_READY:
      status->dwReturn = present ? TRUE : FALSE;
      return 0;
    case MCI_STATUS_TIME_FORMAT:
      status->dwReturn = timeFormat_;
      return 0;
    default:
      break;
  }
  const disc::Contents& toc = player_.Toc();
  if (!present || toc.tracks.empty()) return MCIERR_DEVICE_NOT_READY;
  switch (status->dwItem) {
    case MCI_STATUS_NUMBER_OF_TRACKS:
      status->dwReturn = toc.tracks.size();
      return 0;
    case MCI_STATUS_CURRENT_TRACK:
      status->dwReturn = static_cast<DWORD>(TrackAt(toc, player_.Position()).number);
      return 0;
    case MCI_STATUS_POSITION:
      return Position(flags, status);
    case MCI_STATUS_LENGTH:
      return Length(flags, status);
    case MCI_CDA_STATUS_TYPE_TRACK: {
      if (!(flags & MCI_TRACK)) return MCIERR_MISSING_PARAMETER;
      const disc::Track* track = TrackNumbered(toc, status->dwTrack);
      if (!track) return MCIERR_OUTOFRANGE;
      status->dwReturn = track->audio ? MCI_CDA_TRACK_AUDIO : MCI_CDA_TRACK_OTHER;
      return 0;
    }
    default:
      Trace("status item not supported (%lld)", status->dwItem);
      return MCIERR_UNSUPPORTED_FUNCTION;
  }
}

MCIERROR Device::Position(DWORD flags, MCI_STATUS_PARMS* status) {
  const disc::Contents& toc = player_.Toc();
  int32_t sector = 0;
  switch (flags & (MCI_STATUS_START | MCI_TRACK)) {
    case MCI_STATUS_START:
      sector = toc.tracks.front().start;
      break;
    case MCI_TRACK: {
      const disc::Track* track = TrackNumbered(toc, status->dwTrack);
      if (!track) return MCIERR_OUTOFRANGE;
      sector = track->start;
      break;
    }
    case 0:
      sector = player_.Position();
      break;
    default:
      return MCIERR_FLAGS_NOT_COMPATIBLE;
  }
  status->dwReturn = PositionIn(timeFormat_, toc, sector);
  return 0;
}

MCIERROR Device::Length(DWORD flags, MCI_STATUS_PARMS* status) {
  const disc::Contents& toc = player_.Toc();
  int32_t frames = toc.leadOut - toc.tracks.front().start;
  if (flags & MCI_TRACK) {
    const disc::Track* track = TrackNumbered(toc, status->dwTrack);
    if (!track) return MCIERR_OUTOFRANGE;
    frames = track->length;
    if (track == &toc.tracks.back()) --frames;
  } else {
    --frames;
  }
  status->dwReturn = LengthIn(timeFormat_, frames);
  return 0;
}

MCIERROR Device::Set(DWORD flags, const MCI_SET_PARMS* set) {
  // Known gap: the door and the audio channels are not driven.
  const DWORD ignored = flags & ~static_cast<DWORD>(MCI_SET_TIME_FORMAT | MCI_NOTIFY | MCI_WAIT);
  if (ignored) Trace("set flags ignored (0x%llx)", ignored);
  if (!(flags & MCI_SET_TIME_FORMAT)) return 0;
  if (!set) return MCIERR_NULL_PARAMETER_BLOCK;
  switch (set->dwTimeFormat) {
    case MCI_FORMAT_MILLISECONDS:
    case MCI_FORMAT_MSF:
    case MCI_FORMAT_TMSF:
      timeFormat_ = set->dwTimeFormat;
      return 0;
    default:
      return MCIERR_BAD_TIME_FORMAT;
  }
}

MCIERROR Device::Play(DWORD flags, const MCI_PLAY_PARMS* play) {
  if (!play) return MCIERR_NULL_PARAMETER_BLOCK;
  if (!player_.Present() || player_.Toc().tracks.empty()) return MCIERR_DEVICE_NOT_READY;
  const disc::Contents& toc = player_.Toc();
  int32_t from = player_.Position();
  if ((flags & MCI_FROM) && !SectorOf(timeFormat_, toc, play->dwFrom, &from)) {
    return MCIERR_OUTOFRANGE;
  }
  if (const MCIERROR error = AudioStart(toc, &from)) return error;
  int32_t to = toc.leadOut;
  if (flags & MCI_TO) {
    if (!SectorOf(timeFormat_, toc, play->dwTo, &to)) return MCIERR_OUTOFRANGE;
    if (to < toc.tracks.front().start || to > toc.leadOut) return MCIERR_OUTOFRANGE;
  }
  if (to < from) return MCIERR_OUTOFRANGE;
  if (!TrackAt(toc, from).audio) {
    // Only data from here on: nothing plays, and the device stands where the play began.
    player_.Seek(from);
    return 0;
  }
  player_.Play(from, AudioEnd(toc, from, to));
  return 0;
}

MCIERROR Device::Seek(DWORD flags, const MCI_SEEK_PARMS* seek) {
  if (!seek) return MCIERR_NULL_PARAMETER_BLOCK;
  const DWORD where = flags & (MCI_SEEK_TO_START | MCI_SEEK_TO_END | MCI_TO);
  if (!where) return MCIERR_MISSING_PARAMETER;
  if (where & (where - 1)) return MCIERR_FLAGS_NOT_COMPATIBLE;
  if (!player_.Present() || player_.Toc().tracks.empty()) return MCIERR_DEVICE_NOT_READY;
  const disc::Contents& toc = player_.Toc();
  int32_t sector = toc.tracks.front().start;
  if (where == MCI_SEEK_TO_END) sector = toc.leadOut - 1;
  if (where == MCI_TO && !SectorOf(timeFormat_, toc, seek->dwTo, &sector)) {
    return MCIERR_OUTOFRANGE;
  }
  if (const MCIERROR error = AudioStart(toc, &sector)) return error;
  player_.Seek(sector);
  return 0;
}

}  // namespace orvel::cdaudio
