// A process killed with SIGKILL in the middle of saving never leaves a torn playlist: the
// file always holds one complete save. The test starts this executable again as a child that
// saves in a loop, kills it at a random moment, and checks what is on disk; a quarter or so of
// the kills leave a temporary file, which the next save removes.

#include <gtest/gtest.h>
#include <signal.h>

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRandomGenerator>
#include <QThread>

#include "playlist/PlaylistFile.h"
#include "settings/IniFile.h"
#include "tests/support/TestFiles.h"

namespace {

const char kChildFileVariable[] = "TEMBR_PLAYLIST_CRASH_FILE";
constexpr int kTrials = 30;

// Save number `generation` holds a count and entries that name the generation, so any mix
// of two saves, or a cut one, is seen.
QStringList entriesOf(int generation) {
  QStringList entries;
  const int count = 150 + (generation % 7) * 61;
  for (int k = 0; k < count; ++k) {
    entries << QStringLiteral("/music/generation-%1/track-%2-padding-padding-padding.mp3").arg(generation).arg(k);
  }
  return entries;
}

// Run only as the child: saves one generation after another until killed.
TEST(PlaylistFileCrash, DISABLED_ChildSavesUntilKilled) {
  const QString path = qEnvironmentVariable(kChildFileVariable);
  ASSERT_FALSE(path.isEmpty());
  IniFile ini(path);
  for (int generation = 0;; ++generation) {
    PlaylistFile(ini).save(entriesOf(generation), QString::number(generation));
  }
}

// The generation of the save on disk, -1 before the first.
int savedGeneration(const QString& path) {
  bool ok = false;
  const int generation = IniFile(path).ReadString("Time", "Write time", {}).toInt(&ok);
  return ok ? generation : -1;
}

TEST(PlaylistFileCrash, AKilledSaveLeavesTheOldOrTheNewFileWhole) {
  QRandomGenerator random(7);
  for (int trial = 0; trial < kTrials; ++trial) {
    TempFolder folder;
    const QString path = folder.file("PLIST.LST");
    QProcess child;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(kChildFileVariable, path);
    child.setProcessEnvironment(environment);
    child.start(QCoreApplication::applicationFilePath(),
                {"--gtest_also_run_disabled_tests", "--gtest_filter=PlaylistFileCrash.DISABLED_*"});
    ASSERT_TRUE(child.waitForStarted());
    // Once a save has replaced an earlier one, the child is in its loop; the kill then lands
    // somewhere in a later save.
    while (savedGeneration(path) < 1 && child.state() == QProcess::Running) QThread::msleep(1);
    QThread::usleep(random.bounded(30000));
    ASSERT_EQ(child.state(), QProcess::Running) << child.readAllStandardOutput().constData();
    ::kill(static_cast<pid_t>(child.processId()), SIGKILL);
    ASSERT_TRUE(child.waitForFinished());
    ASSERT_EQ(child.exitStatus(), QProcess::CrashExit);

    IniFile ini(path);
    const QString generationText = ini.ReadString("Time", "Write time", {});
    ASSERT_FALSE(generationText.isEmpty()) << "trial " << trial;
    const int generation = generationText.toInt();
    ASSERT_EQ(PlaylistFile(ini).load(), entriesOf(generation)) << "trial " << trial;

    // The killed save may have left its temporary file; the next save removes it.
    const QDir dir(folder.path());
    PlaylistFile(ini).save({}, QStringLiteral("after"));
    EXPECT_EQ(dir.entryList(QDir::Files | QDir::Hidden), QStringList{"PLIST.LST"}) << "trial " << trial;
  }
}

}  // namespace
