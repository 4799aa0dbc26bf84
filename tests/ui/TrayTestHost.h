#pragma once

// A tray host for tests: a private X server and, on demand, `trayer` on it. Tests that own
// the tray host must not share a screen with others that might start one too, so each test
// process gets an X server of its own.

#include <QApplication>
#include <QProcess>
#include <QSystemTrayIcon>
#include <QThread>
#include <QWidget>
#include <fcntl.h>
#include <signal.h>
#include <stdlib.h>
#include <string>
#include <sys/wait.h>
#include <unistd.h>

// Define one at namespace scope: it starts before main() creates the QApplication and
// points DISPLAY at the new server; it stops the server at exit.
class PrivateXServer {
 public:
  PrivateXServer() {
    int fds[2];
    if (pipe(fds) != 0) return;
    pid_ = fork();
    if (pid_ == 0) {
      close(fds[0]);
      const int devNull = open("/dev/null", O_WRONLY);
      dup2(devNull, STDOUT_FILENO);
      dup2(devNull, STDERR_FILENO);
      const std::string fd = std::to_string(fds[1]);
      execlp("Xvfb", "Xvfb", "-displayfd", fd.c_str(), "-screen", "0", "800x600x24", "-nolisten", "tcp",
             static_cast<char*>(nullptr));
      _exit(127);
    }
    close(fds[1]);
    std::string number;
    char c = 0;
    while (read(fds[0], &c, 1) == 1 && c != '\n') number += c;
    close(fds[0]);
    if (number.empty()) return;
    display_ = ":" + number;
    setenv("DISPLAY", display_.c_str(), 1);
  }
  ~PrivateXServer() {
    if (pid_ <= 0) return;
    kill(pid_, SIGTERM);
    waitpid(pid_, nullptr, 0);
  }
  PrivateXServer(const PrivateXServer&) = delete;
  PrivateXServer& operator=(const PrivateXServer&) = delete;

  bool started() const { return !display_.empty(); }

 private:
  pid_t pid_ = -1;
  std::string display_;
};

// Runs the event loop until `condition` holds; false if it never did. The limit is a
// safety net for a broken host, not a measurement.
template <typename Condition>
bool processEventsUntil(Condition condition) {
  constexpr int kAttempts = 500;
  for (int attempt = 0; attempt < kAttempts; ++attempt) {
    QApplication::processEvents();
    if (condition()) return true;
    QThread::msleep(20);
  }
  return false;
}

// A desktop panel with a tray, started and stopped by the test.
class TrayHost {
 public:
  ~TrayHost() { stop(); }

  bool start() {
    process_.start(QStringLiteral("trayer"), {QStringLiteral("--edge"), QStringLiteral("top"),
                                              QStringLiteral("--align"), QStringLiteral("left"),
                                              QStringLiteral("--widthtype"), QStringLiteral("pixel"),
                                              QStringLiteral("--width"), QStringLiteral("200"),
                                              QStringLiteral("--height"), QStringLiteral("32")});
    return process_.waitForStarted() && processEventsUntil([] { return QSystemTrayIcon::isSystemTrayAvailable(); });
  }

  bool stop() {
    if (process_.state() == QProcess::NotRunning) return true;
    process_.terminate();
    process_.waitForFinished();
    return processEventsUntil([] { return !QSystemTrayIcon::isSystemTrayAvailable(); });
  }

 private:
  QProcess process_;
};

// The window that Qt puts into an XEmbed tray for a tray icon, if there is one.
inline QWidget* trayIconWindow() {
  for (QWidget* widget : QApplication::topLevelWidgets()) {
    if (qstrcmp(widget->metaObject()->className(), "QSystemTrayIconSys") == 0) return widget;
  }
  return nullptr;
}

// Whether the tray has taken the icon's window in: its X parent is no longer the root.
inline bool trayIconEmbedded() {
  QWidget* window = trayIconWindow();
  if (window == nullptr || !window->isVisible()) return false;
  QProcess info;
  info.start(QStringLiteral("xwininfo"),
             {QStringLiteral("-children"), QStringLiteral("-id"), QString::number(window->winId())});
  if (!info.waitForFinished()) return false;
  QString root;
  QString parent;
  for (const QString& line : QString::fromLatin1(info.readAllStandardOutput()).split(QLatin1Char('\n'))) {
    const QString trimmed = line.trimmed();
    if (trimmed.startsWith(QLatin1String("Root window id:"))) root = trimmed.section(QLatin1Char(' '), 3, 3);
    if (trimmed.startsWith(QLatin1String("Parent window id:"))) parent = trimmed.section(QLatin1Char(' '), 3, 3);
  }
  return !parent.isEmpty() && parent != root;
}
