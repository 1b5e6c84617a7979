#pragma once

#include <cstdint>
#include <functional>

// The program's one pseudo-random generator: a linear congruential sequence whose draws are the
// high half of bound x seed, so they are uniform enough for "one time in N" choices.
namespace OrvelRandom {

// Seeds from the low 32 bits of the monotonic clock (nanoseconds).
void Randomize();

// A value from 0 to bound - 1; 0 for a bound of 0.
std::uint32_t Random(std::uint32_t bound);

std::uint32_t seed();
void setSeed(std::uint32_t seed);

// Replaces the clock Randomize reads (tests fix it here); an empty function puts the real one
// back.
void setClock(std::function<std::uint32_t()> clock);

} // namespace OrvelRandom
