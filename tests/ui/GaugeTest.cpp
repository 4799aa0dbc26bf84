// The gauge's value rules, its text, when it repaints, and its mouse reports.
#include <gtest/gtest.h>

#include <QApplication>
#include <QImage>
#include <QMouseEvent>
#include <climits>
#include <vector>

#include "ui/TsGauge.h"

namespace {

enum class Step { None, SetMin, SetMax, SetProgress };

struct GaugeCase {
  const char* name;
  int min, max, progress;  // starting values, set as maximum, minimum, progress
  Step step;
  int value;
  int expectedMin, expectedMax, expectedProgress, expectedPercent;
};

class GaugeRules : public ::testing::TestWithParam<GaugeCase> {};

TEST_P(GaugeRules, KeepsValuesConsistentAndShowsTruncatedPercent) {
  const GaugeCase& c = GetParam();
  TsGauge gauge;
  gauge.setMaxValue(c.max);
  gauge.setMinValue(c.min);
  gauge.setProgress(c.progress);
  const int before = gauge.Progress();
  std::vector<int> announced;
  QObject::connect(&gauge, &TsGauge::progressChanged, [&announced](int progress) { announced.push_back(progress); });
  switch (c.step) {
    case Step::SetMin: gauge.setMinValue(c.value); break;
    case Step::SetMax: gauge.setMaxValue(c.value); break;
    case Step::SetProgress: gauge.setProgress(c.value); break;
    case Step::None: break;
  }
  EXPECT_EQ(gauge.MinValue(), c.expectedMin);
  EXPECT_EQ(gauge.MaxValue(), c.expectedMax);
  EXPECT_EQ(gauge.Progress(), c.expectedProgress);
  EXPECT_EQ(gauge.Percent(), c.expectedPercent);
  EXPECT_EQ(gauge.text(), QString::number(c.expectedPercent) + QStringLiteral("%"));
  // A progress that moved is announced once, with its new value, and one that stayed is not.
  EXPECT_EQ(announced, c.expectedProgress == before ? std::vector<int>{} : std::vector<int>{c.expectedProgress});
}

INSTANTIATE_TEST_SUITE_P(
    Table, GaugeRules,
    ::testing::Values(
        GaugeCase{"VolumeAtFiveOfTen", 0, 10, 5, Step::None, 0, 0, 10, 5, 50},
        GaugeCase{"ProgressAboveMaxIsClamped", 0, 10, 5, Step::SetProgress, 15, 0, 10, 10, 100},
        GaugeCase{"ProgressBelowMinIsClamped", 0, 10, 5, Step::SetProgress, -3, 0, 10, 0, 0},
        GaugeCase{"MaxBelowProgressLowersProgress", 0, 100, 80, Step::SetMax, 50, 0, 50, 50, 100},
        GaugeCase{"MaxBelowMinIsRefused", 10, 100, 50, Step::SetMax, 5, 10, 100, 50, 44},
        GaugeCase{"NegativeMaxWithZeroMinIsRefused", 0, 100, 30, Step::SetMax, -7, 0, 100, 30, 30},
        GaugeCase{"MaxEqualToMinShowsZero", 0, 100, 30, Step::SetMax, 0, 0, 0, 0, 0},
        GaugeCase{"OneThirdTruncates", 0, 3, 1, Step::None, 0, 0, 3, 1, 33},
        GaugeCase{"TwoThirdsTruncatesNotRounds", 0, 3, 2, Step::None, 0, 0, 3, 2, 66},
        GaugeCase{"NegativeMinimum", -5, 5, 0, Step::None, 0, -5, 5, 0, 50},
        GaugeCase{"LargeValuesDoNotOverflow", 0, INT_MAX, INT_MAX - 1, Step::None, 0, 0, INT_MAX, INT_MAX - 1, 99},
        GaugeCase{"HalfOfLargestRange", 0, INT_MAX, 1073741824, Step::None, 0, 0, INT_MAX, 1073741824, 50},
        GaugeCase{"FullRangeOfInt", INT_MIN, INT_MAX, 0, Step::None, 0, INT_MIN, INT_MAX, 0, 50},
        GaugeCase{"MinAboveMaxIsRefused", 0, 10, 5, Step::SetMin, 20, 0, 10, 5, 50},
        GaugeCase{"MinAboveProgressRaisesProgress", 0, 10, 2, Step::SetMin, 4, 4, 10, 4, 0}),
    [](const ::testing::TestParamInfo<GaugeCase>& info) { return std::string(info.param.name); });

TEST(Gauge, SuffixFollowsThePercentage) {
  TsGauge gauge;
  gauge.setMaxValue(10);
  gauge.setProgress(7);
  gauge.setSuffix(QStringLiteral(" pct"));
  EXPECT_EQ(gauge.text(), QStringLiteral("70 pct"));
}

// Counts the paint events a widget receives.
class PaintCounter : public QObject {
 public:
  int paints = 0;
  bool eventFilter(QObject*, QEvent* event) override {
    if (event->type() == QEvent::Paint) ++paints;
    return false;
  }
};

void flushPaints() {
  for (int i = 0; i < 3; ++i) {
    QCoreApplication::sendPostedEvents();
    QCoreApplication::processEvents();
  }
}

TEST(Gauge, RepaintsOnlyWhenThePercentageChanges) {
  QWidget window;
  window.resize(200, 40);
  auto* gauge = new TsGauge(&window);
  gauge->setGeometry(10, 10, 150, 9);
  gauge->setMaxValue(1000);
  window.show();
  flushPaints();
  PaintCounter counter;
  gauge->installEventFilter(&counter);

  gauge->setProgress(1);
  gauge->setProgress(9);  // still 0 %
  flushPaints();
  EXPECT_EQ(counter.paints, 0);

  gauge->setProgress(500);
  flushPaints();
  EXPECT_GE(counter.paints, 1);

  const int before = counter.paints;
  gauge->setMaxValue(1001);  // 50 % becomes 49 %
  flushPaints();
  EXPECT_GT(counter.paints, before);

  const int settled = counter.paints;
  gauge->setMaxValue(1002);  // 49 % again
  flushPaints();
  EXPECT_EQ(counter.paints, settled);
}

TEST(Gauge, BarFillFollowsThePercentage) {
  TsGauge gauge;
  gauge.resize(200, 12);
  gauge.setSuffix(QString());
  gauge.setMaxValue(10);
  gauge.setProgress(5);
  const QImage image = gauge.grab().toImage();
  const QColor filled = image.pixelColor(40, 6);
  const QColor empty = image.pixelColor(160, 6);
  // The filled half is the skin's saturated accent; the rest is the pale track.
  EXPECT_GT(filled.hsvSaturation(), empty.hsvSaturation() + 60);
}

struct MoveReport {
  Qt::MouseButtons buttons;
  int x;
  int y;
};

TEST(Gauge, ReportsEveryMoveButNotPresses) {
  TsGauge gauge;
  gauge.resize(73, 9);
  std::vector<MoveReport> reports;
  QObject::connect(&gauge, &TsGauge::MouseMove, [&](Qt::MouseButtons buttons, int x, int y) {
    reports.push_back({buttons, x, y});
  });

  QMouseEvent press(QEvent::MouseButtonPress, QPointF(36, 4), QPointF(36, 4), Qt::LeftButton, Qt::LeftButton,
                    Qt::NoModifier);
  QApplication::sendEvent(&gauge, &press);
  EXPECT_TRUE(reports.empty());

  QMouseEvent drag(QEvent::MouseMove, QPointF(40, 5), QPointF(40, 5), Qt::NoButton, Qt::LeftButton,
                   Qt::NoModifier);
  QApplication::sendEvent(&gauge, &drag);
  // Without a button held the move still reaches the handler, which decides to ignore it.
  QMouseEvent hover(QEvent::MouseMove, QPointF(12, 3), QPointF(12, 3), Qt::NoButton, Qt::NoButton,
                    Qt::NoModifier);
  QApplication::sendEvent(&gauge, &hover);

  ASSERT_EQ(reports.size(), 2u);
  EXPECT_EQ(reports[0].buttons, Qt::MouseButtons(Qt::LeftButton));
  EXPECT_EQ(reports[0].x, 40);
  EXPECT_EQ(reports[0].y, 5);
  EXPECT_EQ(reports[1].buttons, Qt::MouseButtons(Qt::NoButton));
  EXPECT_EQ(reports[1].x, 12);
}

}  // namespace
