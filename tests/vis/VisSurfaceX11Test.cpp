// What the surface puts on the screen, read back from the view's framebuffer on a real X
// server with OpenGL in software: where the camera puts the corners of the drawing space on
// both panel sizes, how passes within a frame add up, that every frame starts black, and what
// each drawing looks like with a loud signal (the pictures are saved for a person to look at).
#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QFrame>
#include <QImage>
#include <cmath>
#include <iostream>

#include "vis/Drawings.h"
#include "vis/GlPanelWidget.h"
#include "vis/VisFrame.h"
#include "vis/VisSurface.h"

namespace {

constexpr int32_t kSmallPanelHeight = 97;

struct PanelSize {
  const char* name;
  int width;
  int height;
};

constexpr PanelSize kSmallPanel{"Panel1", 361, 97};
constexpr PanelSize kLargePanel{"Panel2", 657, 369};

uint32_t fixedDraw(uint32_t limit) { return limit * 3 / 4; }

class SurfacePixelTest : public testing::TestWithParam<PanelSize> {
 protected:
  SurfacePixelTest() {
    panel = new QFrame(&window);
    panel->setGeometry(0, 0, GetParam().width, GetParam().height);
    window.resize(GetParam().width, GetParam().height);
    window.show();
    surface.bind(panel);
    QApplication::processEvents();
  }

  VisFrame& frame() { return surface.frame(); }

  QImage presentAndGrab() {
    surface.present();
    return surface.view()->grabFramebuffer().convertToFormat(QImage::Format_RGB32);
  }

  void point(double x, double y, float size, float red, float green, float blue) {
    frame().pointSize(size);
    frame().begin(PrimitiveKind::Points);
    frame().colour(red, green, blue);
    frame().vertex(x, y);
    frame().end();
  }

  // The brightest red among the pixels within `radius` of (x, y).
  static int brightestRed(const QImage& image, int x, int y, int radius = 1) {
    int brightest = 0;
    for (int row = std::max(0, y - radius); row <= std::min(image.height() - 1, y + radius); ++row) {
      for (int column = std::max(0, x - radius); column <= std::min(image.width() - 1, x + radius); ++column) {
        brightest = std::max(brightest, qRed(image.pixel(column, row)));
      }
    }
    return brightest;
  }

  static int litPixels(const QImage& image) {
    int lit = 0;
    for (int row = 0; row < image.height(); ++row) {
      for (int column = 0; column < image.width(); ++column) lit += (image.pixel(column, row) & 0xffffff) != 0;
    }
    return lit;
  }

