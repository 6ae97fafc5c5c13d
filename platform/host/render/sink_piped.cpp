// OpenSink for the live program, which renders only raw frames itself (piping them into
// another tool, where start-up counts); every other output is orvel-render's, with FFmpeg's
// libraries and the PNG encoder (sink.cpp).
#include "host/render/sink.h"

namespace orvel::render {

std::unique_ptr<Sink> OpenSink(const SinkSettings& settings, std::string* error) {
  if (settings.output == "-") return OpenRawSink(settings, error);
  *error = "cannot render to '" + settings.output + "' here: only orvel-render writes files";
  return nullptr;
}

}  // namespace orvel::render
