// The 32-bit linear congruential generator: single steps, n-step jumps and
// the step distance between two states, all usable at compile time.
#pragma once
#include <array>
#include <cstdint>

namespace vh {

inline constexpr std::uint32_t kMul = 0x41C64E6Du;
inline constexpr std::uint32_t kAdd = 0x00006073u;
inline constexpr std::uint32_t kMulInv = 0xEEB9EB65u;
inline constexpr std::uint32_t kAddInv = 0x0A3561A1u;

constexpr std::uint32_t next_seed(std::uint32_t s) { return s * kMul + kAdd; }
// Evaluated as 0x0A3561A1 - s * 0x1146149B, the same value as s * kMulInv + kAddInv.
constexpr std::uint32_t prev_seed(std::uint32_t s) { return kAddInv - s * 0x1146149Bu; }
constexpr std::uint16_t output_of(std::uint32_t s) { return static_cast<std::uint16_t>(s >> 16); }

// n steps at once: s -> mul * s + add (mod 2^32).
struct Jump {
    std::uint32_t mul = 1;
    std::uint32_t add = 0;
    constexpr std::uint32_t apply(std::uint32_t s) const { return mul * s + add; }
    // The jump that does `first`, then `*this`.
    constexpr Jump after(Jump first) const { return {mul * first.mul, mul * first.add + add}; }
    friend constexpr bool operator==(Jump, Jump) = default;
};

inline constexpr Jump kStep{kMul, kAdd};
inline constexpr Jump kStepBack{kMulInv, kAddInv};

// The jump of n steps of `step`, by repeated squaring: O(log n).
constexpr Jump jump_by(Jump step, std::uint64_t n) {
    Jump result{};
    for (; n != 0; n >>= 1) {
        if (n & 1) result = step.after(result);
        step = step.after(step);
    }
    return result;
}
constexpr Jump jump(std::uint64_t n) { return jump_by(kStep, n); }
constexpr Jump jump_back(std::uint64_t n) { return jump_by(kStepBack, n); }
constexpr std::uint32_t advance(std::uint32_t s, std::uint64_t n) { return jump(n).apply(s); }
constexpr std::uint32_t rewind(std::uint32_t s, std::uint64_t n) { return jump_back(n).apply(s); }

// The number of forward steps (0 .. 2^32-1) that lead from `from` to `to`.
// The generator has full period, and the 2^k-step jump changes bit k of a
// state while keeping the bits below it, so the distance is found bit by bit.
constexpr std::uint32_t distance(std::uint32_t from, std::uint32_t to) {
    std::uint32_t n = 0;
    Jump step = kStep;
    for (int bit = 0; bit < 32; ++bit) {
        const std::uint32_t mask = 1u << bit;
        if ((from ^ to) & mask) {
            from = step.apply(from);
            n |= mask;
        }
        step = step.after(step);
    }
    return n;
}

// Jumps of 0 .. N-1 steps in one direction, built at compile time.
template <std::size_t N>
constexpr std::array<Jump, N> make_jump_table(Jump step) {
    std::array<Jump, N> t{};
    for (std::size_t i = 1; i < N; ++i) t[i] = step.after(t[i - 1]);
    return t;
}

inline constexpr std::size_t kJumpTableSize = 5120;
inline constexpr auto kForwardJumps = make_jump_table<kJumpTableSize>(kStep);
inline constexpr auto kBackwardJumps = make_jump_table<kJumpTableSize>(kStepBack);

// The jump tables as two columns, for loads the vector units take whole.
struct JumpColumns {
    std::uint32_t mul[kJumpTableSize];
    std::uint32_t add[kJumpTableSize];
};
constexpr JumpColumns columns_of(const std::array<Jump, kJumpTableSize>& t) {
    JumpColumns c{};
    for (std::size_t i = 0; i < kJumpTableSize; ++i) {
        c.mul[i] = t[i].mul;
        c.add[i] = t[i].add;
    }
    return c;
}
inline constexpr JumpColumns kForwardColumns = columns_of(kForwardJumps);
inline constexpr JumpColumns kBackwardColumns = columns_of(kBackwardJumps);

static_assert(next_seed(0) == 0x00006073u);
static_assert(prev_seed(0) == 0x0A3561A1u);
static_assert(kStep.after(kStepBack) == Jump{});
static_assert(jump(2) == Jump{0xC2A29A69u, 0xE97E7B6Au});
static_assert(jump(10) == Jump{0xEF1C5E89u, 0xEF2CF4B2u});
static_assert(distance(0, advance(0, 123456789)) == 123456789u);

}  // namespace vh
