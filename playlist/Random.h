#pragma once

// The player's shared pseudo-random generator: a 32-bit linear congruential generator whose
// seed is 0 when the program starts. GUI thread only.

#include <cstdint>

// Advances the seed and returns a value in 0..n-1 (0 for n = 0).
uint32_t RandomBelow(uint32_t n);
// Sets the seed from the high-resolution clock.
void Reseed();
// The random end-of-list rule's draw in a list of `count` entries (at least one): reseeds,
// then draws three times below count - 1 and takes the third. The range is one short of the
// list, so the last entry is never drawn.
int32_t RandomEntry(int32_t count);
// Sets the seed directly (tests).
void SetRandomSeed(uint32_t seed);
uint32_t RandomSeed();
