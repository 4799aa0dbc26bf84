#include "vis/GlPanelWidget.h"

#include <QEvent>
#include <QOpenGLContext>
#include <QOpenGLFunctions>
#include <QOpenGLFunctions_1_1>
#include <QOpenGLVersionFunctionsFactory>

namespace {

constexpr double kFrustumHalfExtent = 1;
constexpr double kNearPlane = 1;
constexpr double kFarPlane = 120;
constexpr float kEyeDistance = 30;

int liveContexts = 0;

}  // namespace

QSurfaceFormat GlPanelWidget::requestedFormat() {
  QSurfaceFormat format;
  format.setRenderableType(QSurfaceFormat::OpenGL);
  format.setVersion(2, 1);
  format.setProfile(QSurfaceFormat::CompatibilityProfile);
  format.setDepthBufferSize(0);
  format.setStencilBufferSize(0);
  return format;
}

GlPanelWidget::GlPanelWidget(QWidget* panel) : QOpenGLWidget(panel) {
  setFormat(requestedFormat());
  setAttribute(Qt::WA_TransparentForMouseEvents);
  setGeometry(panel->rect());
  panel->installEventFilter(this);
  show();
}

GlPanelWidget::~GlPanelWidget() {
  if (parentWidget() != nullptr) parentWidget()->removeEventFilter(this);
}

int GlPanelWidget::contextsInUse() { return liveContexts; }

void GlPanelWidget::present(VisFrame& frame) {
  shown_.swapPrimitives(frame);
  frame.clear();
  update();
}

bool GlPanelWidget::eventFilter(QObject* watched, QEvent* event) {
  if (watched == parentWidget() && event->type() == QEvent::Resize) setGeometry(parentWidget()->rect());
  return QOpenGLWidget::eventFilter(watched, event);
}

void GlPanelWidget::initializeGL() {
  ++liveContexts;
  connect(context(), &QOpenGLContext::aboutToBeDestroyed, context(), [] { --liveContexts; });
  gl_ = QOpenGLVersionFunctionsFactory::get<QOpenGLFunctions_1_1>(context());
  if (gl_ != nullptr) gl_->initializeOpenGLFunctions();
}

void GlPanelWidget::paintGL() {
  // The panel is black even where the fixed-function calls are missing and nothing is drawn.
  QOpenGLFunctions* common = context()->functions();
  common->glClearColor(0, 0, 0, 1);
  common->glClear(GL_COLOR_BUFFER_BIT);
  if (gl_ == nullptr) return;
  setUpCamera();
  drawPrimitives();
}

void GlPanelWidget::setUpCamera() {
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

void GlPanelWidget::drawPrimitives() {
  const auto& vertices = shown_.vertices();
  const auto& primitives = shown_.primitives();
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
      gl_->glLineWidth(head.size);
      if (head.smooth) {
        gl_->glEnable(GL_LINE_SMOOTH);
      } else {
        gl_->glDisable(GL_LINE_SMOOTH);
      }
      gl_->glDrawArrays(GL_LINES, static_cast<GLint>(head.first), static_cast<GLsizei>(count));
    } else {
      gl_->glPointSize(head.size);
      gl_->glDrawArrays(GL_POINTS, static_cast<GLint>(head.first), static_cast<GLsizei>(count));
    }
    index = next;
  }
  gl_->glDisableClientState(GL_COLOR_ARRAY);
  gl_->glDisableClientState(GL_VERTEX_ARRAY);
}