  QWidget window;
  QFrame* panel = nullptr;
  VisSurface surface;
};

TEST_P(SurfacePixelTest, ViewCoversThePanelFollowsItsSizeAndLetsTheMouseThrough) {
  ASSERT_TRUE(VisSurface::openGlViewsWork());
  ASSERT_NE(surface.view(), nullptr);
  EXPECT_EQ(surface.view()->parentWidget(), panel);
  EXPECT_EQ(surface.view()->geometry(), panel->rect());
  EXPECT_TRUE(surface.view()->testAttribute(Qt::WA_TransparentForMouseEvents));
  const QImage image = presentAndGrab();
  EXPECT_EQ(image.width(), GetParam().width);
  EXPECT_EQ(image.height(), GetParam().height);
  panel->resize(200, 50);
  EXPECT_EQ(surface.view()->geometry(), QRect(0, 0, 200, 50));
}

TEST_P(SurfacePixelTest, FrameStepHandsTheWholeFrameToTheViewAndStartsEmpty) {
  point(1, 1, 2, 1, 1, 1);
  point(2, 2, 2, 1, 1, 1);
  surface.present();
  EXPECT_TRUE(frame().empty());
  EXPECT_EQ(surface.view()->shownFrame().primitives().size(), 2u);
  surface.present();
  EXPECT_TRUE(surface.view()->shownFrame().empty());
}

TEST_P(SurfacePixelTest, UpperRightCornerOfTheDrawingSpaceLightsTheTopRightPixels) {
  point(30, 30, 2, 1, 1, 1);
  const QImage image = presentAndGrab();
  const int right = image.width() - 1;
  const int bottom = image.height() - 1;
  EXPECT_GT(brightestRed(image, right, 0), 200);
  EXPECT_EQ(brightestRed(image, 0, 0, 3), 0);
  EXPECT_EQ(brightestRed(image, right, bottom, 3), 0);
  EXPECT_EQ(brightestRed(image, 0, bottom, 3), 0);
}

TEST_P(SurfacePixelTest, LowerLeftCornerOfTheDrawingSpaceLightsTheBottomLeftPixels) {
  point(-30, -30, 2, 1, 1, 1);
  const QImage image = presentAndGrab();
  const int right = image.width() - 1;
  const int bottom = image.height() - 1;
  EXPECT_GT(brightestRed(image, 0, bottom), 200);
  EXPECT_EQ(brightestRed(image, right, 0, 3), 0);
  EXPECT_EQ(brightestRed(image, 0, 0, 3), 0);
  EXPECT_EQ(brightestRed(image, right, bottom, 3), 0);
}

TEST_P(SurfacePixelTest, OriginLightsTheCentreAndSixtyUnitsSpanThePanel) {
  point(0, 0, 2, 1, 1, 1);
  // Three quarters of the way up and to the right.
  point(15, 15, 2, 1, 1, 1);
  const QImage image = presentAndGrab();
  EXPECT_GT(brightestRed(image, image.width() / 2, image.height() / 2), 200);
  EXPECT_GT(brightestRed(image, image.width() * 3 / 4, image.height() / 4), 200);
  EXPECT_EQ(litPixels(image), 8);
}

TEST_P(SurfacePixelTest, ThreePassesAtOnePlaceAddUpToThreeTimesTheColourCappedAtFull) {
  for (int pass = 0; pass < 3; ++pass) point(0, 0, 6, 0.25f, 0.5f, 0.2f);
  const QImage image = presentAndGrab();
  const QRgb centre = image.pixel(image.width() / 2, image.height() / 2);
  EXPECT_NEAR(qRed(centre), 191, 3);
  EXPECT_EQ(qGreen(centre), 255);
  EXPECT_NEAR(qBlue(centre), 153, 3);
}

TEST_P(SurfacePixelTest, OverlappingThickLinesAddUp) {
  for (int pass = 0; pass < 2; ++pass) {
    frame().lineWidth(4);
    frame().begin(PrimitiveKind::Lines);
    frame().colour(0.3f, 0, 0);
    frame().vertex(-20, 0);
    frame().vertex(20, 0);
    frame().end();
  }
  const QImage image = presentAndGrab();
  EXPECT_NEAR(qRed(image.pixel(image.width() / 2, image.height() / 2)), 153, 3);
}

TEST_P(SurfacePixelTest, EveryFrameStartsBlack) {
  point(0, 0, 6, 1, 1, 1);
  EXPECT_GT(litPixels(presentAndGrab()), 0);
  EXPECT_EQ(litPixels(presentAndGrab()), 0);
}

TEST_P(SurfacePixelTest, RebindingDropsWhatWasDrawnSinceTheLastFrameStep) {
  point(0, 0, 6, 1, 1, 1);
  surface.bind(panel);
  QApplication::processEvents();
  EXPECT_EQ(litPixels(presentAndGrab()), 0);
}

TEST_P(SurfacePixelTest, SilenceLeavesTheMirroredDrawingsBlackAndEffectTwoItsBlueStems) {
  SpectrumSnapshot silence{};
  LevelArray peak{};
  LevelArray bar{};
  const std::array<float, 3> stem{0.0f, 0.03f, 0.86f};
  for (int index : {0, 2, 3, 4, 5}) {
    DrawingPass pass{silence, kSmallPanelHeight, peak, bar, stem, 1.0, 0, &fixedDraw, frame()};
    DrawByIndex(index, pass);
    EXPECT_EQ(litPixels(presentAndGrab()), 0) << "drawing " << index;
  }
  DrawingPass pass{silence, kSmallPanelHeight, peak, bar, stem, 1.0, 0, &fixedDraw, frame()};
  DrawEffect2(pass);
  const QImage image = presentAndGrab();
  EXPECT_GT(litPixels(image), 0);
  // The stems run from y = −22 to −20: between 50/60 and 52/60 of the panel's height down.
  for (int row = 0; row < image.height(); ++row) {
    for (int column = 0; column < image.width(); ++column) {
      const QRgb pixel = image.pixel(column, row);
      if ((pixel & 0xffffff) == 0) continue;
      ASSERT_EQ(qRed(pixel), 0);
      ASSERT_GE(qBlue(pixel), qGreen(pixel));
      ASSERT_GE(row, image.height() * 50 / 60 - 2);
      ASSERT_LE(row, image.height() * 52 / 60 + 2);
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Panels, SurfacePixelTest, testing::Values(kSmallPanel, kLargePanel),
                         [](const auto& info) { return std::string(info.param.name); });

// A loud signal that moves from pass to pass: falling with frequency, with a few strong bins.
SpectrumSnapshot loudSpectrum(int pass) {
  SpectrumSnapshot spectrum{};
  for (int bin = 0; bin < kSpectrumSize - 1; ++bin) {
    const double envelope = 0.35 * std::exp(-bin / 45.0);
    spectrum[bin] = static_cast<float>(envelope * (0.55 + 0.45 * std::sin(bin * 0.37 + pass * 0.9)));
  }
  for (int bin : {3, 17, 40, 64}) spectrum[bin] = 0.3f;
  return spectrum;
}

struct ScreenshotCase {
  const char* name;
  int index;
  int pointMode;
};

class DrawingScreenshotTest : public testing::TestWithParam<ScreenshotCase> {};

TEST_P(DrawingScreenshotTest, LoudSignalFillsThePanelWithItsPicture) {
  const QString folder = QDir(qEnvironmentVariable("TEMBR_TEST_TMP", QDir::tempPath())).filePath("vis-screens");
  QDir().mkpath(folder);
  QWidget window;
  window.resize(kLargePanel.width, kLargePanel.height);
  window.show();
  const std::array<float, 3> stem{0.0f, 0.03f, 0.86f};
  for (const PanelSize& size : {kSmallPanel, kLargePanel}) {
    auto* panel = new QFrame(&window);
    panel->setGeometry(0, 0, size.width, size.height);
    VisSurface surface;
    surface.bind(panel);
    QApplication::processEvents();
    LevelArray peak{};
    LevelArray bar{};
    // Five passes make one frame at the usual tick and frame rates.
    for (int passIndex = 0; passIndex < 5; ++passIndex) {
      const SpectrumSnapshot spectrum = loudSpectrum(passIndex);
      DrawingPass pass{spectrum, kSmallPanelHeight, peak, bar, stem, 1000.0 + passIndex, GetParam().pointMode,
                       &fixedDraw, surface.frame()};
      DrawByIndex(GetParam().index, pass);
    }
    surface.present();
    const QImage image = surface.view()->grabFramebuffer().convertToFormat(QImage::Format_RGB32);
    const QString path = QDir(folder).filePath(QString("%1-%2.png").arg(GetParam().name, size.name));
    ASSERT_TRUE(image.save(path));
    std::cout << "picture: " << path.toStdString() << std::endl;

    int lit = 0;
    int blue = 0;
    for (int row = 0; row < image.height(); ++row) {
      for (int column = 0; column < image.width(); ++column) {
        const QRgb pixel = image.pixel(column, row);
        lit += (pixel & 0xffffff) != 0;
        blue += qBlue(pixel) != 0;
      }
    }
    EXPECT_GT(lit, image.width() * image.height() / 200) << size.name;
    // Only the stems of Effect 2 carry blue; every other colour has none.
    EXPECT_EQ(blue > 0, GetParam().index == 1) << size.name;
    delete panel;
  }
}

INSTANTIATE_TEST_SUITE_P(Drawings, DrawingScreenshotTest,
                         testing::Values(ScreenshotCase{"Effect1", 0, 0}, ScreenshotCase{"Effect2", 1, 0},
                                         ScreenshotCase{"Effect3", 2, 0}, ScreenshotCase{"Effect4", 3, 0},
                                         ScreenshotCase{"Effect5", 4, 0}, ScreenshotCase{"Effect6", 5, 0},
                                         ScreenshotCase{"NoGrafRays", 6, 0}, ScreenshotCase{"NoGrafPoints", 6, 1}),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
