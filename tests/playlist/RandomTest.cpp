#include <gtest/gtest.h>

#include <vector>

#include "playlist/Random.h"

namespace {

// Each test runs in a fresh process (one test per process under ctest), but may be run
// together by hand, so each one sets the seed it relies on.

TEST(Random, FirstThreeDrawsBelowHundredFromSeedZeroAreTheStemColour) {
  SetRandomSeed(0);
  std::vector<uint32_t> draws;
  for (int i = 0; i < 3; ++i) draws.push_back(RandomBelow(100));
  EXPECT_EQ(draws, (std::vector<uint32_t>{0, 3, 86}));
}

TEST(Random, SeedAdvancesByTheLinearCongruence) {
  // seed' = seed * 134775813 + 1 (mod 2^32), worked out by hand.
  SetRandomSeed(0);
  RandomBelow(10);
  EXPECT_EQ(RandomSeed(), 1u);
  RandomBelow(10);
  EXPECT_EQ(RandomSeed(), 134775814u);
  SetRandomSeed(0xFFFFFFFFu);
  RandomBelow(10);
  EXPECT_EQ(RandomSeed(), 4160191484u);
}

// The multiplier's inverse modulo 2^32 sets the seed that one step turns into a chosen value.
constexpr uint32_t kInverseMultiplier = 0xD94FA8CDu;
static_assert(134775813u * kInverseMultiplier == 1u);

TEST(Random, ResultIsTheUpperHalfOfTheAdvancedSeedTimesN) {
  struct Case {
    uint32_t seedAfter;
    uint32_t n;
    uint32_t expected;
  };
  for (const Case& c : {Case{0x80000000u, 1000, 500}, Case{0xFFFFFFFFu, 7, 6}, Case{0x40000000u, 0xFFFFFFFFu, 0x3FFFFFFFu},
                        Case{0xFFFFFFFFu, 1, 0}}) {
    SetRandomSeed((c.seedAfter - 1u) * kInverseMultiplier);
    EXPECT_EQ(RandomBelow(c.n), c.expected) << c.seedAfter << " " << c.n;
    EXPECT_EQ(RandomSeed(), c.seedAfter);
  }
}

TEST(Random, ZeroBoundGivesZeroAndStillAdvances) {
  SetRandomSeed(5);
  EXPECT_EQ(RandomBelow(0), 0u);
  EXPECT_EQ(RandomSeed(), 673879066u);
}

TEST(Random, FromAKnownSeedTheDrawsAreKnown) {
  // Worked out apart from the code, with arbitrary-precision integers.
  SetRandomSeed(12345);
  std::vector<uint32_t> draws;
  for (uint32_t n : {100u, 100u, 100u, 2u, 3u, 0xFFFFFFFFu, 256u}) draws.push_back(RandomBelow(n));
  EXPECT_EQ(draws, (std::vector<uint32_t>{38, 28, 7, 1, 1, 1467157058, 112}));
  EXPECT_EQ(RandomSeed(), 1889648464u);
}

}  // namespace
