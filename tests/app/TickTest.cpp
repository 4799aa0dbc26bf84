// The playback tick's read-outs and the two gauges, on the manually clocked output.

#include <gtest/gtest.h>

#include <QLabel>

#include "tests/app/PlaybackHarness.h"
#include "ui_TForm1.h"
#include "ui/TsGauge.h"
#include "ui/TsTrackBar.h"

namespace {

using playback::Harness;
using playback::kSampleRate;
using playback::toneFile;

// 2.6 s of stereo 16-bit audio.
constexpr double kToneSeconds = 2.6;
constexpr int64_t kToneBytes = 114660 * 4;

struct ToneHarness : Harness {
  ToneHarness() {
    addEntry(toneFile("tick.wav", kToneSeconds));
    click(0);
  }
};

TEST(Tick, ShowsLengthPositionAndTheirClockTexts) {
  ToneHarness h;
  h.tick();
  EXPECT_EQ(h.ui().sGauge1->MaxValue(), kToneBytes);
  EXPECT_EQ(h.ui().sGauge1->Progress(), 0);
  EXPECT_EQ(h.ui().Label1->text(), QStringLiteral("00:00:00"));
  EXPECT_EQ(h.ui().Label2->text(), QStringLiteral("00:00:02"));
  EXPECT_GE(h.ui().Label2->width(), h.ui().Label2->sizeHint().width()) << "sized to its text";

  h.render(kSampleRate + kSampleRate / 2);
  h.tick();
  EXPECT_EQ(h.ui().sGauge1->Progress(), h.position());
  EXPECT_EQ(h.ui().sGauge1->Percent(), h.position() * 100 / kToneBytes);
  EXPECT_GT(h.ui().sGauge1->Percent(), 50);
  EXPECT_EQ(h.ui().Label1->text(), QStringLiteral("00:00:01"));
}

TEST(Tick, CountsTracksAsTrackNOfCount) {
  ToneHarness h;
  for (int i = 1; i < 12; ++i) h.addEntry(h.window().PlaylistEntry(0));
  h.window().CurrentIndex = 2;
  h.tick();
  EXPECT_EQ(h.ui().Label3->text(), QStringLiteral("Track3  of  12"));
}

TEST(Tick, WithoutAStreamLeavesCounterAndSpectrumAlone) {
  Harness h;
  h.window().SpectrumBuffer.fill(-1.0f);
  h.tick();
  EXPECT_EQ(h.ui().Label3->text(), QString());
  EXPECT_EQ(h.ui().sGauge1->MaxValue(), 0);
  EXPECT_EQ(h.ui().Label2->text(), QStringLiteral("00:00:00"));
  EXPECT_EQ(h.window().SpectrumBuffer[0], -1.0f);
}

TEST(Tick, FetchesTheSpectrumOfTheStream) {
  ToneHarness h;
  h.window().SpectrumBuffer.fill(-1.0f);
  h.render(4096);
  h.tick();
  for (int bin : {0, 10, 511}) EXPECT_GE(h.window().SpectrumBuffer[bin], 0.0f) << bin;
}

TEST(Tick, PushesBalanceAndVolumeToTheStream) {
  ToneHarness h;
  h.ui().sTrackBar1->setValue(-5);
  h.ui().sGauge2->setProgress(7);
  h.tick();
  float volume = 0.0f;
  float pan = 0.0f;
  ASSERT_TRUE(h.engine().getAttribute(h.stream(), audio::Attribute::Volume, volume));
  ASSERT_TRUE(h.engine().getAttribute(h.stream(), audio::Attribute::Pan, pan));
  EXPECT_FLOAT_EQ(volume, 0.7f);
  EXPECT_FLOAT_EQ(pan, -1.0f);
}

TEST(Tick, WhilePausedTheReadOutsStandStill) {
  ToneHarness h;
  h.render(kSampleRate);
  h.window().BitBtn3Click();
  h.tick();
  const int progress = h.ui().sGauge1->Progress();
  const QString clock = h.ui().Label1->text();
  h.render(kSampleRate);
  h.tick();
  EXPECT_EQ(h.ui().sGauge1->Progress(), progress);
  EXPECT_EQ(h.ui().Label1->text(), clock);
  EXPECT_EQ(h.window().CurrentIndex, 0);
}

TEST(TickGauges, DraggingThePositionGaugeSeeks) {
  ToneHarness h;
  h.tick();
  TsGauge* gauge = h.ui().sGauge1;
  const int width = gauge->width();

  h.window().sGauge1MouseMove(Qt::NoButton, width / 2, 3);
  EXPECT_EQ(h.position(), 0) << "no button held";

  h.window().sGauge1MouseMove(Qt::LeftButton, width / 2, 3);
  EXPECT_NEAR(static_cast<double>(h.position()), kToneBytes / 2.0, kToneBytes / width + 4.0);
  EXPECT_EQ(h.position(), gauge->Progress() / 4 * 4) << "the seek lands on a whole frame";

  const int64_t before = h.position();
  h.window().sGauge1MouseMove(Qt::LeftButton, width + 40, 3);
  EXPECT_EQ(gauge->Progress(), gauge->MaxValue());
  EXPECT_EQ(h.position(), before) << "the end itself is no place to seek to";

  h.window().sGauge1MouseMove(Qt::LeftButton, -10, 3);
  EXPECT_EQ(h.position(), 0);
}

TEST(TickGauges, DraggingTheVolumeGaugeSetsTheVolume) {
  ToneHarness h;
  TsGauge* gauge = h.ui().sGauge2;
  ASSERT_EQ(gauge->width(), 73);
  struct Case {
    Qt::MouseButtons buttons;
    int x;
    int volume;
  };
  for (const Case c : {Case{Qt::LeftButton, 36, 5}, Case{Qt::LeftButton, 73, 10},
                       Case{Qt::NoButton, 0, 10}, Case{Qt::RightButton, 0, 10},
                       Case{Qt::LeftButton | Qt::RightButton, 0, 0},
                       Case{Qt::LeftButton, 22, 3}}) {
    h.window().sGauge2MouseMove(c.buttons, c.x, 4);
    EXPECT_EQ(gauge->Progress(), c.volume) << c.x;
    EXPECT_EQ(h.track().LastVolume, c.volume) << c.x;
  }
}

}  // namespace
