#include "OrvelRandom.h"

#include <chrono>

namespace OrvelRandom {
namespace {

std::uint32_t randSeed = 0;

std::uint32_t monotonicClock() {
    const auto now = std::chrono::steady_clock::now().time_since_epoch();
    return std::uint32_t(std::chrono::duration_cast<std::chrono::nanoseconds>(now).count());
}

std::function<std::uint32_t()>& clock() {
    static std::function<std::uint32_t()> source = monotonicClock;
    return source;
}

} // namespace

void Randomize() {
    randSeed = clock()();
}

std::uint32_t Random(std::uint32_t bound) {
    randSeed = randSeed * 134775813u + 1u;
    return std::uint32_t((std::uint64_t(bound) * randSeed) >> 32);
}

std::uint32_t seed() {
    return randSeed;
}
void setSeed(std::uint32_t value) {
    randSeed = value;
}

void setClock(std::function<std::uint32_t()> source) {
    clock() = source ? std::move(source) : std::function<std::uint32_t()>(monotonicClock);
}

} // namespace OrvelRandom
