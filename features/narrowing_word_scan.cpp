#include "features/narrowing_word_scan.hpp"

#include "engine/lcg.hpp"
#include "features/narrowing_lane_packs.hpp"

#if defined(__GNUC__) && (defined(__x86_64__) || defined(__i386__))
#define VH_SCAN_AVX2 1
#include <immintrin.h>
#endif

namespace vh::narrowing {

namespace {

// The successor of the state first15 << 16 (low half 0); that of low half
// l is kMul x l more.
std::uint32_t successor_base(std::uint16_t first15) { return kMul * (std::uint32_t{first15} << 16) + kAdd; }

bool passes(const SecondWordTest& t, std::uint32_t w) {
    const unsigned s = w & 31u, c = w >> 5 & 31u, d = w >> 10 & 31u;
    const unsigned pattern = (s & 3u) | (c & 3u) << 2 | (d & 3u) << 4;
    return static_cast<int>(s) >= t.min_s && static_cast<int>(c) >= t.min_c && static_cast<int>(d) >= t.min_d &&
           (t.patterns >> pattern & 1u) != 0;
}

int plain_lows(std::uint16_t first15, const SecondWordTest& test, std::uint16_t* lows) {
    const std::uint32_t base = successor_base(first15);
    int n = 0;
    for (std::uint32_t l = 0; l < 65536; ++l) {
        lows[n] = static_cast<std::uint16_t>(l);
        n += passes(test, (base + kMul * l) >> 16 & 0x7FFFu);
    }
    return n;
}

#ifdef VH_SCAN_AVX2
[[gnu::target("avx2")]] int wide_lows(std::uint16_t first15, const SecondWordTest& test, std::uint16_t* lows) {
    const std::uint32_t base = successor_base(first15);
    // Sixteen low halves a vector, each successor in two 16-bit halves
    // stepped by 16 x kMul: the low half by its own, the high half by its
    // own plus the low half's carry (the sum below what was added).
    std::uint32_t first[16];
    for (std::uint32_t i = 0; i < 16; ++i) first[i] = base + kMul * i;
    std::uint16_t first_low[16], first_high[16];
    for (int i = 0; i < 16; ++i) {
        first_low[i] = static_cast<std::uint16_t>(first[i]);
        first_high[i] = static_cast<std::uint16_t>(first[i] >> 16);
    }
    __m256i low = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(first_low));
    __m256i high = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(first_high));
    constexpr std::uint32_t kStep = 16 * kMul;
    const __m256i step_low = _mm256_set1_epi16(static_cast<short>(kStep & 0xFFFFu));
    const __m256i step_high = _mm256_set1_epi16(static_cast<short>(kStep >> 16));
    // Each value compared in its place with its minimum less one (the word
    // is below 2^15 once bit 15 is masked off by the fields).
    const __m256i s_field = _mm256_set1_epi16(31), c_field = _mm256_set1_epi16(31 << 5),
                  d_field = _mm256_set1_epi16(31 << 10);
    const __m256i s_below = _mm256_set1_epi16(static_cast<short>(test.min_s - 1)),
                  c_below = _mm256_set1_epi16(static_cast<short>((test.min_c << 5) - 1)),
                  d_below = _mm256_set1_epi16(static_cast<short>((test.min_d << 10) - 1));
    // The pattern's bit: byte pattern >> 3 of the 64 bits, bit pattern & 7.
    const bool all_patterns = test.patterns == ~std::uint64_t{0};
    const __m256i pattern_bytes = _mm256_set1_epi64x(static_cast<long long>(test.patterns));
    const __m256i bit_of = _mm256_setr_epi8(1, 2, 4, 8, 16, 32, 64, -128, 0, 0, 0, 0, 0, 0, 0, 0, 1, 2, 4, 8, 16, 32,
                                            64, -128, 0, 0, 0, 0, 0, 0, 0, 0);
    const __m256i three = _mm256_set1_epi16(3), twelve = _mm256_set1_epi16(12), forty_eight = _mm256_set1_epi16(48),
                  seven = _mm256_set1_epi16(7), low_byte = _mm256_set1_epi16(0xFF), zero = _mm256_setzero_si256();
    // The low halves of the lanes.
    __m256i lane_lows = _mm256_setr_epi16(0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15);
    const __m256i sixteen = _mm256_set1_epi16(16);
    int n = 0;
    for (std::uint32_t l = 0; l < 65536; l += 16) {
        const __m256i w = high;
        low = _mm256_add_epi16(low, step_low);
        const __m256i no_carry = _mm256_cmpeq_epi16(_mm256_max_epu16(low, step_low), low);
        high = _mm256_sub_epi16(_mm256_add_epi16(high, step_high), _mm256_cmpeq_epi16(no_carry, zero));
        __m256i ok = _mm256_and_si256(
            _mm256_cmpgt_epi16(_mm256_and_si256(w, s_field), s_below),
            _mm256_and_si256(_mm256_cmpgt_epi16(_mm256_and_si256(w, c_field), c_below),
                             _mm256_cmpgt_epi16(_mm256_and_si256(w, d_field), d_below)));
        if (!all_patterns) {
            const __m256i pattern = _mm256_or_si256(
                _mm256_and_si256(w, three),
                _mm256_or_si256(_mm256_and_si256(_mm256_srli_epi16(w, 3), twelve),
                                _mm256_and_si256(_mm256_srli_epi16(w, 6), forty_eight)));
            const __m256i byte = _mm256_shuffle_epi8(pattern_bytes, _mm256_srli_epi16(pattern, 3));
            const __m256i bit = _mm256_shuffle_epi8(bit_of, _mm256_and_si256(pattern, seven));
            ok = _mm256_andnot_si256(_mm256_cmpeq_epi16(_mm256_and_si256(_mm256_and_si256(byte, bit), low_byte), zero),
                                     ok);
        }
        // The lanes' bits, packed to bytes: lanes 0-7 in bits 0-7, 8-15 in
        // bits 16-23.
        const auto found = static_cast<unsigned>(_mm256_movemask_epi8(_mm256_packs_epi16(ok, zero)));
        if (found != 0) {
            n += store_packed(lows + n, _mm256_castsi256_si128(lane_lows), found & 0xFFu);
            n += store_packed(lows + n, _mm256_extracti128_si256(lane_lows, 1), found >> 16 & 0xFFu);
        }
        lane_lows = _mm256_add_epi16(lane_lows, sixteen);
    }
    return n;
}
#endif

}  // namespace

SecondWordTest second_word_test(const Search& search, int h, int a, int b) {
    SecondWordTest t;
    t.min_s = search.req.min_ivs[3];
    t.min_c = search.req.min_ivs[4];
    t.min_d = search.req.min_ivs[5];
    // hp_passing[q] holds, for the second words' pattern q, the first
    // words' patterns that pass with it.
    const unsigned first = static_cast<unsigned>((h & 3) | (a & 3) << 2 | (b & 3) << 4);
    t.patterns = 0;
    for (unsigned q = 0; q < 64; ++q) t.patterns |= (search.hp_passing[q] >> first & 1u) << q;
    return t;
}

int second_word_lows(Vectors vectors, std::uint16_t first15, const SecondWordTest& test, std::uint16_t* lows) {
#ifdef VH_SCAN_AVX2
    if (vectors != Vectors::kNone) return wide_lows(first15, test, lows);
#endif
    (void)vectors;
    return plain_lows(first15, test, lows);
}

}  // namespace vh::narrowing
