// The browser has no CD drive and no files of the user's to open as discs: the CD panel
// behaves as on a machine without a drive.
#include "disc/disc.h"

namespace orvel::disc {

std::unique_ptr<Disc> OpenDisc(const std::string& spec, std::string* error) {
  *error = "a web page cannot open '" + spec + "' as a CD";
  return nullptr;
}

std::unique_ptr<Disc> OpenDefaultDrive(std::string* error) {
  *error = "a web page has no CD drive";
  return nullptr;
}

}  // namespace orvel::disc
