#include "features/narrowing_replay.hpp"

#include <algorithm>
#include <bit>
#include <cstring>

#if defined(__GNUC__) && (defined(__x86_64__) || defined(__i386__))
#include <immintrin.h>
#define VH_REPLAY_AVX2 1
#endif

namespace vh::narrowing {

namespace {

// Seeds that differ only in their top byte keep the same low 24 bits in
// every later state: at output i the second differs from the first by
// (difference of top bytes) x a^i mod 256 in the output's high byte, a the
// generator's multiplier. a^128 is 1 mod 256, so the steps repeat from
// block to block.
struct TopByteSteps {
    std::uint16_t at[kReplayBlockSpan];
};
constexpr TopByteSteps make_top_byte_steps() {
    TopByteSteps s{};
    for (int i = 0; i < kReplayBlockSpan; ++i) s.at[i] = static_cast<std::uint16_t>((kForwardJumps[i].mul & 0xFFu) << 8);
    return s;
}
constexpr TopByteSteps kTopByteSteps = make_top_byte_steps();
static_assert((kForwardJumps[kReplayBlockOutputs].mul & 0xFFu) == 1u);

// x mod 25 for x < 2048 by a multiply and a shift.
[[gnu::always_inline]] inline std::uint32_t small_mod25(std::uint32_t x) { return x - 25u * ((x * 2622u) >> 16); }

void plain_reference(std::uint32_t base, std::uint16_t* ref) {
    for (int i = 0; i < kReplayBlockSpan; ++i)
        ref[i] = static_cast<std::uint16_t>((kForwardColumns.mul[i] * base + kForwardColumns.add[i]) >> 16);
}

// Bit c set for each class c among the 32 pair classes from `pairs` on.
std::uint64_t plain_classes_in(const std::uint8_t* pairs) {
    std::uint64_t bits = 0;
    for (int i = 0; i < 32; ++i) bits |= std::uint64_t{1} << pairs[i];
    return bits;
}

// Bit i of the result from byte i (each 0 or 1) of the 64 from `b`, eight
// bytes at a time.
std::uint64_t bits_of_bytes(const std::uint8_t* b) {
    std::uint64_t bits = 0;
    for (int i = 0; i < 8; ++i) {
        if constexpr (std::endian::native == std::endian::little) {
            std::uint64_t eight;
            std::memcpy(&eight, b + 8 * i, 8);
            bits |= std::uint64_t{low_bits_of_bytes(eight)} << (8 * i);
        } else {
            for (int j = 0; j < 8; ++j) bits |= std::uint64_t{b[8 * i + j]} << (8 * i + j);
        }
    }
    return bits;
}

// The outputs, their residues, and each pair's class. 256 is 6 and 65536
// is 11 modulo 25, so residues follow from bytes and a pair's nature from
// its two outputs' residues. Each step is a loop of its own in 16-bit or
// byte arithmetic, which the compiler turns into vectors of any width
// (SSE2, NEON); only the bit masks are made one bit at a time.
void plain_fill(const std::uint16_t* ref, unsigned delta, const WordMinimums& minimums, const ReplayBlockSlots& to) {
    // The slots held apart: a store through one of them could change `to`
    // for all the compiler knows, and would keep the loops from vectorising.
    std::uint16_t* const out = to.out;
    std::uint8_t *const mod_out = to.mod, *const pair = to.pair, *const even = to.even, *const odd = to.odd;
    for (int i = 0; i < kReplayBlockSpan; ++i)
        out[i] = static_cast<std::uint16_t>(ref[i] + delta * kTopByteSteps.at[i]);
    if (mod_out != nullptr) {
        std::uint8_t mod[kReplayBlockOutputs + 1];
        for (int i = 0; i <= kReplayBlockOutputs; ++i)
            mod[i] = static_cast<std::uint8_t>(small_mod25((out[i] >> 8) * 6u + (out[i] & 0xFFu)));
        std::uint8_t nature[kReplayBlockOutputs];
        for (int q = 0; q < kReplayBlockOutputs; ++q) {
            mod_out[q] = mod[q];
            nature[q] = static_cast<std::uint8_t>(small_mod25(mod[q + 1] * 11u + mod[q]));
        }
        if (pair == nullptr) {
            for (int q = 0; q < kReplayBlockOutputs / 2; ++q) {
                even[q] = nature[2 * q];
                odd[q] = nature[2 * q + 1];
            }
        } else {
            for (int q = 0; q < kReplayBlockOutputs; ++q) pair[q] = static_cast<std::uint8_t>(2 * nature[q] + (q & 1));
            std::uint8_t wanted[kReplayBlockOutputs];
            for (int q = 0; q < kReplayBlockOutputs; ++q) wanted[q] = static_cast<std::uint8_t>(nature[q] == to.nature);
            for (int w = 0; w < kReplayBlockOutputs / 64; ++w) to.wanted[w] = bits_of_bytes(wanted + 64 * w);
        }
    }
    if (to.words == nullptr) return;
    // Each word's three values at least their minimums: bits 0-4, 5-9 and
    // 10-14 of the output as the first word (H, A, B) and as the second
    // (S, C, D), each compared with the bits below it (a minimum m of bits
    // 5-9 is m << 5 on bits 0-9).
    std::uint16_t limit[6];
    for (int i = 0; i < 6; ++i)
        limit[i] = static_cast<std::uint16_t>(std::max(minimums.mins[i], 0) << (5 * (i % 3)));
    const auto values_pass = [](std::uint16_t word, const std::uint16_t* l) {
        return static_cast<std::uint8_t>(((word & 31u) >= l[0]) & ((word & 0x3FFu) >= l[1]) & ((word & 0x7FFFu) >= l[2]));
    };
    std::uint8_t second[kReplayBlockOutputs + 1], both[kReplayBlockOutputs];
    for (int k = 0; k <= kReplayBlockOutputs; ++k) second[k] = values_pass(out[k], limit + 3);
    for (int k = 0; k < kReplayBlockOutputs; ++k) both[k] = values_pass(out[k], limit) & second[k + 1];
    for (int w = 0; w < kReplayBlockOutputs / 64; ++w) to.words[w] = bits_of_bytes(both + 64 * w);
}

#ifdef VH_REPLAY_AVX2
[[gnu::target("avx2")]] inline __m256i load(const void* p) { return _mm256_loadu_si256(static_cast<const __m256i*>(p)); }
[[gnu::target("avx2")]] inline void store(void* p, __m256i v) { _mm256_storeu_si256(static_cast<__m256i*>(p), v); }

// The multipliers of the residues, hidden from the compiler so that each
// product stays one multiply instead of a chain of shifts and adds.
struct Multipliers {
    __m256i m25, m2622;
};
[[gnu::target("avx2")]] inline __m256i opaque16(short v) {
    __m256i x = _mm256_set1_epi16(v);
    __asm__("" : "+x"(x));
    return x;
}
[[gnu::target("avx2")]] inline Multipliers multipliers() {
    return {opaque16(25), opaque16(2622)};
}

[[gnu::target("avx2")]] inline __m256i mod25_16(const Multipliers& k, __m256i x) {
    // x < 2048 in 16-bit lanes.
    const __m256i q = _mm256_mulhi_epu16(x, k.m2622);
    return _mm256_sub_epi16(x, _mm256_mullo_epi16(q, k.m25));
}

// Lanes 1 .. 16 of the 32 lanes of 16 bits in a then b: the values one
// position on.
[[gnu::target("avx2")]] inline __m256i next_lanes(__m256i a, __m256i b) {
    return _mm256_alignr_epi8(_mm256_permute2x128_si256(a, b, 0x21), a, 2);
}

// 32 lanes of 16 bits (a then b, each below 256) as bytes in order.
[[gnu::target("avx2")]] inline __m256i bytes_of(__m256i a, __m256i b) {
    return _mm256_permute4x64_epi64(_mm256_packus_epi16(a, b), 0xD8);
}

// The high halves of 8 states jumped from `base` by i .. i+7 steps.
[[gnu::target("avx2")]] inline __m256i high_halves(__m256i base, int i) {
    return _mm256_srli_epi32(
        _mm256_add_epi32(_mm256_mullo_epi32(load(kForwardColumns.mul + i), base), load(kForwardColumns.add + i)), 16);
}

// The 32 lanes of 16 bits in lo then hi, each all ones or zero, as bits.
[[gnu::target("avx2")]] inline std::uint64_t sign_bits(__m256i lo, __m256i hi) {
    return static_cast<std::uint32_t>(_mm256_movemask_epi8(_mm256_permute4x64_epi64(_mm256_packs_epi16(lo, hi), 0xD8)));
}

[[gnu::target("avx2")]] void wide_reference(std::uint32_t base, std::uint16_t* ref, const int* mins,
                                            std::uint64_t* low_words) {
    // 8 states at a time; packus interleaves the 128-bit halves, the
    // permute puts them back.
    const __m256i b = _mm256_set1_epi32(static_cast<int>(base));
    __m256i o[kReplayBlockSpan / 16];
    for (int i = 0; i < kReplayBlockSpan; i += 16) {
        o[i / 16] = _mm256_permute4x64_epi64(_mm256_packus_epi32(high_halves(b, i), high_halves(b, i + 8)), 0xD8);
        store(ref + i, o[i / 16]);
    }
    // H of the first word and S of the second, bits 0-4 of each.
    const __m256i field = _mm256_set1_epi16(31);
    const __m256i h_below = _mm256_set1_epi16(static_cast<short>(mins[0] - 1));
    const __m256i s_below = _mm256_set1_epi16(static_cast<short>(mins[3] - 1));
    __m256i pass[kReplayBlockOutputs / 16];
    for (int c = 0; c < kReplayBlockOutputs / 16; ++c)
        pass[c] = _mm256_and_si256(_mm256_cmpgt_epi16(_mm256_and_si256(o[c], field), h_below),
                                   _mm256_cmpgt_epi16(_mm256_and_si256(next_lanes(o[c], o[c + 1]), field), s_below));
    for (int w = 0; w < kReplayBlockOutputs / 64; ++w)
        low_words[w] = sign_bits(pass[4 * w], pass[4 * w + 1]) | sign_bits(pass[4 * w + 2], pass[4 * w + 3]) << 32;
}

// Outputs i .. i+15 of a seed `d` top bytes on from the reference, and
// their residues: each output's bytes multiply-added, 256 being 6 mod 25.
[[gnu::target("avx2")]] inline void outputs_and_residues(const Multipliers& k, const std::uint16_t* ref, __m256i d, int i,
                                                         std::uint16_t* out, __m256i& o, __m256i& r) {
    o = _mm256_add_epi16(load(ref + i), _mm256_mullo_epi16(load(kTopByteSteps.at + i), d));
    store(out + i, o);
    r = mod25_16(k, _mm256_maddubs_epi16(o, _mm256_set1_epi16(0x0601)));
}

// The natures of the pairs at the 32 positions from an even one, from
// their residues as bytes in order (`res`; `res_next`, the same one
// position on): each two residues multiply-added, 65536 being 11 mod 25.
// In 16-bit lanes, `even` the pairs at even positions, `odd` the others.
struct PairNatures {
    __m256i even, odd;
};
[[gnu::target("avx2")]] inline PairNatures pair_natures(const Multipliers& k, __m256i res, __m256i res_next) {
    const __m256i by_11 = _mm256_set1_epi16(0x0B01);
    return {mod25_16(k, _mm256_maddubs_epi16(res, by_11)), mod25_16(k, _mm256_maddubs_epi16(res_next, by_11))};
}

// The second and third values of a word (bits 5-9 and 10-14), which the
// seed's top byte moves, each compared in place with its minimum: lanes all
// ones where both are at least it. The first value (bits 0-4) lies in the
// low byte, the same for all the seeds of a reference.
struct WideLimits {
    __m256i field[2];
    __m256i below[4];  // minimum - 1, in the field's place: A, B, C, D
};
[[gnu::target("avx2")]] inline WideLimits wide_limits(const WordMinimums& mins) {
    WideLimits l;
    l.field[0] = _mm256_set1_epi16(31 << 5);
    l.field[1] = _mm256_set1_epi16(31 << 10);
    for (int i = 0; i < 4; ++i) l.below[i] = _mm256_set1_epi16(mins.placed_below[i]);
    return l;
}
[[gnu::target("avx2")]] inline __m256i upper_fields_at_least(const WideLimits& l, __m256i x, int first) {
    const __m256i a = _mm256_cmpgt_epi16(_mm256_and_si256(x, l.field[0]), l.below[first]);
    const __m256i b = _mm256_cmpgt_epi16(_mm256_and_si256(x, l.field[1]), l.below[first + 1]);
    return _mm256_and_si256(a, b);
}

template <bool kByParity, bool kWords, bool kNatures = true>
[[gnu::target("avx2")]] void wide_fill(const std::uint16_t* ref, const std::uint64_t* low_words, unsigned delta,
                                       const WordMinimums& mins, const ReplayBlockSlots& to) {
    std::uint16_t* const out = to.out;
    std::uint8_t *const mod = to.mod, *const pair = to.pair, *const even = to.even, *const odd = to.odd;
    std::uint64_t* const words = to.words;
    const __m256i d = _mm256_set1_epi16(static_cast<short>(delta));
    const WideLimits limits = wide_limits(mins);
    const Multipliers k = multipliers();
    // The wanted nature's two classes (no match where none is wanted).
    const auto wanted_class = static_cast<unsigned>(2 * to.nature) & 0xFFu;
    const __m256i wanted_classes = _mm256_set1_epi16(static_cast<short>(wanted_class | (wanted_class + 1) << 8));
    __m256i o0, r0;
    outputs_and_residues(k, ref, d, 0, out, o0, r0);
    std::uint64_t bits = 0, wanted_bits = 0;
    for (int i = 0; i < kReplayBlockOutputs; i += 32) {
        __m256i o1, r1, o2, r2;
        outputs_and_residues(k, ref, d, i + 16, out, o1, r1);
        outputs_and_residues(k, ref, d, i + 32, out, o2, r2);
        if constexpr (kNatures) {
            // The residues as bytes, and one position on: the residue of
            // output i + 32 is r2's first byte.
            const __m256i res = bytes_of(r0, r1);
            const __m256i res_next = _mm256_alignr_epi8(_mm256_permute2x128_si256(res, r2, 0x21), res, 1);
            const PairNatures n = pair_natures(k, res, res_next);
            store(mod + i, res);
            if constexpr (kByParity) {
                // Packed, each 128-bit half holds 8 even then 8 odd: the
                // permute puts the 16 even ones first.
                const __m256i both = _mm256_permute4x64_epi64(_mm256_packus_epi16(n.even, n.odd), 0xD8);
                _mm_storeu_si128(reinterpret_cast<__m128i*>(even + i / 2), _mm256_castsi256_si128(both));
                _mm_storeu_si128(reinterpret_cast<__m128i*>(odd + i / 2), _mm256_extracti128_si256(both, 1));
            } else {
                // Each lane: the even pair's class in its low byte, twice
                // the nature, and the odd one's, twice plus one, in its high
                // byte.
                const __m256i classes =
                    _mm256_or_si256(_mm256_or_si256(_mm256_add_epi16(n.even, n.even),
                                                    _mm256_slli_epi16(_mm256_add_epi16(n.odd, n.odd), 8)),
                                    _mm256_set1_epi16(0x0100));
                store(pair + i, classes);
                const auto wanted32 =
                    static_cast<std::uint32_t>(_mm256_movemask_epi8(_mm256_cmpeq_epi8(classes, wanted_classes)));
                wanted_bits |= std::uint64_t{wanted32} << (i & 32);
                if ((i & 32) != 0) {
                    to.wanted[i / 64] = wanted_bits;
                    wanted_bits = 0;
                }
            }
        }
        if constexpr (kWords) {
            const __m256i pass0 = _mm256_and_si256(upper_fields_at_least(limits, o0, 0),
                                                   upper_fields_at_least(limits, next_lanes(o0, o1), 2));
            const __m256i pass1 = _mm256_and_si256(upper_fields_at_least(limits, o1, 0),
                                                   upper_fields_at_least(limits, next_lanes(o1, o2), 2));
            bits |= sign_bits(pass0, pass1) << (i & 32);
            if ((i & 32) != 0) {
                words[i / 64] = bits & low_words[i / 64];
                bits = 0;
            }
        }
        o0 = o2;
        r0 = r2;
    }
    if constexpr (!kWords)
        if (words != nullptr) std::fill(words, words + kReplayBlockOutputs / 64, ~std::uint64_t{0});
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

// The same block with 512-bit vectors (32 outputs a vector, compares
// straight into bit masks, byte permutes across the whole vector).
#define VH_TARGET_512 gnu::target("avx512f,avx512bw,avx512vl,avx512vbmi")
// GCC 12's headers start several of these intrinsics from a deliberately
// undefined vector, which its own -Wuninitialized then reports.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wuninitialized"
[[VH_TARGET_512]] inline __m512i opaque512(short v) {
    __m512i x = _mm512_set1_epi16(v);
    __asm__("" : "+v"(x));
    return x;
}
[[VH_TARGET_512]] inline __m512i mod25_512(__m512i x, __m512i m2622, __m512i m25) {
    // x < 2048 in 16-bit lanes.
    return _mm512_sub_epi16(x, _mm512_mullo_epi16(_mm512_mulhi_epu16(x, m2622), m25));
}

[[VH_TARGET_512]] std::uint64_t widest_classes_in(const std::uint8_t* pairs) {
    // Eight classes at a time, each a bit shifted into place in its own lane.
    const __m512i one = _mm512_set1_epi64(1);
    __m512i bits = _mm512_setzero_si512();
    for (int i = 0; i < 32; i += 8) {
        std::int64_t eight;
        std::memcpy(&eight, pairs + i, 8);
        bits = _mm512_or_si512(bits, _mm512_sllv_epi64(one, _mm512_cvtepu8_epi64(_mm_cvtsi64_si128(eight))));
    }
    return static_cast<std::uint64_t>(_mm512_reduce_or_epi64(bits));
}

// 64 byte indices for a permute, index i given by `at`.
struct ByteIndices {
    std::uint8_t at[64];
};
template <class At>
constexpr ByteIndices byte_indices(At at) {
    ByteIndices b{};
    for (int i = 0; i < 64; ++i) b.at[i] = static_cast<std::uint8_t>(at(i));
    return b;
}

template <bool kByParity, bool kWords, bool kNatures = true>
[[VH_TARGET_512]] void widest_fill(const std::uint16_t* ref, const std::uint64_t* low_words, unsigned delta,
                                   const WordMinimums& mins, const ReplayBlockSlots& to) {
    std::uint16_t* const out = to.out;
    std::uint8_t *const mod = to.mod, *const pair = to.pair, *const even = to.even, *const odd = to.odd;
    std::uint64_t* const words = to.words;
    const __m512i d = _mm512_set1_epi16(static_cast<short>(delta));
    const __m512i m2622 = opaque512(2622), m25 = opaque512(25);
    // Residues by multiply-adding an output's bytes (256 is 6 mod 25), and a
    // pair's nature from its two residues as bytes (65536 is 11 mod 25).
    const __m512i bytes_6 = _mm512_set1_epi16(0x0601), bytes_11 = _mm512_set1_epi16(0x0B01);
    // Byte indices into two vectors of 32 16-bit lanes (64 and on: the
    // second): the lanes' low bytes in order; one vector's bytes one
    // position on, index 64 taking the next vector's first lane; and the
    // low bytes of the two vectors' lanes alternating.
    static constexpr ByteIndices kLowBytes = byte_indices([](int i) { return 2 * i; });
    static constexpr ByteIndices kNextByte = byte_indices([](int i) { return i + 1; });
    static constexpr ByteIndices kAlternate = byte_indices([](int i) { return i % 2 == 0 ? i : 64 + i - 1; });
    const __m512i low_bytes = _mm512_loadu_si512(kLowBytes.at), next_byte = _mm512_loadu_si512(kNextByte.at);

    // The outputs (the last vector: the spare 16) and their residues.
    __m512i o[5], r[5];
    for (int c = 0; c < 5; ++c) {
        const int i = 32 * c;
        if (c < 4) {
            o[c] = _mm512_add_epi16(_mm512_loadu_si512(ref + i),
                                    _mm512_mullo_epi16(_mm512_loadu_si512(kTopByteSteps.at + i), d));
            _mm512_storeu_si512(out + i, o[c]);
        } else {
            const __m256i spare = _mm256_add_epi16(load(ref + i), _mm256_mullo_epi16(load(kTopByteSteps.at + i),
                                                                                    _mm512_castsi512_si256(d)));
            store(out + i, spare);
            o[c] = _mm512_zextsi256_si512(spare);
        }
        if constexpr (kNatures) r[c] = mod25_512(_mm512_maddubs_epi16(o[c], bytes_6), m2622, m25);
    }
    for (int h = 0; h < 2 && kNatures; ++h) {
        const int i = 64 * h;
        const __m512i res = _mm512_permutex2var_epi8(r[2 * h], low_bytes, r[2 * h + 1]);
        _mm512_storeu_si512(mod + i, res);
        const __m512i res_next = _mm512_permutex2var_epi8(res, next_byte, r[2 * h + 2]);
        const __m512i n_even = mod25_512(_mm512_maddubs_epi16(res, bytes_11), m2622, m25);
        const __m512i n_odd = mod25_512(_mm512_maddubs_epi16(res_next, bytes_11), m2622, m25);
        if constexpr (kByParity) {
            _mm256_storeu_si256(reinterpret_cast<__m256i*>(even + i / 2), _mm512_cvtepi16_epi8(n_even));
            _mm256_storeu_si256(reinterpret_cast<__m256i*>(odd + i / 2), _mm512_cvtepi16_epi8(n_odd));
        } else {
            const __m512i n = _mm512_permutex2var_epi8(n_even, _mm512_loadu_si512(kAlternate.at), n_odd);
            _mm512_storeu_si512(pair + i, _mm512_add_epi8(_mm512_add_epi8(n, n), _mm512_set1_epi16(0x0100)));
            to.wanted[h] = _mm512_cmpeq_epi8_mask(n, _mm512_set1_epi8(static_cast<char>(to.nature)));
        }
    }
    if constexpr (kWords) {
        // A and B of each output as its first word, C and D as its second:
        // each field (bits 5-9, 10-14) with the lower ones below it, at
        // least the minimum in its place.
        const __m512i below_ten = _mm512_set1_epi16(0x3FF), below_fifteen = _mm512_set1_epi16(0x7FFF);
        const __m512i a = _mm512_set1_epi16(static_cast<short>(mins.placed_below[0] + 1));
        const __m512i b = _mm512_set1_epi16(static_cast<short>(mins.placed_below[1] + 1));
        const __m512i c = _mm512_set1_epi16(static_cast<short>(mins.placed_below[2] + 1));
        const __m512i dd = _mm512_set1_epi16(static_cast<short>(mins.placed_below[3] + 1));
        std::uint64_t first[4], second[5];
        for (int v = 0; v < 5; ++v) {
            const __m512i ten = _mm512_and_si512(o[v], below_ten), fifteen = _mm512_and_si512(o[v], below_fifteen);
            if (v < 4)
                first[v] = _mm512_mask_cmpge_epu16_mask(_mm512_cmpge_epu16_mask(ten, a), fifteen, b);
            second[v] = _mm512_mask_cmpge_epu16_mask(_mm512_cmpge_epu16_mask(ten, c), fifteen, dd);
        }
        for (int w = 0; w < 2; ++w) {
            const std::uint64_t firsts = first[2 * w] | first[2 * w + 1] << 32;
            const std::uint64_t seconds = (second[2 * w] | second[2 * w + 1] << 32) >> 1 | second[2 * w + 2] << 63;
            words[w] = firsts & seconds & low_words[w];
        }
    } else if (words != nullptr) {
        std::fill(words, words + kReplayBlockOutputs / 64, ~std::uint64_t{0});
    }
}

#pragma GCC diagnostic pop
#endif

}  // namespace

std::uint64_t classes_in(Vectors vectors, const std::uint8_t* pairs) {
#ifdef VH_REPLAY_AVX2
    if (vectors == Vectors::k512) return widest_classes_in(pairs);
    if (vectors == Vectors::k256) return wide_classes_in(pairs);
#endif
    (void)vectors;
    return plain_classes_in(pairs);
}

void fill_reference_outputs(Vectors vectors, std::uint32_t base, std::uint16_t* ref, const WordMinimums& minimums,
                            std::uint64_t* low_words) {
#ifdef VH_REPLAY_AVX2
    if (vectors != Vectors::kNone) return wide_reference(base, ref, minimums.mins, low_words);
#endif
    (void)vectors;
    plain_reference(base, ref);
    const int* mins = minimums.mins;
    for (int w = 0; w < kReplayBlockOutputs / 64; ++w) {
        std::uint64_t bits = 0;
        for (int i = 0; i < 64; ++i) {
            const int k = 64 * w + i;
            bits |= std::uint64_t{(ref[k] & 31u) >= static_cast<unsigned>(mins[0]) &&
                                  (ref[k + 1] & 31u) >= static_cast<unsigned>(mins[3])}
                    << i;
        }
        low_words[w] = bits;
    }
}

void fill_replay_block(Vectors vectors, const std::uint16_t* ref, const std::uint64_t* low_words, unsigned delta,
                       const WordMinimums& mins, const ReplayBlockSlots& to) {
#ifdef VH_REPLAY_AVX2
    // Without minimums every pair of words passes, and without a words slot
    // the caller tests them: the fill makes no words. Without residue
    // slots, the outputs and the words only.
    const bool words = !mins.all_zero && to.words != nullptr;
    const bool by_parity = to.pair == nullptr, natures = to.mod != nullptr;
    if (vectors == Vectors::k512) {
        const auto fill = !natures    ? (words ? widest_fill<true, true, false> : widest_fill<true, false, false>)
                          : by_parity ? (words ? widest_fill<true, true> : widest_fill<true, false>)
                                      : (words ? widest_fill<false, true> : widest_fill<false, false>);
        return fill(ref, low_words, delta, mins, to);
    }
    if (vectors == Vectors::k256) {
        const auto fill = !natures    ? (words ? wide_fill<true, true, false> : wide_fill<true, false, false>)
                          : by_parity ? (words ? wide_fill<true, true> : wide_fill<true, false>)
                                      : (words ? wide_fill<false, true> : wide_fill<false, false>);
        return fill(ref, low_words, delta, mins, to);
    }
#endif
    (void)low_words;
    (void)vectors;
    plain_fill(ref, delta, mins, to);
}

}  // namespace vh::narrowing
