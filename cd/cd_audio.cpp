#include "cd_audio.h"

#include <mmsystem.h>

namespace {

const char kCaption[] = "Orvel";

void PlayFailed(HWND owner) {
  MessageBoxA(owner, "Could not Play CD", kCaption, MB_OK);
}

// Sets the time format to tracks, minutes, seconds and frames; true on success.
bool UseTmsf(WORD device) {
  MCI_SET_PARMS set = {};
  set.dwTimeFormat = MCI_FORMAT_TMSF;
  return mciSendCommandA(device, MCI_SET, MCI_SET_TIME_FORMAT, reinterpret_cast<DWORD_PTR>(&set)) ==
         0;
}

// One status item; 0 when the query fails.
DWORD Status(WORD device, DWORD item) {
  MCI_STATUS_PARMS status = {};
  status.dwItem = item;
  if (mciSendCommandA(device, MCI_STATUS, MCI_STATUS_ITEM, reinterpret_cast<DWORD_PTR>(&status)) !=
      0) {
    return 0;
  }
  return static_cast<DWORD>(status.dwReturn);
}

}  // namespace

WORD CdOpen(HWND owner) {
  MCI_OPEN_PARMSA open = {};
  open.lpstrDeviceType = "cdaudio";
  open.wDeviceID = 0;
  if (mciSendCommandA(0, MCI_OPEN, MCI_OPEN_TYPE | MCI_OPEN_SHAREABLE | MCI_WAIT,
                      reinterpret_cast<DWORD_PTR>(&open)) != 0) {
    MessageBoxA(owner,
                "* Could not open CD Device *\n You can still use Orvel to visualise the music "
                "without the CD Player!",
                kCaption, MB_OK);
    return 0;
  }
  return static_cast<WORD>(open.wDeviceID);
}

void CdPlayTrack(HWND owner, WORD device, int track) {
  if (!UseTmsf(device)) {
    PlayFailed(owner);
    return;
  }
  MCI_PLAY_PARMS play = {};
  play.dwFrom = MCI_MAKE_TMSF(track & 0xFF, 0, 0, 0);
  if (mciSendCommandA(device, MCI_PLAY, MCI_FROM, reinterpret_cast<DWORD_PTR>(&play)) != 0) {
    PlayFailed(owner);
  }
}

DWORD CdStop(HWND owner, WORD device) {
  MCI_GENERIC_PARMS generic = {};
  return mciSendCommandA(device, MCI_STOP, 0, reinterpret_cast<DWORD_PTR>(&generic));
}

int CdPauseResume(HWND owner, WORD device) {
  MCI_STATUS_PARMS status = {};
  status.dwItem = MCI_STATUS_MODE;
  if (mciSendCommandA(device, MCI_STATUS, MCI_STATUS_ITEM, reinterpret_cast<DWORD_PTR>(&status)) !=
      0) {
    return 0;
  }
  if (status.dwReturn == MCI_MODE_STOP) {
    // Plays on from where the drive stands: no start or end point.
    MCI_PLAY_PARMS play = {};
    return mciSendCommandA(device, MCI_PLAY, 0, reinterpret_cast<DWORD_PTR>(&play)) == 0;
  }
  MCI_GENERIC_PARMS generic = {};
  return mciSendCommandA(device, MCI_PAUSE, 0, reinterpret_cast<DWORD_PTR>(&generic)) == 0;
}

int CdClose(HWND owner, WORD device) {
  return mciSendCommandA(device, MCI_CLOSE, 0, 0) == 0;
}

DWORD CdTrackCount(HWND owner, WORD device) {
  return Status(device, MCI_STATUS_NUMBER_OF_TRACKS);
}

DWORD CdCurrentTrack(HWND owner, WORD device) {
  return Status(device, MCI_STATUS_CURRENT_TRACK);
}

DWORD CdPosition(HWND owner, WORD device) {
  if (!UseTmsf(device)) return 0;
  return Status(device, MCI_STATUS_POSITION);
}
