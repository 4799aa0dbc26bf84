#include "vis/VisSurface.h"

#include <QGuiApplication>

#include "vis/GlPanelWidget.h"

bool VisSurface::openGlViewsWork() {
  // OpenGL renders for the screen only on the platforms with OpenGL windows; the others (the
  // offscreen and minimal platforms, a frame buffer) get no view. Whether a context can really
  // be had is found out by the view's first picture, not here: creating one costs the start.
  const QString platform = QGuiApplication::platformName();
  return platform == QLatin1String("xcb") || platform == QLatin1String("eglfs") ||
         platform.startsWith(QLatin1String("wayland"));
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

bool VisSurface::atRest() const { return frame_.empty() && (view_ == nullptr || view_->lastFrameChangedNothing()); }

void VisSurface::present() {
  if (view_ != nullptr) view_->present(frame_);
  frame_.clear();
}
