// The Debian package as a user's machine receives it. The package named by TEMBR_PACKAGE (the
// test command builds it and sets the variable) is unpacked, never installed, into a
// temporary root; its file list and control fields are checked, Debian's own checks are run
// on it, and the unpacked player is started there.

#include <gtest/gtest.h>

#include <QDir>
#include <QDirIterator>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <string>
#include <vector>

#include "tests/audio/support/AudioFixtures.h"
#include "tests/e2e/PlayerProcess.h"
#include "tests/support/TestFiles.h"

using namespace e2e;

namespace {

struct ToolRun {
  int exitCode = -1;  // -1 when the tool could not be started or did not end normally
  QString output;     // standard output and standard error together
};

ToolRun runTool(const QString& program, const QStringList& arguments,
               const QProcessEnvironment& environment = QProcessEnvironment::systemEnvironment()) {
  QProcess process;
  process.setProcessEnvironment(environment);
  process.setProcessChannelMode(QProcess::MergedChannels);
  process.start(program, arguments);
  ToolRun result;
  if (!process.waitForFinished(static_cast<int>(kBound.count()))) {
    process.kill();
    process.waitForFinished();
    return result;
  }
  result.output = QString::fromUtf8(process.readAll());
  if (process.exitStatus() == QProcess::NormalExit) result.exitCode = process.exitCode();
  return result;
}

class Package : public testing::Test {
 protected:
  void SetUp() override {
    deb_ = qEnvironmentVariable("TEMBR_PACKAGE");
    if (deb_.isEmpty()) GTEST_SKIP() << "TEMBR_PACKAGE names no package (tools/test.sh builds one and sets it)";
    ASSERT_TRUE(QFileInfo::exists(deb_)) << qPrintable(deb_);
    const ToolRun unpacked = runTool(QStringLiteral("dpkg-deb"), {QStringLiteral("-x"), deb_, root_.path()});
    ASSERT_EQ(unpacked.exitCode, 0) << qPrintable(unpacked.output);
  }

  QString field(const QString& name) const {
    return runTool(QStringLiteral("dpkg-deb"), {QStringLiteral("--field"), deb_, name}).output.trimmed();
  }
  QString installed(const QString& path) const { return root_.file(path); }

