// The position of a state on the generator's single cycle of 2^32 states:
// the number of steps from state 0 to it (the same as distance(0, state)),
// in constant time.
//
// The low 16 bits of a state evolve on their own with period 2^16, so the
// position's low 16 bits follow from the state's low 16 bits alone. Every
// 2^16 steps the high half then moves by an odd amount that depends only on
// the low half (the multiplier of 2^16 steps is 1 modulo 2^18), so the
// remaining 16 bits of the position are a product with that amount's inverse.
#pragma once
#include <cstdint>

namespace vh {

struct CycleLow {
    std::uint16_t steps;      // position mod 2^16 of every state with this low half
    std::uint16_t high;       // high half of the state at position `steps`
    std::uint16_t move;       // odd: what 2^16 steps add to the high half
    std::uint16_t move_inv;   // its inverse mod 2^16
};

// One entry per low half, built once (512 KiB).
const CycleLow* cycle_lows();

inline std::uint32_t cycle_position(const CycleLow* lows, std::uint32_t state) {
    const CycleLow& c = lows[state & 0xFFFFu];
    const std::uint32_t laps = ((state >> 16) - c.high) * std::uint32_t{c.move_inv} & 0xFFFFu;
    return laps << 16 | c.steps;
}

inline std::uint32_t cycle_position(std::uint32_t state) { return cycle_position(cycle_lows(), state); }

}  // namespace vh
