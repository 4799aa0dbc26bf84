#include "vis/Visualisation.h"

#include <utility>

Visualisation::Visualisation(RandomBelowFunction randomBelow, Readings readings, QObject* parent)
    : QObject(parent), spectrum_(randomBelow), readings_(std::move(readings)) {}

void Visualisation::BindSurface(QWidget* panel) { surface_.bind(panel); }

void Visualisation::ReleaseSurface() { surface_.release(); }

void Visualisation::present() { surface_.present(); }

void Visualisation::DrawSpectrum(int index) {
  spectrum_.DrawSpectrum(index, readings_(), surface_.frame());
  standstill_.passDrawn(spectrum_.SpectrumBuffer, spectrum_.PeakLevels, spectrum_.BarLevels);
}
