// The entry sequence between real processes: who becomes the running player, what a second
// start hands over, and how the player ends on a signal. The players show their window with
// its OpenGL panel, so they run on the X server.

#include <gtest/gtest.h>
#include <signal.h>

#include <QDir>
#include <QFileInfo>
#include <QStringList>
#include <algorithm>

#include "app/SingleInstance.h"
#include "playlist/PlaylistFile.h"
#include "settings/ByteText.h"
#include "settings/IniFile.h"
#include "tests/app/EntryPlayerProcess.h"
#include "tests/settings/ReadOnlyFile.h"

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

// The files a second start names, in a folder of their own that is its working folder.
class MusicFolder {
 public:
  MusicFolder() {
    for (const char* name : {"a.wav", "b.wav", "Новая песня.wav", "-x.wav", "sub/c.wav", "album/10 x.wav",
                             "album/2 x.wav", "album/disc/1.wav", "album/cover.jpg", "album/.hidden.wav"}) {
      folder_.write(QString::fromUtf8(name), "not played");
    }
    folder_.write(QStringLiteral("list.m3u"),
                  "#EXTM3U\nb.wav\nhttp://example.org/stream.mp3\nfile://" +
                      QFile::encodeName(folder_.path()).toPercentEncoding("/") + "/a.wav\n");
    folder_.write(QStringLiteral("sub/list.pls"), "[playlist]\nFile2=../a.wav\nFile1=c.wav\nNumberOfEntries=2\n");
  }
  QString path() const { return folder_.path(); }
  QByteArray file(const char* name) const { return QFile::encodeName(folder_.file(QString::fromUtf8(name))); }

 private:
  TempFolder folder_;
};

struct HandOffCase {
  const char* name;
  QStringList arguments;
  std::vector<const char*> playlist;  // names inside the music folder
};

class EntryHandOff : public EntryProcess, public testing::WithParamInterface<HandOffCase> {};

TEST_P(EntryHandOff, SecondStartHandsEveryPathToTheRunningPlayer) {
  const MusicFolder music;
  PlayerFolder folder;
  QProcess& first = start(folder);
  ASSERT_TRUE(waitUntilListening(first, runtime_.socketPath()));

  EXPECT_TRUE(secondStartEndsQuietly(runtime_, GetParam().arguments, music.path()));
  EXPECT_EQ(first.state(), QProcess::Running);

  ASSERT_TRUE(endsCleanlyOn(first, SIGTERM));
  std::vector<QByteArray> expected;
  for (const char* name : GetParam().playlist) expected.push_back(music.file(name));
  EXPECT_EQ(savedPlaylist(folder), expected);
}

INSTANTIATE_TEST_SUITE_P(
    Arguments, EntryHandOff,
    testing::Values(HandOffCase{"NoArgument", {}, {}},
                    HandOffCase{"Path", {QStringLiteral("Новая песня.wav")}, {"Новая песня.wav"}},
                    HandOffCase{"EveryPathInOrder", {QStringLiteral("b.wav"), QStringLiteral("a.wav")}, {"b.wav", "a.wav"}},
                    HandOffCase{"RelativePathMadeAbsolute", {QStringLiteral("sub/./c.wav")}, {"sub/c.wav"}},
                    HandOffCase{"FolderInNaturalOrder", {QStringLiteral("album")},
                                {"album/2 x.wav", "album/10 x.wav", "album/disc/1.wav"}},
                    HandOffCase{"PlaylistsListLocalFiles", {QStringLiteral("list.m3u"), QStringLiteral("sub/list.pls")},
                                {"b.wav", "a.wav", "sub/c.wav", "sub/../a.wav"}},
                    HandOffCase{"UnreadablePathLeftOut", {QStringLiteral("missing.wav"), QStringLiteral("a.wav")}, {"a.wav"}},
                    HandOffCase{"DoubleDashEndsTheOptions", {QStringLiteral("--"), QStringLiteral("-x.wav")}, {"-x.wav"}}),
    [](const testing::TestParamInfo<HandOffCase>& info) { return std::string(info.param.name); });

// Started together while no player runs, one start becomes the player and the others hand
// their files to it, which listens before its window is built: no file is lost. The race is
// run a few times; each round starts a player.
TEST_F(EntryProcess, StartsMadeTogetherAllGetTheirFileIntoTheList) {
  constexpr int kRounds = 3;
  const MusicFolder music;
  const std::vector<const char*> names = {"a.wav", "b.wav", "sub/c.wav"};
  std::vector<QByteArray> expected;
  for (const char* name : names) expected.push_back(music.file(name));
  std::sort(expected.begin(), expected.end());
  for (int round = 0; round < kRounds; ++round) {
    PlayerFolder folder;
    std::vector<std::unique_ptr<QProcess>> starts;
    for (const char* name : names) {
      starts.push_back(startPlayer(folder, runtime_, {QString::fromUtf8(name)}, testPlatform(), music.path()));
    }
    // Two of them end once the third, which runs the player, has taken their files.
    const auto ended = [&] {
      return std::count_if(starts.begin(), starts.end(),
                           [](const auto& process) { return process->state() == QProcess::NotRunning; });
    };
    for (const QDeadlineTimer bound(kBound); ended() < 2 && !bound.hasExpired();) {
      for (auto& process : starts) process->waitForFinished(10);
    }
    QProcess* player = nullptr;
    for (auto& process : starts) {
      if (process->state() != QProcess::NotRunning) {
        player = process.get();
      } else {
        EXPECT_EQ(process->exitCode(), 0) << "round " << round;
      }
    }
    ASSERT_EQ(ended(), 2) << "round " << round;
    ASSERT_TRUE(endsCleanlyOn(*player, SIGTERM)) << "round " << round;
    std::vector<QByteArray> saved = savedPlaylist(folder);
    std::sort(saved.begin(), saved.end());
    ASSERT_EQ(saved, expected) << "round " << round;
  }
}

