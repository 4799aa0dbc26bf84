#include "tests/audio/support/AudioFixtures.h"

#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <numbers>

namespace fixtures {

namespace {

void putLe(std::ofstream& out, uint32_t value, int bytes) {
  for (int i = 0; i < bytes; ++i) out.put(static_cast<char>((value >> (8 * i)) & 0xff));
}

std::string quoted(const std::string& text) {
  std::string result = "'";
  for (char c : text) result += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return result + "'";
}

}  // namespace

std::string tempDir() {
  static const std::string dir = [] {
    const char* base = std::getenv("TEMBR_TEST_TMP");
    std::filesystem::path path = base != nullptr && *base != '\0' ? base : "/tmp";
    path /= "tembr-audio-" + std::to_string(::getpid());
    std::filesystem::create_directories(path);
    return path.string();
  }();
  return dir;
}

std::string writeWav(const std::string& name, int sampleRate, int channels,
                     const std::vector<int16_t>& samples) {
  const std::string path = tempDir() + "/" + name;
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  const auto dataBytes = static_cast<uint32_t>(samples.size() * 2);
  out.write("RIFF", 4);
  putLe(out, 36 + dataBytes, 4);
  out.write("WAVEfmt ", 8);
  putLe(out, 16, 4);
  putLe(out, 1, 2);  // PCM
  putLe(out, static_cast<uint32_t>(channels), 2);
  putLe(out, static_cast<uint32_t>(sampleRate), 4);
  putLe(out, static_cast<uint32_t>(sampleRate * channels * 2), 4);
  putLe(out, static_cast<uint32_t>(channels * 2), 2);
  putLe(out, 16, 2);
  out.write("data", 4);
  putLe(out, dataBytes, 4);
  for (int16_t sample : samples) putLe(out, static_cast<uint16_t>(sample), 2);
  return path;
}

std::string writeSineWav(const std::string& name, int sampleRate, int channels, double frequency,
                         double seconds, double amplitude, double startSeconds) {
  const auto frames = static_cast<size_t>(std::llround(seconds * sampleRate));
  std::vector<int16_t> samples(frames * static_cast<size_t>(channels));
  for (size_t i = 0; i < frames; ++i) {
    const double t = startSeconds + static_cast<double>(i) / sampleRate;
    const double value = amplitude * std::sin(2.0 * std::numbers::pi * frequency * t);
    const auto sample = static_cast<int16_t>(std::lround(value * 32767.0));
    for (int c = 0; c < channels; ++c) samples[i * channels + c] = sample;
  }
  return writeWav(name, sampleRate, channels, samples);
}

std::string encodeWithFfmpeg(const std::string& wavPath, const std::string& name,
                             const std::string& extraArgs) {
  const std::string path = tempDir() + "/" + name;
  const std::string command = "ffmpeg -nostdin -hide_banner -loglevel error -y -i " + quoted(wavPath) +
                              " " + extraArgs + " " + quoted(path) + " </dev/null >/dev/null 2>&1";
  if (std::system(command.c_str()) != 0 || !std::filesystem::exists(path)) return "";
  return path;
}

}  // namespace fixtures
