#pragma once

// The "hh:mm:ss" read-outs of the transport panel. The text is built in place so that the
// playback tick can compare it with the label it feeds without allocating. GUI thread.

#include <QLatin1String>
#include <QString>
#include <array>
#include <chrono>

class ClockText {
 public:
  // Hours of the day, minutes and seconds of `time`, rounded to the nearest millisecond (an
  // exact half to the even neighbour) with the part below a second dropped. A time of a day
  // or more shows its time of day, a negative one the time of day of its magnitude, and one
  // that is not finite shows "00:00:00". Any floating-point std::chrono duration converts to
  // the parameter by itself.
  explicit ClockText(std::chrono::duration<double, std::milli> time);

  QLatin1String view() const { return QLatin1String(chars_.data(), kLength); }
  QString toString() const { return view(); }

 private:
  static constexpr int kLength = 8;
  std::array<char, kLength + 1> chars_{};
};
