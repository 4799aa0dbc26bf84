#include "vis/FrameRenderer.h"

#include <QOffscreenSurface>
#include <QOpenGLContext>
#include <QOpenGLFramebufferObject>
#include <QOpenGLFunctions_1_1>
#include <QOpenGLVersionFunctionsFactory>
#include <QSurfaceFormat>
#include <algorithm>
#include <cstdlib>
#include <cstring>

namespace {

constexpr double kFrustumHalfExtent = 1;
constexpr double kNearPlane = 1;
constexpr double kFarPlane = 120;
constexpr float kEyeDistance = 30;

// Measured with bench/VisBench on Mesa's software renderer, rasterising on the calling
// thread as the player does: each call costs a fixed share, and a call of thousands of
// vertices costs more per vertex than several smaller ones. Calls of up to 256 vertices were
// cheapest in all: a frame of the small panel mostly goes out in one.
constexpr uint32_t kVerticesPerDraw = 256;
constexpr float kCullMarginPixels = 4;

int liveContexts = 0;

// An OpenGL 2.1 compatibility profile, for the fixed-function calls the renderer makes.
QSurfaceFormat requestedFormat() {
  QSurfaceFormat format;
  format.setRenderableType(QSurfaceFormat::OpenGL);
  format.setVersion(2, 1);
  format.setProfile(QSurfaceFormat::CompatibilityProfile);
  format.setDepthBufferSize(0);
  format.setStencilBufferSize(0);
  return format;
}

}  // namespace

FrameRenderer::FrameRenderer() = default;

FrameRenderer::~FrameRenderer() {
  if (!context_) return;
  // The framebuffer belongs to the context and goes while it is current.
  if (context_->makeCurrent(surface_.get())) {
    target_.reset();
    context_->doneCurrent();
  }
  context_.reset();
  --liveContexts;
}

int FrameRenderer::contextsInUse() { return liveContexts; }

void FrameRenderer::chooseSoftwareRendererDefaults() {
  // Mesa's llvmpipe rasterises on a thread per core. A frame of a few hundred by a hundred
  // pixels is drawn in well under a millisecond, less than handing it to those threads and
  // waiting for them costs: rasterising on the calling thread is cheaper in all.
  setenv("LP_NUM_THREADS", "0", 0);
}

bool FrameRenderer::render(const VisFrame& frame, QSize pixels, float scale, QImage& picture) {
  if (pixels.isEmpty() || !makeCurrent(pixels)) return false;
  gl_->glViewport(0, 0, pixels.width(), pixels.height());
  gl_->glClearColor(0, 0, 0, 1);
  gl_->glClear(GL_COLOR_BUFFER_BIT);
  setUpCamera();
  drawPrimitives(frame, pixels, scale);
  readBack(pixels, picture);
  // The context stays current: nothing else on this thread renders with OpenGL, and making it
  // current again costs a round trip to the X server on every frame.
  return true;
}

bool FrameRenderer::makeCurrent(QSize pixels) {
  if (unavailable_) return false;
  if (!context_) {
    auto surface = std::make_unique<QOffscreenSurface>();
    surface->setFormat(requestedFormat());
    surface->create();
    auto context = std::make_unique<QOpenGLContext>();
    context->setFormat(requestedFormat());
    if (!surface->isValid() || !context->create() || !context->makeCurrent(surface.get())) {
      unavailable_ = true;
      return false;
    }
    gl_ = QOpenGLVersionFunctionsFactory::get<QOpenGLFunctions_1_1>(context.get());
    if (gl_ == nullptr || !gl_->initializeOpenGLFunctions() || !QOpenGLFramebufferObject::hasOpenGLFramebufferObjects()) {
      context->doneCurrent();
      unavailable_ = true;
      return false;
    }
    surface_ = std::move(surface);
    context_ = std::move(context);
    ++liveContexts;
  } else if (QOpenGLContext::currentContext() != context_.get() && !context_->makeCurrent(surface_.get())) {
    return false;
  }
  if (!target_ || target_->size() != pixels) {
    target_.reset();
    target_ = std::make_unique<QOpenGLFramebufferObject>(pixels);
  }
  return target_->bind();
}

void FrameRenderer::setUpCamera() {
  gl_->glDisable(GL_DEPTH_TEST);
  gl_->glMatrixMode(GL_PROJECTION);
  gl_->glLoadIdentity();
  gl_->glFrustum(-kFrustumHalfExtent, kFrustumHalfExtent, -kFrustumHalfExtent, kFrustumHalfExtent, kNearPlane,
                 kFarPlane);
  gl_->glMatrixMode(GL_MODELVIEW);
  gl_->glLoadIdentity();
  gl_->glTranslatef(0, 0, -kEyeDistance);
  gl_->glEnable(GL_BLEND);
  gl_->glBlendFunc(GL_SRC_ALPHA, GL_ONE);
}

