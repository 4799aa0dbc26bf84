#include "app/HandOffServer.h"

#include <QLocalSocket>
#include <QTimer>
#include <algorithm>
#include <memory>
#include <string>

#include "app/HandOffMessage.h"

namespace {

QByteArrayList byteArrays(const std::vector<std::string>& paths) {
  QByteArrayList list;
  list.reserve(static_cast<qsizetype>(paths.size()));
  for (const std::string& path : paths) list.append(QByteArray::fromStdString(path));
  return list;
}

// The frame's whole length once its header is in, else 0.
std::size_t announcedFrameBytes(const std::string& received) {
  if (received.size() < kHandOffHeaderBytes) return 0;
  uint32_t block = 0;
  for (std::size_t i = 0; i < 4; ++i) block |= static_cast<uint32_t>(static_cast<unsigned char>(received[4 + i])) << (8 * i);
  return kHandOffHeaderBytes + block;
}

}  // namespace

HandOffServer::HandOffServer(std::chrono::milliseconds receiveTimeout, QObject* parent)
    : QObject(parent), receiveTimeout_(receiveTimeout) {
  // No socket access options: the folder is private already, and with them Qt would bind
  // elsewhere and rename the socket over an existing one, even a live one.
  connect(&server_, &QLocalServer::newConnection, this, &HandOffServer::acceptConnections);
}

HandOffServer::~HandOffServer() { close(); }

void HandOffServer::close() {
  held_.clear();
  // The open connections go first, while their bookkeeping can still run.
  qDeleteAll(server_.findChildren<QLocalSocket*>());
  server_.close();
}

bool HandOffServer::listen(const QString& socketPath, StaleSocket stale) {
  if (stale == StaleSocket::Remove) QLocalServer::removeServer(socketPath);
  return server_.listen(socketPath);
}

void HandOffServer::deliverTo(Receiver receiver) {
  receiver_ = std::move(receiver);
  std::vector<Held> waiting;
  waiting.swap(held_);
  for (const Held& block : waiting) {
    // A sender that gave up meanwhile has closed its connection; its paths are not added.
    if (!block.socket.isNull() && block.socket->state() == QLocalSocket::ConnectedState) {
      deliver(block.socket.data(), block.paths);
    }
  }
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
    // Never read past the largest frame: a peer that sends more is refused anyway. What has
    // arrived is read, not the room left, for which read() would allocate a buffer every time.
    const qint64 room = static_cast<qint64>(kHandOffHeaderBytes + kHandOffMaxBlockBytes + 1 - received->size());
    const bool headerWasIn = received->size() >= kHandOffHeaderBytes;
    const QByteArray arrived = socket->read(std::min(room, socket->bytesAvailable()));
    received->append(arrived.constData(), static_cast<std::size_t>(arrived.size()));
    // A large block arrives in many pieces: it is judged when its header is in and when it
    // is whole, not again for every piece.
    if (headerWasIn && received->size() < announcedFrameBytes(*received)) return;
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
    if (!receiver_) {
      held_.push_back({socket, byteArrays(decoded.paths)});
      return;
    }
    deliver(socket, byteArrays(decoded.paths));
  });
}

void HandOffServer::deliver(QLocalSocket* socket, const QByteArrayList& paths) {
  // The receiver may run a nested event loop (an error box) in which the peer goes away.
  QPointer<QLocalSocket> guard(socket);
  receiver_(paths);
  if (guard.isNull()) return;
  socket->write(&kHandOffAcknowledgement, 1);
  socket->flush();
  socket->disconnectFromServer();
}
