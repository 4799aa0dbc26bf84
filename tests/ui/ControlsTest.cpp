// The radio groups, the auto-sizing check box and the track bar's direction.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QKeyEvent>
#include <QRadioButton>
#include <QStyleOptionSlider>
#include <vector>

#include "ui/TRadioGroup.h"
#include "ui/TsCheckBox.h"
#include "ui/TsRadioGroup.h"
#include "skin/SkinManager.h"
#include "ui/TsTrackBar.h"

namespace {

QStringList sevenEffects() {
  return {"Effect 1", "Effect 2", "Effect 3", "Effect 4", "Effect 5", "Effect 6", "no graf"};
}

struct IndexCase {
  int requested;
  int expected;
};

class RadioGroupIndex : public ::testing::TestWithParam<IndexCase> {};

TEST_P(RadioGroupIndex, IsClampedAndChecksExactlyThatButton) {
  TsRadioGroup group;
  group.resize(169, 153);
  group.setItems(sevenEffects());
  group.setItemIndex(3);
  group.setItemIndex(GetParam().requested);
  EXPECT_EQ(group.ItemIndex(), GetParam().expected);
  for (int i = 0; i < 7; ++i) EXPECT_EQ(group.button(i)->isChecked(), i == GetParam().expected) << i;
}

INSTANTIATE_TEST_SUITE_P(Table, RadioGroupIndex,
                         ::testing::Values(IndexCase{9, 6}, IndexCase{-5, -1}, IndexCase{-1, -1}, IndexCase{0, 0},
                                           IndexCase{6, 6}, IndexCase{3, 3}));

TEST(RadioGroup, ClickSelectsAndSignalsOnce) {
  TRadioGroup group;
  group.resize(81, 49);
  group.setItems({"1", "2"});
  group.setItemIndex(0);
  std::vector<int> signalled;
  QObject::connect(&group, &TRadioGroup::itemIndexChanged, [&](int index) { signalled.push_back(index); });
  group.button(1)->click();
  EXPECT_EQ(group.ItemIndex(), 1);
  EXPECT_FALSE(group.button(0)->isChecked());
  group.button(1)->click();  // already selected: no second signal
  group.setItemIndex(1);
  EXPECT_EQ(signalled, std::vector<int>{1});
}

TEST(RadioGroup, FewerItemsPullTheIndexBack) {
  TRadioGroup group;
  group.setItems(sevenEffects());
  group.setItemIndex(5);
  group.setItems({"a", "b"});
  EXPECT_EQ(group.ItemIndex(), 1);
  EXPECT_TRUE(group.button(1)->isChecked());
  group.setItems({});
  EXPECT_EQ(group.ItemIndex(), -1);
  EXPECT_EQ(group.button(0), nullptr);
}

TEST(RadioGroup, IndexSetBeforeTheItemsTakesEffectWhenTheyArrive) {
  // The order in which a form sets the two properties.
  TRadioGroup group;
  group.setItemIndex(1);
  EXPECT_EQ(group.ItemIndex(), -1);
  group.setItems({"1", "2", "3"});
  EXPECT_EQ(group.ItemIndex(), 1);
  EXPECT_TRUE(group.button(1)->isChecked());
  // Only once: later item lists keep the index as it stands.
  group.setItemIndex(0);
  group.setItems({"a", "b"});
  EXPECT_EQ(group.ItemIndex(), 0);

  TRadioGroup far;
  far.setItemIndex(9);
  far.setItems({"1", "2"});
  EXPECT_EQ(far.ItemIndex(), 1);
}

TEST(RadioGroup, ButtonsFormOneEvenColumnBelowTheCaption) {
  TsRadioGroup group;
  group.setTitle(QStringLiteral("Effect Collection"));
  group.resize(169, 153);
  group.setItems(sevenEffects());
  const int captionBottom = group.fontMetrics().height();
  int previousTop = -1;
  int step = -1;
  for (int i = 0; i < 7; ++i) {
    const QRect r = group.button(i)->geometry();
    EXPECT_TRUE(group.rect().contains(r)) << i;
    EXPECT_GE(r.top(), captionBottom) << i;
    EXPECT_EQ(r.left(), group.button(0)->geometry().left()) << i;
    if (previousTop >= 0) {
      if (step < 0) step = r.top() - previousTop;
      EXPECT_EQ(r.top() - previousTop, step) << i;
    }
    previousTop = r.top();
  }
  // The rows fill the height: the last one ends near the bottom, not in the upper part.
  EXPECT_GT(group.button(6)->geometry().bottom(), group.height() - 12);
  EXPECT_GT(step, 0);

  // A shown group spreads its buttons anew when it grows.
  group.show();
  group.resize(169, 300);
  QCoreApplication::processEvents();
  EXPECT_GT(group.button(1)->geometry().top() - group.button(0)->geometry().top(), step);
}

TEST(CheckBox, AutoSizeWidensToTheCaptionAndKeepsTheHeight) {
  TsCheckBox box;
  box.setGeometry(8, 0, 59, 17);
  box.setText(QStringLiteral("connect"));
  const int shortWidth = box.width();
  box.setCaption(QStringLiteral("connect the equaliser bands"));
  EXPECT_GT(box.width(), shortWidth + box.fontMetrics().horizontalAdvance(QStringLiteral(" the equaliser")));
  EXPECT_EQ(box.height(), 17);
  // The whole caption fits: box, spacing and text are inside the width.
  EXPECT_GE(box.width(), 13 + box.fontMetrics().horizontalAdvance(box.text()));
  box.setText(QStringLiteral(" "));
  EXPECT_LT(box.width(), shortWidth);
}

TEST(CheckBox, CaptionSetThroughTheBaseClassIsCaughtUp) {
  QWidget window;
  auto* box = new TsCheckBox(&window);
  box->setGeometry(0, 0, 28, 19);
  box->setText(QStringLiteral(" "));
  window.show();
  QAbstractButton* plain = box;
  plain->setText(QStringLiteral("Random List, now longer"));
  for (int i = 0; i < 3; ++i) QCoreApplication::processEvents();
  EXPECT_EQ(box->width(), box->fittingWidth());
  EXPECT_GT(box->width(), 100);
}

TEST(CheckBox, WithoutAutoSizeTheWidthStays) {
  TsCheckBox box;
  box.setAutoSize(false);
  box.setGeometry(0, 0, 121, 17);
  box.setText(QStringLiteral("Repeat List"));
  EXPECT_EQ(box.width(), 121);
}

QRect handleRect(TsTrackBar& bar) {
  QStyleOptionSlider option;
  option.initFrom(&bar);
  option.orientation = bar.orientation();
  option.minimum = bar.minimum();
  option.maximum = bar.maximum();
  option.sliderPosition = bar.sliderPosition();
  option.sliderValue = bar.value();
  option.tickPosition = bar.tickPosition();
  option.upsideDown = bar.orientation() == Qt::Horizontal ? bar.invertedAppearance() : !bar.invertedAppearance();
  return bar.style()->subControlRect(QStyle::CC_Slider, &option, QStyle::SC_SliderHandle, &bar);
}

TEST(TrackBar, VerticalHasItsMinimumAtTheTopAndUpMovesTowardIt) {
  TsTrackBar bar;
  bar.setStyle(TsSkinManager::style());
  bar.setOrientation(Qt::Vertical);
  bar.setRange(0, 7);
  bar.setThumbLength(15);
  bar.setGeometry(0, 0, 29, 145);
  bar.ensurePolished();
  bar.setValue(0);
  const QRect atMinimum = handleRect(bar);
  bar.setValue(7);
  const QRect atMaximum = handleRect(bar);
  EXPECT_LT(atMinimum.top(), atMaximum.top());
  EXPECT_LT(atMinimum.top(), 10);

  bar.setValue(3);
  QKeyEvent up(QEvent::KeyPress, Qt::Key_Up, Qt::NoModifier);
  QApplication::sendEvent(&bar, &up);
  EXPECT_EQ(bar.value(), 2);
}

TEST(TrackBar, HorizontalRunsLeftToRight) {
  TsTrackBar bar;
  bar.setStyle(TsSkinManager::style());
  bar.setOrientation(Qt::Horizontal);
  bar.setRange(-5, 5);
  bar.setThumbLength(10);
  bar.setGeometry(0, 0, 89, 25);
  bar.ensurePolished();
  EXPECT_EQ(handleRect(bar).height(), 10);
  bar.setValue(-5);
  const int left = handleRect(bar).left();
  bar.setValue(5);
  EXPECT_GT(handleRect(bar).left(), left + 50);
  QKeyEvent right(QEvent::KeyPress, Qt::Key_Right, Qt::NoModifier);
  bar.setValue(0);
  QApplication::sendEvent(&bar, &right);
  EXPECT_EQ(bar.value(), 1);
}

}  // namespace
