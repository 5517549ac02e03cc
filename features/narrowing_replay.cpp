#include "features/narrowing_replay.hpp"

#include <cstring>

#if defined(__GNUC__) && (defined(__x86_64__) || defined(__i386__))
#include <immintrin.h>
#define VH_REPLAY_AVX2 1
#endif

namespace vh::narrowing {

namespace {

// x mod 25 for x < 2048 by a multiply and a shift.
[[gnu::always_inline]] inline std::uint32_t small_mod25(std::uint32_t x) { return x - 25u * ((x * 2622u) >> 16); }

// The outputs, their residues, and each pair's class. 256 is 6 and 65536
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
        pair[q] = static_cast<std::uint8_t>(2 * small_mod25(mod[q + 1] * 11u + mod[q]) + (q & 1));
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

// Lanes 1 .. 16 of the 32 lanes of 16 bits in a then b: the values one
// position on, from the two aligned loads already made.
[[gnu::target("avx2")]] inline __m256i next_lanes(__m256i a, __m256i b) {
    return _mm256_alignr_epi8(_mm256_permute2x128_si256(a, b, 0x21), a, 2);
}

// The classes of the 16 pairs starting at residues r[i] .. r[i+15], i even.
[[gnu::target("avx2")]] inline __m256i wide_pair_classes(const std::uint16_t* r) {
    const __m256i lo = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(r));
    const __m256i hi = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(r + 1));
    const __m256i nature = mod25_16(_mm256_add_epi16(_mm256_mullo_epi16(hi, _mm256_set1_epi16(11)), lo));
    return _mm256_add_epi16(_mm256_add_epi16(nature, nature), _mm256_set1_epi32(0x10000));
}

[[gnu::target("avx2")]] void wide_fill(std::uint32_t base, std::uint16_t* out, std::uint8_t* mod, std::uint8_t* pair) {
    // Outputs 0 .. kReplayBlockOutputs + 15 (the block's and some to spare),
    // 8 states at a time; packus interleaves the 128-bit halves, the
    // permute puts them back.
    constexpr int kOutputs = kReplayBlockOutputs + 16;
    const __m256i b = _mm256_set1_epi32(static_cast<int>(base));
    for (int i = 0; i < kOutputs; i += 16)
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(out + i),
                            _mm256_permute4x64_epi64(_mm256_packus_epi32(wide_outputs(b, i), wide_outputs(b, i + 8)), 0xD8));
    // Residues in 16-bit lanes (256 is 6 mod 25), then each pair's class
    // from residues q, q+1 (65536 is 11 mod 25).
    alignas(32) std::uint16_t r[kOutputs];
    for (int i = 0; i < kOutputs; i += 16) {
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
            _mm256_packus_epi16(wide_pair_classes(r + i), wide_pair_classes(r + i + 16)), 0xD8);
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

// The 32 lanes of 16 bits in lo then hi, each all ones or zero, as bits.
[[gnu::target("avx2")]] inline std::uint64_t sign_bits(__m256i lo, __m256i hi) {
    return static_cast<std::uint32_t>(_mm256_movemask_epi8(_mm256_permute4x64_epi64(_mm256_packs_epi16(lo, hi), 0xD8)));
}

[[gnu::target("avx2")]] std::uint64_t wide_words_at_least(const std::uint16_t* out, const int* mins) {
    __m256i pass[4];
    __m256i next = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(out));
    for (int h = 0; h < 4; ++h) {
        const __m256i first = next;
        next = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(out + 16 * h + 16));
        pass[h] = _mm256_and_si256(wide_fields_at_least(first, mins),
                                   wide_fields_at_least(next_lanes(first, next), mins + 3));
    }
    return sign_bits(pass[0], pass[1]) | sign_bits(pass[2], pass[3]) << 32;
}

[[gnu::target("avx2")]] std::uint64_t wide_classes_in(const std::uint8_t* pairs) {
    const __m256i one = _mm256_set1_epi64x(1);
    __m256i bits = _mm256_setzero_si256();
    for (int i = 0; i < 32; i += 4) {
        std::int32_t four;
        std::memcpy(&four, pairs + i, 4);
        const __m256i cls = _mm256_cvtepu8_epi64(_mm_cvtsi32_si128(four));
        bits = _mm256_or_si256(bits, _mm256_sllv_epi64(one, cls));
    }
    const __m128i half = _mm_or_si128(_mm256_castsi256_si128(bits), _mm256_extracti128_si256(bits, 1));
    return static_cast<std::uint64_t>(_mm_cvtsi128_si64(_mm_or_si128(half, _mm_unpackhi_epi64(half, half))));
}
#endif

}  // namespace

std::uint64_t classes_in(bool wide_vectors, const std::uint8_t* pairs) {
#ifdef VH_REPLAY_AVX2
    if (wide_vectors) return wide_classes_in(pairs);
#endif
    std::uint64_t bits = 0;
    for (int i = 0; i < 32; ++i) bits |= std::uint64_t{1} << pairs[i];
    return bits;
}

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


}  // namespace vh::narrowing
