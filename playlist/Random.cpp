#include "playlist/Random.h"

#include <chrono>

namespace {
uint32_t seed = 0;
}

uint32_t RandomBelow(uint32_t n) {
  seed = seed * 134775813u + 1u;
  return static_cast<uint32_t>((static_cast<uint64_t>(seed) * n) >> 32);
}

void Reseed() {
  const auto ticks = std::chrono::steady_clock::now().time_since_epoch().count();
  seed = static_cast<uint32_t>(ticks);
}

int32_t RandomEntry(int32_t count) {
  Reseed();
  const auto range = static_cast<uint32_t>(count - 1);
  RandomBelow(range);
  RandomBelow(range);
  return static_cast<int32_t>(RandomBelow(range));
}

void SetRandomSeed(uint32_t value) { seed = value; }
uint32_t RandomSeed() { return seed; }
