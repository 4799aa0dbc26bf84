#pragma once

// Renders a recorded frame with OpenGL into an offscreen framebuffer and reads the picture
// back, so that the window around the panel stays an ordinary raster window: a view that is
// embedded as an OpenGL widget makes the toolkit compose the whole window through OpenGL on
// every update, which with a software renderer costs far more than the panel's own drawing.
//
// It renders with the fixed camera the drawings are made for: a frustum of −1..1 × −1..1 at
// near 1 (far 120), moved 30 units back, so that at z = 0 the picture spans x and y from −30
// to 30 however wide and high it is; and with additive blending (source alpha, one), so that
// overlapping primitives add their colours, limited to full intensity. Every picture starts
// black. The context is created on the first render, not before. GUI thread only.

#include <QImage>
#include <QSize>
#include <cstdint>
#include <memory>
#include <vector>

#include "vis/VisFrame.h"

class QOffscreenSurface;
class QOpenGLContext;
class QOpenGLFramebufferObject;
class QOpenGLFunctions_1_1;

class FrameRenderer {
 public:
  FrameRenderer();
  ~FrameRenderer();
  FrameRenderer(const FrameRenderer&) = delete;
  FrameRenderer& operator=(const FrameRenderer&) = delete;

  // Renders `frame` on black into `picture`, `pixels` in size, with line widths and point
  // sizes multiplied by `scale` (the device pixels of one pixel of the layout). Returns false,
  // leaving `picture` alone, where no OpenGL context can be had.
  bool render(const VisFrame& frame, QSize pixels, float scale, QImage& picture);

  // The number of OpenGL contexts that renderers have created and not yet destroyed.
  static int contextsInUse();

  // Gives the software renderer the settings that suit a picture this small, where the user's
  // environment does not choose otherwise. Runs before any other thread starts and before
  // the OpenGL library is loaded, since the renderer reads its environment once.
  static void chooseSoftwareRendererDefaults();

 private:
  bool makeCurrent(QSize pixels);
  void setUpCamera();
  void drawPrimitives(const VisFrame& frame, QSize pixels, float scale);
  // Appends to visible_ the vertices of `primitive` that can change a pixel.
  void collectVisible(const VisFrame& frame, const RecordedPrimitive& primitive, QSize pixels, float margin);
  void readBack(QSize pixels, QImage& picture);

  std::unique_ptr<QOpenGLContext> context_;
  std::unique_ptr<QOffscreenSurface> surface_;
  std::unique_ptr<QOpenGLFramebufferObject> target_;
  QOpenGLFunctions_1_1* gl_ = nullptr;
  // What the current frame draws, and its runs of primitives of one kind and pen.
  std::vector<RecordedVertex> visible_;
  std::vector<RecordedPrimitive> runs_;
  std::vector<unsigned char> row_;
  // Set when the context could not be created, so that it is not tried on every frame.
  bool unavailable_ = false;
};
