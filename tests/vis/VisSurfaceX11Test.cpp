// What the surface puts on the screen, read back from the view's framebuffer on a real X
// server with OpenGL in software: where the camera puts the drawing space on both panel
// sizes, how passes within a frame add up, that every frame starts black, and what each
// drawing looks like with a loud signal (the pictures are saved for a person to look at).
#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QFrame>
#include <QImage>
#include <QPixmap>
#include <QScreen>
#include <cmath>
#include <iostream>

#include "vis/Drawings.h"
#include "vis/GlPanelWidget.h"
#include "tests/support/PrivateXServer.h"
#include "vis/VisSurface.h"

namespace {

// The test windows open at the corner of the screen, where the window of a test running
// beside these on the shared server would cover what the screen is read back from.
const PrivateXServer xServer;

const std::array<float, 3> kStem{0.0f, 0.03f, 0.86f};
uint32_t fixedDraw(uint32_t limit) { return limit * 3 / 4; }

class SurfacePixelTest : public testing::TestWithParam<QSize> {
 protected:
  SurfacePixelTest() {
    panel = new QFrame(&window);
    panel->setGeometry(QRect(QPoint(0, 0), GetParam()));
    window.resize(GetParam());
    window.show();
    surface.bind(panel);
    QApplication::processEvents();
  }

  QImage presentAndGrab() {
    surface.present();
    return surface.view()->grabFramebuffer().convertToFormat(QImage::Format_RGB32);
  }

  void point(double x, double y, float size, float red, float green, float blue, double z = 0) {
    surface.frame().pointSize(size);
    surface.frame().begin(PrimitiveKind::Points);
    surface.frame().colour(red, green, blue);
    surface.frame().vertex(x, y, z);
    surface.frame().end();
  }

  // The brightest red among the pixels within `radius` of (x, y), and the lit pixel count.
  static int red(const QImage& image, int x, int y, int radius = 1) {
    int brightest = 0;
    for (int row = std::max(0, y - radius); row <= std::min(image.height() - 1, y + radius); ++row) {
      for (int col = std::max(0, x - radius); col <= std::min(image.width() - 1, x + radius); ++col) {
        brightest = std::max(brightest, qRed(image.pixel(col, row)));
      }
    }
    return brightest;
  }
  static int lit(const QImage& image) {
    int count = 0;
    for (int row = 0; row < image.height(); ++row) {
      for (int col = 0; col < image.width(); ++col) count += (image.pixel(col, row) & 0xffffff) != 0;
    }
    return count;
  }

