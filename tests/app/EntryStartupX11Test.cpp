// Starts the player on the real X server, photographs the screen once its window shows and
// keeps the picture with the test results (tests/screenshots/startup.png in the build folder).

#include <gtest/gtest.h>
#include <signal.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>

#include "tests/app/EntryPlayerProcess.h"

using namespace entrytest;

namespace {

QString runTool(const QString& program, const QStringList& arguments) {
  QProcess tool;
  tool.start(program, arguments);
  tool.waitForFinished(static_cast<int>(kBound.count()));
  return QString::fromUtf8(tool.readAllStandardOutput()).trimmed();
}

QString screenshotFolder() {
  const QString base = qEnvironmentVariable("TEMBR_TEST_TMP");
  QDir folder(base.isEmpty() ? QDir::tempPath() : base + QStringLiteral("/.."));
  folder.mkpath(QStringLiteral("screenshots"));
  return QDir::cleanPath(folder.filePath(QStringLiteral("screenshots")));
}

TEST(EntryStartupX11, PlayerWindowShowsOnTheScreen) {
  if (qEnvironmentVariableIsEmpty("DISPLAY")) GTEST_SKIP() << "needs an X server";
  PlayerFolder folder;
  RuntimeFolder runtime;
  auto player = startPlayer(folder, runtime, {}, QStringLiteral("xcb"));
  ASSERT_TRUE(waitUntilListening(*player, runtime.socketPath()));

  const QString pid = QString::number(player->processId());
  QString windows;
  for (int attempt = 0; attempt < 300 && windows.isEmpty(); ++attempt) {
    windows = runTool(QStringLiteral("xdotool"), {QStringLiteral("search"), QStringLiteral("--onlyvisible"),
                                                  QStringLiteral("--pid"), pid});
    if (windows.isEmpty()) player->waitForFinished(50);
  }
  ASSERT_FALSE(windows.isEmpty()) << "no visible window of the player";
  // With nothing to play, the decoding libraries are never loaded.
  QFile maps(QStringLiteral("/proc/%1/maps").arg(pid));
  ASSERT_TRUE(maps.open(QIODevice::ReadOnly));
  EXPECT_FALSE(maps.readAll().contains("libavformat")) << "FFmpeg loaded at start";
  // Give the first frames time to be drawn before the picture is taken.
  player->waitForFinished(1500);
  ASSERT_EQ(player->state(), QProcess::Running);

  const QString picture = QDir(screenshotFolder()).filePath(QStringLiteral("startup.png"));
  QFile::remove(picture);
  runTool(QStringLiteral("import"), {QStringLiteral("-window"), QStringLiteral("root"), picture});
  ASSERT_TRUE(QFileInfo::exists(picture)) << picture.toStdString();
  const int colours = runTool(QStringLiteral("identify"), {QStringLiteral("-format"), QStringLiteral("%k"), picture}).toInt();
  EXPECT_GT(colours, 16) << "the screen looks blank";

  EXPECT_TRUE(endsCleanlyOn(*player, SIGTERM));
}

}  // namespace
