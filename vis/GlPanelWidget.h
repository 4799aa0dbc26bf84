#pragma once

// The view that covers one panel and shows the last frame handed to it, rendered by OpenGL
// off the screen (see FrameRenderer) and painted as a picture, so that the window around it
// is never composed through OpenGL. Line widths and point sizes are in pixels of the layout:
// on a scaled display they cover as many device pixels as the scale says, so the picture
// looks the same at any scale. A frame without primitives shows black; one that follows
// another such frame costs nothing, since the panel is black already.

#include <QImage>
#include <QWidget>
#include <memory>

#include "vis/FrameRenderer.h"
#include "vis/VisFrame.h"

class GlPanelWidget : public QWidget {
  Q_OBJECT

 public:
  // Creates the view as a child of `panel`, covering it and following its size; mouse events
  // pass through to the panel.
  explicit GlPanelWidget(QWidget* panel);
  ~GlPanelWidget() override;

  // Takes the primitives of `frame` as the picture to show (leaving `frame` with the previous
  // picture's memory, emptied), renders it and schedules a repaint of the view alone.
  void present(VisFrame& frame);

  const VisFrame& shownFrame() const { return shown_; }
  // Whether the last frame presented left the picture as it was (a fresh view counts, since
  // it shows black as an empty frame would).
  bool lastFrameChangedNothing() const { return lastFrameChangedNothing_; }
  // The picture shown now, in device pixels.
  QImage grabFramebuffer() const;

  // The smallest rectangle holding every pixel in which two pictures differ: empty when they
  // are the same, the whole of `after` when their sizes or formats differ.
  static QRect changedPixels(const QImage& before, const QImage& after);

  // The number of OpenGL contexts that views have created and not yet destroyed.
  static int contextsInUse() { return FrameRenderer::contextsInUse(); }

 protected:
  void paintEvent(QPaintEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  QSize pixelSize() const;
  // The rectangle of the layout that covers `pixels`, a rectangle of device pixels.
  QRect layoutRect(const QRect& pixels) const;

  FrameRenderer renderer_;
  VisFrame shown_;
  QImage picture_;
  // The picture being rendered, which takes picture_'s place once it is complete.
  QImage next_;
  // Whether the view shows black rather than `picture_`.
  bool black_ = true;
  bool lastFrameChangedNothing_ = true;
};
