#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>

#include "app/RuntimeFolder.h"
#include "app/SingleInstance.h"
#include "tests/support/ScopedVariable.h"

namespace {

QString shortTempTemplate() { return QDir::tempPath() + QStringLiteral("/tembr-lock-XXXXXX"); }

mode_t modeOf(const QString& path) {
  struct stat status {};
  ::lstat(QFile::encodeName(path).constData(), &status);
  return status.st_mode & 07777;
}

TEST(SingleInstanceLock, FirstTakerHoldsItAndEveryLaterOpenFindsItTaken) {
  QTemporaryDir folder(shortTempTemplate());
  const QString path = singleInstanceLockPath(folder.path());
  EXPECT_EQ(acquireSingleInstanceLock(path), LockState::Held);
  EXPECT_EQ(modeOf(path), 0600u);
  // flock belongs to the open file, so a second open in the same process is refused too.
  EXPECT_EQ(acquireSingleInstanceLock(path), LockState::HeldElsewhere);
  EXPECT_EQ(acquireSingleInstanceLock(path), LockState::HeldElsewhere);
}

TEST(SingleInstanceLock, UnusableLockFileIsReportedAsUnavailable) {
  QTemporaryDir folder(shortTempTemplate());
  EXPECT_EQ(acquireSingleInstanceLock(QString()), LockState::Unavailable);
  EXPECT_EQ(acquireSingleInstanceLock(folder.filePath(QStringLiteral("missing/player"))), LockState::Unavailable);
  ASSERT_TRUE(QFile::link(folder.filePath(QStringLiteral("elsewhere")), folder.filePath(QStringLiteral("player"))));
  EXPECT_EQ(acquireSingleInstanceLock(folder.filePath(QStringLiteral("player"))), LockState::Unavailable);
}

// Whether another process holds the lock, asked without taking it for this process.
bool heldByAnotherProcess(const QString& path) {
  QProcess probe;
  probe.start(QStringLiteral("flock"), {QStringLiteral("--nonblock"), path, QStringLiteral("true")});
  probe.waitForFinished();
  return probe.exitCode() != 0;
}

TEST(SingleInstanceLock, LockOfAKilledProcessIsFreeAgain) {
  QTemporaryDir folder(shortTempTemplate());
  const QString path = singleInstanceLockPath(folder.path());
  QProcess holder;
  // --no-fork: the lock stays with the one process that is killed below.
  holder.start(QStringLiteral("flock"),
               {QStringLiteral("--no-fork"), path, QStringLiteral("sleep"), QStringLiteral("60")});
  ASSERT_TRUE(holder.waitForStarted());
  for (int attempt = 0; attempt < 500 && !heldByAnotherProcess(path); ++attempt) ::usleep(10'000);
  EXPECT_EQ(acquireSingleInstanceLock(path), LockState::HeldElsewhere);

  holder.kill();  // SIGKILL: no chance to clean up
  ASSERT_TRUE(holder.waitForFinished());
  EXPECT_EQ(acquireSingleInstanceLock(path), LockState::Held);
}

TEST(SingleInstanceLock, ChildProcessesDoNotInheritTheLock) {
  QTemporaryDir folder(shortTempTemplate());
  const QString path = singleInstanceLockPath(folder.path());
  ASSERT_EQ(acquireSingleInstanceLock(path), LockState::Held);
  QProcess child;
  child.start(QStringLiteral("sleep"), {QStringLiteral("60")});
  ASSERT_TRUE(child.waitForStarted());
  const QDir descriptors(QStringLiteral("/proc/%1/fd").arg(child.processId()));
  for (const QFileInfo& entry : descriptors.entryInfoList(QDir::Files | QDir::System)) {
    EXPECT_NE(entry.symLinkTarget(), path) << entry.fileName().toStdString();
  }
  child.kill();
  child.waitForFinished();
}

struct FolderCase {
  const char* name;
  mode_t mode;
  bool accepted;
};

class RuntimeFolderPermissions : public testing::TestWithParam<FolderCase> {};

TEST_P(RuntimeFolderPermissions, OnlyPrivateFoldersAreAccepted) {
  QTemporaryDir parent(shortTempTemplate());
  const QString path = parent.filePath(QStringLiteral("run"));
  ASSERT_TRUE(QDir().mkdir(path));
  ASSERT_EQ(::chmod(QFile::encodeName(path).constData(), GetParam().mode), 0);
  EXPECT_EQ(privateFolder(path, CreateIfMissing::No).has_value(), GetParam().accepted);
  EXPECT_EQ(privateFolder(path, CreateIfMissing::Yes).has_value(), GetParam().accepted);
}

INSTANTIATE_TEST_SUITE_P(Modes, RuntimeFolderPermissions,
                         testing::Values(FolderCase{"Private", 0700, true},
                                         FolderCase{"PrivateWithoutWrite", 0500, true},
                                         FolderCase{"GroupMayRead", 0750, false},
                                         FolderCase{"OthersMayEnter", 0701, false},
                                         FolderCase{"Open", 0777, false},
                                         FolderCase{"Sticky", 01777, false}),
                         [](const testing::TestParamInfo<FolderCase>& info) { return std::string(info.param.name); });

TEST(RuntimeFolder, MissingFolderIsMadePrivateOnlyWhenAsked) {
  QTemporaryDir parent(shortTempTemplate());
  const QString path = parent.filePath(QStringLiteral("run"));
  EXPECT_FALSE(privateFolder(path, CreateIfMissing::No).has_value());
  EXPECT_FALSE(QFileInfo::exists(path));
  EXPECT_EQ(privateFolder(path, CreateIfMissing::Yes), path);
  EXPECT_EQ(modeOf(path), 0700u);
}

TEST(RuntimeFolder, LinksFilesAndRelativePathsAreRefused) {
  QTemporaryDir parent(shortTempTemplate());
  const QString target = parent.filePath(QStringLiteral("target"));
  ASSERT_TRUE(privateFolder(target, CreateIfMissing::Yes).has_value());
  const QString link = parent.filePath(QStringLiteral("link"));
  ASSERT_TRUE(QFile::link(target, link));
  EXPECT_FALSE(privateFolder(link, CreateIfMissing::Yes).has_value());
  QFile file(parent.filePath(QStringLiteral("file")));
  ASSERT_TRUE(file.open(QIODevice::WriteOnly));
  file.setPermissions(QFile::ReadOwner | QFile::WriteOwner);
  EXPECT_FALSE(privateFolder(file.fileName(), CreateIfMissing::Yes).has_value());
  EXPECT_FALSE(privateFolder(QStringLiteral("relative/run"), CreateIfMissing::Yes).has_value());
  EXPECT_FALSE(privateFolder(QString(), CreateIfMissing::Yes).has_value());
}

TEST(RuntimeFolder, FolderOfAnotherUserIsRefused) {
  if (::geteuid() != 0) GTEST_SKIP() << "needs root to give a folder away";
  QTemporaryDir parent(shortTempTemplate());
  const QString path = parent.filePath(QStringLiteral("run"));
  ASSERT_TRUE(privateFolder(path, CreateIfMissing::Yes).has_value());
  ASSERT_EQ(::chown(QFile::encodeName(path).constData(), 65534, 65534), 0);
  EXPECT_FALSE(privateFolder(path, CreateIfMissing::Yes).has_value());
}

TEST(RuntimeFolder, RuntimeDirectoryIsUsedWhenPrivateAndReplacedWhenNot) {
  QTemporaryDir temp(shortTempTemplate());
  ScopedVariable tmpdir("TMPDIR", QFile::encodeName(temp.path()));
  const QString fallback = temp.filePath(QStringLiteral("tembr-%1").arg(::geteuid()));

  const QString runtime = temp.filePath(QStringLiteral("runtime"));
  ASSERT_TRUE(privateFolder(runtime, CreateIfMissing::Yes).has_value());
  {
    ScopedVariable variable("XDG_RUNTIME_DIR", QFile::encodeName(runtime));
    EXPECT_EQ(runtimeFolder(), runtime);
    EXPECT_FALSE(QFileInfo::exists(fallback));
  }
  ::chmod(QFile::encodeName(runtime).constData(), 0755);
  for (const QByteArray& value : {QFile::encodeName(runtime), QByteArray(), QByteArray("relative")}) {
    ScopedVariable variable("XDG_RUNTIME_DIR", value);
    EXPECT_EQ(runtimeFolder(), fallback) << value.constData();
    EXPECT_EQ(modeOf(fallback), 0700u);
  }
}

TEST(RuntimeFolder, LockAndSocketLiveInsideTheFolder) {
  EXPECT_EQ(singleInstanceLockPath(QStringLiteral("/run/user/7")), QStringLiteral("/run/user/7/player"));
  EXPECT_EQ(handOffSocketPath(QStringLiteral("/run/user/7")), QStringLiteral("/run/user/7/TForm_player"));
}

}  // namespace
