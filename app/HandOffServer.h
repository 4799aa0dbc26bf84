#pragma once

// The running player's side of the hand-off: listens on the local socket in the private
// runtime folder and passes every valid block to a receiver on the GUI thread. Reading is
// asynchronous and bounded in size and time, so a slow or hostile peer never holds up the
// window; a block that is not complete in time, too large or malformed is dropped unread.

#include <QLocalServer>
#include <QObject>
#include <QString>
#include <chrono>
#include <functional>

inline constexpr std::chrono::milliseconds kHandOffReceiveTimeout{3000};

class HandOffServer : public QObject {
  Q_OBJECT

 public:
  // Called with the handed-over bytes (without the terminating zero); the sender gets its
  // acknowledgement when this returns.
  using Receiver = std::function<void(const QByteArray& path)>;

  explicit HandOffServer(Receiver receiver, std::chrono::milliseconds receiveTimeout = kHandOffReceiveTimeout,
                         QObject* parent = nullptr);
  ~HandOffServer() override;

  enum class StaleSocket { Keep, Remove };

  // Starts listening on `socketPath`. A socket file left there by an instance that ended
  // without cleaning up is removed first only with StaleSocket::Remove, which the caller
  // may ask for only while it holds the single-instance lock.
  bool listen(const QString& socketPath, StaleSocket stale);

  // Stops listening and drops every connection still being read, so that the receiver is
  // not called again. A sender then finds no one listening.
  void close();

  // Connections being read at once; more are closed at once.
  static constexpr int kMaxOpenConnections = 8;

 private:
  void acceptConnections();
  void serve(class QLocalSocket* socket);

  Receiver receiver_;
  std::chrono::milliseconds receiveTimeout_;
  QLocalServer server_;
  int openConnections_ = 0;
};
