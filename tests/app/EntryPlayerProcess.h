#pragma once

// Starts the built player as a real process for the entry tests: from a hard link (or a copy)
// in a folder of its own, so that its PLIST.LST and Config.ini land there, with a private
// runtime folder, the silent audio driver and the test's own Qt platform (offscreen unless
// the test runs on the X server).

#include <signal.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QLocalSocket>
#include <QProcess>
#include <QTemporaryDir>
#include <memory>

#include "tests/support/TestFiles.h"

namespace entrytest {

using namespace std::chrono_literals;

// A generous bound for things that should happen at once; tests never assert a duration.
inline constexpr std::chrono::milliseconds kBound = 30s;

class PlayerFolder {
 public:
  PlayerFolder() {
    executable_ = folder_.file(QStringLiteral("tembr"));
    const QByteArray built = QFile::encodeName(QStringLiteral(TEMBR_BINARY));
    if (::link(built.constData(), QFile::encodeName(executable_).constData()) != 0) {
      QFile::copy(QStringLiteral(TEMBR_BINARY), executable_);
    }
  }
  const TempFolder& folder() const { return folder_; }
  QString path() const { return folder_.path(); }
  QString executable() const { return executable_; }
  QString file(const QString& name) const { return folder_.file(name); }
  // Everything in the folder but the executable.
  QStringList otherFiles() const {
    QStringList names = QDir(folder_.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
    names.removeAll(QStringLiteral("tembr"));
    return names;
  }

 private:
  TempFolder folder_;
  QString executable_;
};

// The user's private runtime folder, kept short: a socket path has a small length limit.
class RuntimeFolder {
 public:
  QString path() const { return folder_.path(); }
  QString lockPath() const { return folder_.filePath(QStringLiteral("player")); }
  QString socketPath() const { return folder_.filePath(QStringLiteral("TForm_player")); }

 private:
  QTemporaryDir folder_{QDir::tempPath() + QStringLiteral("/tembr-rt-XXXXXX")};
};

inline QString testPlatform() { return qEnvironmentVariable("QT_QPA_PLATFORM", QStringLiteral("offscreen")); }

inline QProcessEnvironment playerEnvironment(const RuntimeFolder& runtime, const QString& platform) {
  QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
  environment.insert(QStringLiteral("QT_QPA_PLATFORM"), platform);
  environment.insert(QStringLiteral("SDL_AUDIODRIVER"), QStringLiteral("dummy"));
  environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtime.path());
  return environment;
}

// Starts the player in `workingDirectory`, or in its own folder when that is empty.
inline std::unique_ptr<QProcess> startPlayer(const PlayerFolder& folder, const RuntimeFolder& runtime,
                                             const QStringList& arguments = {},
                                             const QString& platform = testPlatform(),
                                             const QString& workingDirectory = {}) {
  auto process = std::make_unique<QProcess>();
  process->setProcessEnvironment(playerEnvironment(runtime, platform));
  process->setWorkingDirectory(workingDirectory.isEmpty() ? folder.path() : workingDirectory);
  process->setProcessChannelMode(QProcess::ForwardedErrorChannel);
  process->start(folder.executable(), arguments);
  process->waitForStarted();
  return process;
}

// True once something accepts connections on the hand-off socket (a stale file does not).
inline bool listening(const QString& socketPath) {
  QLocalSocket probe;
  probe.connectToServer(socketPath);
  const bool connected = probe.waitForConnected(1000);
  probe.abort();
  return connected;
}

// Waits until the player listens for hand-offs, or until it ended; true when it listens.
inline bool waitUntilListening(QProcess& player, const QString& socketPath) {
  const QDeadlineTimer bound(kBound);
  while (!bound.hasExpired() && player.state() == QProcess::Running) {
    if (listening(socketPath)) return true;
    player.waitForFinished(20);
  }
  return false;
}

// Sends `number` to the player and waits for it to end; true when it ended by itself
// (not killed by the signal) with exit code 0.
inline bool endsCleanlyOn(QProcess& player, int number) {
  ::kill(static_cast<pid_t>(player.processId()), number);
  if (!player.waitForFinished(static_cast<int>(kBound.count()))) return false;
  return player.exitStatus() == QProcess::NormalExit && player.exitCode() == 0;
}

}  // namespace entrytest
