#pragma once

// The OpenGL view that covers one panel and shows the last frame handed to it. It renders
// with the fixed camera the drawings are made for: a frustum of −1..1 × −1..1 at near 1 (far
// 120), moved 30 units back, so that at z = 0 the panel spans x and y from −30 to 30 however
// wide and high it is; and with additive blending (source alpha, one), so that overlapping
// primitives add their colours, limited to full intensity. Every paint starts black.

#include <QOpenGLWidget>
#include <QSurfaceFormat>

#include "vis/VisFrame.h"

class QOpenGLFunctions_1_1;

class GlPanelWidget : public QOpenGLWidget {
  Q_OBJECT

 public:
  // Creates the view as a child of `panel`, covering it and following its size; mouse events
  // pass through to the panel.
  explicit GlPanelWidget(QWidget* panel);
  ~GlPanelWidget() override;

  // Takes the primitives of `frame` as the picture to show (leaving `frame` with the previous
  // picture's memory, emptied) and schedules a repaint.
  void present(VisFrame& frame);

  const VisFrame& shownFrame() const { return shown_; }

  // The number of OpenGL contexts that views have created and not yet destroyed.
  static int contextsInUse();
  // An OpenGL 2.1 compatibility profile, for the fixed-function calls the view makes.
  static QSurfaceFormat requestedFormat();

 protected:
  void initializeGL() override;
  void paintGL() override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void setUpCamera();
  void drawPrimitives();

  QOpenGLFunctions_1_1* gl_ = nullptr;
  VisFrame shown_;
};
