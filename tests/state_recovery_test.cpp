#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <vector>

#include "engine/lcg.hpp"
#include "engine/state_recovery.hpp"

namespace vh {
namespace {

// The literal scan over all 2^17 states with the right high half.
std::vector<std::uint32_t> scan_states(std::uint16_t first15, std::uint16_t second15) {
    std::vector<std::uint32_t> r;
    for (std::uint32_t bit15 = 0; bit15 < 2; ++bit15)
        for (std::uint32_t low = 0; low < 65536; ++low) {
            const std::uint32_t s = ((bit15 << 15 | first15) << 16) | low;
            if ((output_of(next_seed(s)) & 0x7FFF) == second15) r.push_back(s);
        }
    return r;
}

TEST(StateRecovery, MatchesTheLiteralScanInOrder) {
    std::mt19937 rng(7);
    for (int i = 0; i < 300; ++i) {
        const auto a = static_cast<std::uint16_t>(rng() & 0x7FFF), b = static_cast<std::uint16_t>(rng() & 0x7FFF);
        const IvStates got = find_iv_states(a, b);
        const std::vector<std::uint32_t> want = scan_states(a, b);
        ASSERT_EQ(std::vector<std::uint32_t>(got.states, got.states + got.count), want) << a << " " << b;
    }
    // A pair taken from a real state always finds that state.
    for (int i = 0; i < 1000; ++i) {
        const std::uint32_t s = rng();
        const IvStates got = find_iv_states(output_of(s) & 0x7FFF, output_of(next_seed(s)) & 0x7FFF);
        EXPECT_NE(std::find(got.states, got.states + got.count, s), got.states + got.count);
    }
}

TEST(StateRecovery, NoWindowHoldsMoreLowsThanTheCapacity) {
    std::vector<std::uint32_t> p(65536);
    for (std::uint32_t l = 0; l < 65536; ++l) p[l] = (kMul * l) & 0x7FFFFFFF;
    std::sort(p.begin(), p.end());
    std::size_t most = 0;
    for (std::size_t i = 0, j = 0; i < p.size(); ++i) {
        while (j < i + p.size() && ((p[j % p.size()] - p[i]) & 0x7FFFFFFF) < 65536) ++j;
        most = std::max(most, j - i);
    }
    EXPECT_LE(most, static_cast<std::size_t>(kMaxIvLows));
}

// Whole 16-bit outputs: against stepping every state with the right high half.
TEST(StateRecovery, PairStatesMatchTheLiteralScan) {
    std::mt19937 rng(11);
    std::size_t most = 0;
    for (int i = 0; i < 200; ++i) {
        const std::uint32_t real = rng();
        const auto a = output_of(real);
        const auto b = static_cast<std::uint16_t>(i % 2 ? output_of(next_seed(real)) : rng());
        std::vector<std::uint32_t> want;
        for (std::uint32_t low = 0; low < 65536; ++low)
            if (output_of(next_seed(std::uint32_t{a} << 16 | low)) == b) want.push_back(std::uint32_t{a} << 16 | low);
        std::uint32_t got[kMaxPairStates];
        const int n = find_pair_states(a, b, got);
        ASSERT_EQ(std::vector<std::uint32_t>(got, got + n), want) << a << " " << b;
        most = std::max(most, want.size());
    }
    // The capacity: the most products (kMul x low) mod 2^32 in any window of 65536.
    std::vector<std::uint32_t> p(65536);
    for (std::uint32_t l = 0; l < 65536; ++l) p[l] = kMul * l;
    std::sort(p.begin(), p.end());
    for (std::size_t i = 0, j = 0; i < p.size(); ++i) {
        while (j < i + p.size() && p[j % p.size()] - p[i] < 65536u) ++j;
        most = std::max(most, j - i);
    }
    EXPECT_LE(most, static_cast<std::size_t>(kMaxPairStates));
}

}  // namespace
}  // namespace vh
