// Which disc the "cdaudio" device plays. The portable main chooses it from the command line
// before WinMain runs; without a choice the device opens the first CD drive that libcdio finds.
#ifndef ORVEL_WINMM_CD_SOURCES_H
#define ORVEL_WINMM_CD_SOURCES_H

#include <memory>
#include <string>

namespace orvel::disc {
class Disc;
}

namespace orvel::cdaudio {

// Opens what `spec` names (a drive's device path, a disc image, a CUE sheet or a folder of
// audio files) now, so that a bad one is reported before any window opens; false with a
// message naming the file (and, for a sheet, the line) in *error.
bool ChooseDisc(const std::string& spec, std::string* error);

// Tests: the device plays this disc; or there is no CD drive at all.
void UseDisc(std::shared_ptr<disc::Disc> disc);
void UseNoDrive();

// For MCI_OPEN: the chosen disc, else the first drive (opened now), else null.
std::shared_ptr<disc::Disc> DiscToOpen();

}  // namespace orvel::cdaudio

#endif
