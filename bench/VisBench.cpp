// The cost of the visualisation: one drawing pass with its recording, for each drawing, and
// the rendering of a frame of five passes (what one frame holds at the tick and frame rates)
// on the small and the large panel, with a music-like spectrum and with that of a loud master,
// which lights nearly every column. Rendering needs an X server with OpenGL (DISPLAY set;
// LIBGL_ALWAYS_SOFTWARE=1 for Mesa's software renderer); without one only the drawing passes
// run.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QImage>
#include <cmath>
#include <string>
#include <vector>

#include "audio/engine/Spectrum.h"

#include "vis/Drawings.h"
#include "vis/FrameRenderer.h"
#include "vis/VisFrame.h"

namespace {

constexpr int32_t kSmallPanelHeight = 97;
constexpr int kPassesPerFrame = 5;
// Kellet's filter turns white noise within ±1 into pink noise peaking near 8; scaled by this it
// peaks near 0.5 (-6 dBFS), as the loud master of bench/players.sh does.
constexpr double kLoudPinkScale = 1.0 / 16.0;
const std::array<float, 3> kStemColour{0.0f, 0.03f, 0.86f};

uint32_t cheapDraw(uint32_t limit) {
  static uint32_t seed = 0;
  seed = seed * 134775813u + 1;
  return static_cast<uint32_t>((static_cast<uint64_t>(seed) * limit) >> 32);
}

SpectrumSnapshot musicLikeSpectrum(int variant) {
  SpectrumSnapshot spectrum{};
  for (int bin = 0; bin < kSpectrumSize - 1; ++bin) {
    spectrum[bin] = static_cast<float>(0.3 * std::exp(-bin / 45.0) * (0.55 + 0.45 * std::sin(bin * 0.37 + variant)));
  }
  return spectrum;
}

// Spectra of a loud master, as the engine computes them: pink noise at -6 dBFS, one spectrum
// per 1024 samples.
std::vector<SpectrumSnapshot> loudSpectra(int count) {
  audio::Spectrum fft;
  std::vector<float> samples(audio::Spectrum::kSize);
  std::vector<SpectrumSnapshot> spectra(static_cast<std::size_t>(count));
  std::array<double, 7> b{};
  uint32_t seed = 1;
  for (SpectrumSnapshot& spectrum : spectra) {
    for (float& sample : samples) {
      seed = seed * 1664525u + 1013904223u;
      const double white = static_cast<double>(seed) / 4294967296.0 * 2.0 - 1.0;
      b[0] = 0.99886 * b[0] + white * 0.0555179;
      b[1] = 0.99332 * b[1] + white * 0.0750759;
      b[2] = 0.96900 * b[2] + white * 0.1538520;
      b[3] = 0.86650 * b[3] + white * 0.3104856;
      b[4] = 0.55000 * b[4] + white * 0.5329522;
      b[5] = -0.7616 * b[5] - white * 0.0168980;
      const double pink = b[0] + b[1] + b[2] + b[3] + b[4] + b[5] + b[6] + white * 0.5362;
      b[6] = white * 0.115926;
      sample = static_cast<float>(pink * kLoudPinkScale);
    }
    fft.compute(samples.data(), spectrum.data());
  }
  return spectra;
}

enum class Material { MusicLike, Loud };

// Records the passes of one frame, after a second of passes in which the levels rise and fall
// as they do in playback.
void drawFrame(VisFrame& frame, int index, int pointMode, Material material) {
  constexpr int kWarmUpPasses = 100;
  const std::vector<SpectrumSnapshot> loud =
      loudSpectra(material == Material::Loud ? kWarmUpPasses + kPassesPerFrame : 0);
  LevelArray peak{};
  LevelArray bar{};
  for (int passIndex = 0; passIndex < kWarmUpPasses + kPassesPerFrame; ++passIndex) {
    if (passIndex == kWarmUpPasses) frame.clear();
    const SpectrumSnapshot spectrum =
        material == Material::Loud ? loud[static_cast<std::size_t>(passIndex)] : musicLikeSpectrum(passIndex);
    DrawingPass pass{spectrum, kSmallPanelHeight, peak, bar, kStemColour, 1000.0 + passIndex, pointMode,
                     &cheapDraw, frame};
    DrawByIndex(index, pass);
  }
}

// The vertices that carry a colour: how much of the frame the renderer has to draw.
std::size_t litVertices(const VisFrame& frame) {
  std::size_t lit = 0;
  for (const RecordedVertex& v : frame.vertices()) lit += v.red > 0 || v.green > 0 || v.blue > 0;
  return lit;
}

std::string drawingName(int index) {
  return index == 6 ? "DrawNoGraf rays" : "DrawEffect" + std::to_string(index + 1);
}

void BM_DrawingPass(benchmark::State& state) {
  const int index = static_cast<int>(state.range(0));
  const int pointMode = static_cast<int>(state.range(1));
  VisFrame frame;
  LevelArray peak{};
  LevelArray bar{};
  // Changing spectra keep the levels moving as they do in playback.
  std::array<SpectrumSnapshot, 8> spectra{};
  for (int variant = 0; variant < 8; ++variant) spectra[variant] = musicLikeSpectrum(variant);
  std::size_t variant = 0;
  for (auto _ : state) {
    frame.clear();
    DrawingPass pass{spectra[variant++ % spectra.size()], kSmallPanelHeight, peak, bar, kStemColour, 1000.0,
                     pointMode, &cheapDraw, frame};
    DrawByIndex(index, pass);
    benchmark::DoNotOptimize(frame.vertices().data());
  }
  state.SetLabel(index == 6 && pointMode == 1 ? "DrawNoGraf points" : drawingName(index));
}
BENCHMARK(BM_DrawingPass)
    ->Args({0, 0})->Args({1, 0})->Args({2, 0})->Args({3, 0})->Args({4, 0})->Args({5, 0})->Args({6, 0})->Args({6, 1})
    ->Unit(benchmark::kMicrosecond);

void BM_RenderFrameOfFivePasses(benchmark::State& state) {
  const int width = static_cast<int>(state.range(0));
  const int height = static_cast<int>(state.range(1));
  const int index = static_cast<int>(state.range(2));
  const auto material = static_cast<Material>(state.range(3));
  VisFrame frame;
  drawFrame(frame, index, 0, material);
  FrameRenderer renderer;
  QImage picture;
  if (!renderer.render(frame, QSize(width, height), 1, picture)) {
    state.SkipWithError("no OpenGL context: run under an X server with OpenGL");
    return;
  }
  // Rendering ends with the picture read back, so each round waits for its frame.
  for (auto _ : state) renderer.render(frame, QSize(width, height), 1, picture);
  state.counters["lit_vertices"] = static_cast<double>(litVertices(frame));
  state.SetLabel((height == kSmallPanelHeight ? "Panel1, " : "Panel2, ") + drawingName(index) +
                 (material == Material::Loud ? ", loud master" : ", music-like spectrum"));
}
// DrawEffect6 is the drawing that a fresh installation shows.
BENCHMARK(BM_RenderFrameOfFivePasses)
    ->Args({361, 97, 0, 0})->Args({361, 97, 1, 0})->Args({361, 97, 5, 0})->Args({361, 97, 6, 0})
    ->Args({361, 97, 0, 1})->Args({361, 97, 1, 1})->Args({361, 97, 5, 1})->Args({361, 97, 6, 1})
    ->Args({657, 369, 0, 0})->Args({657, 369, 1, 0})->Args({657, 369, 5, 0})->Args({657, 369, 6, 0})
    ->Args({657, 369, 5, 1})
    ->MeasureProcessCPUTime()->UseRealTime()->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("DISPLAY") && qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
  }
  // The renderer works as it does in the player.
  FrameRenderer::chooseSoftwareRendererDefaults();
  QApplication app(argc, argv);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
