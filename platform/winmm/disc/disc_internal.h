// The back ends behind OpenDisc and OpenDefaultDrive.
#ifndef ORVEL_WINMM_DISC_DISC_INTERNAL_H
#define ORVEL_WINMM_DISC_DISC_INTERNAL_H

#include <memory>
#include <string>
#include <vector>

#include "disc/cue_sheet.h"
#include "disc/disc.h"

namespace orvel::disc {

// A disc laid out from a sheet (a CUE sheet, or one made up for a bare .bin or a folder):
// `paths` are where sheet.files are on disk; `shownName` names the sheet (or folder) in
// messages. Checks every file and lays the disc out; on failure returns null with a message.
std::unique_ptr<Disc> OpenSheetDisc(const std::string& name, const std::string& shownName,
                                    const CueSheet& sheet, const std::vector<std::string>& paths,
                                    std::string* error);

// Images that libcdio reads itself: cdrdao TOC and Nero NRG.
std::unique_ptr<Disc> OpenCdioImage(const std::string& path, bool toc, std::string* error);
// A drive, through libcdio and paranoia. An empty `device` means libcdio's default one.
std::unique_ptr<Disc> OpenDrive(const std::string& device, std::string* error);

// What stands at `path` when it is not a regular file, for messages: "a folder", "a FIFO",
// "a socket", "a block device", "a character device", "missing", or why it cannot be looked
// at; empty for a regular file.
std::string FileKind(const std::string& path);

// "a/b/album.cue" -> "album.cue"; "a/b/" -> "b".
std::string BaseName(const std::string& path);
// "a/b/album.cue" -> "a/b/"; "album.cue" -> "".
std::string FolderOf(const std::string& path);

}  // namespace orvel::disc

#endif
