#pragma once

// The "hh:mm:ss" read-outs of the transport panel. Times arrive as fractions of a day; the
// text is built in place so that the playback tick can compare it with the label it feeds
// without allocating.

#include <QLatin1String>
#include <QString>
#include <array>

class ClockText {
 public:
  // Hours of the day, minutes and seconds of `dayFraction`, rounded to the nearest
  // millisecond (an exact half to the even neighbour) with the part below a second dropped.
  // A value of a day or more shows its time of day, a negative one the time of day of its
  // magnitude, and a value that is not finite shows "00:00:00".
  explicit ClockText(double dayFraction);

  QLatin1String view() const { return QLatin1String(chars_.data(), kLength); }
  QString toString() const { return view(); }

 private:
  static constexpr int kLength = 8;
  std::array<char, kLength + 1> chars_{};
};
