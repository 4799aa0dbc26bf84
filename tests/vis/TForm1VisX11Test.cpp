// The window's side of the visualisation on a real X server: the "mini" and "max" buttons,
// the frame step, the release, and the dispatch with the window's own controls.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QImage>
#include <QTimer>

#include "app/TForm1.h"
#include "playlist/Random.h"
#include "tests/support/TestFiles.h"
#include "ui/TPanel.h"
#include "ui/TRadioGroup.h"
#include "ui/TsGauge.h"
#include "ui/TsPageControl.h"
#include "ui_TForm1.h"
#include "vis/GlPanelWidget.h"
#include "vis/VisSurface.h"

namespace {

class FormSurfaceTest : public testing::Test {
 protected:
  FormSurfaceTest() : form(std::make_unique<TForm1>(data.path())) {
    form->show();
    form->BindSurface(form->ui->Panel1);  // as the window's creation does
    settle();
  }
  static void settle() {
    for (int round = 0; round < 5; ++round) QApplication::processEvents();
  }
  // The one view in the window, on `panel`, with the one live context once it has shown a
  // picture (a view makes its context for its first picture).
  void expectOneViewOn(QWidget* panel) const {
    const QList<GlPanelWidget*> views = form->findChildren<GlPanelWidget*>();
    ASSERT_EQ(views.size(), 1);
    EXPECT_EQ(views.front()->parentWidget(), panel);
    form->spectrum().SpectrumBuffer.fill(1.0f);
    form->DrawSpectrum(0);
    form->Timer3Timer();
    EXPECT_EQ(GlPanelWidget::contextsInUse(), 1);
  }
  GlPanelWidget* view() const { return form->Surface->view(); }

  TempFolder data;
  std::unique_ptr<TForm1> form;
};

TEST_F(FormSurfaceTest, MiniAndMaxMoveTheOneViewAndReleaseGivesItBack) {
  for (int press = 0; press < 30; ++press) form->ui->sBitBtn1->click();
  settle();
  expectOneViewOn(form->ui->Panel1);
  EXPECT_TRUE(form->ui->sPageControl1->isHidden());
  EXPECT_TRUE(form->ui->Panel2->isHidden());

  form->ui->sPageControl1->show();
  form->ui->sBitBtn4->click();
  settle();
  expectOneViewOn(form->ui->Panel2);
  EXPECT_FALSE(form->ui->sPageControl1->isHidden());
  EXPECT_GE(form->width(), form->ui->Panel2->geometry().right() + 1);

  form->ui->sBitBtn1->click();
  settle();
  expectOneViewOn(form->ui->Panel1);
  EXPECT_TRUE(form->ui->Panel2->isHidden());
  EXPECT_LE(form->width(), form->ui->Panel2->geometry().left() + 1);

  form->ui->sBitBtn4->click();
  form->ReleaseSurface();
  settle();
  EXPECT_TRUE(form->findChildren<GlPanelWidget*>().isEmpty());
  EXPECT_EQ(GlPanelWidget::contextsInUse(), 0);
}

TEST_F(FormSurfaceTest, WithoutDrawingEveryFrameStepShowsABlackPanel) {
  form->Timer3Timer();
  const QImage image = view()->grabFramebuffer().convertToFormat(QImage::Format_RGB32);
  ASSERT_EQ(image.size(), form->ui->Panel1->size());
  for (int row = 0; row < image.height(); ++row) {
    for (int col = 0; col < image.width(); ++col) ASSERT_EQ(image.pixel(col, row) & 0xffffff, 0u);
  }
}

TEST_F(FormSurfaceTest, OnTheLargePanelTheLevelsStillUseTheSmallPanelsHeight) {
  form->ui->sBitBtn4->click();
  settle();
  form->spectrum().SpectrumBuffer.fill(1.0f);
  form->DrawSpectrum(0);
  EXPECT_EQ(form->spectrum().PeakLevels[0], 97);
  EXPECT_EQ(form->spectrum().BarLevels[127], 97);
  form->Timer3Timer();
  EXPECT_EQ(view()->shownFrame().primitives().size(), 128u);
  // Full level puts every Effect 1 dash on the middle row of the large panel.
  const QImage image = view()->grabFramebuffer().convertToFormat(QImage::Format_RGB32);
  EXPECT_GT(qRed(image.pixel(image.width() / 2 - 20, image.height() / 2)), 0);
  EXPECT_EQ(qRed(image.pixel(image.width() / 2 - 20, image.height() / 4)), 0);
}

TEST_F(FormSurfaceTest, NoGrafTakesModeAndPositionFromTheWindowAndDrawsFromTheSharedGenerator) {
  form->ui->RadioGroup1->setItemIndex(1);
  form->ui->sGauge1->setMaxValue(1000);
  form->ui->sGauge1->setProgress(0);
  SetRandomSeed(7);
  form->spectrum().SpectrumBuffer.fill(1.0f);
  form->DrawSpectrum(6);
  // Position 0 has a tangent of 0: no point can be placed, but every bin drew its colours.
  EXPECT_EQ(RandomSeed(), 36373255u) << "the seed 7 advanced by 256 draws";
  EXPECT_TRUE(form->Surface->frame().empty());
  form->ui->sGauge1->setProgress(1);
  form->DrawSpectrum(6);
  ASSERT_EQ(form->Surface->frame().primitives().size(), 128u);
  EXPECT_EQ(form->Surface->frame().primitives()[0].kind, PrimitiveKind::Points);
}

// After a tick, a frame step that falls due within half a tick period runs at once, with the
// tick's pass in its frame, and its timer starts its period again; a frame step further off,
// or one whose timer is stopped, is left to its timer.
TEST_F(FormSurfaceTest, ATickTakesAlongTheFrameStepThatFallsDueWithIt) {
  form->Timer1->stop();
  form->spectrum().SpectrumBuffer.fill(1.0f);
  struct Case {
    int frameInterval;
    bool frameTimerRuns;
    bool presents;
  };
  for (const Case c : {Case{50, true, false}, Case{2, true, true}, Case{2, false, false}}) {
    form->Timer3Timer();
    form->Timer3->setInterval(c.frameInterval);
    if (c.frameTimerRuns) form->Timer3->start();
    else form->Timer3->stop();
    form->DrawSpectrum(0);
    form->runDueFrameStepWithTick();
    EXPECT_EQ(form->Surface->frame().empty(), c.presents) << c.frameInterval << c.frameTimerRuns;
    EXPECT_EQ(view()->shownFrame().primitives().size(), c.presents ? 128u : 0u) << c.frameInterval;
    EXPECT_EQ(form->Timer3->isActive(), c.frameTimerRuns);
  }
  form->Timer3->stop();
  form->Timer3->setInterval(50);
}

TEST(FormWithoutSurfaceTest, FrameStepAndDrawingBeforeAnyBindingMoveOnlyTheLevels) {
  TempFolder data;
  TForm1 form(data.path());
  form.Timer3Timer();
  form.spectrum().SpectrumBuffer.fill(1.0f);
  form.DrawSpectrum(3);
  EXPECT_EQ(form.spectrum().PeakLevels[0], 97);
  EXPECT_TRUE(form.Surface->frame().empty()) << "nothing is recorded before a panel is bound";
  form.ReleaseSurface();
}

}  // namespace
