// What the wave-input device (WAVE_MAPPER, device 0) records. The portable main chooses the
// source from the command line before WinMain runs; tests choose scripted input or no device.
#ifndef ORVEL_WINMM_WAVE_SOURCES_H
#define ORVEL_WINMM_WAVE_SOURCES_H

#include <stdint.h>

#include <functional>
#include <string>

namespace orvel::wave {

// Chooses the source from a command-line value:
//   "default"  the default capture device of the sound system (SDL2 audio capture);
//   "monitor"  what the computer is playing: the monitor of the default output;
//   "cd"       what the CD player plays (cd_sources.h chooses the disc), as the cable from a
//              drive to the sound card carried it;
//   "demo"     built-in music made in code, heard while recording, loops after about a minute;
//   "-"        standard input, a sound stream piped in (WAV; read as it comes);
//   any other value is the path of an audio file that libsndfile reads (WAV, FLAC, Ogg, ...),
//              or of a FIFO or pipe that a WAV stream is written to, heard while recording;
//              after its end the input is silence (the end of a stream is told to the user).
//   the name of a capture device or monitor source as ListInputs shows it, or a part of it
//              that only one name holds (an exact name wins); a value with a '/' in it, or
//              that names an existing file, is always a file.
// A file is opened here, once, and kept for the device. Returns false with a message in
// *error (naming the file for a path) when the source cannot be used: a missing or
// unreadable file, a file that is not audio or has an absurd rate, no monitor source.
// "default" is only checked when the device is opened, as Windows does.
bool ChooseInput(const std::string& spec, std::string* error);

// The capture devices and monitor sources that --input can name, one a line, the default
// marked. False with a message when the sound system does not start.
bool ListInputs(std::string* text, std::string* error);

// The picture shown `micros` (0 to 2,000,000) later than its sound was recorded, for sound
// that reaches the ear late (Bluetooth speakers, a television): each buffer then holds the
// samples of that much earlier. Takes effect for devices opened after it.
void SetPictureDelay(int64_t micros);
int64_t PictureDelayMicros();

// Tests: the input is fill(firstSample, out, count), which writes `count` unsigned 8-bit
// samples (128 = silence) starting at sample index firstSample of a 22050 Hz mono stream.
// Under the virtual clock sample index n is recorded at time n / 22050 s.
void UseScriptedInput(std::function<void(int64_t firstSample, uint8_t* out, int count)> fill);

// Tests: there is no input device at all (waveInGetNumDevs is 0).
void UseNoDevice();

// Tests: the device disappears as an unplugged one does: open devices deliver no more data
// and the user is told in a message box.
void SimulateDeviceLoss();

}  // namespace orvel::wave

#endif
