// Packing the chosen 16-bit lanes of a vector to the front, in order: the
// byte shuffle for each set of eight lanes, from a table built at compile
// time.
#pragma once
#include <bit>
#include <cstdint>

#if defined(__GNUC__) && (defined(__x86_64__) || defined(__i386__))
#define VH_LANE_PACKS 1
#include <immintrin.h>
#endif

namespace vh::narrowing {

#ifdef VH_LANE_PACKS
// For each set of eight 16-bit lanes (bit i: lane i), the byte shuffle that
// moves those lanes to the front in order.
struct LanePacks {
    std::uint8_t at[256][16];
};
constexpr LanePacks make_lane_packs() {
    LanePacks p{};
    for (int m = 0; m < 256; ++m) {
        int n = 0;
        for (int i = 0; i < 8; ++i)
            if ((m >> i & 1) != 0) {
                p.at[m][2 * n] = static_cast<std::uint8_t>(2 * i);
                p.at[m][2 * n + 1] = static_cast<std::uint8_t>(2 * i + 1);
                ++n;
            }
        for (int j = 2 * n; j < 16; ++j) p.at[m][j] = 0x80;
    }
    return p;
}
inline constexpr LanePacks kLanePacks = make_lane_packs();

// Stores the lanes of `values` (eight 16-bit lanes) set in `mask` at `to`,
// in order; returns how many (it writes 16 bytes whatever the count).
[[gnu::target("avx2")]] inline int store_packed(std::uint16_t* to, __m128i values, unsigned mask) {
    const __m128i order = _mm_loadu_si128(reinterpret_cast<const __m128i*>(kLanePacks.at[mask]));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(to), _mm_shuffle_epi8(values, order));
    return std::popcount(mask);
}
#endif

}  // namespace vh::narrowing
