#include "host/render/sink.h"

namespace orvel::render {
namespace {

bool EndsWith(const std::string& s, const std::string& tail) {
  return s.size() > tail.size() && s.compare(s.size() - tail.size(), tail.size(), tail) == 0;
}

}  // namespace

std::string SupportedOutputs() {
  return "supported: .mp4 (H.264 + AAC), .mkv and .webm (VP9 or AV1 + Opus), .gif, a PNG "
         "sequence such as frames/%05d.png, or - for raw RGB24 frames on standard output";
}

std::unique_ptr<Sink> OpenSink(const SinkSettings& settings, std::string* error) {
  const std::string& out = settings.output;
  if (out == "-") return OpenRawSink(settings, error);
  if (EndsWith(out, ".png")) {
    if (out.find('%') == std::string::npos) {
      *error = "cannot render to '" + out +
               "': a PNG output is a sequence and needs a frame number, for example "
               "frames/%05d.png";
      return nullptr;
    }
    return OpenPngSink(settings, error);
  }
  return OpenAvSink(settings, error);
}

}  // namespace orvel::render
