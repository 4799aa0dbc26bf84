#include <gtest/gtest.h>

#include "tests/support/EventLoopWait.h"
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QLocalSocket>
#include <QTemporaryDir>
#include <cstring>
#include <future>
#include <memory>
#include <string>
#include <vector>

#include "app/HandOffMessage.h"
#include "app/HandOffSender.h"
#include "app/HandOffServer.h"

using namespace std::chrono_literals;

namespace {

// Runs the event loop until `done` holds or a generous bound passes; returns `done()`.
class HandOffServerTest : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(folder_.isValid());
    ASSERT_TRUE(server_.listen(socketPath(), HandOffServer::StaleSocket::Keep));
    server_.deliverTo([this](const QByteArrayList& paths) { received_.push_back(paths); });
  }

  QString socketPath() const { return folder_.filePath(QStringLiteral("TForm_player")); }

  std::unique_ptr<QLocalSocket> connectClient() {
    auto client = std::make_unique<QLocalSocket>();
    client->connectToServer(socketPath());
    EXPECT_TRUE(client->waitForConnected(5000));
    return client;
  }

  static void send(QLocalSocket& client, const std::string& bytes) {
    client.write(bytes.data(), static_cast<qint64>(bytes.size()));
    client.flush();
  }

  QTemporaryDir folder_{QDir::tempPath() + QStringLiteral("/tembr-handoff-XXXXXX")};
  std::vector<QByteArrayList> received_;
  // A short limit keeps the tests quick; nothing here depends on its exact length.
  HandOffServer server_{300ms};
};

TEST_F(HandOffServerTest, ValidBlockReachesTheReceiverAndIsAcknowledged) {
  const std::string path = "/home/u/Музыка/a b.flac";
  auto client = connectClient();
  send(*client, encodeHandOff({path, "/b.ogg"}));
  ASSERT_TRUE(spinUntil([&] { return client->bytesAvailable() > 0; }));
  EXPECT_EQ(client->readAll(), QByteArray(1, kHandOffAcknowledgement));
  ASSERT_EQ(received_.size(), 1u);
  EXPECT_EQ(received_[0], (QByteArrayList{QByteArray::fromStdString(path), "/b.ogg"}));
  EXPECT_TRUE(spinUntil([&] { return client->state() == QLocalSocket::UnconnectedState; }));
}

TEST_F(HandOffServerTest, BlockArrivingByteByByteIsReassembled) {
  const std::string frame = encodeHandOff({"/x/y.mp3"});
  auto client = connectClient();
  for (char byte : frame) {
    send(*client, std::string(1, byte));
    QCoreApplication::processEvents();
  }
  ASSERT_TRUE(spinUntil([&] { return !received_.empty(); }));
  EXPECT_EQ(received_, std::vector<QByteArrayList>{{"/x/y.mp3"}});
}

TEST_F(HandOffServerTest, StartWithoutArgumentIsDeliveredAsNoPath) {
  auto client = connectClient();
  send(*client, encodeHandOff({}));
  ASSERT_TRUE(spinUntil([&] { return !received_.empty(); }));
  EXPECT_EQ(received_, std::vector<QByteArrayList>{QByteArrayList()});
}

class HandOffServerRefusal : public HandOffServerTest, public testing::WithParamInterface<std::string> {};

TEST_P(HandOffServerRefusal, DropsTheConnectionWithoutAnswerOrDelivery) {
  auto client = connectClient();
  send(*client, GetParam());
  ASSERT_TRUE(spinUntil([&] { return client->state() == QLocalSocket::UnconnectedState; }));
  EXPECT_EQ(client->readAll(), QByteArray());
  EXPECT_TRUE(received_.empty());
}

std::string oversizeHeader() {
  std::string frame = encodeHandOff({});
  frame[4] = 0x01;
  frame[7] = 0x01;  // 16 MiB and 1 byte announced
  return frame;
}

INSTANTIATE_TEST_SUITE_P(Frames, HandOffServerRefusal,
                         testing::Values(oversizeHeader(),
                                         encodeHandOff({"/a"}).substr(0, 10) + "b",  // no terminating zero
                                         encodeHandOff({"/a"}).substr(0, 7),         // truncated, then silence
                                         std::string()));                          // nothing at all

TEST_F(HandOffServerTest, SilentPeerDoesNotHoldUpOthers) {
  auto silent = connectClient();
  send(*silent, encodeHandOff({"/slow.mp3"}).substr(0, 9));
  auto prompt = connectClient();
  send(*prompt, encodeHandOff({"/prompt.mp3"}));
  ASSERT_TRUE(spinUntil([&] { return !received_.empty(); }));
  EXPECT_EQ(received_, std::vector<QByteArrayList>{{"/prompt.mp3"}});
  EXPECT_EQ(silent->state(), QLocalSocket::ConnectedState);
}

TEST_F(HandOffServerTest, ConnectionsBeyondTheLimitAreClosed) {
  std::vector<std::unique_ptr<QLocalSocket>> idle;
  for (int i = 0; i < HandOffServer::kMaxOpenConnections; ++i) idle.push_back(connectClient());
  auto extra = connectClient();
  EXPECT_TRUE(spinUntil([&] { return extra->state() == QLocalSocket::UnconnectedState; }));
  EXPECT_TRUE(std::all_of(idle.begin(), idle.end(),
                          [](const auto& socket) { return socket->state() == QLocalSocket::ConnectedState; }));
}

