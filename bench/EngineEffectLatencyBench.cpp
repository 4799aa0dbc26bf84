// Time from switching an effect on to hearing it, through SDL's real output path. Run with
// SDL_AUDIODRIVER=disk and SDL_DISKAUDIOFILE=<file>: the disk driver writes each period when
// the period would be played, so the amount written when the switch happens marks "now" in
// the captured audio. A 1 kHz tone plays; a parametric EQ band at 1 kHz with -15 dB goes on;
// the first quiet period after that mark is when the switch is heard. Prints one figure
// (milliseconds); asserts nothing.

#include <sys/stat.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "audio/engine/Engine.h"
#include "tests/audio/support/AudioFixtures.h"

namespace {

constexpr int kRate = 44100;
constexpr int kFrameBytes = 2 * sizeof(float);

long fileSize(const char* path) {
  struct stat info{};
  return ::stat(path, &info) == 0 ? static_cast<long>(info.st_size) : -1;
}

// Milliseconds from the mark (in bytes) to the first 1 ms window whose peak is under half of
// the tone's; negative when none is found.
double heardAfter(const char* path, long markBytes) {
  FILE* file = std::fopen(path, "rb");
  if (file == nullptr) return -1;
  std::vector<float> samples(static_cast<size_t>(fileSize(path)) / sizeof(float));
  const size_t got = std::fread(samples.data(), sizeof(float), samples.size(), file);
  std::fclose(file);
  samples.resize(got);
  const size_t window = kRate / 1000;
  const size_t markFrame = static_cast<size_t>(markBytes / kFrameBytes);
  for (size_t frame = markFrame; frame + window < samples.size() / 2; frame += window) {
    float peak = 0;
    for (size_t i = frame; i < frame + window; ++i) peak = std::max(peak, std::fabs(samples[2 * i]));
    if (peak < 0.25f) return static_cast<double>(frame - markFrame) * 1000.0 / kRate;
  }
  return -1;
}

}  // namespace

int main() {
  const char* capture = std::getenv("SDL_DISKAUDIOFILE");
  if (capture == nullptr) {
    std::fprintf(stderr, "set SDL_AUDIODRIVER=disk and SDL_DISKAUDIOFILE\n");
    return 1;
  }
  const std::string tone = fixtures::writeSineWav("latency-tone.wav", kRate, 2, 1000.0, 6.0, 0.9);
  std::vector<double> figures;
  for (int round = 0; round < 5; ++round) {
    audio::Engine& engine = audio::Engine::instance();
    if (!engine.init(-1, kRate)) {
      std::fprintf(stderr, "no SDL output\n");
      return 1;
    }
    const audio::StreamHandle stream = engine.streamCreateFile(tone);
    engine.play(stream, true);
    // Past the start, at a moment unrelated to the output's periods.
    std::this_thread::sleep_for(std::chrono::milliseconds(700 + 37 * round));
    const long mark = fileSize(capture);
    const audio::FxHandle eq = engine.setFx(stream, audio::FxType::ParamEq, 1);
    engine.fxSetParameters(eq, audio::Dx8ParamEq{1000.0f, 3.0f, -15.0f});
    std::this_thread::sleep_for(std::chrono::milliseconds(400));
    engine.free();
    const double heard = heardAfter(capture, mark);
    if (heard >= 0) figures.push_back(heard);
  }
  if (figures.empty()) {
    std::printf("effect_latency_ms nan\n");
    return 0;
  }
  std::sort(figures.begin(), figures.end());
  std::printf("effect_latency_ms %.2f\n", figures[figures.size() / 2]);
  return 0;
}
