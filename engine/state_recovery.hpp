// Direct recovery of the generator states that carry two individual-value
// words: the states s whose output has bits 0-14 equal to the first word and
// whose successor's output has bits 0-14 equal to the second. Instead of
// stepping all 2^17 states with the right high half, the condition on the
// successor is a window condition on (multiplier x low) mod 2^31, answered
// from a table of the 65536 products bucketed by their high bits.
#pragma once
#include <cstdint>

namespace vh {

// Any window of 65536 consecutive values mod 2^31 holds at most 3 of the
// products (checked by a test over all windows); room is left to spare.
inline constexpr int kMaxIvLows = 8;

struct IvStates {
    int count = 0;
    std::uint32_t states[2 * kMaxIvLows];
};

// The matching low halves, ascending. They do not depend on bit 15 of the
// first word: the multiplier is odd, so that bit only moves bit 31 of the
// successor, which carries no individual value.
int find_iv_lows(std::uint16_t first15, std::uint16_t second15, std::uint16_t (&lows)[kMaxIvLows]);

// All matching states in the order of a literal scan: bit 15 of the first
// output 0 then 1, and within each the low half ascending.
IvStates find_iv_states(std::uint16_t first15, std::uint16_t second15);

// Any window of 65536 consecutive values mod 2^32 holds at most 4 of the
// products (kMul x low) mod 2^32 (checked by a test); room is left to spare.
inline constexpr int kMaxPairStates = 8;

// The states whose output is `first` and whose successor's output is
// `second` (all 16 bits of each), ascending; about one on average.
int find_pair_states(std::uint16_t first, std::uint16_t second, std::uint32_t (&states)[kMaxPairStates]);

// Encodes the six values H, A, B (first) or S, C, D (second) as a word.
constexpr std::uint16_t iv_word(int x, int y, int z) {
    return static_cast<std::uint16_t>((z << 10) | (y << 5) | x);
}

}  // namespace vh