// The sender blocks until it is answered, so it runs on its own thread while this one
// serves the event loop.
HandOffResult sendFromThread(const QString& path, const std::vector<std::string>& paths,
                             std::chrono::milliseconds timeout = kHandOffSendTimeout) {
  auto result = std::async(std::launch::async, [=] { return sendHandOff(path, paths, timeout); });
  spinUntil([&] { return result.wait_for(0s) == std::future_status::ready; });
  return result.get();
}

TEST_F(HandOffServerTest, SenderIsAnsweredOnceTheBlockIsHandled) {
  const std::string path = "/data/\x01\xfe odd bytes.wav";
  EXPECT_EQ(sendFromThread(socketPath(), {path}), HandOffResult::Delivered);
  EXPECT_EQ(received_, std::vector<QByteArrayList>{{QByteArray::fromStdString(path)}});
}

TEST_F(HandOffServerTest, SenderGivesUpOnAnArgumentTooLongToAccept) {
  EXPECT_EQ(sendFromThread(socketPath(), {std::string(kHandOffMaxBlockBytes, 'p')}), HandOffResult::TooLong);
  EXPECT_TRUE(received_.empty());
}

// A player listens before its list is loaded: what arrives meanwhile waits, unanswered, and
// its sender with it, until the player takes it.
TEST(HandOffServerHold, BlockBeforeTheReceiverIsHeldAndAnsweredOnceDelivered) {
  QTemporaryDir folder(QDir::tempPath() + QStringLiteral("/tembr-handoff-XXXXXX"));
  const QString path = folder.filePath(QStringLiteral("TForm_player"));
  HandOffServer server;
  ASSERT_TRUE(server.listen(path, HandOffServer::StaleSocket::Keep));
  auto result = std::async(std::launch::async, [=] { return sendHandOff(path, {"/early.mp3"}); });
  // Time for the block to arrive and be read; the sender must still be waiting after it.
  for (const QDeadlineTimer read(300ms); !read.hasExpired();) QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
  ASSERT_EQ(result.wait_for(0s), std::future_status::timeout) << "answered before the player took the block";
  std::vector<QByteArrayList> received;
  server.deliverTo([&](const QByteArrayList& paths) { received.push_back(paths); });
  spinUntil([&] { return result.wait_for(0s) == std::future_status::ready; });
  EXPECT_EQ(result.get(), HandOffResult::Delivered);
  EXPECT_EQ(received, std::vector<QByteArrayList>{{"/early.mp3"}});
}

TEST(HandOffSender, WithoutListenerNothingIsDelivered) {
  QTemporaryDir folder(QDir::tempPath() + QStringLiteral("/tembr-handoff-XXXXXX"));
  EXPECT_EQ(sendHandOff(folder.filePath(QStringLiteral("TForm_player")), {"/a.mp3"}), HandOffResult::NoListener);
}

// Leaves a socket file behind with no one listening, as a killed instance does.
void leaveStaleSocket(const QString& path) {
  const int descriptor = ::socket(AF_UNIX, SOCK_STREAM, 0);
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  const QByteArray native = QFile::encodeName(path);
  std::memcpy(address.sun_path, native.constData(), static_cast<std::size_t>(native.size()));
  ASSERT_EQ(::bind(descriptor, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
  ::close(descriptor);
}

TEST(HandOffSender, StaleSocketMeansNoListener) {
  QTemporaryDir folder(QDir::tempPath() + QStringLiteral("/tembr-handoff-XXXXXX"));
  const QString path = folder.filePath(QStringLiteral("TForm_player"));
  leaveStaleSocket(path);
  EXPECT_EQ(sendHandOff(path, {"/a.mp3"}), HandOffResult::NoListener);
}

TEST(HandOffSender, ListenerThatNeverAnswersTimesOut) {
  QTemporaryDir folder(QDir::tempPath() + QStringLiteral("/tembr-handoff-XXXXXX"));
  const QString path = folder.filePath(QStringLiteral("TForm_player"));
  QLocalServer mute;
  ASSERT_TRUE(mute.listen(path));
  EXPECT_EQ(sendFromThread(path, {"/a.mp3"}, 300ms), HandOffResult::NoAnswer);
}

TEST(HandOffServerStaleSocket, RemovedOnlyWhenAskedTo) {
  QTemporaryDir folder(QDir::tempPath() + QStringLiteral("/tembr-handoff-XXXXXX"));
  const QString path = folder.filePath(QStringLiteral("TForm_player"));
  leaveStaleSocket(path);
  std::vector<QByteArrayList> received;
  HandOffServer server;
  server.deliverTo([&](const QByteArrayList& paths) { received.push_back(paths); });
  EXPECT_FALSE(server.listen(path, HandOffServer::StaleSocket::Keep));
  ASSERT_TRUE(server.listen(path, HandOffServer::StaleSocket::Remove));
  EXPECT_EQ(sendFromThread(path, {"/after-crash.mp3"}), HandOffResult::Delivered);
  EXPECT_EQ(received, std::vector<QByteArrayList>{{"/after-crash.mp3"}});
}

}  // namespace
