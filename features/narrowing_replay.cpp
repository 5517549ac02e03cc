#include "features/narrowing_replay.hpp"

#if defined(__GNUC__) && (defined(__x86_64__) || defined(__i386__))
#include <immintrin.h>
#define VH_REPLAY_AVX2 1
#endif

namespace vh::narrowing {

namespace {

// x mod 25 for x < 2048 by a multiply and a shift.
[[gnu::always_inline]] inline std::uint32_t small_mod25(std::uint32_t x) { return x - 25u * ((x * 2622u) >> 16); }

// The outputs, their residues, and each pair's nature. 256 is 6 and 65536
// is 11 modulo 25, so residues follow from bytes and a pair's nature from
// its two outputs' residues.
void plain_fill(std::uint32_t base, std::uint16_t* out, std::uint8_t* mod_out, std::uint8_t* pair) {
    std::uint8_t mod[kReplayBlockOutputs + 1];
    for (int i = 0; i <= kReplayBlockOutputs; ++i) {
        out[i] = static_cast<std::uint16_t>((kForwardColumns.mul[i] * base + kForwardColumns.add[i]) >> 16);
        mod[i] = static_cast<std::uint8_t>(small_mod25((std::uint32_t{out[i]} >> 8) * 6u + (out[i] & 0xFFu)));
    }
    for (int q = 0; q < kReplayBlockOutputs; ++q) {
        mod_out[q] = mod[q];
        pair[q] = static_cast<std::uint8_t>(small_mod25(mod[q + 1] * 11u + mod[q]));
    }
}

#ifdef VH_REPLAY_AVX2
[[gnu::target("avx2")]] inline __m256i mod25_16(__m256i x) {
    // x < 2048 in 16-bit lanes.
    const __m256i q = _mm256_mulhi_epu16(x, _mm256_set1_epi16(2622));
    return _mm256_sub_epi16(x, _mm256_mullo_epi16(q, _mm256_set1_epi16(25)));
}

// The high halves of 8 states jumped from `base` by i .. i+7 steps.
[[gnu::target("avx2")]] inline __m256i wide_outputs(__m256i base, int i) {
    const __m256i m = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(kForwardColumns.mul + i));
    const __m256i a = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(kForwardColumns.add + i));
    return _mm256_srli_epi32(_mm256_add_epi32(_mm256_mullo_epi32(m, base), a), 16);
}

// The natures of the 16 pairs starting at residues r[i] .. r[i+15].
[[gnu::target("avx2")]] inline __m256i wide_pair_natures(const std::uint16_t* r) {
    const __m256i lo = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(r));
    const __m256i hi = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(r + 1));
    return mod25_16(_mm256_add_epi16(_mm256_mullo_epi16(hi, _mm256_set1_epi16(11)), lo));
}

[[gnu::target("avx2")]] inline std::uint64_t wide_equal_bits(__m256i v, __m256i want) {
    return static_cast<std::uint32_t>(_mm256_movemask_epi8(_mm256_cmpeq_epi8(v, want)));
}

[[gnu::target("avx2")]] void wide_fill(std::uint32_t base, std::uint16_t* out, std::uint8_t* mod, std::uint8_t* pair) {
    // Outputs 0 .. 143 (the block's 129 and some to spare), 8 states at a
    // time; packus interleaves the 128-bit halves, the permute puts them back.
    const __m256i b = _mm256_set1_epi32(static_cast<int>(base));
    for (int i = 0; i < 144; i += 16)
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(out + i),
                            _mm256_permute4x64_epi64(_mm256_packus_epi32(wide_outputs(b, i), wide_outputs(b, i + 8)), 0xD8));
    // Residues in 16-bit lanes, then each pair's nature from residues q, q+1.
    alignas(32) std::uint16_t r[160];
    for (int i = 0; i < 144; i += 16) {
        const __m256i x = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(out + i));
        const __m256i y = _mm256_add_epi16(_mm256_mullo_epi16(_mm256_srli_epi16(x, 8), _mm256_set1_epi16(6)),
                                           _mm256_and_si256(x, _mm256_set1_epi16(0xFF)));
        _mm256_store_si256(reinterpret_cast<__m256i*>(r + i), mod25_16(y));
    }
    for (int i = 0; i < kReplayBlockOutputs; i += 32)
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(mod + i),
                            _mm256_permute4x64_epi64(
                                _mm256_packus_epi16(_mm256_load_si256(reinterpret_cast<const __m256i*>(r + i)),
                                                    _mm256_load_si256(reinterpret_cast<const __m256i*>(r + i + 16))),
                                0xD8));
    for (int i = 0; i < kReplayBlockOutputs; i += 32) {
        const __m256i packed = _mm256_permute4x64_epi64(
            _mm256_packus_epi16(wide_pair_natures(r + i), wide_pair_natures(r + i + 16)), 0xD8);
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(pair + i), packed);
    }
}

