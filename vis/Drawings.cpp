#include "vis/Drawings.h"

#include <cmath>

#include "vis/NoGrafSpiral.h"
#include "vis/VisFrame.h"

namespace {

// Dash drawings are mirrored about x = BaseX/5 and step 1/2.5 of a unit per bin; a dash runs
// half a unit to the left of its column.
constexpr double kDashColumnStep = 2.5;
constexpr double kDashLength = 0.5;
constexpr float kDashLineWidth = 1;
constexpr float kBarLineWidth = 2;
constexpr float kRayLineWidth = 1;
// The points of DrawNoGraf would be one pixel at the renderer's default size; two can be seen.
constexpr float kPointSize = 2;

void levelColour(VisFrame& frame, int32_t peak, int32_t bar) {
  frame.colour(static_cast<float>(bar / 100.0), static_cast<float>(peak * 0.5 / 100.0), 0);
}

void dash(VisFrame& frame, double x, double y) {
  frame.vertex(x, y);
  frame.vertex(x - kDashLength, y);
}

enum class DashLevel { Bar, Peak };

// The shape of one mirrored dash drawing: which level drives it, the constant above the level
// that forms the offset D, and the dashes drawn at D divided by each listed divisor.
struct DashShape {
  DashLevel level;
  bool lowerByBaseY;
  std::array<double, 2> divisors;
  int dashesPerColumn;
};

void drawDashes(DrawingPass& pass, const DashShape& shape) {
  VisFrame& frame = pass.frame;
  for (int bin = 0; bin < kDrawnBins; ++bin) {
    UpdateLevels(bin, pass.spectrum, pass.panelHeight, pass.peakLevels, pass.barLevels);
    const int32_t peak = pass.peakLevels[bin];
    const int32_t bar = pass.barLevels[bin];
    const int32_t top = shape.lowerByBaseY ? pass.panelHeight + pass.baseY : pass.panelHeight;
    const int32_t offset = top - (shape.level == DashLevel::Bar ? bar : peak);
    const double right = pass.baseX / 5.0 + bin / kDashColumnStep;
    const double left = pass.baseX / 5.0 - bin / kDashColumnStep;

    frame.lineWidth(kDashLineWidth);
    frame.enableLineSmooth();
    frame.begin(PrimitiveKind::Lines);
    levelColour(frame, peak, bar);
    for (double x : {right, left}) {
      for (int d = 0; d < shape.dashesPerColumn; ++d) dash(frame, x, offset / shape.divisors[d]);
    }
    frame.end();
  }
}

}  // namespace

void DrawEffect1(DrawingPass& pass) { drawDashes(pass, {DashLevel::Bar, false, {-7.0, 7.0}, 2}); }
void DrawEffect3(DrawingPass& pass) { drawDashes(pass, {DashLevel::Peak, true, {-7.0, 7.0}, 2}); }
void DrawEffect4(DrawingPass& pass) { drawDashes(pass, {DashLevel::Peak, true, {-5.0, 0}, 1}); }
void DrawEffect5(DrawingPass& pass) { drawDashes(pass, {DashLevel::Peak, true, {-4.0, 0}, 1}); }
void DrawEffect6(DrawingPass& pass) { drawDashes(pass, {DashLevel::Peak, true, {4.0, 0}, 1}); }

void DrawEffect2(DrawingPass& pass) {
  VisFrame& frame = pass.frame;
  const auto& stem = pass.stemColour;
  for (int bin = 0; bin < kDrawnBins; ++bin) {
    UpdateLevels(bin, pass.spectrum, pass.panelHeight, pass.peakLevels, pass.barLevels);
    const int32_t peak = pass.peakLevels[bin];
    const int32_t bar = pass.barLevels[bin];
    const double x = pass.baseX + bin / 2.0 - 14;

    frame.lineWidth(kBarLineWidth);
    frame.enableLineSmooth();
    frame.begin(PrimitiveKind::Lines);
    frame.colour(stem[0], stem[1], stem[2]);
    frame.vertex(x, -22);
    frame.vertex(x, pass.baseY - 15 + bar / 4.0);
    levelColour(frame, peak, bar);
    frame.vertex(x, peak / 2.0 - 20);
    frame.vertex(x, peak / 2.0 - 19);
    frame.end();
  }
}

void DrawNoGraf(DrawingPass& pass) {
  VisFrame& frame = pass.frame;
  const double tangent = std::tan(pass.position);
  for (int bin = 0; bin < kDrawnBins; ++bin) {
    UpdateLevels(bin, pass.spectrum, pass.panelHeight, pass.peakLevels, pass.barLevels);
    const int32_t peak = pass.peakLevels[bin];
    const int32_t bar = pass.barLevels[bin];
    if (pass.pointMode != 0 && pass.pointMode != 1) continue;

    const uint32_t greenDraw = pass.randomBelow(256);
    const uint32_t redDraw = pass.randomBelow(256);
    const double brightness = peak / 100.0;
    const auto green = static_cast<float>(greenDraw / 100.0 * brightness);
    const auto red = static_cast<float>(redDraw / 100.0 * brightness);
    // With a tangent of 0 the reach across x has no finite value; the bin shows nothing.
    const bool drawable = tangent != 0;
    const SpiralPoint end = SpiralEnd(bin, bar, tangent);

    if (pass.pointMode == 0) {
      frame.lineWidth(kRayLineWidth);
      frame.enableLineSmooth();
      frame.begin(PrimitiveKind::Lines);
      frame.colour(red, green, 0);
      if (drawable) {
        frame.vertex(0, 0, 0);
        frame.vertex(end.x, end.y, end.z);
      }
    } else {
      frame.pointSize(kPointSize);
      frame.begin(PrimitiveKind::Points);
      frame.colour(red, green, 0);
      const double scale = 0.01 * peak;
      if (drawable) frame.vertex(static_cast<float>(scale * end.x), static_cast<float>(scale * end.y),
                                 static_cast<float>(scale * end.z));
    }
    frame.end();
  }
}

void DrawByIndex(int index, DrawingPass& pass) {
  using Drawing = void (*)(DrawingPass&);
  static constexpr std::array<Drawing, kDrawingCount> kDrawings = {DrawEffect1, DrawEffect2, DrawEffect3, DrawEffect4,
                                                                   DrawEffect5, DrawEffect6, DrawNoGraf};
  // Compared as unsigned, so −1 (nothing chosen) falls outside with every other stray index.
  if (static_cast<unsigned>(index) >= kDrawings.size()) return;
  kDrawings[static_cast<unsigned>(index)](pass);
}
