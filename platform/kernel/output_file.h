// Writing a file the user named so that a failed write never costs what was there: a new file
// is written beside the target under a temporary name and renamed over it only when complete.
// A target that is not a regular file (a device such as /dev/null, a FIFO) is written in
// place and never removed, whatever happens.
#ifndef ORVEL_KERNEL_OUTPUT_FILE_H
#define ORVEL_KERNEL_OUTPUT_FILE_H

#include <string>

namespace orvel {

class OutputFile {
 public:
  OutputFile() = default;
  ~OutputFile() { Discard(); }
  OutputFile(const OutputFile&) = delete;
  OutputFile& operator=(const OutputFile&) = delete;

  // Prepares to write `target`: makes the temporary file beside it (empty, with the target's
  // permissions if it exists) or, for a target that is not a regular file, chooses the target
  // itself. False with the reason in *why ("is a folder", strerror's text) when it cannot.
  bool Prepare(const std::string& target, std::string* why);

  // Where the caller writes (opening it for writing itself): the temporary file or the target.
  const std::string& path() const { return writePath_; }

  // Puts the written file in the target's place. False with the reason in *why (and errno
  // set); the temporary file is then removed.
  bool Commit(std::string* why);

  // Removes the temporary file, if there is one that was not committed; never anything else.
  // True when a file was removed.
  bool Discard();

 private:
  std::string target_;
  std::string writePath_;
  bool temporary_ = false;  // writePath_ is a file this made, not yet renamed into place
};

}  // namespace orvel

#endif
