#include "vis/VisSurface.h"

#include <QGuiApplication>
#include <QOpenGLContext>

#include "vis/GlPanelWidget.h"

bool VisSurface::openGlViewsWork() {
  // Qt composes an OpenGL view into a widget window only on platforms with OpenGL windows; on
  // the others (the offscreen and minimal platforms, a frame buffer) the window crashes when
  // it is flushed with such a view in it. An X server without GLX fails the context probe.
  static const bool works = [] {
    const QString platform = QGuiApplication::platformName();
    if (platform != QLatin1String("xcb") && platform != QLatin1String("eglfs") &&
        !platform.startsWith(QLatin1String("wayland"))) {
      return false;
    }
    QOpenGLContext probe;
    probe.setFormat(GlPanelWidget::requestedFormat());
    return probe.create();
  }();
  return works;
}

VisSurface::VisSurface() { frame_.setAccepting(false); }

VisSurface::~VisSurface() { release(); }

void VisSurface::bind(QWidget* panel) {
  release();
  if (panel == nullptr) return;
  panel_ = panel;
  if (openGlViewsWork()) view_ = new GlPanelWidget(panel);
  frame_.setAccepting(true);
}

void VisSurface::release() {
  // Deleted at once, not later, so that a quick run of re-bindings never holds two contexts.
  delete view_.data();
  view_ = nullptr;
  panel_ = nullptr;
  frame_.reset();
  frame_.setAccepting(false);
}

GlPanelWidget* VisSurface::view() const { return view_; }

void VisSurface::present() {
  if (view_ != nullptr) view_->present(frame_);
  frame_.clear();
}
