// The window's start and end as the entry sequence runs them: FormCreate, the autoplay tick,
// FormDestroy, with a fresh data folder. The window is shown, so this runs on the X server,
// where its OpenGL panel has a context.

#include <gtest/gtest.h>

#include "tests/support/EventLoopWait.h"

#include <QApplication>
#include <QDeadlineTimer>
#include <QFileInfo>
#include <memory>

#include "app/TForm1.h"
#include "audio/TETrack.h"
#include "playlist/Random.h"
#include "tests/app/BoxWatcher.h"
#include "tests/app/StartedWindow.h"
#include "tests/support/TestFiles.h"

using namespace std::chrono_literals;

namespace {

class Lifecycle : public testing::Test {
 protected:
  void SetUp() override {
    // The program starts from seed 0; tests in one process share the generator.
    SetRandomSeed(0);
    form_ = std::make_unique<TForm1>(data_.path());
  }

  TempFolder data_;
  BoxWatcher boxes_;
  std::unique_ptr<TForm1> form_;
};

TEST_F(Lifecycle, StartDrawsTheSameStemColourAndThenReseeds) {
  for (int i = 0; i < 3; ++i) RandomBelow(100);
  const uint32_t seedAfterColour = RandomSeed();
  SetRandomSeed(0);

  form_->guarded([&] { form_->FormCreate(); });
  EXPECT_EQ(visualisationOf(*form_).spectrum().StemColour, (std::array<float, 3>{0.00f, 0.03f, 0.86f}));
  // Later draws (the random list order) must differ between runs.
  EXPECT_NE(RandomSeed(), seedAfterColour);
}

TEST_F(Lifecycle, WindowStaysOnTopAndAcceptsKeysAndDrops) {
  form_->guarded([&] { form_->FormCreate(); });
  form_->show();
  EXPECT_TRUE(form_->windowFlags().testFlag(Qt::WindowStaysOnTopHint));
  EXPECT_TRUE(form_->acceptDrops());
  EXPECT_NE(playerOf(*form_).Track(), nullptr);
}

TEST_F(Lifecycle, FirstStartWithoutPlaylistPlaysNothingAndShowsNoError) {
  form_->guarded([&] { form_->FormCreate(); });
  form_->show();
  ASSERT_TRUE(spinUntil([&] { return !timerOf(*form_, "Timer4").isActive(); })) << "the autoplay tick never came";
  QCoreApplication::processEvents();
  EXPECT_TRUE(boxes_.texts().isEmpty()) << boxes_.texts().join('|').toStdString();
  const Player& player = playerOf(*form_);
  ASSERT_NE(player.Track(), nullptr);
  EXPECT_EQ(player.Track()->State, PlayState::Stopped);
  EXPECT_EQ(player.Track()->Stream, 0u);
  EXPECT_EQ(player.CurrentIndex(), 0);
  EXPECT_TRUE(player.CurrentFile().isEmpty());
  EXPECT_FALSE(QFileInfo::exists(data_.file(QStringLiteral("PLIST.LST")))) << "opening creates no file";
}

TEST_F(Lifecycle, ShutdownFreesTheTrackAndSavesBothFilesOnce) {
  form_->guarded([&] { form_->FormCreate(); });
  form_->show();
  form_->guarded([&] { form_->FormDestroy(); });
  EXPECT_EQ(playerOf(*form_).Track(), nullptr);
  EXPECT_FALSE(form_->acceptDrops());
  EXPECT_TRUE(QFileInfo::exists(data_.file(QStringLiteral("PLIST.LST"))));
  EXPECT_TRUE(QFileInfo::exists(data_.file(QStringLiteral("Config.ini"))));
  EXPECT_TRUE(boxes_.texts().isEmpty()) << boxes_.texts().join('|').toStdString();

  // Destroying the window afterwards does not run the shutdown steps again.
  QFile::remove(data_.file(QStringLiteral("PLIST.LST")));
  QFile::remove(data_.file(QStringLiteral("Config.ini")));
  form_.reset();
  EXPECT_FALSE(QFileInfo::exists(data_.file(QStringLiteral("PLIST.LST"))));
  EXPECT_FALSE(QFileInfo::exists(data_.file(QStringLiteral("Config.ini"))));
}

}  // namespace
