// The texts behind WINMM's result codes, as Windows words them.
#include <windows.h>
#include <mmsystem.h>

#include <stdio.h>

namespace {

struct ErrorText {
  unsigned code;
  const char* text;
};

constexpr ErrorText kWaveTexts[] = {
    {MMSYSERR_NOERROR, "The specified command was carried out."},
    {MMSYSERR_ERROR, "Undefined external error."},
    {MMSYSERR_BADDEVICEID, "A device ID has been used that is out of range for your system."},
    {MMSYSERR_NOTENABLED, "The driver was not enabled."},
    {MMSYSERR_ALLOCATED,
     "The specified device is already in use. Wait until it is free, and then try again."},
    {MMSYSERR_INVALHANDLE, "The specified device handle is invalid."},
    {MMSYSERR_NODRIVER, "There is no driver installed on your system."},
    {MMSYSERR_NOMEM,
     "Not enough memory available for this task. Quit one or more applications to increase "
     "available memory, and then try again."},
    {MMSYSERR_NOTSUPPORTED,
     "This function is not supported. Use the Capabilities function to determine which "
     "functions and messages the driver supports."},
    {MMSYSERR_BADERRNUM, "An error number was specified that is not defined in the system."},
    {MMSYSERR_INVALFLAG, "An invalid flag was passed to a system function."},
    {MMSYSERR_INVALPARAM, "An invalid parameter was passed to a system function."},
    {WAVERR_BADFORMAT,
     "The specified format is not supported or cannot be translated. Use the Capabilities "
     "function to determine the supported formats."},
    {WAVERR_STILLPLAYING,
     "Cannot perform this operation while media data is still playing. Reset the device, or "
     "wait until the data is finished playing."},
    {WAVERR_UNPREPARED,
     "The wave header was not prepared. Use the Prepare function to prepare the header, and "
     "then try again."},
    {WAVERR_SYNC,
     "Cannot open the device without using the WAVE_ALLOWSYNC flag. Use the flag, and then try "
     "again."},
};

constexpr ErrorText kMciTexts[] = {
    {MCIERR_INVALID_DEVICE_ID,
     "Invalid MCI device ID. Use the ID returned when opening the MCI device."},
    {MCIERR_UNRECOGNIZED_COMMAND, "The driver cannot recognize the specified command."},
    {MCIERR_HARDWARE,
     "There is a problem with your media device. Make sure it is working correctly or contact "
     "the device manufacturer."},
    {MCIERR_INVALID_DEVICE_NAME, "The specified device is not open or is not recognized by MCI."},
    {MCIERR_MISSING_PARAMETER, "The specified command requires a parameter. Please supply one."},
    {MCIERR_DEVICE_NOT_READY, "The device driver is not ready."},
    {MCIERR_OUTOFRANGE, "The specified parameter is out of range for the specified command."},
    {MCIERR_FLAGS_NOT_COMPATIBLE, "The specified parameters cannot be used together."},
    {MCIERR_NULL_PARAMETER_BLOCK, "A null parameter block was passed to MCI."},
};

template <size_t N>
const char* Lookup(const ErrorText (&table)[N], unsigned code) {
  for (const ErrorText& entry : table) {
    if (entry.code == code) return entry.text;
  }
  return nullptr;
}

}  // namespace

MMRESULT WINAPI waveInGetErrorTextA(MMRESULT mmrError, LPSTR pszText, UINT cchText) {
  if (!pszText) return MMSYSERR_INVALPARAM;
  if (cchText == 0) return MMSYSERR_NOERROR;
  const char* text = Lookup(kWaveTexts, mmrError);
  snprintf(pszText, cchText, "%s", text ? text : "");
  return text ? MMSYSERR_NOERROR : MMSYSERR_BADERRNUM;
}

BOOL WINAPI mciGetErrorStringA(MCIERROR mcierr, LPSTR pszText, UINT cchText) {
  if (!pszText || cchText == 0) return FALSE;
  const char* text = Lookup(kMciTexts, mcierr);
  snprintf(pszText, cchText, "%s", text ? text : "");
  return text ? TRUE : FALSE;
}
