// The entry sequence between real processes: who becomes the running player, what a second
// start hands over, and how the player ends on a signal. The players show their window with
// its OpenGL panel, so they run on the X server.

#include <gtest/gtest.h>
#include <signal.h>

#include <QDir>
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

// Runs a second start from a folder of its own (or in `workingDirectory`); true when it
// ended by itself with code 0 without leaving any file beside its executable.
::testing::AssertionResult secondStartEndsQuietly(const RuntimeFolder& runtime, const QStringList& arguments,
                                                  const QString& workingDirectory = {}) {
  PlayerFolder folder;
  auto second = startPlayer(folder, runtime, arguments, testPlatform(), workingDirectory);
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
  const char* workingDirectory = "";  // of the second start; empty: its own folder
};

class EntryHandOff : public EntryProcess, public testing::WithParamInterface<HandOffCase> {};

TEST_P(EntryHandOff, SecondStartHandsItsFirstArgumentToTheRunningPlayer) {
  PlayerFolder folder;
  QProcess& first = start(folder);
  ASSERT_TRUE(waitUntilListening(first, runtime_.socketPath()));

  EXPECT_TRUE(secondStartEndsQuietly(runtime_, GetParam().arguments, QString::fromUtf8(GetParam().workingDirectory)));
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
                                {"/music/one.ogg"}},
                    HandOffCase{"RelativePathMadeAbsolute", {QStringLiteral("share/./Песня.mp3")},
                                {"/usr/share/Песня.mp3"}, "/usr"}),
    [](const testing::TestParamInfo<HandOffCase>& info) { return std::string(info.param.name); });

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

struct OptionCase {
  const char* name;
  QStringList arguments;
  int exitCode;
  const char* output;       // what standard output starts with; empty: nothing
  const char* errorOutput;  // what the one line on standard error contains; empty: nothing
};

class EntryOption : public EntryProcess, public testing::WithParamInterface<OptionCase> {};

// The answer comes before the single-instance lock: nothing starts, nothing is handed over
// to the running player, and neither the runtime folder nor the program's folder gets a file.
TEST_P(EntryOption, AnswersWithoutStartingHandingOverOrWriting) {
  PlayerFolder runningFolder;
  QProcess& running = start(runningFolder);
  ASSERT_TRUE(waitUntilListening(running, runtime_.socketPath()));
  const QStringList runtimeFiles = QDir(runtime_.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot);

  PlayerFolder folder;
  QProcess answer;
  answer.setProcessEnvironment(playerEnvironment(runtime_, testPlatform()));
  answer.setWorkingDirectory(folder.path());
  answer.start(folder.executable(), GetParam().arguments);
  ASSERT_TRUE(answer.waitForFinished(static_cast<int>(kBound.count())));
  EXPECT_EQ(answer.exitStatus(), QProcess::NormalExit);
  EXPECT_EQ(answer.exitCode(), GetParam().exitCode);
  const QString output = QString::fromUtf8(answer.readAllStandardOutput());
  const QString errorOutput = QString::fromUtf8(answer.readAllStandardError());
  if (*GetParam().output == '\0') {
    EXPECT_TRUE(output.isEmpty()) << output.toStdString();
  } else {
    EXPECT_TRUE(output.startsWith(QString::fromUtf8(GetParam().output))) << output.toStdString();
  }
  if (*GetParam().errorOutput == '\0') {
    EXPECT_TRUE(errorOutput.isEmpty()) << errorOutput.toStdString();
  } else {
    EXPECT_TRUE(errorOutput.contains(QString::fromUtf8(GetParam().errorOutput))) << errorOutput.toStdString();
    EXPECT_EQ(errorOutput.count(QLatin1Char('\n')), 1) << errorOutput.toStdString();
  }
  EXPECT_TRUE(folder.otherFiles().isEmpty()) << folder.otherFiles().join(' ').toStdString();
  EXPECT_EQ(QDir(runtime_.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot), runtimeFiles);

  ASSERT_TRUE(endsCleanlyOn(running, SIGTERM));
  EXPECT_TRUE(savedPlaylist(runningFolder).empty()) << "an option was handed over";
}

INSTANTIATE_TEST_SUITE_P(
    Options, EntryOption,
    testing::Values(OptionCase{"Help", {QStringLiteral("--help")}, 0, "Usage: tembr", ""},
                    OptionCase{"Version", {QStringLiteral("--version")}, 0, "tembr ", ""},
                    OptionCase{"UnknownShort", {QStringLiteral("-x")}, 2, "", "'-x'"},
                    OptionCase{"LoneDash", {QStringLiteral("-")}, 2, "", "Usage: tembr"},
                    OptionCase{"UnknownAfterAPath", {QStringLiteral("/music/a.mp3"), QStringLiteral("--nope")}, 2,
                               "", "'--nope'"}),
    [](const testing::TestParamInfo<OptionCase>& info) { return std::string(info.param.name); });

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