  QWidget window;
  QFrame* panel = nullptr;
  VisSurface surface;
};

TEST_P(SurfacePixelTest, ViewCoversThePanelFollowsItsSizeAndLetsTheMouseThrough) {
  ASSERT_NE(surface.view(), nullptr);
  EXPECT_EQ(surface.view()->parentWidget(), panel);
  EXPECT_TRUE(surface.view()->testAttribute(Qt::WA_TransparentForMouseEvents));
  EXPECT_EQ(presentAndGrab().size(), GetParam());
  panel->resize(200, 50);
  EXPECT_EQ(surface.view()->geometry(), QRect(0, 0, 200, 50));
}

TEST_P(SurfacePixelTest, CornersOfTheDrawingSpaceAreTheCornersOfThePanel) {
  const int right = GetParam().width() - 1;
  const int bottom = GetParam().height() - 1;
  point(30, 30, 2, 1, 1, 1);
  QImage image = presentAndGrab();
  EXPECT_GT(red(image, right, 0), 200);
  EXPECT_EQ(red(image, 0, 0, 3) + red(image, right, bottom, 3) + red(image, 0, bottom, 3), 0);
  point(-30, -30, 2, 1, 1, 1);
  image = presentAndGrab();
  EXPECT_GT(red(image, 0, bottom), 200);
  EXPECT_EQ(red(image, 0, 0, 3) + red(image, right, bottom, 3) + red(image, right, 0, 3), 0);
  point(0, 0, 2, 1, 1, 1);
  point(15, 15, 2, 1, 1, 1);
  image = presentAndGrab();
  EXPECT_GT(red(image, GetParam().width() / 2, GetParam().height() / 2), 200);
  EXPECT_GT(red(image, GetParam().width() * 3 / 4, GetParam().height() / 4), 200);
  EXPECT_EQ(lit(image), 8);
  // Nearer the eye, the same place on the panel takes smaller coordinates: the eye is 30 units
  // from the plane z = 0 and sees it through a frustum, so (10, −10, 10) shows where
  // (15, −15, 0) would, a quarter of the panel in from its right and lower edges.
  point(10, -10, 2, 1, 1, 1, 10);
  image = presentAndGrab();
  EXPECT_GT(red(image, GetParam().width() * 3 / 4, GetParam().height() * 3 / 4), 200);
  EXPECT_EQ(lit(image), 4);
}

TEST_P(SurfacePixelTest, ThreePassesAtOnePlaceAddUpToThreeTimesTheColourCappedAtFull) {
  for (int pass = 0; pass < 3; ++pass) point(0, 0, 6, 0.25f, 0.5f, 0.2f);
  const QRgb centre = presentAndGrab().pixel(GetParam().width() / 2, GetParam().height() / 2);
  EXPECT_NEAR(qRed(centre), 191, 3);
  EXPECT_EQ(qGreen(centre), 255);
  EXPECT_NEAR(qBlue(centre), 153, 3);
}

TEST_P(SurfacePixelTest, EveryFrameStartsBlackAndARebindingDropsTheUnshownPasses) {
  point(0, 0, 6, 1, 1, 1);
  EXPECT_GT(lit(presentAndGrab()), 0);
  EXPECT_EQ(lit(presentAndGrab()), 0);
  point(0, 0, 6, 1, 1, 1);
  surface.bind(panel);
  QApplication::processEvents();
  EXPECT_EQ(lit(presentAndGrab()), 0);
}

// What the view paints on the window, not only the picture it keeps: a frame step that has
// passes since the last one shows them, even when they are the same as the frame before;
// steps without passes keep the panel black.
TEST_P(SurfacePixelTest, EveryStepWithPassesShowsThemAndEmptyStepsStayBlack) {
  const auto painted = [this] {
    QApplication::processEvents();
    return surface.view()->grab().toImage().convertToFormat(QImage::Format_RGB32);
  };
  const auto step = [&](int passes) {
    for (int pass = 0; pass < passes; ++pass) point(0, 0, 6, 0.5f, 0.5f, 0.5f);
    surface.present();
    return painted();
  };
  const int centreX = GetParam().width() / 2;
  const int centreY = GetParam().height() / 2;
  EXPECT_EQ(lit(step(0)), 0);
  EXPECT_EQ(lit(step(0)), 0) << "an empty step after an empty step";
  EXPECT_NEAR(red(step(1), centreX, centreY), 128, 3);
  EXPECT_NEAR(red(step(1), centreX, centreY), 128, 3) << "the same passes again";
  EXPECT_EQ(red(step(2), centreX, centreY), 255) << "two passes add up";
  EXPECT_EQ(lit(step(0)), 0);
  EXPECT_EQ(lit(step(0)), 0) << "an empty step after an empty step";
  EXPECT_GT(red(step(1), centreX, centreY), 0) << "passes after empty steps";
}

// What reaches the window itself, read back from the X server: a frame that changes only a
// part of the panel repaints all that changed, so nothing of the frame before stays.
TEST_P(SurfacePixelTest, TheScreenFollowsEachFrameWhereOnlyAPartOfThePanelChanges) {
  const auto onScreen = [this] {
    QApplication::processEvents();
    return window.screen()->grabWindow(window.winId()).toImage().convertToFormat(QImage::Format_RGB32);
  };
  // x = -20 and x = 20 of the drawing space's -30..30, on the middle row.
  const int leftX = GetParam().width() / 6;
  const int rightX = GetParam().width() * 5 / 6;
  const int middleY = GetParam().height() / 2;
  point(-20, 0, 6, 1, 1, 1);
  surface.present();
  const QImage first = onScreen();
  EXPECT_EQ(red(first, leftX, middleY, 3), 255);
  EXPECT_EQ(red(first, rightX, middleY, 3), 0);
  point(20, 0, 6, 1, 1, 1);
  surface.present();
  const QImage second = onScreen();
  EXPECT_EQ(red(second, leftX, middleY, 3), 0) << "the point of the frame before is still there";
  EXPECT_EQ(red(second, rightX, middleY, 3), 255);
}

TEST_P(SurfacePixelTest, LoudSignalPicturesOfEveryDrawing) {
  const QString folder = QDir(qEnvironmentVariable("TEMBR_TEST_TMP", QDir::tempPath())).filePath("vis-screens");
  QDir().mkpath(folder);
  const std::vector<std::tuple<const char*, int, int>> drawings = {
      {"Effect1", 0, 0}, {"Effect2", 1, 0}, {"Effect3", 2, 0}, {"Effect4", 3, 0},
      {"Effect5", 4, 0}, {"Effect6", 5, 0}, {"NoGrafRays", 6, 0}, {"NoGrafPoints", 6, 1}};
  for (auto [name, index, mode] : drawings) {
    LevelArray peak{};
    LevelArray bar{};
    // Five passes, one frame at the usual tick and frame rates, of a signal falling with
    // frequency, moving from pass to pass, with a few strong bins.
    for (int passIndex = 0; passIndex < 5; ++passIndex) {
      SpectrumSnapshot spectrum{};
      for (int bin = 0; bin < 512; ++bin) {
        spectrum[bin] = static_cast<float>(0.35 * std::exp(-bin / 45.0) * (0.55 + 0.45 * std::sin(bin * 0.37 + passIndex)));
      }
      for (int bin : {3, 17, 40, 64}) spectrum[bin] = 0.3f;
      DrawingPass pass{spectrum, 97, peak, bar, kStem, 1000.0 + passIndex, mode, &fixedDraw, surface.frame()};
      DrawByIndex(index, pass);
    }
    const QImage image = presentAndGrab();
    const QString path = QDir(folder).filePath(QString("%1-%2x%3.png").arg(name).arg(image.width()).arg(image.height()));
    ASSERT_TRUE(image.save(path));
    std::cout << "picture: " << path.toStdString() << std::endl;
    EXPECT_GT(lit(image), image.width() * image.height() / 200) << name;
    int blue = 0;
    for (int row = 0; row < image.height(); ++row) {
      for (int col = 0; col < image.width(); ++col) blue += qBlue(image.pixel(col, row)) != 0;
    }
    EXPECT_EQ(blue > 0, index == 1) << name << ": only the stems of Effect 2 carry blue";
  }
}

INSTANTIATE_TEST_SUITE_P(Panels, SurfacePixelTest, testing::Values(QSize(361, 97), QSize(657, 369)),
                         [](const auto& info) { return info.param.height() == 97 ? "Panel1" : "Panel2"; });

}  // namespace
