// The media-control interface. This build has no "cdaudio" device yet, so opening one fails as
// it does on a computer without a CD drive, and every command to a device id fails: no device
// is ever open.
#include <windows.h>
#include <mmsystem.h>

MCIERROR WINAPI mciSendCommandA(MCIDEVICEID mciId, UINT uMsg, DWORD_PTR dwParam1,
                                DWORD_PTR dwParam2) {
  if (uMsg == MCI_OPEN) {
    if (!dwParam2) return MCIERR_NULL_PARAMETER_BLOCK;
    const auto* open = reinterpret_cast<const MCI_OPEN_PARMSA*>(dwParam2);
    if ((dwParam1 & MCI_OPEN_TYPE) && !(dwParam1 & MCI_OPEN_TYPE_ID) && !open->lpstrDeviceType) {
      return MCIERR_MISSING_PARAMETER;
    }
    return MCIERR_INVALID_DEVICE_NAME;
  }
  return MCIERR_INVALID_DEVICE_ID;
}