// Lanes whose three values (bits 0-4, 5-9, 10-14) are at least the three
// minimums.
[[gnu::target("avx2")]] inline __m256i wide_fields_at_least(__m256i x, const int* mins) {
    const __m256i field = _mm256_set1_epi16(31);
    const __m256i a = _mm256_cmpgt_epi16(_mm256_and_si256(x, field), _mm256_set1_epi16(static_cast<short>(mins[0] - 1)));
    const __m256i b = _mm256_cmpgt_epi16(_mm256_and_si256(_mm256_srli_epi16(x, 5), field),
                                         _mm256_set1_epi16(static_cast<short>(mins[1] - 1)));
    const __m256i d = _mm256_cmpgt_epi16(_mm256_and_si256(_mm256_srli_epi16(x, 10), field),
                                         _mm256_set1_epi16(static_cast<short>(mins[2] - 1)));
    return _mm256_and_si256(a, _mm256_and_si256(b, d));
}

[[gnu::target("avx2")]] std::uint64_t wide_words_at_least(const std::uint16_t* out, const int* mins) {
    std::uint64_t bits = 0;
    for (int i = 0; i < 64; i += 32) {
        __m256i pass[2];
        for (int h = 0; h < 2; ++h) {
            const __m256i first = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(out + i + 16 * h));
            const __m256i second = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(out + i + 16 * h + 1));
            pass[h] = _mm256_and_si256(wide_fields_at_least(first, mins), wide_fields_at_least(second, mins + 3));
        }
        const __m256i bytes = _mm256_permute4x64_epi64(_mm256_packs_epi16(pass[0], pass[1]), 0xD8);
        bits |= std::uint64_t{static_cast<std::uint32_t>(_mm256_movemask_epi8(bytes))} << i;
    }
    return bits;
}

[[gnu::target("avx2")]] std::uint64_t wide_pairs_of_nature(const std::uint8_t* pair, int nature) {
    const __m256i want = _mm256_set1_epi8(static_cast<char>(nature));
    const __m256i lo = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(pair));
    const __m256i hi = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(pair + 32));
    return wide_equal_bits(hi, want) << 32 | wide_equal_bits(lo, want);
}
#endif

}  // namespace

void fill_replay_block(bool wide_vectors, std::uint32_t base, std::uint16_t* out, std::uint8_t* mod,
                       std::uint8_t* pair) {
#ifdef VH_REPLAY_AVX2
    if (wide_vectors) return wide_fill(base, out, mod, pair);
#endif
    (void)wide_vectors;
    plain_fill(base, out, mod, pair);
}

std::uint64_t words_at_least(bool wide_vectors, const std::uint16_t* out, const int* mins) {
#ifdef VH_REPLAY_AVX2
    if (wide_vectors) return wide_words_at_least(out, mins);
#endif
    const auto at_least = [](std::uint32_t word, const int* m) {
        return (word & 31u) >= static_cast<std::uint32_t>(m[0]) && ((word >> 5) & 31u) >= static_cast<std::uint32_t>(m[1]) &&
               ((word >> 10) & 31u) >= static_cast<std::uint32_t>(m[2]);
    };
    std::uint64_t bits = 0;
    for (int i = 0; i < 64; ++i)
        bits |= std::uint64_t{at_least(out[i], mins) && at_least(out[i + 1], mins + 3)} << i;
    return bits;
}

std::uint64_t pairs_of_nature(bool wide_vectors, const std::uint8_t* pair, int nature) {
#ifdef VH_REPLAY_AVX2
    if (wide_vectors) return wide_pairs_of_nature(pair, nature);
#endif
    std::uint64_t bits = 0;
    for (int i = 0; i < 64; ++i) bits |= std::uint64_t{pair[i] == nature} << i;
    return bits;
}

}  // namespace vh::narrowing
