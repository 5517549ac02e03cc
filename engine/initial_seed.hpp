// The initial seed's layout (bits 24-31 from the date and time, 16-23 the
// hour, 0-15 the delay count) and the shapes the searches accept.
#pragma once
#include <cstdint>

#include "engine/lcg.hpp"

namespace vh {

constexpr std::uint32_t hour_of(std::uint32_t seed) { return (seed >> 16) & 0xFFu; }
constexpr std::uint32_t delay_of(std::uint32_t seed) { return seed & 0xFFFFu; }

// The initial seeds a search accepts: the hour byte within
// [first_hour, last_hour] and the delay count at most max_delay.
struct SeedShape {
    std::uint32_t first_hour = 0;
    std::uint32_t last_hour = 23;
    std::uint32_t max_delay = 0xFFFF;
    constexpr bool holds(std::uint32_t seed) const {
        // One unsigned comparison for the hour range.
        return hour_of(seed) - first_hour <= last_hour - first_hour && delay_of(seed) <= max_delay;
    }
};

// Calls take(j, r) for each state r of the shape that lies j = 1 .. steps
// backward steps before `state`, nearest first, until take returns false.
// Returns false when it was stopped so.
template <class Take>
bool seeds_before(std::uint32_t state, int steps, SeedShape shape, Take&& take) {
    std::uint32_t r = state;
    for (int j = 1; j <= steps; ++j) {
        r = prev_seed(r);
        if (shape.holds(r) && !take(j, r)) return false;
    }
    return true;
}

}  // namespace vh
