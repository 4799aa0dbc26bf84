#pragma once

// A tray host for tests: `trayer`, on demand, on the test process's private X server. Tests
// that do not expect a tray share the test command's X server, so a tray host starts only on
// a server of the test's own.

#include <QApplication>
#include <QProcess>
#include <QSystemTrayIcon>
#include <QThread>
#include <QWidget>

#include "tests/support/PrivateXServer.h"

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

  // Refuses to start anywhere but on this process's private X server.
  bool start() {
    if (!PrivateXServer::isCurrentDisplay()) return false;
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
