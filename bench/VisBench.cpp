// The cost of the visualisation: one drawing pass with its recording, for each drawing, and
// the rendering of a frame of five passes (about what one frame holds at the usual tick and
// frame rates) on the small and the large panel. Rendering needs an X server with OpenGL
// (DISPLAY set; LIBGL_ALWAYS_SOFTWARE=1 for Mesa's software renderer); without one only the
// drawing passes run.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QImage>
#include <cmath>

#include "vis/Drawings.h"
#include "vis/FrameRenderer.h"
#include "vis/VisFrame.h"

namespace {

constexpr int32_t kSmallPanelHeight = 97;
constexpr int kPassesPerFrame = 5;
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

void drawFrame(VisFrame& frame, int index, int pointMode, LevelArray& peak, LevelArray& bar) {
  for (int passIndex = 0; passIndex < kPassesPerFrame; ++passIndex) {
    const SpectrumSnapshot spectrum = musicLikeSpectrum(passIndex);
    DrawingPass pass{spectrum, kSmallPanelHeight, peak, bar, kStemColour, 1000.0 + passIndex, pointMode,
                     &cheapDraw, frame};
    DrawByIndex(index, pass);
  }
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
  state.SetLabel(index == 6 ? (pointMode == 0 ? "DrawNoGraf rays" : "DrawNoGraf points")
                            : "DrawEffect" + std::to_string(index + 1));
}
BENCHMARK(BM_DrawingPass)
    ->Args({0, 0})->Args({1, 0})->Args({2, 0})->Args({3, 0})->Args({4, 0})->Args({5, 0})->Args({6, 0})->Args({6, 1})
    ->Unit(benchmark::kMicrosecond);

void BM_RenderFrameOfFivePasses(benchmark::State& state) {
  const int width = static_cast<int>(state.range(0));
  const int height = static_cast<int>(state.range(1));
  const int index = static_cast<int>(state.range(2));
  VisFrame frame;
  LevelArray peak{};
  LevelArray bar{};
  drawFrame(frame, index, 0, peak, bar);
  FrameRenderer renderer;
  QImage picture;
  if (!renderer.render(frame, QSize(width, height), 1, picture)) {
    state.SkipWithError("no OpenGL context: run under an X server with OpenGL");
    return;
  }
  // Rendering ends with the picture read back, so each round waits for its frame.
  for (auto _ : state) renderer.render(frame, QSize(width, height), 1, picture);
  state.SetLabel((height == kSmallPanelHeight ? "Panel1, " : "Panel2, ") +
                 std::string(index == 1 ? "DrawEffect2" : index == 6 ? "DrawNoGraf rays" : "DrawEffect1"));
}
BENCHMARK(BM_RenderFrameOfFivePasses)
    ->Args({361, 97, 0})->Args({361, 97, 1})->Args({361, 97, 6})
    ->Args({657, 369, 0})->Args({657, 369, 1})->Args({657, 369, 6})
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
