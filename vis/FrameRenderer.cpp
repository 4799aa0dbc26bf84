#include "vis/FrameRenderer.h"

#include <QOffscreenSurface>
#include <QOpenGLContext>
#include <QOpenGLFramebufferObject>
#include <QOpenGLFunctions_1_1>
#include <QOpenGLVersionFunctionsFactory>
#include <QSurfaceFormat>
#include <algorithm>

namespace {

constexpr double kFrustumHalfExtent = 1;
constexpr double kNearPlane = 1;
constexpr double kFarPlane = 120;
constexpr float kEyeDistance = 30;

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

bool FrameRenderer::render(const VisFrame& frame, QSize pixels, float scale, QImage& picture) {
  if (pixels.isEmpty() || !makeCurrent(pixels)) return false;
  gl_->glViewport(0, 0, pixels.width(), pixels.height());
  gl_->glClearColor(0, 0, 0, 1);
  gl_->glClear(GL_COLOR_BUFFER_BIT);
  setUpCamera();
  drawPrimitives(frame, scale);
  readBack(pixels, picture);
  context_->doneCurrent();
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
  } else if (!context_->makeCurrent(surface_.get())) {
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

void FrameRenderer::drawPrimitives(const VisFrame& frame, float scale) {
  const auto& vertices = frame.vertices();
  const auto& primitives = frame.primitives();
  if (primitives.empty()) return;
  constexpr GLsizei kStride = sizeof(RecordedVertex);
  gl_->glEnableClientState(GL_VERTEX_ARRAY);
  gl_->glEnableClientState(GL_COLOR_ARRAY);
  gl_->glVertexPointer(3, GL_FLOAT, kStride, &vertices.front().x);
  gl_->glColorPointer(3, GL_FLOAT, kStride, &vertices.front().red);
  // Neighbouring primitives with the same kind and pen state go out in one draw call: lines
  // and points are independent of each other, so the picture is the same.
  std::size_t index = 0;
  while (index < primitives.size()) {
    const RecordedPrimitive& head = primitives[index];
    uint32_t count = head.count;
    std::size_t next = index + 1;
    while (next < primitives.size() && primitives[next].kind == head.kind && primitives[next].size == head.size &&
           primitives[next].smooth == head.smooth && primitives[next].first == head.first + count &&
           (head.kind == PrimitiveKind::Points || count % 2 == 0)) {
      count += primitives[next].count;
      ++next;
    }
    if (head.kind == PrimitiveKind::Lines) {
      gl_->glLineWidth(head.size * scale);
      if (head.smooth) {
        gl_->glEnable(GL_LINE_SMOOTH);
      } else {
        gl_->glDisable(GL_LINE_SMOOTH);
      }
      gl_->glDrawArrays(GL_LINES, static_cast<GLint>(head.first), static_cast<GLsizei>(count));
    } else {
      gl_->glPointSize(head.size * scale);
      gl_->glDrawArrays(GL_POINTS, static_cast<GLint>(head.first), static_cast<GLsizei>(count));
    }
    index = next;
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
  const qsizetype rowBytes = picture.bytesPerLine();
  for (int top = 0, bottom = pixels.height() - 1; top < bottom; ++top, --bottom) {
    std::swap_ranges(picture.scanLine(top), picture.scanLine(top) + rowBytes, picture.scanLine(bottom));
  }
}
