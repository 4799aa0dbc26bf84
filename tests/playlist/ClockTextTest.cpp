#include <gtest/gtest.h>

#include <limits>
#include <ostream>

#include "playlist/ClockText.h"

namespace {

constexpr double kSecondsPerDay = 86400.0;

struct ClockCase {
  const char* what;
  double dayFraction;
  const char* text;
};

void PrintTo(const ClockCase& c, std::ostream* out) { *out << c.what; }

class ClockTextTest : public ::testing::TestWithParam<ClockCase> {};

TEST_P(ClockTextTest, FormatsHoursMinutesSecondsOfTheDay) {
  const ClockCase& c = GetParam();
  EXPECT_EQ(ClockText(c.dayFraction).toString(), QString::fromLatin1(c.text)) << c.what;
}

const ClockCase kCases[] = {
    {"zero", 0.0, "00:00:00"},
    {"a track of 3 min 25.4 s", 205.4 / kSecondsPerDay, "00:03:25"},
    {"rounding to the millisecond comes first", 59.9996 / kSecondsPerDay, "00:01:00"},
    {"hours, minutes and seconds", (10 * 3600 + 7 * 60 + 45) / kSecondsPerDay, "10:07:45"},
    {"just under a day rounds to midnight", 86399.9996 / kSecondsPerDay, "00:00:00"},
    {"a day and more shows its time of day", 1.0 + 3661 / kSecondsPerDay, "01:01:01"},
    {"a negative value shows its magnitude", -0.25, "06:00:00"},
    {"not a number", std::numeric_limits<double>::quiet_NaN(), "00:00:00"},
    {"too large to count in milliseconds", 1e305, "00:00:00"},
    {"more milliseconds than a 64-bit count holds", 1e12, "00:00:00"},
};

INSTANTIATE_TEST_SUITE_P(Table, ClockTextTest, ::testing::ValuesIn(kCases));

}  // namespace
