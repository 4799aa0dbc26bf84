// The surface's bookkeeping, which holds whether or not OpenGL is available (these run on the
// offscreen platform): what is recorded when, which panel holds the view, and what a frame
// step and a re-binding do to the recording.
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

class SurfaceTest : public testing::Test {
 protected:
  SurfaceTest() {
    window.resize(700, 400);
    small = new QFrame(&window);
    small->setGeometry(8, 8, 361, 97);
    large = new QFrame(&window);
    large->setGeometry(376, 0, 657, 369);
    window.show();
    QApplication::processEvents();
  }

  QWidget window;
  QFrame* small = nullptr;
  QFrame* large = nullptr;
  VisSurface surface;
};

TEST_F(SurfaceTest, UnboundSurfaceRecordsNothing) {
  drawPoint(surface.frame(), 0, 0);
  EXPECT_TRUE(surface.frame().empty());
  surface.present();
  EXPECT_EQ(surface.view(), nullptr);
}

TEST_F(SurfaceTest, ViewCoversTheBoundPanelAndFollowsItsSize) {
  surface.bind(small);
  ASSERT_NE(surface.view(), nullptr);
  EXPECT_EQ(surface.view()->parentWidget(), small);
  EXPECT_EQ(surface.view()->geometry(), small->rect());
  small->resize(200, 50);
  EXPECT_EQ(surface.view()->geometry(), QRect(0, 0, 200, 50));
  EXPECT_TRUE(surface.view()->testAttribute(Qt::WA_TransparentForMouseEvents));
}

TEST_F(SurfaceTest, RepeatedBindingLeavesOneViewOnTheLastPanel) {
  for (int press = 0; press < 25; ++press) surface.bind(press % 3 == 0 ? large : small);
  QApplication::processEvents();
  EXPECT_EQ(window.findChildren<GlPanelWidget*>().size(), 1);
  EXPECT_EQ(small->findChildren<GlPanelWidget*>().size(), 1);
  EXPECT_EQ(surface.boundPanel(), small);
  surface.release();
  EXPECT_TRUE(window.findChildren<GlPanelWidget*>().isEmpty());
  EXPECT_EQ(surface.boundPanel(), nullptr);
}

TEST_F(SurfaceTest, FrameStepHandsTheWholeFrameToTheViewAndStartsEmpty) {
  surface.bind(large);
  drawPoint(surface.frame(), 1, 1);
  drawPoint(surface.frame(), 2, 2);
  surface.present();
  EXPECT_TRUE(surface.frame().empty());
  EXPECT_EQ(surface.view()->shownFrame().primitives().size(), 2u);
  surface.present();
  EXPECT_TRUE(surface.view()->shownFrame().empty());
}

TEST_F(SurfaceTest, RebindingDropsTheUnpresentedPassesAndThePenState) {
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
  surface.present();
  EXPECT_EQ(surface.view()->shownFrame().primitives().size(), 1u);
}

TEST_F(SurfaceTest, PanelDestroyedUnderTheViewIsSafelyForgotten) {
  surface.bind(large);
  delete large;
  large = nullptr;
  drawPoint(surface.frame(), 0, 0);
  surface.present();
  surface.release();
  EXPECT_EQ(surface.view(), nullptr);
}

}  // namespace
