#include "OrvelRandom.h"

#include <gtest/gtest.h>

#include <array>

TEST(OrvelRandom, AdvancesTheSeedAndTakesTheHighHalfOfTheProduct) {
    OrvelRandom::setSeed(0);
    EXPECT_EQ(OrvelRandom::Random(5), 0u); // seed 1: 5 x 1 >> 32
    EXPECT_EQ(OrvelRandom::seed(), 1u);
    EXPECT_EQ(OrvelRandom::Random(6), 0u); // seed 134775814
    EXPECT_EQ(OrvelRandom::seed(), 134775814u);

    OrvelRandom::setSeed(0xFFFFFFFFu);
    // (0xFFFFFFFF x 134775813 + 1) mod 2^32 = 4160191484; 6 x that >> 32 = 5.
    EXPECT_EQ(OrvelRandom::Random(6), 5u);
    EXPECT_EQ(OrvelRandom::seed(), 4160191484u);
    EXPECT_EQ(OrvelRandom::Random(0), 0u);
}

TEST(OrvelRandom, RandomizeSeedsFromTheClock) {
    OrvelRandom::setClock([] { return 12345u; });
    OrvelRandom::Randomize();
    EXPECT_EQ(OrvelRandom::seed(), 12345u);
    OrvelRandom::setClock({});
    OrvelRandom::Randomize();
    const std::uint32_t first = OrvelRandom::seed();
    OrvelRandom::Randomize();
    EXPECT_NE(OrvelRandom::seed(), first) << "the real clock moves on";
}

TEST(OrvelRandom, DrawsAreInRangeAndRoughlyUniform) {
    OrvelRandom::setSeed(2024);
    std::array<int, 6> counts{};
    constexpr int draws = 60000;
    for (int i = 0; i < draws; ++i) {
        const auto v = OrvelRandom::Random(6);
        ASSERT_LT(v, 6u);
        ++counts[v];
    }
    for (int c : counts)
        EXPECT_NEAR(c, draws / 6, draws / 60);
}
