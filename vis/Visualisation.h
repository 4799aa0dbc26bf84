#pragma once

// The window's visualisation: the drawing surface, the spectrum state that the drawings share,
// and the drawing pass over it, which also tells when the passes have come to a standstill.
// The window binds the surface to a panel, has the playback tick fill SpectrumBuffer and run
// a pass, and presents a frame with every frame step. What a pass reads from the window besides
// (the small panel's height, the position gauge, the point mode) comes from a function the
// window gives, so that a pass reads the controls as they are at that moment. GUI thread only.

#include <QObject>
#include <functional>

#include "vis/DrawingStandstill.h"
#include "vis/SpectrumState.h"
#include "vis/VisSurface.h"

class QWidget;

class Visualisation : public QObject {
  Q_OBJECT

 public:
  using Readings = std::function<WindowReadings()>;

  // `randomBelow` is the shared generator that the colour and DrawNoGraf draw from.
  Visualisation(RandomBelowFunction randomBelow, Readings readings, QObject* parent = nullptr);

  SpectrumState& spectrum() { return spectrum_; }
  VisSurface& surface() { return surface_; }

  // Binds the surface to `panel`, releasing any earlier binding; releases it.
  void BindSurface(QWidget* panel);
  void ReleaseSurface();
  // The frame step: the bound view shows what the passes recorded since the last one.
  void present();
  // One drawing pass: drawing `index` (0..6; any other draws nothing) over SpectrumBuffer,
  // with the window's readings. The levels move even while nothing is bound.
  void DrawSpectrum(int index);

  // Whether the passes have come to repeat themselves (vis/DrawingStandstill.h).
  bool standsStill() const { return standstill_.reached(); }
  // Whether a frame step now would change nothing, as far as the surface can tell.
  bool atRest() const { return surface_.atRest(); }

 private:
  SpectrumState spectrum_;
  VisSurface surface_;
  DrawingStandstill standstill_;
  Readings readings_;
};
