// The whole effect rack (ten equaliser bands and the seven effects) on 60 s of stereo
// 44.1 kHz audio, in times real time, beside the sox tool running a comparable chain on the
// same audio. Our figure excludes reading the file; sox's includes reading a 16-bit WAV and
// discards its output. Each is given by the wall clock and by the processor time spent, which
// stays meaningful on a busy machine. Figures are printed, never judged here.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <sys/resource.h>
#include <time.h>
#include <vector>

#include "audio/engine/EffectChain.h"
#include "tests/audio/support/AudioFixtures.h"

namespace {

constexpr int kRate = 44100;
constexpr int kChannels = 2;
constexpr int kSeconds = 60;
constexpr int kFrames = kRate * kSeconds;
constexpr int kBlock = 1024;
constexpr float kEqCentres[] = {80, 170, 310, 600, 1000, 3000, 6000, 10000, 12000, 14000};
constexpr audio::FxType kEffects[] = {audio::FxType::Chorus, audio::FxType::Compressor, audio::FxType::Distortion,
                                      audio::FxType::Echo,   audio::FxType::Flanger,    audio::FxType::Gargle,
                                      audio::FxType::Reverb};

// Something with the shape of music: a few drifting partials, a beat and some noise.
std::vector<float> musicLike() {
  std::vector<float> out(static_cast<size_t>(kFrames) * kChannels);
  uint32_t seed = 1;
  for (int f = 0; f < kFrames; ++f) {
    const double t = static_cast<double>(f) / kRate;
    const double beat = std::exp(-8.0 * std::fmod(t, 0.5));
    const double tone = 0.2 * std::sin(2 * M_PI * 220.0 * t) + 0.1 * std::sin(2 * M_PI * 331.0 * t + std::sin(t)) +
                        0.05 * std::sin(2 * M_PI * 1760.0 * t);
    for (int c = 0; c < kChannels; ++c) {
      seed = seed * 1664525u + 1013904223u;
      const double noise = (static_cast<double>(seed >> 8) / (1u << 23) - 1.0) * 0.05;
      out[static_cast<size_t>(f) * kChannels + c] = static_cast<float>(tone * (0.6 + 0.4 * beat) + noise);
    }
  }
  return out;
}

const std::vector<float>& audioInput() {
  static const std::vector<float> input = musicLike();
  return input;
}

void buildRack(audio::EffectChain& chain) {
  chain.prepare(kRate, kChannels, kBlock);
  uint32_t handle = 1;
  for (float centre : kEqCentres) {
    chain.add(handle, audio::FxType::ParamEq, 1);
    const audio::Dx8ParamEq band{centre, 3.0f, 4.0f};
    chain.find(handle++)->setParameters(band);
  }
  for (audio::FxType type : kEffects) chain.add(handle++, type, 0);
}

struct Figures {
  double wall = 0.0;  // times real time by the wall clock
  double cpu = 0.0;   // times real time by processor time
};
Figures ours, sox;

double threadCpuSeconds() {
  timespec ts{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
  return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) * 1e-9;
}

// Processor time of every finished child process (and theirs), user and system.
double childrenCpuSeconds() {
  rusage usage{};
  getrusage(RUSAGE_CHILDREN, &usage);
  const auto seconds = [](const timeval& t) { return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_usec) * 1e-6; };
  return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

void BM_DspRack(benchmark::State& state) {
  std::vector<float> work(audioInput().size());
  double seconds = 0.0;
  double cpuSeconds = 0.0;
  for (auto _ : state) {
    audio::EffectChain chain;
    buildRack(chain);
    work = audioInput();
    const auto start = std::chrono::steady_clock::now();
    const double cpuStart = threadCpuSeconds();
    for (int done = 0; done < kFrames; done += kBlock)
      chain.process(work.data() + static_cast<size_t>(done) * kChannels, std::min(kBlock, kFrames - done));
    cpuSeconds += threadCpuSeconds() - cpuStart;
    seconds += std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    benchmark::DoNotOptimize(work.data());
  }
  const auto audioSeconds = kSeconds * static_cast<double>(state.iterations());
  ours = {audioSeconds / seconds, audioSeconds / cpuSeconds};
  state.counters["xRealTime"] = ours.wall;
  state.counters["xRealTimeCpu"] = ours.cpu;
}
BENCHMARK(BM_DspRack)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();

// Ten equaliser bands 3 semitones (a quarter octave) wide at +4 dB, then compand, overdrive,
// echo, flanger, chorus, tremolo and reverb at settings close to our defaults.
std::string soxChain() {
  std::string chain;
  for (float centre : kEqCentres) chain += " equalizer " + std::to_string(static_cast<int>(centre)) + " 0.25o 4";
  chain += " compand 0.01,0.2 -60,-60,-20,-20,0,-13.3 0";
  chain += " overdrive 15 20";
  chain += " echo 0.8 0.6 500 0.5";
  chain += " flanger 2 2 -50 50 0.25 sine";
  chain += " chorus 0.7 0.9 25 0.4 1.1 1.6 -s";
  chain += " tremolo 20 100";
  chain += " reverb 50 50 100";
  return chain;
}

std::string inputWav() {
  static const std::string path = [] {
    std::vector<int16_t> samples(audioInput().size());
    for (size_t i = 0; i < samples.size(); ++i)
      samples[i] = static_cast<int16_t>(std::lround(std::clamp(audioInput()[i], -1.0f, 1.0f) * 32767.0f));
    return fixtures::writeWav("dsp-bench-input.wav", kRate, kChannels, samples);
  }();
  return path;
}

void BM_SoxRack(benchmark::State& state) {
  const std::string command = "sox -q -V0 '" + inputWav() + "' -n" + soxChain();
  double seconds = 0.0;
  double cpuSeconds = 0.0;
  for (auto _ : state) {
    const auto start = std::chrono::steady_clock::now();
    const double cpuStart = childrenCpuSeconds();
    if (std::system(command.c_str()) != 0) {
      state.SkipWithError("sox failed or is not installed");
      return;
    }
    cpuSeconds += childrenCpuSeconds() - cpuStart;
    seconds += std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  }
  const auto audioSeconds = kSeconds * static_cast<double>(state.iterations());
  sox = {audioSeconds / seconds, audioSeconds / cpuSeconds};
  state.counters["xRealTime"] = sox.wall;
  state.counters["xRealTimeCpu"] = sox.cpu;
}
BENCHMARK(BM_SoxRack)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  if (ours.wall > 0.0 && sox.wall > 0.0) {
    std::printf("Effect rack, 60 s stereo 44.1 kHz, by the wall clock: ours %.1fx real time, sox %.1fx, ours/sox %.2f\n",
                ours.wall, sox.wall, ours.wall / sox.wall);
    std::printf("Effect rack, 60 s stereo 44.1 kHz, by processor time: ours %.1fx real time, sox %.1fx, ours/sox %.2f\n",
                ours.cpu, sox.cpu, ours.cpu / sox.cpu);
  }
  return 0;
}
