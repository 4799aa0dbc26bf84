#pragma once

// Runs the event loop until a condition holds, for at most ten seconds.

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <chrono>

template <typename Predicate>
bool spinUntil(Predicate done) {
  const QDeadlineTimer bound(std::chrono::seconds(10));
  while (!done() && !bound.hasExpired()) QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
  return done();
}
