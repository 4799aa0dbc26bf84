// The window's side of the visualisation on a real X server: the "mini" and "max" buttons,
// the frame step, the release, and the dispatch with the window's own controls. The window's
// parts are reached by their object names.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QImage>
#include <QTimer>

#include "app/TForm1.h"
#include "playlist/Random.h"
#include "tests/app/StartedWindow.h"
#include "tests/support/TestFiles.h"
#include "ui/TRadioGroup.h"
#include "ui/TsGauge.h"
#include "vis/GlPanelWidget.h"
#include "vis/Visualisation.h"

namespace {

class FormSurfaceTest : public testing::Test {
 protected:
  FormSurfaceTest() : form(std::make_unique<TForm1>(data.path())), vis(visualisationOf(*form)) {
    form->show();
    vis.BindSurface(&widget("Panel1"));  // as the window's creation does
    settle();
  }
  QWidget& widget(const char* name) const { return part<QWidget>(*form, name); }
  void press(const char* button) const { part<QAbstractButton>(*form, button).click(); }
  void frameStep() const { fire(timerOf(*form, "Timer3")); }
  static void settle() {
    for (int round = 0; round < 5; ++round) QApplication::processEvents();
  }
  // The one view in the window, on `panel`, with the one live context once it has shown a
  // picture (a view makes its context for its first picture).
  void expectOneViewOn(QWidget* panel) const {
    const QList<GlPanelWidget*> views = form->findChildren<GlPanelWidget*>();
    ASSERT_EQ(views.size(), 1);
    EXPECT_EQ(views.front()->parentWidget(), panel);
    vis.spectrum().SpectrumBuffer.fill(1.0f);
    vis.DrawSpectrum(0);
    frameStep();
    EXPECT_EQ(GlPanelWidget::contextsInUse(), 1);
  }
  GlPanelWidget* view() const { return vis.surface().view(); }

  TempFolder data;
  std::unique_ptr<TForm1> form;
  Visualisation& vis;
};

TEST_F(FormSurfaceTest, MiniAndMaxMoveTheOneViewAndReleaseGivesItBack) {
  for (int presses = 0; presses < 30; ++presses) press("sBitBtn1");
  settle();
  expectOneViewOn(&widget("Panel1"));
  EXPECT_TRUE(widget("sPageControl1").isHidden());
  EXPECT_TRUE(widget("Panel2").isHidden());

  widget("sPageControl1").show();
  press("sBitBtn4");
  settle();
  expectOneViewOn(&widget("Panel2"));
  EXPECT_FALSE(widget("sPageControl1").isHidden());
  EXPECT_GE(form->width(), widget("Panel2").geometry().right() + 1);

  press("sBitBtn1");
  settle();
  expectOneViewOn(&widget("Panel1"));
  EXPECT_TRUE(widget("Panel2").isHidden());
  EXPECT_LE(form->width(), widget("Panel2").geometry().left() + 1);

  press("sBitBtn4");
  vis.ReleaseSurface();
  settle();
  EXPECT_TRUE(form->findChildren<GlPanelWidget*>().isEmpty());
  EXPECT_EQ(GlPanelWidget::contextsInUse(), 0);
}

TEST_F(FormSurfaceTest, WithoutDrawingEveryFrameStepShowsABlackPanel) {
  frameStep();
  const QImage image = view()->grabFramebuffer().convertToFormat(QImage::Format_RGB32);
  ASSERT_EQ(image.size(), widget("Panel1").size());
  for (int row = 0; row < image.height(); ++row) {
    for (int col = 0; col < image.width(); ++col) ASSERT_EQ(image.pixel(col, row) & 0xffffff, 0u);
  }
}

TEST_F(FormSurfaceTest, OnTheLargePanelTheLevelsStillUseTheSmallPanelsHeight) {
  press("sBitBtn4");
  settle();
  vis.spectrum().SpectrumBuffer.fill(1.0f);
  vis.DrawSpectrum(0);
  EXPECT_EQ(vis.spectrum().PeakLevels[0], 97);
  EXPECT_EQ(vis.spectrum().BarLevels[127], 97);
  frameStep();
  EXPECT_EQ(view()->shownFrame().primitives().size(), 128u);
  // Full level puts every Effect 1 dash on the middle row of the large panel.
  const QImage image = view()->grabFramebuffer().convertToFormat(QImage::Format_RGB32);
  EXPECT_GT(qRed(image.pixel(image.width() / 2 - 20, image.height() / 2)), 0);
  EXPECT_EQ(qRed(image.pixel(image.width() / 2 - 20, image.height() / 4)), 0);
}

TEST_F(FormSurfaceTest, NoGrafTakesModeAndPositionFromTheWindowAndDrawsFromTheSharedGenerator) {
  part<TRadioGroup>(*form, "RadioGroup1").setItemIndex(1);
  auto& position = part<TsGauge>(*form, "sGauge1");
  position.setMaxValue(1000);
  position.setProgress(0);
  SetRandomSeed(7);
  vis.spectrum().SpectrumBuffer.fill(1.0f);
  vis.DrawSpectrum(6);
  // Position 0 has a tangent of 0: no point can be placed, but every bin drew its colours.
  EXPECT_EQ(RandomSeed(), 36373255u) << "the seed 7 advanced by 256 draws";
  EXPECT_TRUE(vis.surface().frame().empty());
  position.setProgress(1);
  vis.DrawSpectrum(6);
  ASSERT_EQ(vis.surface().frame().primitives().size(), 128u);
  EXPECT_EQ(vis.surface().frame().primitives()[0].kind, PrimitiveKind::Points);
}

TEST(FormWithoutSurfaceTest, FrameStepAndDrawingBeforeAnyBindingMoveOnlyTheLevels) {
  TempFolder data;
  TForm1 form(data.path());
  Visualisation& vis = visualisationOf(form);
  fire(timerOf(form, "Timer3"));
  vis.spectrum().SpectrumBuffer.fill(1.0f);
  vis.DrawSpectrum(3);
  EXPECT_EQ(vis.spectrum().PeakLevels[0], 97);
  EXPECT_TRUE(vis.surface().frame().empty()) << "nothing is recorded before a panel is bound";
  vis.ReleaseSurface();
}

}  // namespace
