#include "app/HandOffServer.h"

#include <QLocalSocket>
#include <QPointer>
#include <QTimer>
#include <memory>
#include <string>

#include "app/HandOffMessage.h"

HandOffServer::HandOffServer(Receiver receiver, std::chrono::milliseconds receiveTimeout, QObject* parent)
    : QObject(parent), receiver_(std::move(receiver)), receiveTimeout_(receiveTimeout) {
  // No socket access options: the folder is private already, and with them Qt would bind
  // elsewhere and rename the socket over an existing one, even a live one.
  connect(&server_, &QLocalServer::newConnection, this, &HandOffServer::acceptConnections);
}

HandOffServer::~HandOffServer() { close(); }

void HandOffServer::close() {
  // The open connections go first, while their bookkeeping can still run.
  qDeleteAll(server_.findChildren<QLocalSocket*>());
  server_.close();
}

bool HandOffServer::listen(const QString& socketPath, StaleSocket stale) {
  if (stale == StaleSocket::Remove) QLocalServer::removeServer(socketPath);
  return server_.listen(socketPath);
}

void HandOffServer::acceptConnections() {
  while (QLocalSocket* socket = server_.nextPendingConnection()) {
    if (openConnections_ >= kMaxOpenConnections) {
      socket->abort();
      socket->deleteLater();
      continue;
    }
    serve(socket);
  }
}

void HandOffServer::serve(QLocalSocket* socket) {
  ++openConnections_;
  connect(socket, &QObject::destroyed, this, [this] { --openConnections_; });
  connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);

  auto* deadline = new QTimer(socket);
  deadline->setSingleShot(true);
  connect(deadline, &QTimer::timeout, socket, [socket] {
    socket->abort();
    socket->deleteLater();
  });
  deadline->start(receiveTimeout_);

  auto received = std::make_shared<std::string>();
  connect(socket, &QLocalSocket::readyRead, socket, [this, socket, deadline, received] {
    // Never read past the largest frame: a peer that sends more is refused anyway.
    const qint64 room = static_cast<qint64>(kHandOffHeaderBytes + kHandOffMaxBlockBytes + 1 - received->size());
    received->append(socket->read(room).toStdString());
    const HandOffDecoded decoded = decodeHandOff(*received);
    if (decoded.status == HandOffStatus::Incomplete) return;
    deadline->stop();
    // Whatever the peer sends from now on is not read.
    disconnect(socket, &QLocalSocket::readyRead, nullptr, nullptr);
    if (decoded.status == HandOffStatus::Invalid) {
      socket->abort();
      socket->deleteLater();
      return;
    }
    // The receiver may run a nested event loop (an error box) in which the peer goes away.
    QPointer<QLocalSocket> guard(socket);
    receiver_(QByteArray::fromStdString(decoded.path));
    if (guard.isNull()) return;
    socket->write(&kHandOffAcknowledgement, 1);
    socket->disconnectFromServer();
  });
}
