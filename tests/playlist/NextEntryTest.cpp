#include <gtest/gtest.h>

#include <ostream>

#include "playlist/NextEntry.h"

namespace {

struct NextCase {
  const char* what;
  int current;
  int count;
  EndOfListRules rules;
  int next;
  bool acts;  // whether the end starts or closes anything
};

void PrintTo(const NextCase& c, std::ostream* out) { *out << c.what; }

class NextEntryTest : public ::testing::TestWithParam<NextCase> {};

TEST_P(NextEntryTest, IsKnownOnlyWhenTheEndOfTheEntryCanStartNothingElse) {
  const NextCase& c = GetParam();
  EXPECT_EQ(certainNextEntry(c.current, c.count, c.rules), c.next) << c.what;
  EXPECT_EQ(endOfEntryActs(c.current, c.count, c.rules), c.acts) << c.what;
}

constexpr EndOfListRules kNone{};
constexpr EndOfListRules kExit{true, false, false};
constexpr EndOfListRules kRepeat{false, true, false};
constexpr EndOfListRules kRandom{false, false, true};
constexpr EndOfListRules kRepeatAndRandom{false, true, true};
constexpr EndOfListRules kExitAndRepeat{true, true, false};

const NextCase kCases[] = {
    {"the next entry in the list", 2, 5, kNone, 3, true},
    {"the next entry, whatever the rules", 2, 5, kRepeatAndRandom, 3, true},
    {"no entry yet: the first", -1, 3, kNone, 0, true},
    {"the last entry, no rule: nothing", 4, 5, kNone, -1, false},
    {"the last entry, repeat: the first", 4, 5, kRepeat, 0, true},
    {"one entry, repeat: itself", 0, 1, kRepeat, 0, true},
    {"the last entry, random: not before its draw", 4, 5, kRandom, -1, true},
    {"repeat and random: random replaces the first", 4, 5, kRepeatAndRandom, -1, true},
    {"exit at the last entry: the window closes", 4, 5, kExitAndRepeat, -1, true},
    {"beyond the end, exit and repeat: exit waits, repeat starts the first", 7, 5, kExitAndRepeat, 0, true},
    {"beyond the end, exit alone: nothing", 7, 5, kExit, -1, false},
    {"an empty list: nothing", 0, 0, kRepeat, -1, false},
    {"exit alone at the last entry: the window closes", 4, 5, kExit, -1, true},
};

INSTANTIATE_TEST_SUITE_P(Rules, NextEntryTest, ::testing::ValuesIn(kCases));

}  // namespace
