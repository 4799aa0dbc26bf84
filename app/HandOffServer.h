#pragma once

// The running player's side of the hand-off: listens on the local socket in the private
// runtime folder and passes every valid block to a receiver on the GUI thread. Reading is
// asynchronous and bounded in size and time, so a slow or hostile peer never holds up the
// window; a block that is not complete in time, too large or malformed is dropped unread.
//
// The server listens from the start of the process, before the window exists: blocks that
// arrive before the player can take them are held, unanswered, until deliverTo() names the
// receiver, and their senders wait. Each sender is answered once its paths are in the list.

#include <QByteArrayList>
#include <QLocalServer>
#include <QObject>
#include <QPointer>
#include <QString>
#include <chrono>
#include <functional>
#include <vector>

inline constexpr std::chrono::milliseconds kHandOffReceiveTimeout{3000};

class QLocalSocket;

class HandOffServer : public QObject {
  Q_OBJECT

 public:
  // Called with the handed-over paths (without their terminating zeros; none for a start
  // without paths); the sender gets its acknowledgement when this returns.
  using Receiver = std::function<void(const QByteArrayList& paths)>;

  explicit HandOffServer(std::chrono::milliseconds receiveTimeout = kHandOffReceiveTimeout, QObject* parent = nullptr);
  ~HandOffServer() override;

  enum class StaleSocket { Keep, Remove };

  // Starts listening on `socketPath`. A socket file left there by an instance that ended
  // without cleaning up is removed first only with StaleSocket::Remove, which the caller
  // may ask for only while it holds the single-instance lock.
  bool listen(const QString& socketPath, StaleSocket stale);

  // From now on every block goes to `receiver`: first those held so far, in the order they
  // arrived, then each as it arrives.
  void deliverTo(Receiver receiver);

  // Stops listening and drops every connection still being read or held, so that the
  // receiver is not called again. A sender then finds no one listening.
  void close();

  // Connections being read or held at once; more are closed at once.
  static constexpr int kMaxOpenConnections = 8;

 private:
  struct Held {
    QPointer<QLocalSocket> socket;
    QByteArrayList paths;
  };

  void acceptConnections();
  void serve(QLocalSocket* socket);
  void deliver(QLocalSocket* socket, const QByteArrayList& paths);

  Receiver receiver_;
  std::chrono::milliseconds receiveTimeout_;
  QLocalServer server_;
  int openConnections_ = 0;
  std::vector<Held> held_;
};