// Whether another process holds the lock, asked without taking it for this process.
bool heldByAnotherProcess(const QString& path) {
  QProcess probe;
  probe.start(QStringLiteral("flock"), {QStringLiteral("--nonblock"), path, QStringLiteral("true")});
  probe.waitForFinished();
  return probe.exitCode() != 0;
}

// A player that is ending holds the lock but no longer listens: a start made meanwhile waits
// until the lock is free and runs the player itself, with its file.
TEST_F(EntryProcess, StartMeetingAnEndingPlayerRunsThePlayerOnceTheLockIsFree) {
  const MusicFolder music;
  QProcess ending;
  // --no-fork: the lock stays with the one process that is killed below.
  ending.start(QStringLiteral("flock"), {QStringLiteral("--no-fork"), runtime_.lockPath(), QStringLiteral("sleep"),
                                         QStringLiteral("60")});
  ASSERT_TRUE(ending.waitForStarted());
  for (const QDeadlineTimer bound(kBound); !heldByAnotherProcess(runtime_.lockPath());) {
    ASSERT_FALSE(bound.hasExpired()) << "flock did not take the lock";
    ending.waitForFinished(10);
  }
  PlayerFolder folder;
  QProcess& next = start(folder, {QString::fromUtf8(music.file("a.wav"))});
  // Time for the start to find the lock taken and no one listening; without the wait for the
  // lock it would have ended by now, its file given to nobody.
  next.waitForFinished(500);
  ending.kill();
  ASSERT_TRUE(ending.waitForFinished());

  ASSERT_TRUE(waitUntilListening(next, runtime_.socketPath())) << "the start did not run the player";
  ASSERT_TRUE(endsCleanlyOn(next, SIGTERM));
  EXPECT_EQ(savedPlaylist(folder), std::vector<QByteArray>{music.file("a.wav")});
}

TEST_F(EntryProcess, KilledPlayerDoesNotKeepTheNextFromRunning) {
  PlayerFolder crashedFolder;
  QProcess& crashed = start(crashedFolder);
  ASSERT_TRUE(waitUntilListening(crashed, runtime_.socketPath()));
  crashed.kill();
  ASSERT_TRUE(crashed.waitForFinished());
  ASSERT_TRUE(QFileInfo::exists(runtime_.socketPath())) << "a killed player leaves its socket file";

  const MusicFolder music;
  PlayerFolder folder;
  QProcess& next = start(folder);
  ASSERT_TRUE(waitUntilListening(next, runtime_.socketPath())) << "the next start must run the player";
  EXPECT_TRUE(secondStartEndsQuietly(runtime_, {QStringLiteral("b.wav")}, music.path()));
  ASSERT_TRUE(endsCleanlyOn(next, SIGTERM));
  EXPECT_EQ(savedPlaylist(folder), std::vector<QByteArray>{music.file("b.wav")});
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
// So it is with paths of which none can be added.
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
                    OptionCase{"ShortHelp", {QStringLiteral("-h")}, 0, "Usage: tembr", ""},
                    OptionCase{"MissingFile", {QStringLiteral("missing.mp3")}, 1, "",
                               "tembr: cannot open 'missing.mp3': No such file or directory"},
                    OptionCase{"OptionAfterTheDoubleDashIsAFile", {QStringLiteral("--"), QStringLiteral("-x")}, 1, "",
                               "tembr: cannot open '-x': No such file or directory"},
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

// At a logout nobody may be at the screen: a save that fails is reported on standard error
// instead of in a box that would hold the process, and the files on disk stay as they were.
TEST_P(EntryShutdown, AFailedSaveIsReportedOnStandardErrorAndTheProcessEnds) {
  PlayerFolder folder;
  const QByteArray saved = "[PList_1]\nFileCount=0\n";
  const ReadOnlyFile playlist(folder.folder(), QStringLiteral("PLIST.LST"), saved);
  if (!playlist.made()) GTEST_SKIP() << "the file system cannot make a file read-only for this user";
  QProcess player;
  player.setProcessEnvironment(playerEnvironment(runtime_, testPlatform()));
  player.setWorkingDirectory(folder.path());
  player.start(folder.executable(), {});
  ASSERT_TRUE(player.waitForStarted());
  ASSERT_TRUE(waitUntilListening(player, runtime_.socketPath()));
  ::kill(static_cast<pid_t>(player.processId()), GetParam());
  const bool ended = player.waitForFinished(static_cast<int>(kBound.count()));
  if (!ended) player.kill();
  ASSERT_TRUE(ended) << "the player did not end";
  EXPECT_EQ(player.exitStatus(), QProcess::NormalExit);
  EXPECT_EQ(player.exitCode(), 1);
  const QString errorOutput = QString::fromUtf8(player.readAllStandardError());
  EXPECT_TRUE(errorOutput.contains(QStringLiteral("tembr: Unable to write to ") + playlist.path()))
      << errorOutput.toStdString();
  EXPECT_EQ(folder.folder().read(QStringLiteral("PLIST.LST")), saved);
}

INSTANTIATE_TEST_SUITE_P(Signals, EntryShutdown, testing::Values(SIGTERM, SIGINT, SIGHUP));


}  // namespace
