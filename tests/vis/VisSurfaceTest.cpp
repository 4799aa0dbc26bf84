// The recorded frame, and the surface on the offscreen platform, where no OpenGL view can be
// shown: the panel is bound without one, the window keeps painting safely, and the recording
// follows the same rules as with a view.
#include <gtest/gtest.h>

#include <QApplication>
#include <QFrame>
#include <cmath>
#include <vector>

#include "vis/GlPanelWidget.h"
#include "vis/VisFrame.h"
#include "vis/VisSurface.h"

namespace {

void drawPoint(VisFrame& frame, float brightness = 1) {
  frame.begin(PrimitiveKind::Points);
  frame.colour(brightness, brightness, brightness);
  frame.vertex(0, 0);
  frame.end();
}

TEST(FrameTest, ColoursAreLimitedToZeroToOneAndStrayVerticesIgnored) {
  VisFrame frame;
  for (float given : {0.25f, -0.02f, 2.47f, INFINITY, NAN}) drawPoint(frame, given);
  frame.vertex(9, 9);  // outside begin..end, as OpenGL ignores it
  frame.begin(PrimitiveKind::Lines);
  frame.end();  // an empty primitive leaves no trace
  const std::vector<float> kept = {0.25f, 0, 1, 1, 0};
  ASSERT_EQ(frame.vertices().size(), kept.size());
  ASSERT_EQ(frame.primitives().size(), kept.size());
  for (std::size_t v = 0; v < kept.size(); ++v) EXPECT_EQ(frame.vertices()[v].green, kept[v]) << v;
}

TEST(ChangedPixelsTest, AreTheSmallestRectangleAroundEveryPixelThatDiffers) {
  QImage black(40, 10, QImage::Format_RGB32);
  black.fill(Qt::black);
  struct Case {
    std::vector<QPoint> lit;
    QRect changed;
  };
  for (const Case& c : {Case{{}, QRect()}, Case{{{5, 3}}, QRect(5, 3, 1, 1)}, Case{{{0, 0}}, QRect(0, 0, 1, 1)},
                        Case{{{39, 9}}, QRect(39, 9, 1, 1)}, Case{{{30, 2}, {4, 7}}, QRect(QPoint(4, 2), QPoint(30, 7))},
                        Case{{{10, 5}, {12, 5}}, QRect(10, 5, 3, 1)}}) {
    QImage after = black.copy();
    for (const QPoint& at : c.lit) after.setPixel(at, qRgb(1, 0, 0));
    EXPECT_EQ(GlPanelWidget::changedPixels(black, after), c.changed) << c.lit.size();
    EXPECT_EQ(GlPanelWidget::changedPixels(after, black), c.changed) << "either way round";
  }
  EXPECT_EQ(GlPanelWidget::changedPixels(black, QImage(20, 10, QImage::Format_RGB32)), QRect(0, 0, 20, 10));
}

TEST(SurfaceWithoutViewsTest, BindsPanelsRecordsOnlyWhileBoundAndKeepsTheWindowPainting) {
  ASSERT_FALSE(VisSurface::openGlViewsWork());
  QWidget window;
  window.resize(1040, 400);
  auto* small = new QFrame(&window);
  small->setGeometry(8, 8, 361, 97);
  auto* large = new QFrame(&window);
  large->setGeometry(376, 0, 657, 369);
  window.show();
  VisSurface surface;
  drawPoint(surface.frame());
  EXPECT_TRUE(surface.frame().empty());

  for (int press = 0; press < 26; ++press) {
    surface.bind(press % 3 == 0 ? large : small);
    window.repaint();
    QApplication::processEvents();
  }
  EXPECT_EQ(surface.boundPanel(), small);
  EXPECT_EQ(surface.view(), nullptr);
  EXPECT_TRUE(window.findChildren<GlPanelWidget*>().isEmpty());

  surface.frame().lineWidth(5);
  drawPoint(surface.frame());
  EXPECT_FALSE(surface.frame().empty());
  surface.bind(large);  // a re-binding drops the passes and the pen state
  EXPECT_TRUE(surface.frame().empty());
  surface.frame().begin(PrimitiveKind::Lines);
  surface.frame().vertex(0, 0);
  surface.frame().end();
  EXPECT_EQ(surface.frame().primitives()[0].size, 1.0f);
  surface.present();
  EXPECT_TRUE(surface.frame().empty());

  delete large;  // the bound panel going away is noticed
  EXPECT_EQ(surface.boundPanel(), nullptr);
  surface.release();
}

}  // namespace
