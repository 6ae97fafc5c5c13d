// Runs a fuzz target once over each file it is given, or over each file of a folder it is
// given: the ordinary builds' way to replay a corpus, seeds and kept crashes alike. A crash or
// a sanitizer report fails the run as it would under libFuzzer.
#include <stddef.h>
#include <stdint.h>
#include <stdio.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);

namespace {

// The files to run: a folder's regular files in name order, or the path itself.
std::vector<std::filesystem::path> Inputs(const char* arg) {
  std::filesystem::path path(arg);
  std::vector<std::filesystem::path> files;
  std::error_code error;
  if (!std::filesystem::is_directory(path, error)) {
    files.push_back(path);
    return files;
  }
  for (const auto& entry : std::filesystem::directory_iterator(path, error)) {
    if (entry.is_regular_file()) files.push_back(entry.path());
  }
  std::sort(files.begin(), files.end());
  return files;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    fprintf(stderr, "usage: %s FILE-OR-FOLDER...\n", argv[0]);
    return 2;
  }
  int ran = 0;
  for (int i = 1; i < argc; ++i) {
    for (const std::filesystem::path& file : Inputs(argv[i])) {
      std::ifstream in(file, std::ios::binary);
      std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
      if (!in.good() && !in.eof()) {
        fprintf(stderr, "cannot read %s\n", file.c_str());
        return 1;
      }
      LLVMFuzzerTestOneInput(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
      ++ran;
    }
  }
  if (ran == 0) {
    fprintf(stderr, "no inputs in %s\n", argv[1]);
    return 1;
  }
  printf("%d inputs ran\n", ran);
  return 0;
}
