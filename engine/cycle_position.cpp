#include "engine/cycle_position.hpp"

#include "engine/lcg.hpp"

namespace vh {

namespace {

struct CycleTable {
    CycleLow low[65536];

    CycleTable() {
        constexpr Jump kLap = jump(65536);
        std::uint32_t s = 0;
        for (std::uint32_t k = 0; k < 65536; ++k, s = next_seed(s)) {
            CycleLow& c = low[s & 0xFFFFu];
            c.steps = static_cast<std::uint16_t>(k);
            c.high = static_cast<std::uint16_t>(s >> 16);
            const std::uint32_t move = (kLap.apply(s) - s) >> 16 & 0xFFFFu;
            // Newton's iteration doubles the correct low bits of an odd number's inverse.
            std::uint32_t inv = move;
            for (int i = 0; i < 4; ++i) inv *= 2u - move * inv;
            c.move = static_cast<std::uint16_t>(move);
            c.move_inv = static_cast<std::uint16_t>(inv);
        }
    }
};

}  // namespace

const CycleLow* cycle_lows() {
    static const CycleTable table;
    return table.low;
}

}  // namespace vh
