#include <gtest/gtest.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>

#include "app/DataDirectory.h"
#include "tests/support/ScopedVariable.h"
#include "tests/support/TestFiles.h"

namespace {

constexpr char kPrintFolders[] = "TEMBR_TEST_PRINT_FOLDERS";

TEST(EntryDataDirectoryHelper, PrintFoldersWhenAsked) {
  if (!qEnvironmentVariableIsSet(kPrintFolders)) GTEST_SKIP() << "helper for the tests that start this program";
  QFile out;
  out.open(stdout, QIODevice::WriteOnly);
  out.write("executable=" + executableDirectory().toUtf8() + "\ndata=" + dataDirectory().toUtf8() + "\n");
}

// Starts this test program as `path` and returns what the helper above prints.
QString foldersSeenBy(const QString& path) {
  QProcess child;
  QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
  environment.insert(QString::fromLatin1(kPrintFolders), QStringLiteral("1"));
  child.setProcessEnvironment(environment);
  child.start(path, {QStringLiteral("--gtest_filter=EntryDataDirectoryHelper.*")});
  child.waitForFinished(60000);
  return QString::fromUtf8(child.readAllStandardOutput());
}

QString self() { return QCoreApplication::applicationFilePath(); }

TEST(EntryDataDirectory, SymbolicLinkLeadsToTheRealExecutablesFolder) {
  TempFolder folder;
  const QString link = folder.file(QStringLiteral("linked"));
  ASSERT_TRUE(QFile::link(self(), link));
  const QString realFolder = QFileInfo(self()).canonicalPath();
  EXPECT_TRUE(foldersSeenBy(link).contains(QStringLiteral("executable=%1\n").arg(realFolder)));
}

TEST(EntryDataDirectory, CopyOrHardLinkKeepsItsOwnFolder) {
  TempFolder folder;
  const QString copy = folder.file(QStringLiteral("copied"));
  if (::link(QFile::encodeName(self()).constData(), QFile::encodeName(copy).constData()) != 0) {
    ASSERT_TRUE(QFile::copy(self(), copy));
  }
  const QString output = foldersSeenBy(copy);
  const QString copyFolder = QFileInfo(copy).canonicalPath();
  EXPECT_TRUE(output.contains(QStringLiteral("executable=%1\n").arg(copyFolder))) << output.toStdString();
#if !(defined(TEMBR_XDG_CONFIG) && TEMBR_XDG_CONFIG)
  EXPECT_TRUE(output.contains(QStringLiteral("data=%1\n").arg(copyFolder))) << output.toStdString();
#endif
}

TEST(EntryDataDirectory, ConfigFolderFollowsXdgConfigHomeAndIsMade) {
  TempFolder home;
  ScopedVariable homeVariable("HOME", QFile::encodeName(home.file(QStringLiteral("home"))));
  {
    ScopedVariable config("XDG_CONFIG_HOME", QFile::encodeName(home.file(QStringLiteral("cfg"))));
    EXPECT_EQ(configDirectory(), home.file(QStringLiteral("cfg/tembr")));
    EXPECT_TRUE(QFileInfo(home.file(QStringLiteral("cfg/tembr"))).isDir());
  }
  for (const QByteArray& value : {QByteArray(), QByteArray(""), QByteArray("relative/cfg")}) {
    ScopedVariable config("XDG_CONFIG_HOME", value);
    EXPECT_EQ(configDirectory(), home.file(QStringLiteral("home/.config/tembr"))) << value.constData();
    EXPECT_TRUE(QFileInfo(home.file(QStringLiteral("home/.config/tembr"))).isDir());
  }
}

#if defined(TEMBR_XDG_CONFIG) && TEMBR_XDG_CONFIG
TEST(EntryDataDirectory, BuildOptionPutsTheFilesInTheConfigFolder) {
  TempFolder home;
  ScopedVariable config("XDG_CONFIG_HOME", QFile::encodeName(home.path()));
  EXPECT_EQ(dataDirectory(), home.file(QStringLiteral("tembr")));
}
#endif

}  // namespace
