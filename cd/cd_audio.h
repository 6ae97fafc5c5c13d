// CD audio control over MCI: small stateless operations on the one "cdaudio" device that
// start-up opens. Positions are packed TMSF (track in the lowest byte, then minutes, seconds,
// frames). The owner window is only the parent of the message boxes.
#ifndef ORVEL_CD_CD_AUDIO_H
#define ORVEL_CD_CD_AUDIO_H

#include <windows.h>

// The device opened shareable; 0, after a message box, when no CD device could be opened.
WORD CdOpen(HWND owner);
// Plays from the start of `track` (its low byte) to the end of the disc, without waiting;
// a failure shows "Could not Play CD".
void CdPlayTrack(HWND owner, WORD device, int track);
// The MCI result of the stop; callers ignore it.
DWORD CdStop(HWND owner, WORD device);
// Pauses a drive that is playing (or in any mode but stopped); tells a stopped drive to play on.
// 1 on success, 0 on any failure; no message.
int CdPauseResume(HWND owner, WORD device);
// 1 on success, 0 on failure.
int CdClose(HWND owner, WORD device);
// Status queries; 0 on failure.
DWORD CdTrackCount(HWND owner, WORD device);
DWORD CdCurrentTrack(HWND owner, WORD device);
DWORD CdPosition(HWND owner, WORD device);

#endif
