#pragma once

// The drawing surface: the frame that drawing passes record into and the OpenGL view of the
// one panel it is bound to. Every pass between two frame steps lands in the same frame; the
// frame step hands that frame to the bound view, which shows it from black, and a new empty
// frame begins. While nothing is bound the passes leave no trace. GUI thread only.

#include <QPointer>
#include <QWidget>

#include "vis/VisFrame.h"

class GlPanelWidget;

class VisSurface {
 public:
  VisSurface();
  ~VisSurface();
  VisSurface(const VisSurface&) = delete;
  VisSurface& operator=(const VisSurface&) = delete;

  // Releases any earlier binding, then covers `panel` with a fresh view in its initial state;
  // what was recorded since the last frame step is dropped with the old view. Where OpenGL
  // views cannot work the panel is bound without one and keeps what the window paints; where
  // no context can be had the view stays black.
  void bind(QWidget* panel);
  // Removes the view from the panel it was put on; nothing is bound afterwards.
  void release();

  // The frame step: the bound view shows the recorded frame, and recording starts afresh.
  void present();

  // Whether a frame step now would change nothing, as far as the surface can tell: nothing
  // is recorded, and no view is bound or the last frame step left its picture as it was (a
  // black panel black, or the same picture again). Whether the passes to come record that
  // picture again is for the caller to know.
  bool atRest() const;

  // Whether this platform can show OpenGL pictures in its windows.
  static bool openGlViewsWork();

  VisFrame& frame() { return frame_; }
  QWidget* boundPanel() const { return panel_; }
  GlPanelWidget* view() const;

 private:
  VisFrame frame_;
  QPointer<QWidget> panel_;
  QPointer<GlPanelWidget> view_;
};
