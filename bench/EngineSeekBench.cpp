// Seeking in hour-long Ogg files: the time from a seek to the sound of the new position, at
// positions spread over the file and up to its last moments, beside the ffmpeg tool starting at
// the same position (-ss) and decoding one second from there. The files are made with ffmpeg on
// the first run, at a low bit rate, and kept in the bench's build folder. Figures only; nothing
// here asserts a time. The engine plays on the manually clocked output, so the figure leaves
// out the sound device's own latency.

#include <benchmark/benchmark.h>

#include <sys/stat.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "audio/engine/Engine.h"
#include "audio/output/ManualClockOutput.h"

namespace {

using audio::Engine;
using Clock = std::chrono::steady_clock;

constexpr int kHourSeconds = 3600;
// Where the seeks land, in seconds from the start; the last ones lie within the final pages.
constexpr double kPositions[] = {5.0, 900.0, 1800.0, 2700.0, 3590.0, 3599.0, 3599.9};
constexpr int kHearingBlockFrames = 256;

struct Format {
  const char* name;
  const char* extension;
  int rate;
  const char* encoderArgs;
};

const Format kFormats[] = {
    {"vorbis", "ogg", 44100, "-c:a libvorbis -q:a 0"},
    {"opus", "opus", 48000, "-c:a libopus -b:a 48k"},
};

bool exists(const std::string& path) {
  struct stat info {};
  return ::stat(path.c_str(), &info) == 0 && info.st_size > 0;
}

// An hour of music-like sound (a tone over quiet pink noise), made once and kept.
std::string hourLong(const Format& format) {
  const std::string folder = TEMBR_BENCH_CACHE;
  const std::string path = folder + "/hour." + format.extension;
  if (exists(path)) return path;
  const std::string partial = path + ".partial." + format.extension;
  const std::string rate = std::to_string(format.rate);
  const std::string duration = std::to_string(kHourSeconds);
  const std::string command = "mkdir -p '" + folder + "' && ffmpeg -nostdin -v error -y -filter_complex \"sine=f=441:d=" +
                              duration + ":sample_rate=" + rate + ",volume=0.5[a];anoisesrc=d=" + duration +
                              ":c=pink:a=0.05:sample_rate=" + rate +
                              "[b];[a][b]amix=inputs=2:normalize=0,aformat=channel_layouts=stereo\" " +
                              format.encoderArgs + " '" + partial + "' && mv '" + partial + "' '" + path + "'";
  return std::system(command.c_str()) == 0 && exists(path) ? path : std::string();
}

Engine& manualEngine() {
  static bool ready = [] {
    Engine::setOutputFactory([](int rate) { return std::make_unique<audio::ManualClockOutput>(rate); });
    return Engine::instance().init(-1, 44100);
  }();
  (void)ready;
  return Engine::instance();
}

audio::ManualClockOutput& clock() { return *static_cast<audio::ManualClockOutput*>(manualEngine().output()); }

double millisecondsSince(Clock::time_point start) {
  return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

// Milliseconds from asking for `seconds` to the first block that sounds from there: the
// position passes the target only once the new position is being heard.
double seekToHeard(Engine& engine, audio::StreamHandle stream, const Format& format, double seconds) {
  constexpr int64_t kBytesPerFrame = 4;  // stereo, as the engine counts bytes
  const int64_t target = static_cast<int64_t>(seconds * format.rate) * kBytesPerFrame;
  const auto start = Clock::now();
  engine.setPosition(stream, target);
  while (engine.getPosition(stream) <= target && engine.isActive(stream) == audio::Activity::Playing) {
    clock().render(kHearingBlockFrames);
  }
  const double heard = millisecondsSince(start);
  clock().clearRecorded();
  return heard;
}

// Milliseconds for the ffmpeg tool to start at `seconds` and decode one second from there,
// from its start to its end.
double ffmpegFrom(const std::string& path, double seconds) {
  const std::string command = "ffmpeg -nostdin -v error -ss " + std::to_string(seconds) + " -i '" + path +
                              "' -t 1 -f null - </dev/null >/dev/null 2>&1";
  const auto start = Clock::now();
  const int status = std::system(command.c_str());
  return status == 0 ? millisecondsSince(start) : -1.0;
}

// The worst position is the figure, each position timed at its best over the iterations: the
// machine is shared, and the engine and the tool take turns so that both meet the same load.
void oggSeek(benchmark::State& state, const Format& format) {
  const std::string path = hourLong(format);
  if (path.empty()) {
    state.SkipWithError("ffmpeg could not make the hour-long file");
    return;
  }
  Engine& engine = manualEngine();
  const auto stream = engine.streamCreateFile(path);
  if (!engine.streamAwaitOpen(stream)) {
    state.SkipWithError("the engine could not open the hour-long file");
    return;
  }
  engine.play(stream, false);
  clock().render(4096);
  clock().clearRecorded();
  std::vector<double> ours(std::size(kPositions), 1e9);
  std::vector<double> tool(std::size(kPositions), 1e9);
  for (auto _ : state) {
    double slowest = 0.0;
    for (size_t i = 0; i < std::size(kPositions); ++i) {
      const double heard = seekToHeard(engine, stream, format, kPositions[i]);
      ours[i] = std::min(ours[i], heard);
      slowest = std::max(slowest, heard);
      const double reference = ffmpegFrom(path, kPositions[i]);
      if (reference > 0) tool[i] = std::min(tool[i], reference);
    }
    state.SetIterationTime(slowest / 1000.0);
  }
  engine.streamFree(stream);
  state.counters["seek_to_heard_ms"] = *std::max_element(ours.begin(), ours.end());
  state.counters["ffmpeg_ss_ms"] = *std::max_element(tool.begin(), tool.end());
  for (size_t i = 0; i < std::size(kPositions); ++i) {
    char name[32];
    std::snprintf(name, sizeof name, "at_%gs_ms", kPositions[i]);
    state.counters[name] = ours[i];
  }
}

const bool registered = [] {
  for (const Format& format : kFormats) {
    benchmark::RegisterBenchmark((std::string("EngineOggSeek/") + format.name).c_str(),
                                 [format](benchmark::State& state) { oggSeek(state, format); })
        ->UseManualTime()
        ->Iterations(5)
        ->Unit(benchmark::kMillisecond);
  }
  return true;
}();

}  // namespace

BENCHMARK_MAIN();
