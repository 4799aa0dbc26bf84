// The entry sequence between real processes: who becomes the running player, what a second
// start hands over, and how the player ends on a signal. The players show their window with
// its OpenGL panel, so they run on the X server.

#include <gtest/gtest.h>
#include <signal.h>

#include <QFileInfo>
#include <QStringList>

#include "app/SingleInstance.h"
#include "playlist/PlaylistFile.h"
#include "settings/ByteText.h"
#include "settings/IniFile.h"
#include "tests/app/EntryPlayerProcess.h"

using namespace entrytest;

namespace {

// The playlist a player left behind, as raw bytes per entry.
std::vector<QByteArray> savedPlaylist(const PlayerFolder& folder) {
  IniFile ini(folder.file(QStringLiteral("PLIST.LST")));
  std::vector<QByteArray> entries;
  for (const QString& entry : PlaylistFile(ini).load()) entries.push_back(bytesFromText(entry));
  return entries;
}

// Runs a second start from a folder of its own; true when it ended by itself with code 0
// without leaving any file beside its executable.
::testing::AssertionResult secondStartEndsQuietly(const RuntimeFolder& runtime, const QStringList& arguments) {
  PlayerFolder folder;
  auto second = startPlayer(folder, runtime, arguments);
  if (!second->waitForFinished(static_cast<int>(kBound.count()))) {
    second->kill();
    second->waitForFinished();
    return ::testing::AssertionFailure() << "the second start did not end";
  }
  if (second->exitStatus() != QProcess::NormalExit || second->exitCode() != 0) {
    return ::testing::AssertionFailure() << "the second start ended with " << second->exitCode();
  }
  if (!folder.otherFiles().isEmpty()) {
    return ::testing::AssertionFailure() << "the second start wrote " << folder.otherFiles().join(' ').toStdString();
  }
  return ::testing::AssertionSuccess();
}

class EntryProcess : public testing::Test {
 protected:
  void TearDown() override {
    for (auto& player : players_) {
      if (player->state() == QProcess::NotRunning) continue;
      player->kill();
      player->waitForFinished();
    }
  }

  QProcess& start(const PlayerFolder& folder, const QStringList& arguments = {}) {
    players_.push_back(startPlayer(folder, runtime_, arguments));
    return *players_.back();
  }

  RuntimeFolder runtime_;
  std::vector<std::unique_ptr<QProcess>> players_;
};

struct HandOffCase {
  const char* name;
  QStringList arguments;
  std::vector<QByteArray> playlist;
};

class EntryHandOff : public EntryProcess, public testing::WithParamInterface<HandOffCase> {};

TEST_P(EntryHandOff, SecondStartHandsItsFirstArgumentToTheRunningPlayer) {
  PlayerFolder folder;
  QProcess& first = start(folder);
  ASSERT_TRUE(waitUntilListening(first, runtime_.socketPath()));

  EXPECT_TRUE(secondStartEndsQuietly(runtime_, GetParam().arguments));
  EXPECT_EQ(first.state(), QProcess::Running);

  ASSERT_TRUE(endsCleanlyOn(first, SIGTERM));
  EXPECT_EQ(savedPlaylist(folder), GetParam().playlist);
}

INSTANTIATE_TEST_SUITE_P(
    Arguments, EntryHandOff,
    testing::Values(HandOffCase{"NoArgument", {}, {}},
                    HandOffCase{"Path", {QStringLiteral("/music/Новая песня.mp3")}, {"/music/Новая песня.mp3"}},
                    HandOffCase{"OnlyTheFirstArgument",
                                {QStringLiteral("/music/one.ogg"), QStringLiteral("/music/two.ogg")},
                                {"/music/one.ogg"}}),
    [](const testing::TestParamInfo<HandOffCase>& info) { return std::string(info.param.name); });

TEST_F(EntryProcess, FirstStartIgnoresItsOwnArgument) {
  PlayerFolder folder;
  QProcess& first = start(folder, {QStringLiteral("/music/ignored.mp3")});
  ASSERT_TRUE(waitUntilListening(first, runtime_.socketPath()));
  ASSERT_TRUE(endsCleanlyOn(first, SIGTERM));
  EXPECT_TRUE(savedPlaylist(folder).empty());
}

TEST_F(EntryProcess, SecondStartWithoutListenerEndsAllTheSame) {
  // The lock is taken here, and no one listens on the socket.
  ASSERT_EQ(acquireSingleInstanceLock(runtime_.lockPath()), LockState::Held);
  EXPECT_TRUE(secondStartEndsQuietly(runtime_, {QStringLiteral("/music/a.mp3")}));
  EXPECT_TRUE(secondStartEndsQuietly(runtime_, {}));
  EXPECT_FALSE(QFileInfo::exists(runtime_.socketPath()));
}

TEST_F(EntryProcess, KilledPlayerDoesNotKeepTheNextFromRunning) {
  PlayerFolder crashedFolder;
  QProcess& crashed = start(crashedFolder);
  ASSERT_TRUE(waitUntilListening(crashed, runtime_.socketPath()));
  crashed.kill();
  ASSERT_TRUE(crashed.waitForFinished());
  ASSERT_TRUE(QFileInfo::exists(runtime_.socketPath())) << "a killed player leaves its socket file";

  PlayerFolder folder;
  QProcess& next = start(folder);
  ASSERT_TRUE(waitUntilListening(next, runtime_.socketPath())) << "the next start must run the player";
  EXPECT_TRUE(secondStartEndsQuietly(runtime_, {QStringLiteral("/music/after.flac")}));
  ASSERT_TRUE(endsCleanlyOn(next, SIGTERM));
  EXPECT_EQ(savedPlaylist(folder), std::vector<QByteArray>{"/music/after.flac"});
}

class EntryShutdown : public EntryProcess, public testing::WithParamInterface<int> {};

TEST_P(EntryShutdown, SignalClosesTheWindowAndTheFilesAreSaved) {
  PlayerFolder folder;
  QProcess& player = start(folder);
  ASSERT_TRUE(waitUntilListening(player, runtime_.socketPath()));
  ASSERT_TRUE(endsCleanlyOn(player, GetParam()));
  EXPECT_TRUE(QFileInfo::exists(folder.file(QStringLiteral("PLIST.LST"))));
  EXPECT_TRUE(QFileInfo::exists(folder.file(QStringLiteral("Config.ini"))));
}

INSTANTIATE_TEST_SUITE_P(Signals, EntryShutdown, testing::Values(SIGTERM, SIGINT, SIGHUP));

}  // namespace
