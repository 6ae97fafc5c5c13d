// The checks a Nero NRG image must pass before libcdio may read it. libcdio trusts the image:
// it follows the footer's offset and each chunk's length without looking at the file's size,
// and stops the program (an assertion) on tables it does not expect. Orvel reads the footer
// and every chunk itself first and refuses what does not add up.
#ifndef ORVEL_WINMM_DISC_NRG_CHECK_H
#define ORVEL_WINMM_DISC_NRG_CHECK_H

#include <string>

namespace orvel::disc {

// True when the NRG image at `path` has a footer ("NERO" with a 32-bit offset or "NER5" with
// a 64-bit one) that points into the file no more than 4 KiB from its end, and a chain of
// chunks from there that stays inside the file, ends with "END!", holds one table of 1 to 99
// tracks (CUEX, CUES, ETNF or ETN2) and only chunks of the sizes libcdio reads. Otherwise
// false with a message naming the file and what is wrong in *error.
bool CheckNrgImage(const std::string& path, std::string* error);

}  // namespace orvel::disc

#endif
