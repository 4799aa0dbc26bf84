#include "app/TerminationSignals.h"

#include <fcntl.h>
#include <unistd.h>

#include <QSocketNotifier>
#include <cerrno>

namespace {

// Both ends of the pipe; the handler writes to [1]. Only one TerminationSignals exists.
int pipeEnds[2] = {-1, -1};

void onSignal(int signalNumber) {
  const int savedErrno = errno;
  const unsigned char byte = static_cast<unsigned char>(signalNumber);
  // A full pipe already holds a request to end; losing this byte changes nothing.
  [[maybe_unused]] const ssize_t written = ::write(pipeEnds[1], &byte, 1);
  errno = savedErrno;
}

}  // namespace

TerminationSignals::TerminationSignals(QObject* parent) : QObject(parent) {
  Q_ASSERT(pipeEnds[0] < 0);
  if (::pipe2(pipeEnds, O_CLOEXEC | O_NONBLOCK) != 0) {
    pipeEnds[0] = pipeEnds[1] = -1;
    return;
  }
  notifier_ = new QSocketNotifier(pipeEnds[0], QSocketNotifier::Read, this);
  connect(notifier_, &QSocketNotifier::activated, this, &TerminationSignals::readPipe);

  struct sigaction action {};
  action.sa_handler = onSignal;
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_RESTART;
  for (std::size_t i = 0; i < kSignals.size(); ++i) ::sigaction(kSignals[i], &action, &previous_[i]);
  installed_ = true;
}

TerminationSignals::~TerminationSignals() {
  restoreHandlers();
  delete notifier_;
  for (int& end : pipeEnds) {
    if (end >= 0) ::close(end);
    end = -1;
  }
}

void TerminationSignals::restoreHandlers() {
  if (!installed_) return;
  for (std::size_t i = 0; i < kSignals.size(); ++i) ::sigaction(kSignals[i], &previous_[i], nullptr);
  installed_ = false;
}

void TerminationSignals::readPipe() {
  unsigned char bytes[16];
  ssize_t count;
  int first = 0;
  while ((count = ::read(pipeEnds[0], bytes, sizeof bytes)) > 0 || (count < 0 && errno == EINTR)) {
    if (count > 0 && first == 0) first = bytes[0];
  }
  if (first != 0) emit received(first);
}
