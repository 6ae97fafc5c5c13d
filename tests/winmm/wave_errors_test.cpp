// Error texts, and the MCI of a computer without a CD drive.
#include <gtest/gtest.h>
#include <windows.h>
#include <mmsystem.h>

#include <string.h>

#include "winmm/cd_sources.h"

namespace {

TEST(WaveErrorText, GivesWindowsWordingWithinTheBuffer) {
  char text[MAXERRORLENGTH];
  ASSERT_EQ(waveInGetErrorTextA(WAVERR_BADFORMAT, text, sizeof text), MMSYSERR_NOERROR);
  EXPECT_STREQ(text,
               "The specified format is not supported or cannot be translated. Use the "
               "Capabilities function to determine the supported formats.");
  ASSERT_EQ(waveInGetErrorTextA(MMSYSERR_BADDEVICEID, text, 254), MMSYSERR_NOERROR);
  EXPECT_STREQ(text, "A device ID has been used that is out of range for your system.");
  ASSERT_EQ(waveInGetErrorTextA(MMSYSERR_NODRIVER, text, 254), MMSYSERR_NOERROR);
  EXPECT_STREQ(text, "There is no driver installed on your system.");

  char small[12];
  memset(small, 'x', sizeof small);
  ASSERT_EQ(waveInGetErrorTextA(WAVERR_STILLPLAYING, small, 10), MMSYSERR_NOERROR);
  EXPECT_STREQ(small, "Cannot pe");
  EXPECT_EQ(small[10], 'x');
  EXPECT_EQ(small[11], 'x');
}

TEST(WaveErrorText, UnknownCodesAndBadBuffersAreRefused) {
  char text[64] = "unchanged";
  EXPECT_EQ(waveInGetErrorTextA(12345, text, sizeof text),
            static_cast<MMRESULT>(MMSYSERR_BADERRNUM));
  EXPECT_EQ(waveInGetErrorTextA(MCIERR_INVALID_DEVICE_ID, text, sizeof text),
            static_cast<MMRESULT>(MMSYSERR_BADERRNUM));
  EXPECT_EQ(waveInGetErrorTextA(WAVERR_BADFORMAT, nullptr, 10),
            static_cast<MMRESULT>(MMSYSERR_INVALPARAM));
  strcpy(text, "unchanged");
  EXPECT_EQ(waveInGetErrorTextA(WAVERR_BADFORMAT, text, 0), MMSYSERR_NOERROR);
  EXPECT_STREQ(text, "unchanged");
}

TEST(Mci, WithoutACdDriveOpenFailsAndNoDeviceAnswers) {
  orvel::cdaudio::UseNoDrive();
  MCI_OPEN_PARMSA open = {};
  open.lpstrDeviceType = "cdaudio";
  EXPECT_EQ(mciSendCommandA(0, MCI_OPEN, MCI_OPEN_TYPE | MCI_OPEN_SHAREABLE | MCI_WAIT,
                            reinterpret_cast<DWORD_PTR>(&open)),
            static_cast<MCIERROR>(MCIERR_CANNOT_LOAD_DRIVER));
  EXPECT_EQ(open.wDeviceID, 0u);
  EXPECT_EQ(mciSendCommandA(0, MCI_OPEN, MCI_OPEN_TYPE, 0),
            static_cast<MCIERROR>(MCIERR_NULL_PARAMETER_BLOCK));

  MCI_STATUS_PARMS status = {};
  status.dwItem = MCI_STATUS_MODE;
  MCI_SET_PARMS set = {};
  set.dwTimeFormat = MCI_FORMAT_TMSF;
  for (MCIDEVICEID id : {0u, 1u, 77u}) {
    EXPECT_EQ(
        mciSendCommandA(id, MCI_STATUS, MCI_STATUS_ITEM, reinterpret_cast<DWORD_PTR>(&status)),
        static_cast<MCIERROR>(MCIERR_INVALID_DEVICE_ID));
    EXPECT_EQ(mciSendCommandA(id, MCI_SET, MCI_SET_TIME_FORMAT, reinterpret_cast<DWORD_PTR>(&set)),
              static_cast<MCIERROR>(MCIERR_INVALID_DEVICE_ID));
    EXPECT_EQ(mciSendCommandA(id, MCI_CLOSE, 0, 0),
              static_cast<MCIERROR>(MCIERR_INVALID_DEVICE_ID));
  }
  EXPECT_EQ(status.dwReturn, 0u);
}

TEST(Mci, ErrorStringsAreBoundedAndKnown) {
  char text[128];
  ASSERT_TRUE(mciGetErrorStringA(MCIERR_INVALID_DEVICE_ID, text, sizeof text));
  EXPECT_STREQ(text, "Invalid MCI device ID. Use the ID returned when opening the MCI device.");
  ASSERT_TRUE(mciGetErrorStringA(MCIERR_INVALID_DEVICE_NAME, text, 8));
  EXPECT_STREQ(text, "The spe");
  EXPECT_FALSE(mciGetErrorStringA(99999, text, sizeof text));
  EXPECT_FALSE(mciGetErrorStringA(MCIERR_HARDWARE, nullptr, 10));
}

}  // namespace
