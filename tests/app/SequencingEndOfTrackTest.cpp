// What happens when a track plays to its end: the advance through the list and the three
// end-of-list rules, played through on the manually clocked output.

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QFile>

#include "tests/app/PlaybackHarness.h"
#include "ui_TForm1.h"

namespace {

using playback::Harness;
using playback::toneFile;

constexpr double kToneSeconds = 0.05;

// A harness with `n` short entries named entry0.wav, entry1.wav, ...
struct ListHarness : Harness {
  explicit ListHarness(int n) {
    for (int i = 0; i < n; ++i) {
      addEntry(toneFile("entry" + std::to_string(i) + ".wav", kToneSeconds));
    }
  }
};

// Counts the window's closed() signals.
struct CloseCounter {
  explicit CloseCounter(TForm1& window) {
    QObject::connect(&window, &TForm1::closed, &context, [this] { ++count; });
  }
  QObject context;
  int count = 0;
};

QString entryName(int i) { return QStringLiteral("entry%1.wav").arg(i); }

void expectPlayingFromStart(Harness& h, int index, const char* what) {
  EXPECT_EQ(h.window().CurrentIndex, index) << what;
  EXPECT_EQ(h.track().State, PlayState::Playing) << what;
  EXPECT_EQ(h.activity(), audio::Activity::Playing) << what;
  EXPECT_EQ(h.position(), 0) << what;
}

TEST(SequencingEndOfTrack, AdvancesThroughTheListMovingSelectionAndCaption) {
  ListHarness h(3);
  h.click(0);
  for (int next = 1; next < 3; ++next) {
    ASSERT_TRUE(h.playOutAndTick());
    expectPlayingFromStart(h, next, "after the natural end");
    EXPECT_EQ(h.selection(), next);
    EXPECT_EQ(h.window().windowTitle(), entryName(next));
    EXPECT_EQ(h.window().CurrentFile, h.window().PlaylistEntry(next));
  }
}

TEST(SequencingEndOfTrack, StopsAfterTheLastEntryWithNoRuleChecked) {
  ListHarness h(2);
  h.click(1);
  ASSERT_TRUE(h.playOutAndTick());
  for (int i = 0; i < 5; ++i) EXPECT_NO_THROW(h.tick());
  EXPECT_EQ(h.window().CurrentIndex, 1);
  EXPECT_EQ(h.activity(), audio::Activity::Stopped);
  // The finished track still counts as playing, so the play button starts nothing...
  h.window().BitBtn2Click();
  EXPECT_EQ(h.activity(), audio::Activity::Stopped);
  // ...while previous starts playback again.
  h.window().sBitBtn3Click();
  expectPlayingFromStart(h, 0, "previous after the end of the list");
}

TEST(SequencingEndOfTrack, RepeatStartsTheListAgain) {
  ListHarness h(3);
  h.ui().CheckBox1->setChecked(true);
  h.click(2);
  ASSERT_TRUE(h.playOutAndTick());
  expectPlayingFromStart(h, 0, "repeat");
  EXPECT_EQ(h.selection(), 0);
  EXPECT_EQ(h.window().windowTitle(), entryName(0));
}

TEST(SequencingEndOfTrack, ARuleCheckedAfterTheEndTakesEffectOnTheNextTick) {
  ListHarness h(2);
  h.click(1);
  ASSERT_TRUE(h.playOutAndTick());
  h.ui().CheckBox1->setChecked(true);
  h.tick();
  expectPlayingFromStart(h, 0, "repeat checked late");
}

TEST(SequencingEndOfTrack, RandomNeverDrawsTheLastEntry) {
  // The generator is reseeded from the clock, so only what holds for every seed is checked.
  struct Case {
    int entries;
    int highestDrawn;
  };
  for (const Case c : {Case{1, 0}, Case{2, 0}, Case{4, 2}}) {
    ListHarness h(c.entries);
    h.ui().sCheckBox6->setChecked(true);
    for (int round = 0; round < 12; ++round) {
      h.window().CurrentIndex = c.entries - 1;
      h.window().PlayRandomEntry();
      EXPECT_GE(h.window().CurrentIndex, 0) << c.entries;
      EXPECT_LE(h.window().CurrentIndex, c.highestDrawn) << c.entries;
      EXPECT_EQ(h.window().CurrentFile, h.window().PlaylistEntry(h.window().CurrentIndex));
      EXPECT_EQ(h.activity(), audio::Activity::Playing);
    }
  }
}

TEST(SequencingEndOfTrack, RandomWithOneEntryReplaysItEndlessly) {
  ListHarness h(1);
  h.ui().sCheckBox6->setChecked(true);
  h.click(0);
  for (int round = 0; round < 3; ++round) {
    ASSERT_TRUE(h.playOutAndTick());
    expectPlayingFromStart(h, 0, "random over one entry");
  }
}

TEST(SequencingEndOfTrack, RepeatAndRandomTogetherEndOnTheRandomEntry) {
  ListHarness h(2);
  h.ui().CheckBox1->setChecked(true);
  h.ui().sCheckBox6->setChecked(true);
  h.click(1);
  ASSERT_TRUE(h.playOutAndTick());
  expectPlayingFromStart(h, 0, "repeat then random");
  // Random leaves the selection and caption where repeat put them.
  EXPECT_EQ(h.selection(), 0);
  EXPECT_EQ(h.window().windowTitle(), entryName(0));
}

TEST(SequencingEndOfTrack, ExitClosesTheWindowAndTheOtherRulesStillRun) {
  ListHarness h(2);
  CloseCounter closed(h.window());
  h.ui().sCheckBox5->setChecked(true);
  h.ui().CheckBox1->setChecked(true);
  h.click(0);
  ASSERT_TRUE(h.playOutAndTick());
  EXPECT_EQ(closed.count, 0) << "not at the last entry yet";
  ASSERT_TRUE(h.playOutAndTick());
  EXPECT_EQ(closed.count, 1);
  expectPlayingFromStart(h, 0, "repeat in the closing tick");

  h.window().FormDestroy();
  const QByteArray saved = h.folder.read(QStringLiteral("PLIST.LST"));
  EXPECT_TRUE(saved.contains("FileCount=2")) << saved.toStdString();
}

TEST(SequencingEndOfTrack, ExitKeepsTheWindowOpenWhenTheCurrentEntryWasDeleted) {
  ListHarness h(3);
  CloseCounter closed(h.window());
  h.ui().sCheckBox5->setChecked(true);
  h.click(2);
  delete h.ui().ListBox1->takeItem(0);
  ASSERT_TRUE(h.playOutAndTick());
  EXPECT_EQ(closed.count, 0);
  EXPECT_EQ(h.window().CurrentIndex, 2);
}

TEST(SequencingEndOfTrack, StopIsNotAnEnd) {
  ListHarness h(2);
  h.click(0);
  h.render(256);
  h.window().BitBtn4Click();
  for (int i = 0; i < 3; ++i) h.tick();
  EXPECT_EQ(h.window().CurrentIndex, 0);
  EXPECT_EQ(h.track().State, PlayState::Stopped);
}

TEST(SequencingEndOfTrack, AnUndecodableEntryIsSkipped) {
  ListHarness h(1);
  h.addEntry(h.folder.write(QStringLiteral("noise.mp3"), QByteArray(4096, 'x')));
  h.addEntry(toneFile("after.wav", kToneSeconds));
  h.click(0);
  ASSERT_TRUE(h.playOutAndTick());
  EXPECT_EQ(h.window().CurrentIndex, 1);
  EXPECT_EQ(h.stream(), 0u);
  h.tick();
  expectPlayingFromStart(h, 2, "the entry after the broken one");
}

TEST(SequencingEndOfTrack, FillingAnEmptyListStartsAndClosesNothing) {
  Harness h;
  CloseCounter closed(h.window());
  h.ui().sCheckBox5->setChecked(true);
  h.addEntry(toneFile("first.wav", kToneSeconds));
  h.tick();
  h.addEntry(toneFile("second.wav", kToneSeconds));
  h.tick();
  EXPECT_EQ(closed.count, 0);
  EXPECT_EQ(h.window().CurrentIndex, 0);
  EXPECT_EQ(h.stream(), 0u);
}

}  // namespace
