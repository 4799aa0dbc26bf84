#pragma once

// Turns SIGTERM, SIGINT and SIGHUP into a Qt signal on the GUI thread, so that a request
// to end from outside closes the window the normal way and the shutdown steps run. The
// handlers only write to a pipe (the one thing safe inside a signal handler); a socket
// notifier reads it in the event loop. The handlers stay until the object goes, so that a
// second request (a session that ends sends SIGTERM and then SIGHUP) cannot cut the shutdown
// steps short and lose the playlist.

#include <QObject>
#include <array>
#include <csignal>

class QSocketNotifier;

class TerminationSignals : public QObject {
  Q_OBJECT

 public:
  // Installs the handlers; only one object may exist at a time.
  explicit TerminationSignals(QObject* parent = nullptr);
  // Puts back the handlers that were there before.
  ~TerminationSignals() override;

  static constexpr std::array<int, 3> kSignals{SIGTERM, SIGINT, SIGHUP};

 signals:
  void received(int signalNumber);

 private:
  void readPipe();
  void restoreHandlers();

  QSocketNotifier* notifier_ = nullptr;
  std::array<struct sigaction, kSignals.size()> previous_{};
  bool installed_ = false;
};
