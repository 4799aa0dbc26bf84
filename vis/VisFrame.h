#pragma once

// One frame of the visualisation as a list of recorded primitives. The drawings speak to it
// the way immediate-mode OpenGL is spoken to (a line width, begin, colour, vertex, end), and
// the surface widget later renders the whole frame in one paint. Recording instead of drawing
// keeps the drawings free of OpenGL, lets a test read back exactly what a pass produced, and
// lets the frame step hand a finished frame to whichever panel is bound. GUI thread only.

#include <cstdint>
#include <vector>

enum class PrimitiveKind : uint8_t { Lines, Points };

// A vertex with the colour that was current when it was given, already limited to 0..1 the
// way the fixed-function pipeline limits glColor3f.
struct RecordedVertex {
  float x = 0;
  float y = 0;
  float z = 0;
  float red = 0;
  float green = 0;
  float blue = 0;

  bool operator==(const RecordedVertex&) const = default;
};

// One begin..end block. `size` is the line width for lines and the point size for points, in
// pixels; `smooth` is whether line smoothing was on.
struct RecordedPrimitive {
  PrimitiveKind kind = PrimitiveKind::Lines;
  float size = 1;
  bool smooth = false;
  uint32_t first = 0;
  uint32_t count = 0;

  bool operator==(const RecordedPrimitive&) const = default;
};

class VisFrame {
 public:
  VisFrame();

  // Pen state; it outlives clear() just as OpenGL state outlives a frame, and reset() gives
  // it back its initial values as a fresh context would.
  void lineWidth(float width) { lineWidth_ = width; }
  void pointSize(float size) { pointSize_ = size; }
  void enableLineSmooth() { lineSmooth_ = true; }

  void begin(PrimitiveKind kind);
  void colour(float red, float green, float blue);
  void vertex(double x, double y, double z = 0);
  void end();

  // Whether anything is recorded. A frame that does not accept drops what it is given, as
  // OpenGL calls do when no context is current.
  void setAccepting(bool accepting) { accepting_ = accepting; }
  bool accepting() const { return accepting_; }

  const std::vector<RecordedPrimitive>& primitives() const { return primitives_; }
  const std::vector<RecordedVertex>& vertices() const { return vertices_; }
  bool empty() const { return primitives_.empty(); }

  // Drops the recorded primitives and keeps the pen state and the memory.
  void clear();
  // Drops the primitives and returns the pen state to its initial values.
  void reset();
  // Exchanges the recorded primitives (not the pen state) with `other`.
  void swapPrimitives(VisFrame& other);
  // Whether `other` holds the same primitives, vertex for vertex.
  bool samePrimitives(const VisFrame& other) const {
    return primitives_ == other.primitives_ && vertices_ == other.vertices_;
  }

  // A frame that is never presented stops growing here rather than taking all memory.
  static constexpr std::size_t kMaxVertices = 1u << 20;

 private:
  std::vector<RecordedPrimitive> primitives_;
  std::vector<RecordedVertex> vertices_;
  float lineWidth_ = 1;
  float pointSize_ = 1;
  bool lineSmooth_ = false;
  bool accepting_ = true;
  bool open_ = false;
  PrimitiveKind openKind_ = PrimitiveKind::Lines;
  uint32_t openFirst_ = 0;
  float red_ = 1;
  float green_ = 1;
  float blue_ = 1;
};