  QString deb_;
  TempFolder root_;
};

TEST_F(Package, HoldsTheProgramItsDesktopFilesAndItsDocumentation) {
  QStringList files;
  QDirIterator walk(root_.path(), QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
  while (walk.hasNext()) files << QDir(root_.path()).relativeFilePath(walk.next());
  files.sort();
  const QStringList expected = {
      QStringLiteral("usr/bin/tembr"),
      QStringLiteral("usr/share/applications/tembr.desktop"),
      QStringLiteral("usr/share/doc/tembr/changelog.gz"),
      QStringLiteral("usr/share/doc/tembr/copyright"),
      QStringLiteral("usr/share/icons/hicolor/128x128/apps/tembr.png"),
      QStringLiteral("usr/share/icons/hicolor/16x16/apps/tembr.png"),
      QStringLiteral("usr/share/icons/hicolor/256x256/apps/tembr.png"),
      QStringLiteral("usr/share/icons/hicolor/32x32/apps/tembr.png"),
      QStringLiteral("usr/share/icons/hicolor/48x48/apps/tembr.png"),
      QStringLiteral("usr/share/icons/hicolor/64x64/apps/tembr.png"),
      QStringLiteral("usr/share/icons/hicolor/scalable/apps/tembr.svg"),
      QStringLiteral("usr/share/man/man1/tembr.1.gz"),
      QStringLiteral("usr/share/metainfo/tembr.metainfo.xml"),
  };
  EXPECT_EQ(files.join(QLatin1Char('\n')).toStdString(), expected.join(QLatin1Char('\n')).toStdString());
  EXPECT_TRUE(QFileInfo(installed(QStringLiteral("usr/bin/tembr"))).isExecutable());

  EXPECT_EQ(field(QStringLiteral("Package")), QStringLiteral("tembr"));
  EXPECT_EQ(field(QStringLiteral("Section")), QStringLiteral("sound"));
  EXPECT_TRUE(deb_.endsWith(QStringLiteral("/tembr_") + field(QStringLiteral("Version")) + QStringLiteral("_amd64.deb")))
      << qPrintable(deb_);
  // Worked out from the executable, so the libraries it links are all there, and named for
  // FFmpeg's libraries, which it loads when it first opens a file.
  const QString depends = field(QStringLiteral("Depends"));
  for (const char* library : {"libqt6widgets6", "libsdl2-2.0-0", "libkissfft-float", "libavformat59", "libavcodec59",
                              "libavutil57", "libswresample4"}) {
    EXPECT_TRUE(depends.contains(QLatin1String(library))) << library << " missing from: " << qPrintable(depends);
  }
  const QStringList description = field(QStringLiteral("Description")).split(QLatin1Char('\n'));
  EXPECT_GT(description.size(), 2) << "no long description";
  EXPECT_FALSE(field(QStringLiteral("Maintainer")).isEmpty());
}

struct Check {
  const char* name;
  const char* program;
  QString file;           // inside the unpacked root; empty for the package itself
  const char* errorLine;  // a line of the tool's output that reports an error
};

void PrintTo(const Check& check, std::ostream* out) { *out << check.name; }

class PackageCheck : public Package, public testing::WithParamInterface<Check> {};

// Warnings are printed for the reader; only errors fail.
TEST_P(PackageCheck, ReportsNoError) {
  const Check& check = GetParam();
  QStringList arguments;
  if (QLatin1String(check.program) == QLatin1String("appstreamcli")) arguments << QStringLiteral("validate") << QStringLiteral("--no-net");
  arguments << (check.file.isEmpty() ? deb_ : installed(check.file));
  const ToolRun run = runTool(QLatin1String(check.program), arguments);
  std::printf("%s:\n%s\n", check.program, qPrintable(run.output));
  ASSERT_NE(run.exitCode, -1) << check.program << " did not run";
  const QRegularExpression error(QLatin1String(check.errorLine), QRegularExpression::MultilineOption);
  EXPECT_FALSE(error.match(run.output).hasMatch());
}

INSTANTIATE_TEST_SUITE_P(
    Debian, PackageCheck,
    testing::Values(Check{"DesktopEntry", "desktop-file-validate", QStringLiteral("usr/share/applications/tembr.desktop"), ": error: "},
                    Check{"AppStream", "appstreamcli", QStringLiteral("usr/share/metainfo/tembr.metainfo.xml"), "^\\s*E: "},
                    Check{"Lintian", "lintian", QString(), "^E: "}),
    [](const testing::TestParamInfo<Check>& info) { return std::string(info.param.name); });

TEST_F(Package, TheUnpackedPlayerTellsItsVersionAndWritesNothing) {
  // Private folders, so that a player that started after all could not touch the user's.
  const TempFolder home;
  QFile::setPermissions(home.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
  QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
  environment.insert(QStringLiteral("XDG_CONFIG_HOME"), home.file(QStringLiteral("config")));
  environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), home.path());
  environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
  const ToolRun run = runTool(installed(QStringLiteral("usr/bin/tembr")), {QStringLiteral("--version")}, environment);
  EXPECT_EQ(run.exitCode, 0);
  EXPECT_TRUE(run.output.contains(field(QStringLiteral("Version")))) << qPrintable(run.output);
  const QStringList written = QDir(home.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden);
  EXPECT_TRUE(written.isEmpty()) << qPrintable(written.join(QLatin1Char(' ')));
}

TEST_F(Package, TheUnpackedPlayerPlaysItsSavedListAndKeepsItsFilesInTheConfigFolder) {
  const QString song = QString::fromStdString(fixtures::writeSineWav("package-song.wav", kRate, 2, 440.0, 3.0, 0.5));
  Player player(installed(QStringLiteral("usr/bin/tembr")));
  player.savePlaylist({song});
  // "exit " closes the player at the end of the list.
  player.saveConfig(QStringLiteral("scheckbox5.Checked=1"));
  player.start();
  ASSERT_TRUE(player.waitForTitle(QFileInfo(song).fileName()));

  // What the closing player writes must come back where it was read from.
  QFile::remove(player.file(QStringLiteral("PLIST.LST")));
  QFile::remove(player.file(QStringLiteral("Config.ini")));
  ASSERT_TRUE(player.endsCleanly());
  EXPECT_EQ(player.savedPlaylist(), QStringList{song});
  EXPECT_TRUE(QFileInfo::exists(player.file(QStringLiteral("Config.ini"))));
  const QStringList besideTheProgram =
      QDir(installed(QStringLiteral("usr/bin"))).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden);
  EXPECT_EQ(besideTheProgram.join(QLatin1Char(' ')).toStdString(), "tembr");

  const Captured capture = player.capture();
  const std::vector<Sound> heard = sounds(capture.left);
  ASSERT_FALSE(heard.empty()) << "nothing reached the audio output";
  EXPECT_NEAR(pitch(capture.left, heard.front().begin, heard.front().end), 440.0, 4.4);
}

}  // namespace
