#include "vis/VisFrame.h"

#include <algorithm>
#include <utility>

namespace {
// A pass of the busiest drawing gives 512 vertices; a frame usually holds about five passes.
constexpr std::size_t kReservedVertices = 8 * 512;
constexpr std::size_t kReservedPrimitives = 8 * 128;

// NaN becomes 0 rather than travelling on into the renderer.
float limitColour(float value) { return value > 0 ? std::min(value, 1.0f) : 0.0f; }
}  // namespace

VisFrame::VisFrame() {
  vertices_.reserve(kReservedVertices);
  primitives_.reserve(kReservedPrimitives);
}

void VisFrame::begin(PrimitiveKind kind) {
  open_ = true;
  openKind_ = kind;
  openFirst_ = static_cast<uint32_t>(vertices_.size());
}

void VisFrame::colour(float red, float green, float blue) {
  red_ = limitColour(red);
  green_ = limitColour(green);
  blue_ = limitColour(blue);
}

void VisFrame::vertex(double x, double y, double z) {
  if (!open_ || !accepting_ || vertices_.size() >= kMaxVertices) return;
  vertices_.push_back({static_cast<float>(x), static_cast<float>(y), static_cast<float>(z), red_, green_, blue_});
}

void VisFrame::end() {
  if (!open_) return;
  open_ = false;
  const auto count = static_cast<uint32_t>(vertices_.size()) - openFirst_;
  if (count == 0) return;
  const bool lines = openKind_ == PrimitiveKind::Lines;
  primitives_.push_back({openKind_, lines ? lineWidth_ : pointSize_, lines && lineSmooth_, openFirst_, count});
}

void VisFrame::clear() {
  primitives_.clear();
  vertices_.clear();
  open_ = false;
}

void VisFrame::reset() {
  clear();
  lineWidth_ = 1;
  pointSize_ = 1;
  lineSmooth_ = false;
  red_ = green_ = blue_ = 1;
}

void VisFrame::swapPrimitives(VisFrame& other) {
  std::swap(primitives_, other.primitives_);
  std::swap(vertices_, other.vertices_);
  open_ = other.open_ = false;
}
