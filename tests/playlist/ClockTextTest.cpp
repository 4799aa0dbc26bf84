#include <gtest/gtest.h>

#include <chrono>
#include <limits>
#include <ostream>

#include "playlist/ClockText.h"

namespace {

using namespace std::chrono_literals;
// The track's times count fractions of a day.
using Days = std::chrono::duration<double, std::ratio<86400>>;

struct ClockCase {
  const char* what;
  std::chrono::duration<double, std::milli> time;
  const char* text;
};

void PrintTo(const ClockCase& c, std::ostream* out) { *out << c.what; }

class ClockTextTest : public ::testing::TestWithParam<ClockCase> {};

TEST_P(ClockTextTest, FormatsHoursMinutesSecondsOfTheDay) {
  const ClockCase& c = GetParam();
  EXPECT_EQ(ClockText(c.time).toString(), QString::fromLatin1(c.text)) << c.what;
}

const ClockCase kCases[] = {
    {"zero", 0s, "00:00:00"},
    {"a track of 3 min 25.4 s", 205.4s, "00:03:25"},
    {"the same as a fraction of a day", Days(205.4 / 86400.0), "00:03:25"},
    {"rounding to the millisecond comes first", 59.9996s, "00:01:00"},
    {"hours, minutes and seconds", 10h + 7min + 45s, "10:07:45"},
    {"just under a day rounds to midnight", 86399.9996s, "00:00:00"},
    {"a day and more shows its time of day", Days(1.0) + 3661s, "01:01:01"},
    {"a negative value shows its magnitude", Days(-0.25), "06:00:00"},
    {"not a number", Days(std::numeric_limits<double>::quiet_NaN()), "00:00:00"},
    {"too large to count in milliseconds", Days(1e305), "00:00:00"},
    {"more milliseconds than a 64-bit count holds", Days(1e12), "00:00:00"},
};

INSTANTIATE_TEST_SUITE_P(Table, ClockTextTest, ::testing::ValuesIn(kCases));

}  // namespace
