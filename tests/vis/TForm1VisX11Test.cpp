// The window's side of the visualisation on a real X server: the "mini" and "max" buttons,
// the frame step, the release, and the dispatch with the window's own controls.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QImage>

#include "app/Random.h"
#include "app/TForm1.h"
#include "tests/support/TestFiles.h"
#include "ui/TPanel.h"
#include "ui/TRadioGroup.h"
#include "ui/TsGauge.h"
#include "ui/TsPageControl.h"
#include "ui_TForm1.h"
#include "vis/GlPanelWidget.h"
#include "vis/VisSurface.h"

namespace {

constexpr int kSmallPanelHeight = 97;

class FormSurfaceTest : public testing::Test {
 protected:
  FormSurfaceTest() : form(std::make_unique<TForm1>(data.path())) {
    form->show();
    // The window binds the small panel as it is created.
    form->BindSurface(form->ui->Panel1);
    settle();
  }

  static void settle() {
    for (int round = 0; round < 5; ++round) QApplication::processEvents();
  }

  QList<GlPanelWidget*> views() const { return form->findChildren<GlPanelWidget*>(); }

  GlPanelWidget* onlyView() const {
    const QList<GlPanelWidget*> all = views();
    return all.size() == 1 ? all.front() : nullptr;
  }

  TempFolder data;
  std::unique_ptr<TForm1> form;
};

TEST_F(FormSurfaceTest, MiniPressedManyTimesLeavesOneViewAndOneContextOnTheSmallPanel) {
  for (int press = 0; press < 30; ++press) form->ui->sBitBtn1->click();
  settle();
  ASSERT_NE(onlyView(), nullptr) << views().size() << " views";
  EXPECT_EQ(onlyView()->parentWidget(), form->ui->Panel1);
  EXPECT_EQ(GlPanelWidget::contextsInUse(), 1);
  EXPECT_TRUE(form->ui->sPageControl1->isHidden());
  EXPECT_TRUE(form->ui->Panel2->isHidden());
}

TEST_F(FormSurfaceTest, MaxShowsTheLargePanelWithTheViewAndMiniTakesItBack) {
  form->ui->sPageControl1->show();
  form->ui->sBitBtn4->click();
  settle();
  ASSERT_NE(onlyView(), nullptr);
  EXPECT_EQ(onlyView()->parentWidget(), form->ui->Panel2);
  EXPECT_TRUE(form->ui->Panel2->isVisible());
  EXPECT_FALSE(form->ui->sPageControl1->isHidden());
  EXPECT_GE(form->width(), form->ui->Panel2->geometry().right() + 1);
  EXPECT_EQ(GlPanelWidget::contextsInUse(), 1);

  form->ui->sBitBtn1->click();
  settle();
  ASSERT_NE(onlyView(), nullptr);
  EXPECT_EQ(onlyView()->parentWidget(), form->ui->Panel1);
  EXPECT_TRUE(form->ui->Panel2->isHidden());
  EXPECT_TRUE(form->ui->sPageControl1->isHidden());
  EXPECT_LE(form->width(), form->ui->Panel2->geometry().left() + 1);
  EXPECT_EQ(GlPanelWidget::contextsInUse(), 1);
}

TEST_F(FormSurfaceTest, ReleaseAfterMaxGivesTheLargePanelBackAndFreesTheContext) {
  form->ui->sBitBtn4->click();
  settle();
  form->ReleaseSurface();
  settle();
  EXPECT_TRUE(views().isEmpty());
  EXPECT_EQ(GlPanelWidget::contextsInUse(), 0);
  EXPECT_EQ(form->Surface->boundPanel(), nullptr);
}

TEST_F(FormSurfaceTest, WithoutDrawingEveryFrameStepShowsABlackPanel) {
  form->Timer3Timer();
  form->Timer3Timer();
  const QImage image = onlyView()->grabFramebuffer().convertToFormat(QImage::Format_RGB32);
  ASSERT_EQ(image.size(), form->ui->Panel1->size());
  for (int row = 0; row < image.height(); ++row) {
    for (int column = 0; column < image.width(); ++column) ASSERT_EQ(image.pixel(column, row) & 0xffffff, 0u);
  }
}

TEST_F(FormSurfaceTest, OnTheLargePanelTheLevelsStillUseTheSmallPanelsHeight) {
  form->ui->sBitBtn4->click();
  settle();
  form->SpectrumBuffer.fill(1.0f);
  form->DrawSpectrum(0);
  EXPECT_EQ(form->PeakLevels[0], kSmallPanelHeight);
  EXPECT_EQ(form->BarLevels[127], kSmallPanelHeight);
  form->Timer3Timer();
  EXPECT_EQ(onlyView()->shownFrame().primitives().size(), 128u);
  // Full level puts every Effect 1 dash on the middle row of the large panel.
  const QImage image = onlyView()->grabFramebuffer().convertToFormat(QImage::Format_RGB32);
  EXPECT_GT(qRed(image.pixel(image.width() / 2 - 20, image.height() / 2)), 0);
  EXPECT_EQ(qRed(image.pixel(image.width() / 2 - 20, image.height() / 4)), 0);
}

TEST_F(FormSurfaceTest, DrawSpectrumWithNoChoiceFreezesTheLevelsAndDrawsNothing) {
  form->PeakLevels.fill(40);
  form->BarLevels.fill(20);
  form->SpectrumBuffer.fill(1.0f);
  form->DrawSpectrum(-1);
  form->Timer3Timer();
  EXPECT_TRUE(onlyView()->shownFrame().empty());
  EXPECT_EQ(form->PeakLevels[5], 40);
  EXPECT_EQ(form->BarLevels[5], 20);
}

TEST_F(FormSurfaceTest, NoGrafTakesTheModeAndPositionFromTheWindowAndDrawsFromTheSharedGenerator) {
  form->ui->RadioGroup1->setItemIndex(1);
  form->ui->sGauge1->setMaxValue(1000);
  form->ui->sGauge1->setProgress(0);
  SetRandomSeed(7);
  uint32_t expectedSeed = 7;
  for (int draw = 0; draw < 256; ++draw) expectedSeed = expectedSeed * 134775813u + 1;
  form->SpectrumBuffer.fill(1.0f);
  form->DrawSpectrum(6);
  // Position 0 has a tangent of 0: no point can be placed, but every bin drew its colours.
  EXPECT_EQ(RandomSeed(), expectedSeed);
  EXPECT_TRUE(form->Surface->frame().empty());

  form->ui->sGauge1->setProgress(1);
  form->DrawSpectrum(6);
  ASSERT_EQ(form->Surface->frame().primitives().size(), 128u);
  EXPECT_EQ(form->Surface->frame().primitives()[0].kind, PrimitiveKind::Points);
}

TEST(FormWithoutSurfaceTest, FrameStepAndDrawingBeforeAnyBindingAreHarmless) {
  TempFolder data;
  TForm1 form(data.path());
  form.Timer3Timer();
  form.SpectrumBuffer.fill(1.0f);
  form.DrawSpectrum(3);
  form.ReleaseSurface();
  EXPECT_EQ(form.PeakLevels[0], kSmallPanelHeight);
  EXPECT_TRUE(form.Surface->frame().empty());
}

}  // namespace
