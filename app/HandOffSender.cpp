#include "app/HandOffSender.h"

#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <QFile>
#include <cerrno>
#include <cstring>
#include <algorithm>
#include <optional>
#include <string>
#include <thread>

#include "app/HandOffMessage.h"
#include "app/SingleInstance.h"

namespace {

using Clock = std::chrono::steady_clock;

class Descriptor {
 public:
  explicit Descriptor(int value) : value_(value) {}
  ~Descriptor() {
    if (value_ >= 0) ::close(value_);
  }
  Descriptor(const Descriptor&) = delete;
  Descriptor& operator=(const Descriptor&) = delete;
  int get() const { return value_; }

 private:
  int value_;
};

int remainingMs(Clock::time_point deadline) {
  const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
  return left > 0 ? static_cast<int>(left) : 0;
}

// Waits for `events` on the socket; false on timeout or error.
bool waitFor(int socket, short events, Clock::time_point deadline) {
  for (;;) {
    pollfd entry{socket, events, 0};
    const int ready = ::poll(&entry, 1, remainingMs(deadline));
    if (ready > 0) return true;
    if (ready == 0 || errno != EINTR) return false;
  }
}

enum class ConnectResult { Connected, NoListener, TimedOut };

ConnectResult connectTo(int socket, const QByteArray& path, Clock::time_point deadline) {
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  if (path.size() >= static_cast<qsizetype>(sizeof(address.sun_path))) return ConnectResult::NoListener;
  std::memcpy(address.sun_path, path.constData(), static_cast<std::size_t>(path.size()));
  for (;;) {
    if (::connect(socket, reinterpret_cast<const sockaddr*>(&address), sizeof(address)) == 0) {
      return ConnectResult::Connected;
    }
    if (errno == EINTR) continue;
    // A full backlog answers EAGAIN on a non-blocking local socket: try again shortly.
    if (errno == EAGAIN) {
      if (remainingMs(deadline) == 0) return ConnectResult::TimedOut;
      ::usleep(10'000);
      continue;
    }
    return ConnectResult::NoListener;
  }
}

// Success, or the failure as the hand-off's result.
std::optional<HandOffResult> sendAll(int socket, std::string_view bytes, Clock::time_point deadline) {
  while (!bytes.empty()) {
    const ssize_t sent = ::send(socket, bytes.data(), bytes.size(), MSG_NOSIGNAL);
    if (sent > 0) {
      bytes.remove_prefix(static_cast<std::size_t>(sent));
    } else if (sent < 0 && errno == EINTR) {
      continue;
    } else if (sent < 0 && errno == EAGAIN) {
      if (!waitFor(socket, POLLOUT, deadline)) return HandOffResult::NoAnswer;
    } else {
      // The receiver closed the connection: it refused what it had read so far, or it is
      // shutting down.
      return HandOffResult::Refused;
    }
  }
  return std::nullopt;
}

}  // namespace

HandOffResult sendHandOff(const QString& socketPath, const std::vector<std::string>& paths,
                          std::chrono::milliseconds timeout) {
  const Clock::time_point deadline = Clock::now() + timeout;
  if (!handOffFits(paths)) return HandOffResult::TooLong;
  Descriptor socket(::socket(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0));
  if (socket.get() < 0) return HandOffResult::NoListener;
  switch (connectTo(socket.get(), QFile::encodeName(socketPath), deadline)) {
    case ConnectResult::Connected: break;
    case ConnectResult::NoListener: return HandOffResult::NoListener;
    case ConnectResult::TimedOut: return HandOffResult::NoAnswer;
  }
  if (const auto failure = sendAll(socket.get(), encodeHandOff(paths), deadline)) return *failure;

  for (;;) {
    if (!waitFor(socket.get(), POLLIN, deadline)) return HandOffResult::NoAnswer;
    char answer = 0;
    const ssize_t got = ::recv(socket.get(), &answer, 1, 0);
    if (got == 1) return answer == kHandOffAcknowledgement ? HandOffResult::Delivered : HandOffResult::Refused;
    if (got == 0) return HandOffResult::Refused;
    if (errno != EINTR && errno != EAGAIN) return HandOffResult::Refused;
  }
}

SecondStart handOffOrTakeOver(const QString& socketPath, const QString& lockPath,
                              const std::vector<std::string>& paths, std::chrono::milliseconds patience) {
  const Clock::time_point deadline = Clock::now() + patience;
  for (;;) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
    switch (sendHandOff(socketPath, paths, std::max(left, std::chrono::milliseconds::zero()))) {
      case HandOffResult::Delivered: return SecondStart::HandedOver;
      case HandOffResult::TooLong: return SecondStart::TooLong;
      case HandOffResult::NoListener:
      case HandOffResult::Refused:
      case HandOffResult::NoAnswer: break;
    }
    // The player that holds the lock may not listen yet, or no longer: one that is starting
    // listens soon, one that is ending lets go of the lock soon.
    if (acquireSingleInstanceLock(lockPath) == LockState::Held) return SecondStart::TookTheLock;
    if (Clock::now() >= deadline) return SecondStart::GaveUp;
    std::this_thread::sleep_for(std::min(kHandOffRetryInterval, std::chrono::duration_cast<std::chrono::milliseconds>(
                                                                     deadline - Clock::now())));
  }
}
