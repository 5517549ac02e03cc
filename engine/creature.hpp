// Creature properties derived from generator outputs: personality value,
// nature, ability slot, gender value, shininess, individual values, hidden
// power, the shiny-locked composition and the ordinary encounter generation.
#pragma once
#include <array>
#include <cstdint>

#include "engine/lcg.hpp"

namespace vh {

inline constexpr int kNoNature = -1;
// `last` for an encounter generation that may read as far as it needs.
inline constexpr long kUnbounded = 0x7FFFFFFF;

// Six individual values, always in the order H, A, B, S, C, D.
using Ivs = std::array<int, 6>;

constexpr std::uint32_t make_pid(std::uint16_t first, std::uint16_t second) {
    return (std::uint32_t{second} << 16) | first;
}

constexpr Ivs ivs_from_words(std::uint16_t first, std::uint16_t second) {
    return {first & 31, (first >> 5) & 31, (first >> 10) & 31,
            second & 31, (second >> 5) & 31, (second >> 10) & 31};
}

constexpr int nature_of(std::uint32_t pid) { return static_cast<int>(pid % 25u); }
constexpr int ability_slot(std::uint32_t pid) { return static_cast<int>(pid & 1u) + 1; }
constexpr int gender_value(std::uint32_t pid) { return static_cast<int>(pid & 0xFFu); }

constexpr bool is_shiny(std::uint32_t pid, std::uint16_t tid, std::uint16_t sid) {
    return ((pid >> 16) ^ (pid & 0xFFFFu) ^ tid ^ sid) < 8u;
}

constexpr int hidden_power_type(const Ivs& iv) {
    int bits = 0;
    for (int i = 0; i < 6; ++i) bits |= (iv[i] & 1) << i;
    return 15 * bits / 63;
}

constexpr int hidden_power_power(const Ivs& iv) {
    int bits = 0;
    for (int i = 0; i < 6; ++i) bits |= ((iv[i] >> 1) & 1) << i;
    return 40 * bits / 63 + 30;
}

// A generated creature: its personality value and individual-value words.
struct Creature {
    std::uint32_t pid = 0;
    std::uint16_t first_word = 0;   // individual values H, A, B
    std::uint16_t second_word = 0;  // individual values S, C, D
};

// The ordinary creature whose words are the outputs of state g and its
// successor: its personality value is the pair of outputs just before them.
constexpr Creature creature_at_words(std::uint32_t g) {
    const std::uint32_t high = prev_seed(g);
    return {make_pid(output_of(prev_seed(high)), output_of(high)), output_of(g), output_of(next_seed(g))};
}

// The shiny-locked composition from `bit_window`, whose bit e (3 .. 15) is
// the lowest bit of r_e (bits 0-2 and 16-31 clear): bit e of the low half is
// r_e's, bit e of the high half that flipped where trainer ID XOR secret ID
// has bit e set.
constexpr std::uint32_t shiny_locked_pid_of_window(std::uint16_t tid, std::uint16_t sid, std::uint16_t high_seed,
                                                   std::uint16_t low_seed, std::uint32_t bit_window) {
    const std::uint32_t high = (high_seed & 7u) | ((bit_window ^ tid ^ sid) & 0xFFF8u);
    const std::uint32_t low = (low_seed & 7u) | bit_window;
    return (high << 16) | low;
}

// `bits` are the 13 outputs r3 .. r15 in generation order.
constexpr std::uint32_t shiny_locked_pid(std::uint16_t tid, std::uint16_t sid, std::uint16_t high_seed,
                                         std::uint16_t low_seed, const std::uint16_t* bits) {
    std::uint32_t window = 0;
    for (int e = 3; e <= 15; ++e) window |= (bits[e - 3] & 1u) << e;
    return shiny_locked_pid_of_window(tid, sid, high_seed, low_seed, window);
}

// ---- the fixed shiny creature ---------------------------------------------
//
// Its sequence at a frame reads the outputs o(0) .. o(16) counted from the
// frame's own output: the two seed values at o(0) and o(1), the 13 bit
// outputs at o(2) .. o(14), the individual-value words at o(15) and o(16).
// Callers differ in which seed value is the high one.

inline constexpr int kFixedShinyLastRead = 16;

// The personality value, from o(0) .. o(14).
template <class Outputs>
constexpr std::uint32_t fixed_shiny_pid(const Outputs& o, std::uint16_t tid, std::uint16_t sid, bool later_is_high) {
    std::uint16_t bits[13];
    for (int e = 0; e < 13; ++e) bits[e] = o(2 + e);
    const std::uint16_t earlier = o(0), later = o(1);
    return later_is_high ? shiny_locked_pid(tid, sid, later, earlier, bits)
                         : shiny_locked_pid(tid, sid, earlier, later, bits);
}

template <class Outputs>
constexpr Creature fixed_shiny_creature(const Outputs& o, std::uint16_t tid, std::uint16_t sid,
                                          bool later_is_high) {
    return {fixed_shiny_pid(o, tid, sid, later_is_high), o(15), o(16)};
}

// Whether a fixed shiny creature of another nature than the wanted one is
// dropped at once: only when a nature is wanted and an ID is not 0.
constexpr bool fixed_shiny_nature_tested(int wanted, std::uint16_t tid, std::uint16_t sid) {
    return wanted != kNoNature && (tid != 0 || sid != 0);
}

// ---- the ordinary encounter generation --------------------------------------

// The nature step: the nature chosen and the position of the first output of
// the personality search, for a frame whose first output is o(first).
// `synced` is the nature synchronize gives on an even first output: the
// wanted nature when synchronize is on, else kNoNature (as it is when no
// nature is wanted). The second output is read only when synchronize fails.
struct NatureStep {
    int nature;
    int start;
};
template <class Outputs>
constexpr NatureStep encounter_nature_step(const Outputs& o, int synced, int first = 1) {
    if (synced != kNoNature) {
        if ((o(first) & 1u) == 0) return {synced, first + 1};
        return {static_cast<int>(o(first + 1) % 25u), first + 2};
    }
    return {static_cast<int>(o(first) % 25u), first + 1};
}

constexpr int synced_nature(int wanted, bool sync) { return sync ? wanted : kNoNature; }

// Whether a frame whose nature step is `step` ends its personality search at
// the pair starting at q, of nature `nature`, where `prev` is the previous
// pair of that nature at q's parity: the search looks for that nature and
// starts after prev, at or before q and at q's parity.
constexpr bool search_ends_at(const NatureStep& step, int nature, int q, int prev) {
    return step.nature == nature && step.start > prev && step.start <= q && ((q - step.start) & 1) == 0;
}

struct Encounter {
    enum Status { kOk, kNatureFailed, kOutOfRange };
    Status status = kOk;
    int nature = 0;        // the nature chosen before the personality search
    std::uint32_t pid = 0;
    int iv_pos = 0;        // index of the first individual-value word (o_1 has index 1)
};

// Ordinary encounter generation. `o(i)` yields the i-th output from the
// frame's first output on (i >= 1). Every index read is at most `last`; when
// the generation would need more, the result is kOutOfRange. The generation
// fails its nature step (kNatureFailed) only when `check_nature` is set, a
// nature is wanted and the chosen nature differs from it; without the check
// the wanted nature only steers synchronize.
template <class Outputs>
constexpr Encounter encounter_pid(const Outputs& o, int wanted, bool sync, long last,
                                  bool check_nature = false) {
    Encounter e;
    if (last < 2) return {Encounter::kOutOfRange};
    const NatureStep step = encounter_nature_step(o, synced_nature(wanted, sync));
    e.nature = step.nature;
    if (check_nature && wanted != kNoNature && e.nature != wanted) {
        e.status = Encounter::kNatureFailed;
        return e;
    }
    for (int pos = step.start;; pos += 2) {
        // A pair is only taken when both individual-value words after it exist.
        if (pos + 3 > last) {
            e.status = Encounter::kOutOfRange;
            return e;
        }
        const std::uint32_t pid = make_pid(o(pos), o(pos + 1));
        if (nature_of(pid) == e.nature) {
            e.pid = pid;
            e.iv_pos = pos + 2;
            return e;
        }
    }
}

}  // namespace vh
