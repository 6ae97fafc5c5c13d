// The media-control interface: a table of open devices and the commands sent to them. The one
// device type here is "cdaudio", the CD player; it opens once, and a second open shares it
// when both opens ask for MCI_OPEN_SHAREABLE (the device then closes with its last user).
#include <windows.h>
#include <mmsystem.h>

#include <string.h>
#include <strings.h>

#include <memory>
#include <mutex>

#include "cd_sources.h"
#include "kernel/trace.h"
#include "mci_cdaudio.h"

namespace {

constexpr WORD kDevtypeCdAudio = 516;  // MCI_DEVTYPE_CD_AUDIO

struct OpenDevice {
  MCIDEVICEID id = 0;
  int users = 0;
  bool shareable = false;
  std::unique_ptr<orvel::cdaudio::Device> device;
};

// Commands are served one at a time; the CD player has its own lock for its output thread.
struct Table {
  std::mutex lock;
  OpenDevice cd;
  MCIDEVICEID next = 1;  // ids are not reused, so a closed device's id stays invalid
};

Table& T() {
  static Table* table = new Table;
  return *table;
}

bool EndsWith(const char* text, const char* suffix) {
  const size_t n = strlen(text), m = strlen(suffix);
  return n >= m && strcasecmp(text + n - m, suffix) == 0;
}

// Whether the open names the CD-audio device type; an error for a malformed open.
MCIERROR CheckType(DWORD flags, const MCI_OPEN_PARMSA* open) {
  if (flags & MCI_OPEN_TYPE) {
    if (flags & MCI_OPEN_TYPE_ID) {
      return LOWORD(reinterpret_cast<DWORD_PTR>(open->lpstrDeviceType)) == kDevtypeCdAudio
                 ? 0
                 : MCIERR_INVALID_DEVICE_NAME;
    }
    if (!open->lpstrDeviceType) return MCIERR_MISSING_PARAMETER;
    return strcasecmp(open->lpstrDeviceType, "cdaudio") == 0 ? 0 : MCIERR_INVALID_DEVICE_NAME;
  }
  // Without a type the element's extension names it: a track file of an audio CD.
  if ((flags & MCI_OPEN_ELEMENT) && !(flags & MCI_OPEN_ELEMENT_ID) && open->lpstrElementName) {
    return EndsWith(open->lpstrElementName, ".cda") ? 0 : MCIERR_EXTENSION_NOT_FOUND;
  }
  return MCIERR_MISSING_PARAMETER;
}

MCIERROR Open(DWORD flags, MCI_OPEN_PARMSA* open) {
  if (!open) return MCIERR_NULL_PARAMETER_BLOCK;
  if (const MCIERROR bad = CheckType(flags, open)) return bad;
  const bool shareable = (flags & MCI_OPEN_SHAREABLE) != 0;
  std::lock_guard<std::mutex> hold(T().lock);
  OpenDevice& cd = T().cd;
  if (cd.users > 0) {
    if (!cd.shareable || !shareable) return MCIERR_MUST_USE_SHAREABLE;
    ++cd.users;
    open->wDeviceID = cd.id;
    return 0;
  }
  std::shared_ptr<orvel::disc::Disc> disc = orvel::cdaudio::DiscToOpen();
  if (!disc) return MCIERR_CANNOT_LOAD_DRIVER;  // no CD drive on this computer
  cd.device = std::make_unique<orvel::cdaudio::Device>(std::move(disc));
  cd.id = T().next++;
  cd.users = 1;
  cd.shareable = shareable;
  open->wDeviceID = cd.id;
  return 0;
}

MCIERROR Close(MCIDEVICEID id) {
  std::unique_ptr<orvel::cdaudio::Device> closing;
  {
    std::lock_guard<std::mutex> hold(T().lock);
    OpenDevice& cd = T().cd;
    if (cd.users == 0 || id != cd.id) return MCIERR_INVALID_DEVICE_ID;
    if (--cd.users > 0) return 0;
    closing = std::move(cd.device);
    cd = OpenDevice();
  }
  // The player's output waits for its callback; no lock of this table is held for that.
  closing.reset();
  return 0;
}

}  // namespace

MCIERROR WINAPI mciSendCommandA(MCIDEVICEID mciId, UINT uMsg, DWORD_PTR dwParam1,
                                DWORD_PTR dwParam2) {
  ORVEL_TRACE_CALL(kMci);
  // Known gap: commands always complete before they return, and no notification is posted.
  if (dwParam1 & MCI_NOTIFY)
    ORVEL_TRACE_UNSUPPORTED(kMci, "MCI_NOTIFY ignored (command %lld)", uMsg);
  if (uMsg == MCI_OPEN) {
    return Open(static_cast<DWORD>(dwParam1), reinterpret_cast<MCI_OPEN_PARMSA*>(dwParam2));
  }
  if (uMsg == MCI_CLOSE) return Close(mciId);
  std::lock_guard<std::mutex> hold(T().lock);
  OpenDevice& cd = T().cd;
  if (cd.users == 0 || mciId != cd.id) return MCIERR_INVALID_DEVICE_ID;
  return cd.device->Command(uMsg, dwParam1, dwParam2);
}
