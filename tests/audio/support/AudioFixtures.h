#pragma once

// Audio made by the tests themselves: generated WAV files, and the ffmpeg command-line tool
// for encoded formats.

#include <cstdint>
#include <string>
#include <vector>

namespace fixtures {

// A folder under the test temp directory, created on first use, unique per process.
std::string tempDir();

// Writes a 16-bit PCM WAV of a sine (amplitude 0..1 of full scale) and returns its path. The
// sine is taken from `startSeconds` on, so that two files can hold one tone cut in two.
std::string writeSineWav(const std::string& name, int sampleRate, int channels, double frequency,
                         double seconds, double amplitude = 0.5, double startSeconds = 0.0);

// Writes a 16-bit PCM WAV holding exactly these interleaved samples.
std::string writeWav(const std::string& name, int sampleRate, int channels,
                     const std::vector<int16_t>& samples);

// Encodes `wavPath` with the ffmpeg tool into `name` (the extension picks the format; extra
// arguments such as "-c:a libopus" may be given). Returns the path, or "" if ffmpeg failed.
std::string encodeWithFfmpeg(const std::string& wavPath, const std::string& name,
                             const std::string& extraArgs = "");

}  // namespace fixtures
