#include "vis/SpectrumState.h"

namespace {
constexpr uint32_t kColourSteps = 100;
}  // namespace

SpectrumState::SpectrumState(RandomBelowFunction randomBelow) : randomBelow_(randomBelow) {}

void SpectrumState::DrawStemColour() {
  for (float& component : StemColour) {
    component = static_cast<float>(randomBelow_(kColourSteps) / static_cast<double>(kColourSteps));
  }
}

void SpectrumState::DrawSpectrum(int index, const WindowReadings& readings, VisFrame& frame) {
  // Each pass works on its own copy of the spectrum.
  const SpectrumSnapshot snapshot = SpectrumBuffer;
  DrawingPass pass{snapshot,   readings.panelHeight, PeakLevels,   BarLevels, StemColour,
                   readings.position, readings.pointMode, randomBelow_, frame};
  DrawByIndex(index, pass);
}
