#include <gtest/gtest.h>

#include "tests/support/EventLoopWait.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QWidget>
#include <csignal>
#include <vector>

#include "app/TerminationSignals.h"

using namespace std::chrono_literals;

namespace {

class EntrySignals : public testing::TestWithParam<int> {};

TEST_P(EntrySignals, RequestToEndArrivesOnTheEventLoopAndClosesTheWindow) {
  TerminationSignals termination;
  std::vector<int> received;
  QObject::connect(&termination, &TerminationSignals::received, [&](int number) { received.push_back(number); });
  QWidget window;
  window.show();
  QObject::connect(&termination, &TerminationSignals::received, &window, &QWidget::close);

  ASSERT_EQ(::raise(GetParam()), 0);  // without the handler this would end the test
  ASSERT_TRUE(spinUntil([&] { return !received.empty(); }));
  EXPECT_EQ(received, std::vector<int>{GetParam()});
  EXPECT_FALSE(window.isVisible());
}

INSTANTIATE_TEST_SUITE_P(Signals, EntrySignals, testing::Values(SIGTERM, SIGINT, SIGHUP));

TEST(EntrySignalsLater, RepeatedRequestsAreAbsorbedWhileShuttingDown) {
  TerminationSignals termination;
  int count = 0;
  QObject::connect(&termination, &TerminationSignals::received, [&] { ++count; });
  ::raise(SIGTERM);
  ::raise(SIGHUP);
  ASSERT_TRUE(spinUntil([&] { return count > 0; }));
  // A second request must not kill the process while the shutdown steps run.
  ::raise(SIGTERM);
  ASSERT_TRUE(spinUntil([&] { return count > 1; }));
}

TEST(EntrySignalsLater, PreviousHandlersComeBackAfterwards) {
  struct sigaction ignore {};
  ignore.sa_handler = SIG_IGN;
  sigemptyset(&ignore.sa_mask);
  for (int number : TerminationSignals::kSignals) ::sigaction(number, &ignore, nullptr);
  {
    TerminationSignals termination;
    struct sigaction current {};
    ::sigaction(SIGTERM, nullptr, &current);
    EXPECT_NE(current.sa_handler, SIG_IGN);
  }
  for (int number : TerminationSignals::kSignals) {
    struct sigaction current {};
    ::sigaction(number, nullptr, &current);
    EXPECT_EQ(current.sa_handler, SIG_IGN) << number;
  }
  // A second object can be made once the first is gone.
  TerminationSignals again;
  int count = 0;
  QObject::connect(&again, &TerminationSignals::received, [&] { ++count; });
  ::raise(SIGINT);
  EXPECT_TRUE(spinUntil([&] { return count == 1; }));
}

}  // namespace
