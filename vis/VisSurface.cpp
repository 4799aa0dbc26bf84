#include "vis/VisSurface.h"

#include "vis/GlPanelWidget.h"

VisSurface::VisSurface() { frame_.setAccepting(false); }

VisSurface::~VisSurface() { release(); }

void VisSurface::bind(QWidget* panel) {
  release();
  if (panel == nullptr) return;
  panel_ = panel;
  view_ = new GlPanelWidget(panel);
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

void VisSurface::present() {
  if (view_ != nullptr) view_->present(frame_);
  frame_.clear();
}
