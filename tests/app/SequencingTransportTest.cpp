// The transport buttons and clicks on the playlist, played through on the manually clocked
// output, and the list-index error where an operation names no entry.

#include <gtest/gtest.h>

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>

#include "app/ErrorBox.h"
#include "tests/app/PlaybackHarness.h"
#include "ui_TForm1.h"

namespace {

using playback::Harness;
using playback::toneFile;

constexpr double kToneSeconds = 0.5;
constexpr int kSomeFrames = 4096;

struct ListHarness : Harness {
  explicit ListHarness(int n) {
    for (int i = 0; i < n; ++i) {
      addEntry(toneFile("transport" + std::to_string(i) + ".wav", kToneSeconds));
    }
  }
};

TEST(SequencingTransport, PauseHoldsThePositionAndPlayResumesThere) {
  ListHarness h(1);
  h.click(0);
  h.render(kSomeFrames);
  h.window().BitBtn3Click();
  const int64_t paused = h.position();
  EXPECT_GT(paused, 0);
  h.render(kSomeFrames);
  h.tick();
  EXPECT_EQ(h.position(), paused);
  EXPECT_EQ(h.activity(), audio::Activity::Paused);

  h.window().BitBtn4Click();  // Stop acts only on a playing track.
  EXPECT_EQ(h.track().State, PlayState::Paused);
  EXPECT_EQ(h.position(), paused);

  h.window().BitBtn2Click();
  EXPECT_EQ(h.position(), paused);
  h.render(kSomeFrames);
  EXPECT_GT(h.position(), paused);
}

TEST(SequencingTransport, StopRewindsAndPlayStartsFromTheBeginning) {
  ListHarness h(1);
  h.click(0);
  h.render(kSomeFrames);
  h.window().BitBtn4Click();
  EXPECT_EQ(h.position(), 0);
  EXPECT_EQ(h.activity(), audio::Activity::Stopped);
  h.window().BitBtn2Click();
  EXPECT_EQ(h.activity(), audio::Activity::Playing);
  EXPECT_EQ(h.position(), 0);
}

TEST(SequencingTransport, NextAndPreviousMoveTheIndexButNotTheSelection) {
  ListHarness h(3);
  h.click(1);
  struct Step {
    void (TForm1::*press)();
    int index;
  };
  for (const Step step : {Step{&TForm1::sBitBtn2Click, 2}, Step{&TForm1::sBitBtn2Click, 2},
                          Step{&TForm1::sBitBtn3Click, 1}, Step{&TForm1::sBitBtn3Click, 0},
                          Step{&TForm1::sBitBtn3Click, 0}}) {
    h.render(kSomeFrames);
    (h.window().*step.press)();
    EXPECT_EQ(h.window().CurrentIndex, step.index);
    EXPECT_EQ(h.selection(), 1);
    EXPECT_EQ(h.window().windowTitle(), QStringLiteral("transport%1.wav").arg(step.index));
    // At either end the same entry starts again from its beginning.
    EXPECT_EQ(h.position(), 0);
    EXPECT_EQ(h.activity(), audio::Activity::Playing);
  }
}

TEST(SequencingTransport, ClickingAnEntryPlaysItWithItsNameAsCaption) {
  ListHarness h(2);
  h.click(1);
  EXPECT_EQ(h.window().CurrentIndex, 1);
  EXPECT_EQ(h.window().windowTitle(), QStringLiteral("transport1.wav"));
  EXPECT_EQ(h.activity(), audio::Activity::Playing);
}

TEST(SequencingTransport, AnEmptyEntryOnlyStopsTheTrack) {
  ListHarness h(1);
  h.addEntry(QString());
  h.click(0);
  h.render(kSomeFrames);
  h.click(1);
  EXPECT_EQ(h.track().State, PlayState::Stopped);
  EXPECT_EQ(h.window().windowTitle(), QStringLiteral("transport0.wav"));
}

TEST(SequencingTransport, PlayWithNothingOpenedStartsNothing) {
  Harness h;
  h.window().setWindowTitle(QStringLiteral("before"));
  h.window().BitBtn2Click();
  EXPECT_EQ(h.stream(), 0u);
  EXPECT_EQ(h.window().windowTitle(), QString());
}

TEST(SequencingTransport, AMissingFileReplaysThePreviousStreamUnderTheNewName) {
  ListHarness h(1);
  h.addEntry(h.folder.file(QStringLiteral("gone.wav")));
  h.click(0);
  const audio::StreamHandle first = h.stream();
  h.render(kSomeFrames);
  h.window().sBitBtn2Click();
  EXPECT_EQ(h.stream(), first);
  EXPECT_EQ(h.position(), 0);
  EXPECT_EQ(h.activity(), audio::Activity::Playing);
  EXPECT_EQ(h.window().windowTitle(), QStringLiteral("gone.wav"));
}

// Runs `operation` and returns the text of the error it raises, or "" when it raises none.
template <typename F>
std::string errorOf(F&& operation) {
  try {
    operation();
  } catch (const HandlerError& error) {
    return error.what();
  }
  return {};
}

TEST(SequencingTransport, OperationsNamingNoEntryRaiseTheListIndexError) {
  {
    Harness empty;
    EXPECT_EQ(errorOf([&] { empty.window().sBitBtn2Click(); }), "List index out of bounds (0)");
    EXPECT_EQ(errorOf([&] { empty.window().sBitBtn3Click(); }), "List index out of bounds (0)");
  }
  ListHarness h(3);
  h.click(2);
  h.render(kSomeFrames);
  const int64_t playing = h.position();
  h.window().CurrentIndex = 6;  // as if entries had been deleted
  EXPECT_EQ(errorOf([&] { h.window().sBitBtn3Click(); }), "List index out of bounds (5)");
  EXPECT_EQ(errorOf([&] { h.window().sBitBtn3Click(); }), "List index out of bounds (4)");
  EXPECT_EQ(errorOf([&] { h.window().sBitBtn2Click(); }), "List index out of bounds (4)");
  // The failing read comes first, so the track plays on untouched.
  EXPECT_EQ(h.position(), playing);
  EXPECT_EQ(h.activity(), audio::Activity::Playing);

  h.ui().ListBox1->setCurrentRow(-1);
  EXPECT_EQ(errorOf([&] { h.window().ListBox1Click(); }), "List index out of bounds (-1)");
  EXPECT_EQ(h.window().CurrentIndex, -1);
  EXPECT_EQ(h.track().State, PlayState::Stopped) << "the click stops before it reads";
}

TEST(SequencingTransport, TheNextButtonShowsTheErrorBoxAndTheProgramGoesOn) {
  Harness h;
  QString shown;
  QTimer closer;
  QObject::connect(&closer, &QTimer::timeout, [&] {
    for (QWidget* widget : QApplication::topLevelWidgets()) {
      auto* box = qobject_cast<QMessageBox*>(widget);
      if (box == nullptr || box->objectName() != QStringLiteral("ErrorBox") || !box->isVisible()) {
        continue;
      }
      shown = box->text();
      box->button(QMessageBox::Ok)->click();
    }
  });
  closer.start(10);
  h.ui().sBitBtn2->click();
  closer.stop();
  EXPECT_EQ(shown, QStringLiteral("List index out of bounds (0)"));
  EXPECT_EQ(h.window().CurrentIndex, 0);
}

}  // namespace