namespace {

bool samePen(const RecordedPrimitive& a, const RecordedPrimitive& b) {
  return a.kind == b.kind && a.size == b.size && a.smooth == b.smooth;
}

bool black(const RecordedVertex& v) { return v.red == 0 && v.green == 0 && v.blue == 0; }

// Where a vertex lies against the four side planes of the camera's frustum, each widened by
// `margin` pixels: bit 0 right, 1 left, 2 above, 3 below. In clip space x and y stay as they
// are and w is the depth in front of the eye; a vertex at or behind the eye is left to OpenGL.
unsigned outside(const RecordedVertex& v, QSize pixels, float margin) {
  const float w = kEyeDistance - v.z;
  if (w <= 0) return 0;
  const float xLimit = w * (1 + 2 * margin / static_cast<float>(pixels.width()));
  const float yLimit = w * (1 + 2 * margin / static_cast<float>(pixels.height()));
  return (v.x > xLimit ? 1u : 0u) | (v.x < -xLimit ? 2u : 0u) | (v.y > yLimit ? 4u : 0u) | (v.y < -yLimit ? 8u : 0u);
}

}  // namespace

void FrameRenderer::collectVisible(const VisFrame& frame, const RecordedPrimitive& primitive, QSize pixels,
                                   float margin) {
  const auto& vertices = frame.vertices();
  if (primitive.kind == PrimitiveKind::Points) {
    for (uint32_t i = primitive.first; i < primitive.first + primitive.count; ++i) {
      if (!black(vertices[i]) && outside(vertices[i], pixels, margin) == 0) visible_.push_back(vertices[i]);
    }
    return;
  }
  // Lines go in pairs; an odd vertex at the end of a primitive draws nothing.
  for (uint32_t i = primitive.first; i + 1 < primitive.first + primitive.count; i += 2) {
    const RecordedVertex& a = vertices[i];
    const RecordedVertex& b = vertices[i + 1];
    if (black(a) && black(b)) continue;
    if ((outside(a, pixels, margin) & outside(b, pixels, margin)) != 0) continue;
    visible_.push_back(a);
    visible_.push_back(b);
  }
}

void FrameRenderer::drawPrimitives(const VisFrame& frame, QSize pixels, float scale) {
  // Blending adds each fragment's colour, saturating, so the order of the primitives does not
  // matter, and a black one or one wholly beside the picture changes no pixel: those are left
  // out, and the others are gathered into runs of the same kind and pen.
  const auto& primitives = frame.primitives();
  visible_.clear();
  runs_.clear();
  for (std::size_t index = 0; index < primitives.size(); ++index) {
    const RecordedPrimitive& primitive = primitives[index];
    if (runs_.empty() || !samePen(runs_.back(), primitive)) {
      runs_.push_back({primitive.kind, primitive.size, primitive.smooth, static_cast<uint32_t>(visible_.size()), 0});
    }
    // Wide and smooth lines reach past their ends and sides by their half width and a pixel
    // of smoothing; the margin keeps every primitive that can touch the picture.
    collectVisible(frame, primitive, pixels, primitive.size * scale + kCullMarginPixels);
    runs_.back().count = static_cast<uint32_t>(visible_.size()) - runs_.back().first;
  }
  if (visible_.empty()) return;
  constexpr GLsizei kStride = sizeof(RecordedVertex);
  gl_->glEnableClientState(GL_VERTEX_ARRAY);
  gl_->glEnableClientState(GL_COLOR_ARRAY);
  gl_->glVertexPointer(3, GL_FLOAT, kStride, &visible_.front().x);
  gl_->glColorPointer(3, GL_FLOAT, kStride, &visible_.front().red);
  for (const RecordedPrimitive& run : runs_) {
    if (run.kind == PrimitiveKind::Lines) {
      gl_->glLineWidth(run.size * scale);
      if (run.smooth) {
        gl_->glEnable(GL_LINE_SMOOTH);
      } else {
        gl_->glDisable(GL_LINE_SMOOTH);
      }
    } else {
      gl_->glPointSize(run.size * scale);
    }
    // The software renderer's cost for a call grows faster than its size: a run goes out in
    // calls of at most a few hundred vertices (an even number, so no line is split).
    for (uint32_t first = run.first; first < run.first + run.count; first += kVerticesPerDraw) {
      const uint32_t count = std::min<uint32_t>(kVerticesPerDraw, run.first + run.count - first);
      gl_->glDrawArrays(run.kind == PrimitiveKind::Lines ? GL_LINES : GL_POINTS, static_cast<GLint>(first),
                        static_cast<GLsizei>(count));
    }
  }
  gl_->glDisableClientState(GL_COLOR_ARRAY);
  gl_->glDisableClientState(GL_VERTEX_ARRAY);
}

void FrameRenderer::readBack(QSize pixels, QImage& picture) {
  if (picture.size() != pixels || picture.format() != QImage::Format_RGB32) {
    picture = QImage(pixels, QImage::Format_RGB32);
  }
  // Packed 0xAARRGGBB words are the pixels of a 32-bit RGB image on any byte order; the rows
  // come bottom first.
  gl_->glPixelStorei(GL_PACK_ALIGNMENT, 4);
  gl_->glReadPixels(0, 0, pixels.width(), pixels.height(), GL_BGRA, GL_UNSIGNED_INT_8_8_8_8_REV, picture.bits());
  const auto rowBytes = static_cast<std::size_t>(picture.bytesPerLine());
  row_.resize(rowBytes);
  uchar* const bits = picture.bits();
  for (int top = 0, bottom = pixels.height() - 1; top < bottom; ++top, --bottom) {
    uchar* const upper = bits + static_cast<std::size_t>(top) * rowBytes;
    uchar* const lower = bits + static_cast<std::size_t>(bottom) * rowBytes;
    std::memcpy(row_.data(), upper, rowBytes);
    std::memcpy(upper, lower, rowBytes);
    std::memcpy(lower, row_.data(), rowBytes);
  }
}
