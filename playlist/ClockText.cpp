#include "playlist/ClockText.h"

#include <cmath>
#include <cstdint>

namespace {
constexpr double kMillisecondsPerDay = 86400000.0;
constexpr int64_t kMillisecondsPerSecond = 1000;
constexpr int64_t kSecondsPerMinute = 60;
constexpr int64_t kSecondsPerHour = 3600;

void putTwoDigits(char* out, int64_t value) {
  out[0] = static_cast<char>('0' + value / 10);
  out[1] = static_cast<char>('0' + value % 10);
}

// Milliseconds since midnight. Rounding happens on the whole value first, so that 23:59:59.9996
// becomes the next midnight rather than a sixty-first second; fmod of a whole number by a whole
// number is exact, and keeps values far beyond any integer range well defined.
int64_t millisecondsOfDay(std::chrono::duration<double, std::milli> time) {
  const double milliseconds = std::nearbyint(std::fabs(time.count()));
  if (!std::isfinite(milliseconds)) return 0;
  return static_cast<int64_t>(std::fmod(milliseconds, kMillisecondsPerDay));
}
}  // namespace

ClockText::ClockText(std::chrono::duration<double, std::milli> time) {
  const int64_t seconds = millisecondsOfDay(time) / kMillisecondsPerSecond;
  char* out = chars_.data();
  putTwoDigits(out, seconds / kSecondsPerHour);
  out[2] = ':';
  putTwoDigits(out + 3, seconds % kSecondsPerHour / kSecondsPerMinute);
  out[5] = ':';
  putTwoDigits(out + 6, seconds % kSecondsPerMinute);
  out[kLength] = '\0';
}
