// The recorded frame, and the surface's bookkeeping on the offscreen platform, where no
// OpenGL view can be shown: what is recorded when, which panel is bound, and what a frame step
// and a re-binding do to the recording.
#include <gtest/gtest.h>

#include <QApplication>
#include <QFrame>
#include <cmath>
#include <memory>

#include "vis/GlPanelWidget.h"
#include "vis/VisFrame.h"
#include "vis/VisSurface.h"

namespace {

void drawPoint(VisFrame& frame, double x, double y) {
  frame.begin(PrimitiveKind::Points);
  frame.colour(1, 1, 1);
  frame.vertex(x, y);
  frame.end();
}

struct ColourCase {
  float given;
  float kept;
};

class FrameColourTest : public testing::TestWithParam<ColourCase> {};

TEST_P(FrameColourTest, ColourIsLimitedToZeroToOne) {
  VisFrame frame;
  frame.begin(PrimitiveKind::Lines);
  frame.colour(GetParam().given, GetParam().given, GetParam().given);
  frame.vertex(0, 0);
  frame.end();
  EXPECT_EQ(frame.vertices()[0].red, GetParam().kept);
  EXPECT_EQ(frame.vertices()[0].blue, GetParam().kept);
}

INSTANTIATE_TEST_SUITE_P(Colours, FrameColourTest,
                         testing::Values(ColourCase{0.25f, 0.25f}, ColourCase{-0.02f, 0.0f}, ColourCase{2.47f, 1.0f},
                                         ColourCase{INFINITY, 1.0f}, ColourCase{NAN, 0.0f}));

TEST(FrameTest, RecordsPenStateAndSkipsEmptyPrimitives) {
  VisFrame frame;
  frame.begin(PrimitiveKind::Lines);
  frame.end();
  frame.lineWidth(2);
  frame.pointSize(3);
  frame.begin(PrimitiveKind::Lines);
  frame.vertex(1, 2, 3);
  frame.vertex(4, 5, 6);
  frame.end();
  frame.enableLineSmooth();
  drawPoint(frame, 7, 8);
  ASSERT_EQ(frame.primitives().size(), 2u);
  EXPECT_EQ(frame.primitives()[0].size, 2.0f);
  EXPECT_FALSE(frame.primitives()[0].smooth);
  EXPECT_EQ(frame.primitives()[0].count, 2u);
  EXPECT_EQ(frame.primitives()[1].kind, PrimitiveKind::Points);
  EXPECT_EQ(frame.primitives()[1].size, 3.0f);
  EXPECT_EQ(frame.primitives()[1].first, 2u);
  // Vertices outside begin..end are ignored, as OpenGL ignores them.
  frame.vertex(9, 9);
  EXPECT_EQ(frame.vertices().size(), 3u);
}

TEST(FrameTest, StopsGrowingAtItsLimit) {
  VisFrame frame;
  frame.begin(PrimitiveKind::Points);
  for (std::size_t v = 0; v < VisFrame::kMaxVertices + 10; ++v) frame.vertex(0, 0);
  frame.end();
  EXPECT_EQ(frame.vertices().size(), VisFrame::kMaxVertices);
}

// On the offscreen platform no OpenGL view can be composed into the window: the surface binds
// the panel without one, the window goes on painting (and flushing) safely, and the recording
// follows the same rules as with a view.
class SurfaceWithoutViewsTest : public testing::Test {
 protected:
  SurfaceWithoutViewsTest() {
    window.resize(1040, 400);
    small = new QFrame(&window);
    small->setGeometry(8, 8, 361, 97);
    large = new QFrame(&window);
    large->setGeometry(376, 0, 657, 369);
    window.show();
    QApplication::processEvents();
  }

  void repaintWindow() {
    window.update();
    window.repaint();
    QApplication::processEvents();
  }

  QWidget window;
  QFrame* small = nullptr;
  QFrame* large = nullptr;
  VisSurface surface;
};

TEST_F(SurfaceWithoutViewsTest, OffscreenPlatformHasNoOpenGlViews) { EXPECT_FALSE(VisSurface::openGlViewsWork()); }

TEST_F(SurfaceWithoutViewsTest, UnboundSurfaceRecordsNothing) {
  drawPoint(surface.frame(), 0, 0);
  EXPECT_TRUE(surface.frame().empty());
  surface.present();
  EXPECT_EQ(surface.view(), nullptr);
}

TEST_F(SurfaceWithoutViewsTest, RepeatedBindingKeepsTheLastPanelAndTheWindowKeepsPainting) {
  for (int press = 0; press < 26; ++press) {
    surface.bind(press % 3 == 0 ? large : small);
    repaintWindow();
  }
  EXPECT_EQ(surface.boundPanel(), small);
  EXPECT_EQ(surface.view(), nullptr);
  EXPECT_TRUE(window.findChildren<GlPanelWidget*>().isEmpty());
  surface.release();
  EXPECT_EQ(surface.boundPanel(), nullptr);
}

TEST_F(SurfaceWithoutViewsTest, FrameStepDropsTheFrameAndStartsEmpty) {
  surface.bind(large);
  drawPoint(surface.frame(), 1, 1);
  drawPoint(surface.frame(), 2, 2);
  EXPECT_EQ(surface.frame().primitives().size(), 2u);
  surface.present();
  EXPECT_TRUE(surface.frame().empty());
}

TEST_F(SurfaceWithoutViewsTest, RebindingDropsTheUnpresentedPassesAndThePenState) {
  surface.bind(small);
  surface.frame().lineWidth(5);
  drawPoint(surface.frame(), 1, 1);
  surface.bind(small);
  EXPECT_TRUE(surface.frame().empty());
  surface.frame().begin(PrimitiveKind::Lines);
  surface.frame().vertex(0, 0);
  surface.frame().vertex(1, 1);
  surface.frame().end();
  EXPECT_EQ(surface.frame().primitives()[0].size, 1.0f);
}

TEST_F(SurfaceWithoutViewsTest, PanelDestroyedWhileBoundIsSafelyForgotten) {
  surface.bind(large);
  delete large;
  large = nullptr;
  EXPECT_EQ(surface.boundPanel(), nullptr);
  drawPoint(surface.frame(), 0, 0);
  surface.present();
  surface.release();
}

}  // namespace
