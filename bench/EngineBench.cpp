// Engine figures: decode-and-render speed per format beside the ffmpeg tool decoding the
// same file to null, the cost of one spectrum call, and the cost of the calls the player
// makes on every tick. Figures only; nothing here asserts a time.

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "audio/decode/Decoder.h"
#include "audio/engine/Engine.h"
#include "audio/output/ManualClockOutput.h"
#include "tests/audio/support/AudioFixtures.h"

namespace {

using audio::Engine;
constexpr int kRate = 44100;
constexpr double kSeconds = 30.0;

struct Format {
  const char* name;
  const char* extension;
  const char* encoderArgs;
};

const Format kFormats[] = {
    {"wav", "wav", ""},
    {"flac", "flac", ""},
    {"mp3", "mp3", "-c:a libmp3lame -b:a 192k"},
    {"vorbis", "ogg", "-c:a libvorbis -q:a 5"},
    {"opus", "opus", "-c:a libopus -b:a 128k"},
    {"aac", "m4a", "-c:a aac -b:a 192k"},
};

Engine& manualEngine() {
  static bool ready = [] {
    Engine::setOutputFactory([](int rate) { return std::make_unique<audio::ManualClockOutput>(rate); });
    return Engine::instance().init(-1, kRate);
  }();
  (void)ready;
  return Engine::instance();
}

audio::ManualClockOutput& clock() {
  return *static_cast<audio::ManualClockOutput*>(manualEngine().output());
}

// Music-like material: a few detuned tones, so that the lossy encoders have work to do.
std::string sourceWav() {
  static const std::string path = [] {
    const std::string wav = fixtures::writeSineWav("bench-source.wav", kRate, 2, 441.0, kSeconds, 0.4);
    const std::string rich = fixtures::encodeWithFfmpeg(
        wav, "bench-rich.wav",
        "-filter_complex \"[0:a]aformat=channel_layouts=stereo[a];"
        "sine=f=1234:d=30:sample_rate=44100,volume=0.2,aformat=channel_layouts=stereo[b];"
        "anoisesrc=d=30:c=pink:a=0.05:sample_rate=44100,aformat=channel_layouts=stereo[c];"
        "[a][b][c]amix=inputs=3:normalize=0\" -c:a pcm_s16le");
    return rich.empty() ? wav : rich;
  }();
  return path;
}

std::string fixtureFor(const Format& format) {
  if (std::string(format.extension) == "wav") return sourceWav();
  return fixtures::encodeWithFfmpeg(sourceWav(), std::string("bench.") + format.extension,
                                    format.encoderArgs);
}

// Seconds the ffmpeg tool spends decoding `path` to null, from its own -benchmark report;
// with `filters`, it also runs them on the way.
double ffmpegSeconds(const std::string& path, const std::string& filters = {}) {
  const std::string command = "ffmpeg -nostdin -hide_banner -benchmark -i '" + path + "' " +
                              (filters.empty() ? std::string() : "-af " + filters + " ") + "-f null - 2>&1 </dev/null";
  FILE* pipe = popen(command.c_str(), "r");
  if (pipe == nullptr) return -1.0;
  char line[512];
  double seconds = -1.0;
  while (std::fgets(line, sizeof line, pipe) != nullptr) {
    if (const char* at = std::strstr(line, "rtime=")) seconds = std::atof(at + 6);
  }
  pclose(pipe);
  return seconds;
}

double secondsSince(std::chrono::steady_clock::time_point start) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// Seconds for the engine to open `path`, play it through to its end on the test clock and
// release it. What is rendered is let go at once: the bench measures the engine, not the test
// clock's recording of it.
double engineRun(Engine& engine, const std::string& path) {
  const auto start = std::chrono::steady_clock::now();
  const auto stream = engine.streamCreateFile(path);
  engine.play(stream, false);
  while (engine.isActive(stream) != audio::Activity::Stopped) {
    clock().render(16384);
    clock().clearRecorded();
  }
  engine.streamFree(stream);
  return secondsSince(start);
}

// Seconds for the bare decoder, without the engine's threads and mixing, for comparison.
double decoderRun(const std::string& path) {
  std::vector<float> block(2 * 4096);
  const auto start = std::chrono::steady_clock::now();
  auto decoder = audio::openDecoder(path);
  while (decoder && decoder->read(block.data(), 4096) > 0) {
  }
  return secondsSince(start);
}

// The machine is shared, and its speed drifts from one second to the next: the engine, the
// bare decoder and the ffmpeg tool take turns, so that each run of ours meets the same
// conditions as the reference beside it, and every figure is the best of ten turns.
void decodeAndRender(benchmark::State& state, const Format& format) {
  const std::string path = fixtureFor(format);
  if (path.empty()) {
    state.SkipWithError("ffmpeg could not make the fixture");
    return;
  }
  Engine& engine = manualEngine();
  double engineSeconds = 1e9;
  double decoderSeconds = 1e9;
  double toolSeconds = 1e9;
  // The engine plays everything at the output rate; where the file has another rate, the
  // tool is also timed converting it the same way, so that like can be set beside like.
  const auto probe = audio::openDecoder(path);
  const bool converts = probe && probe->sampleRate() != kRate;
  const std::string conversion = "aresample=" + std::to_string(kRate);
  double convertingToolSeconds = 1e9;
  for (auto _ : state) {
    const double seconds = engineRun(engine, path);
    engineSeconds = std::min(engineSeconds, seconds);
    state.SetIterationTime(seconds);
    decoderSeconds = std::min(decoderSeconds, decoderRun(path));
    const double tool = ffmpegSeconds(path);
    if (tool > 0) toolSeconds = std::min(toolSeconds, tool);
    const double converting = converts ? ffmpegSeconds(path, conversion) : -1.0;
    if (converting > 0) convertingToolSeconds = std::min(convertingToolSeconds, converting);
  }
  state.counters["engine_x_realtime"] = kSeconds / engineSeconds;
  state.counters["decoder_x_realtime"] = kSeconds / decoderSeconds;
  state.counters["ffmpeg_x_realtime"] = kSeconds / toolSeconds;
  state.counters["engine_time_over_ffmpeg"] = engineSeconds / toolSeconds;
  state.counters["decoder_time_over_ffmpeg"] = decoderSeconds / toolSeconds;
  if (converts) {
    state.counters["ffmpeg_resampling_x_realtime"] = kSeconds / convertingToolSeconds;
    state.counters["engine_time_over_ffmpeg_resampling"] = engineSeconds / convertingToolSeconds;
  }
}

void spectrum(benchmark::State& state) {
  Engine& engine = manualEngine();
  const auto stream = engine.streamCreateFile(sourceWav());
  engine.play(stream, false);
  clock().render(4096);
  float magnitudes[512];
  for (auto _ : state) {
    engine.getFft1024(stream, magnitudes);
    benchmark::DoNotOptimize(magnitudes);
  }
  engine.streamFree(stream);
}

// What the player's tick asks of the engine: length, position and both as seconds, volume
// and pan, the activity, and a read and a write of one effect's parameters.
void tickCalls(benchmark::State& state) {
  Engine& engine = manualEngine();
  const auto stream = engine.streamCreateFile(sourceWav());
  const auto compressor = engine.setFx(stream, audio::FxType::Compressor, 0);
  engine.play(stream, false);
  clock().render(4096);
  audio::Dx8Compressor record{};
  for (auto _ : state) {
    const int64_t length = engine.getLength(stream);
    const int64_t position = engine.getPosition(stream);
    benchmark::DoNotOptimize(engine.bytesToSeconds(stream, length));
    benchmark::DoNotOptimize(engine.bytesToSeconds(stream, position));
    engine.setAttribute(stream, audio::Attribute::Pan, 0.2f);
    engine.setAttribute(stream, audio::Attribute::Volume, 0.7f);
    benchmark::DoNotOptimize(engine.isActive(stream));
    engine.fxGetParameters(compressor, record);
    engine.fxSetParameters(compressor, record);
  }
  engine.streamFree(stream);
}

const bool registered = [] {
  for (const Format& format : kFormats) {
    benchmark::RegisterBenchmark((std::string("EngineDecodeAndRender/") + format.name).c_str(),
                                 [format](benchmark::State& state) { decodeAndRender(state, format); })
        ->UseManualTime()
        ->Iterations(10)
        ->Unit(benchmark::kMillisecond);
  }
  benchmark::RegisterBenchmark("EngineSpectrum1024", spectrum);
  benchmark::RegisterBenchmark("EngineTickCalls", tickCalls);
  return true;
}();

}  // namespace

BENCHMARK_MAIN();
