#include "features/narrowing_nature_groups.hpp"

#include <algorithm>
#include <bit>
#include <cstdlib>
#include <cstring>

#include "engine/lcg.hpp"

#if defined(__GNUC__) && (defined(__x86_64__) || defined(__i386__))
#include <immintrin.h>
#define VH_GROUPS_WIDE 1
#endif

namespace vh::narrowing {

namespace {

// The top byte of a state one, two and three steps on is the top byte now
// times these (mod 256), plus a carry from the low 24 bits.
constexpr unsigned kMul1 = kMul & 0xFFu;
constexpr unsigned kMul2 = kMul1 * kMul1 & 0xFFu;
constexpr unsigned kMul3 = kMul2 * kMul1 & 0xFFu;

// The pair at q has personality value X' 2^24 + L' 2^16 + X 2^8 + L, its
// outputs' top bytes X, X' and low bytes L, L', so its nature is
// 16 X' + 11 L' + 6 X + L (mod 25). With X' = kMul1 X + carry (mod 256), bit
// X of mask [carry x 25 + need] is set where 16 X' + 6 X = need (mod 25).
// Each mask's bits are also listed (at most 13 of them), for loops of a
// fixed length.
constexpr unsigned kNatureMasks = 256 * 25;
constexpr unsigned kMostBits = 13;
struct TopList {
    std::uint8_t x[kMostBits];
    std::uint8_t n;
};
struct NatureTables {
    TopMask mask[kNatureMasks];
    TopList list[kNatureMasks];
};
const NatureTables& nature_tables() {
    static const NatureTables* const tables = [] {
        auto* t = new NatureTables();
        for (unsigned carry = 0; carry < 256; ++carry)
            for (unsigned x = 0; x < 256; ++x) {
                const unsigned next = (kMul1 * x + carry) & 0xFFu;
                const unsigned i = carry * 25 + (16 * next + 6 * x) % 25;
                t->mask[i].w[x >> 6] |= std::uint64_t{1} << (x & 63);
                TopList& l = t->list[i];
                if (l.n == kMostBits) std::abort();  // the masks are fixed: never
                l.x[l.n++] = static_cast<std::uint8_t>(x);
            }
        return t;
    }();
    return *tables;
}

#ifdef VH_GROUPS_WIDE
// k x m[j] mod 256 for the 256 seeds k, by j mod 64 (the multiplier's low
// byte repeats every 64 steps).
struct SeedSteps {
    std::uint8_t at[64][256];
};
constexpr SeedSteps make_seed_steps() {
    static_assert((kForwardJumps[64].mul & 0xFFu) == 1u);
    SeedSteps s{};
    for (int j = 0; j < 64; ++j)
        for (unsigned k = 0; k < 256; ++k) s.at[j][k] = static_cast<std::uint8_t>(k * kPositionBytes.mul[j]);
    return s;
}
constexpr SeedSteps kSeedSteps = make_seed_steps();

// The covers with byte permutes (64 seeds a 512-bit vector), from q on while more
// than a few seeds are open and at most kWideSpan pairs: each pair's nature
// mask is read for all 256 seeds at once (their top bytes by one add, the
// mask's byte by a permute, its bit by a byte test) and the seeds it covers
// are cleared from `open_seeds`, whose state before each pair goes to
// `open_before`. No loop over the bits: the covers stay as those masks.
// Returns the first pair not looked at.
#define VH_TARGET_WIDE gnu::target("avx2,avx512f,avx512bw,avx512vl,avx512vbmi")
// GCC 12's headers start the masked permute from a deliberately undefined
// vector, which its own -Wmaybe-uninitialized then reports.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wuninitialized"
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
[[VH_TARGET_WIDE]] int covers64(const std::uint8_t* top, const std::uint16_t* nature, const TopMask* masks, int q,
                                int last, int& open, TopMask (&open_seeds)[2], TopMask* open_before) {
    const __m512i low5 = _mm512_set1_epi8(0x1F), low3 = _mm512_set1_epi8(7);
    const __m512i bit_of =
        _mm512_broadcast_i32x4(_mm_setr_epi8(1, 2, 4, 8, 16, 32, 64, -128, 1, 2, 4, 8, 16, 32, 64, -128));
    const int from = q;
    for (; q <= last && open > 12 && q - from < kWideSpan; ++q) {
        TopMask& seeds = open_seeds[q & 1];
        open_before[q - from] = seeds;
        // The 32-byte mask in both halves: a byte index below 32 reads it.
        const __m512i mask =
            _mm512_broadcast_i64x4(_mm256_loadu_si256(reinterpret_cast<const __m256i*>(masks[nature[q]].w)));
        const __m512i first = _mm512_set1_epi8(static_cast<char>(top[q]));
        const std::uint8_t* steps = kSeedSteps.at[q & 63];
        for (int w = 0; w < 4; ++w) {
            const __m512i x = _mm512_add_epi8(_mm512_loadu_si512(reinterpret_cast<const void*>(steps + 64 * w)), first);
            const __m512i byte = _mm512_permutexvar_epi8(_mm512_and_si512(_mm512_srli_epi16(x, 3), low5), mask);
            const __m512i bit = _mm512_shuffle_epi8(bit_of, _mm512_and_si512(x, low3));
            const std::uint64_t hit = _mm512_test_epi8_mask(byte, bit);
            open -= std::popcount(seeds.w[w] & hit);
            seeds.w[w] &= ~hit;
        }
    }
    return q;
}
#pragma GCC diagnostic pop
#endif

// Seed 0's top bytes and the shared bytes at positions 0 .. last pair + 3,
// each state by its own jump from the seed (no chain: the loop vectorises),
// and the nature mask of each pair 1 .. last pair.
[[gnu::always_inline]] inline void fill_shared(const NatureGroupTables& t, std::uint32_t base, std::uint8_t* top,
                                               std::uint8_t* low, std::uint16_t* nature) {
    // The bounds held apart: a byte store could change `t` for all the
    // compiler knows, and would keep the loops from vectorising.
    const int last_pair = t.last_pair;
    group_state_bytes(base, last_pair + 4, top, low);
    // In 16 bits (every value below 65536), for vectors of 16-bit lanes.
    const auto wanted = static_cast<std::uint16_t>(t.nature + 25);
    for (int q = 1; q <= last_pair; ++q) {
        const auto carry = static_cast<std::uint16_t>((top[q + 1] - kMul1 * top[q]) & 0xFFu);
        const auto shared = static_cast<std::uint16_t>(static_cast<std::uint16_t>(11u * low[q + 1] + low[q]) % 25u);
        nature[q] = static_cast<std::uint16_t>(carry * 25u + static_cast<std::uint16_t>(wanted - shared) % 25u);
    }
}
#ifdef VH_GROUPS_WIDE
[[gnu::target("avx2")]] void wide_fill_shared(const NatureGroupTables& t, std::uint32_t base, std::uint8_t* top,
                                              std::uint8_t* low, std::uint16_t* nature) {
    fill_shared(t, base, top, low, nature);
}

// One seed k at 32 pairs of one parity at once, in 16-bit lanes: lane i is
// the pair at P = base + 2 i, its values from one 64-byte load of each
// array (positions base .. base + 63, which must lie within the arrays)
// and a byte permute.
#define VH_TARGET_THIRTY_TWO gnu::target("avx512f,avx512bw,avx512vl,avx512vbmi")
// As above: GCC 12's headers start these from undefined vectors.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wuninitialized"
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
// The bytes at P (`next`: at P + 1).
[[VH_TARGET_THIRTY_TWO]] inline __m512i bytes32(const std::uint8_t* bytes, int base, bool next) {
    const __m512i pick = _mm512_add_epi8(
        _mm512_set_epi8(126, 124, 122, 120, 118, 116, 114, 112, 110, 108, 106, 104, 102, 100, 98, 96, 94, 92, 90, 88,
                        86, 84, 82, 80, 78, 76, 74, 72, 70, 68, 66, 64, 62, 60, 58, 56, 54, 52, 50, 48, 46, 44, 42, 40,
                        38, 36, 34, 32, 30, 28, 26, 24, 22, 20, 18, 16, 14, 12, 10, 8, 6, 4, 2, 0),
        _mm512_set1_epi8(static_cast<char>(next)));
    const __m512i loaded = _mm512_loadu_si512(reinterpret_cast<const void*>(bytes + base));
    const __m512i picked = _mm512_permutexvar_epi8(pick, loaded);
    return _mm512_cvtepu8_epi16(_mm512_castsi512_si256(picked));
}
// The seed's top bytes at P (`next`: at P + 1).
[[VH_TARGET_THIRTY_TWO]] inline __m512i tops32(const std::uint8_t* top, int base, bool next, unsigned k) {
    const __m512i steps =
        _mm512_mullo_epi16(bytes32(kPositionBytes.mul, base, next), _mm512_set1_epi16(static_cast<short>(k)));
    return _mm512_and_si512(_mm512_add_epi16(bytes32(top, base, next), steps), _mm512_set1_epi16(0xFF));
}
// Lanes whose value mod 25 is the nature, for values below 8700 (where
// value / 25 is (value x 5243) >> 17).
[[VH_TARGET_THIRTY_TWO]] inline std::uint32_t lanes_of_nature(__m512i value, int nature) {
    const __m512i quotient = _mm512_srli_epi16(_mm512_mulhi_epu16(value, _mm512_set1_epi16(5243)), 1);
    const __m512i residue = _mm512_sub_epi16(value, _mm512_mullo_epi16(quotient, _mm512_set1_epi16(25)));
    return _mm512_cmpeq_epi16_mask(residue, _mm512_set1_epi16(static_cast<short>(nature)));
}
// The values the walks read, X and L the top and low bytes at P, X' and L'
// at P + 1: the output at P + 1 chooses the nature 6 X' + L' (256 X' + L'
// mod 25), and the pair at P has the nature 16 X' + 11 L' + 6 X + L, the
// chosen one's plus 10 (X' + L') + 6 X + L.
struct PairLanes {
    __m512i chosen, pair, low, next_low;
};
[[VH_TARGET_THIRTY_TWO]] inline PairLanes pair_lanes(const std::uint8_t* top, const std::uint8_t* low, int base,
                                                     unsigned k) {
    const __m512i x = tops32(top, base, false, k), next_x = tops32(top, base, true, k);
    const __m512i l = bytes32(low, base, false), next_l = bytes32(low, base, true);
    const __m512i chosen = _mm512_add_epi16(_mm512_mullo_epi16(next_x, _mm512_set1_epi16(6)), next_l);
    const __m512i pair = _mm512_add_epi16(
        _mm512_add_epi16(chosen, _mm512_mullo_epi16(_mm512_add_epi16(next_x, next_l), _mm512_set1_epi16(10))),
        _mm512_add_epi16(_mm512_mullo_epi16(x, _mm512_set1_epi16(6)), l));
    return {chosen, pair, l, next_l};
}
// One step of a walk back over the lanes from `base`: the lanes holding a
// pair of the nature, those whose frame reaches q, and those whose frame is
// P - 1. The lowest frame reaching q so far is the lowest in the step after
// the last pair of the nature; that pair ends the walk (returns true with
// it in `prev`).
inline bool walk_ends(int base, std::uint32_t is_pair, std::uint32_t reaches, std::uint32_t earlier, int& prev,
                      int& lowest_frame) {
    const auto frame_of = [&](std::uint32_t lanes) {
        const int i = std::countr_zero(lanes);
        return base + 2 * i - static_cast<int>(earlier >> i & 1u);
    };
    if (is_pair != 0) {
        const int lane = 31 - std::countl_zero(is_pair);
        const std::uint32_t after = reaches & (~0u << lane);
        if (after != 0) lowest_frame = frame_of(after);
        prev = base + 2 * lane;
        return true;
    }
    if (reaches != 0) lowest_frame = frame_of(reaches);
    return false;
}
// The lanes (of `lanes`) whose pair P lies within lo .. hi.
inline std::uint32_t lanes_within(int base, int lo, int hi, int lanes = 32) {
    const int first = lo > base ? (lo - base + 1) >> 1 : 0;
    const int last = hi >= base + 2 * (lanes - 1) ? lanes - 1 : hi >= base ? (hi - base) >> 1 : -1;
    return first > last ? 0u : (~0u << first) & (~0u >> (31 - last));
}
// The first pair of the nature from p on (p, p + 2, ...) up to `highest`,
// 32 a step while the loads stay within the positions, or 0; `p` is left
// at the first pair not looked at.
[[VH_TARGET_THIRTY_TWO]] int wanted_forward32(const std::uint8_t* top, const std::uint8_t* low, int& p, int highest,
                                              unsigned k, int nature) {
    for (; p <= highest && p + 63 < kNatureGroupPositions; p += 64) {
        const std::uint32_t hits =
            lanes_of_nature(pair_lanes(top, low, p, k).pair, nature) & lanes_within(p, p, highest);
        if (hits != 0) return p + 2 * std::countr_zero(hits);
    }
    return 0;
}
// The walk back from the pair q of the nature to the previous one at q's
// parity (above `floor`, itself such a pair, or 0 for none), 32 pairs a
// step, and the lowest frame whose search ends at q: for each pair P on
// the way, a search starting at P + 2 ends at q, so the frame starting it
// reaches q: without synchronize frame P, whose first output P + 1
// chooses the nature; with it frame P - 1 (odd output at P, the nature
// chosen at P + 1; frame 0 at the earliest) or else frame P (even output
// at P + 1). Returns the previous pair (`floor` when there is none above
// it); `lowest_frame` is the lowest frame reaching q, or -1.
[[VH_TARGET_THIRTY_TWO]] int walk_back32(const std::uint8_t* top, const std::uint8_t* low, int q, int floor,
                                         unsigned k, int nature, bool sync, int& lowest_frame) {
    const __m512i one = _mm512_set1_epi16(1);
    const int lowest = floor != 0 ? floor + 2 : 2;  // pairs looked at
    lowest_frame = -1;
    // Down to the lowest start's pair: floor itself, or 0 or 1.
    for (int hi = q - 2; hi >= floor;) {
        const int base = std::max(hi - 62, hi & 1);
        const PairLanes v = pair_lanes(top, low, base, k);
        const std::uint32_t is_pair = lanes_of_nature(v.pair, nature) & lanes_within(base, lowest, hi);
        const std::uint32_t chooses = lanes_of_nature(v.chosen, nature);
        std::uint32_t earlier = 0, reaches = chooses;
        if (sync) {
            earlier = chooses & _mm512_test_epi16_mask(v.low, one) & lanes_within(base, 1, hi);
            reaches = earlier | _mm512_testn_epi16_mask(v.next_low, one);
        }
        reaches &= lanes_within(base, floor, hi);
        if (int prev; walk_ends(base, is_pair, reaches, earlier, prev, lowest_frame)) return prev;
        hi = base - 2;
    }
    return floor;
}
#pragma GCC diagnostic pop

// The same three with 256-bit vectors: 16 pairs of one parity a step, lane i
// the pair at P = base + 2 i, its values from one 32-byte load of each
// array (positions base .. base + 31): a lane's low byte is the byte at P,
// its high byte the one at P + 1.
[[gnu::target("avx2")]] inline __m256i bytes16(const std::uint8_t* bytes, int base, bool next) {
    const __m256i loaded = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(bytes + base));
    return next ? _mm256_srli_epi16(loaded, 8) : _mm256_and_si256(loaded, _mm256_set1_epi16(0xFF));
}
[[gnu::target("avx2")]] inline __m256i tops16(const std::uint8_t* top, int base, bool next, unsigned k) {
    const __m256i steps =
        _mm256_mullo_epi16(bytes16(kPositionBytes.mul, base, next), _mm256_set1_epi16(static_cast<short>(k)));
    return _mm256_and_si256(_mm256_add_epi16(bytes16(top, base, next), steps), _mm256_set1_epi16(0xFF));
}
// Bit i for each lane i whose compare is true.
[[gnu::target("avx2")]] inline std::uint32_t lane_bits16(__m256i compared) {
    // Packed, lanes 0-7 land in bytes 0-7 and lanes 8-15 in bytes 16-23.
    const auto m = static_cast<std::uint32_t>(_mm256_movemask_epi8(_mm256_packs_epi16(compared, compared)));
    return (m & 0xFFu) | (m >> 8 & 0xFF00u);
}
[[gnu::target("avx2")]] inline std::uint32_t lanes_of_nature16(__m256i value, int nature) {
    const __m256i quotient = _mm256_srli_epi16(_mm256_mulhi_epu16(value, _mm256_set1_epi16(5243)), 1);
    const __m256i residue = _mm256_sub_epi16(value, _mm256_mullo_epi16(quotient, _mm256_set1_epi16(25)));
    return lane_bits16(_mm256_cmpeq_epi16(residue, _mm256_set1_epi16(static_cast<short>(nature))));
}
struct PairLanes16 {
    __m256i chosen, pair, low, next_low;
};
[[gnu::target("avx2")]] inline PairLanes16 pair_lanes16(const std::uint8_t* top, const std::uint8_t* low, int base,
                                                       unsigned k) {
    const __m256i x = tops16(top, base, false, k), next_x = tops16(top, base, true, k);
    const __m256i l = bytes16(low, base, false), next_l = bytes16(low, base, true);
    const __m256i chosen = _mm256_add_epi16(_mm256_mullo_epi16(next_x, _mm256_set1_epi16(6)), next_l);
    const __m256i pair = _mm256_add_epi16(
        _mm256_add_epi16(chosen, _mm256_mullo_epi16(_mm256_add_epi16(next_x, next_l), _mm256_set1_epi16(10))),
        _mm256_add_epi16(_mm256_mullo_epi16(x, _mm256_set1_epi16(6)), l));
    return {chosen, pair, l, next_l};
}
[[gnu::target("avx2")]] int wanted_forward16(const std::uint8_t* top, const std::uint8_t* low, int& p, int highest,
                                             unsigned k, int nature) {
    for (; p <= highest && p + 31 < kNatureGroupPositions; p += 32) {
        const std::uint32_t hits =
            lanes_of_nature16(pair_lanes16(top, low, p, k).pair, nature) & lanes_within(p, p, highest, 16);
        if (hits != 0) return p + 2 * std::countr_zero(hits);
    }
    return 0;
}
[[gnu::target("avx2")]] int walk_back16(const std::uint8_t* top, const std::uint8_t* low, int q, int floor,
                                        unsigned k, int nature, bool sync, int& lowest_frame) {
    const __m256i one = _mm256_set1_epi16(1);
    const int lowest = floor != 0 ? floor + 2 : 2;
    lowest_frame = -1;
    for (int hi = q - 2; hi >= floor;) {
        const int base = std::max(hi - 30, hi & 1);
        const PairLanes16 v = pair_lanes16(top, low, base, k);
        const std::uint32_t is_pair = lanes_of_nature16(v.pair, nature) & lanes_within(base, lowest, hi, 16);
        const std::uint32_t chooses = lanes_of_nature16(v.chosen, nature);
        std::uint32_t earlier = 0, reaches = chooses;
        if (sync) {
            earlier = chooses & lane_bits16(_mm256_cmpeq_epi16(_mm256_and_si256(v.low, one), one)) &
                      lanes_within(base, 1, hi, 16);
            reaches = earlier | lane_bits16(_mm256_cmpeq_epi16(_mm256_and_si256(v.next_low, one),
                                                               _mm256_setzero_si256()));
        }
        reaches &= lanes_within(base, floor, hi, 16);
        if (int prev; walk_ends(base, is_pair, reaches, earlier, prev, lowest_frame)) return prev;
        hi = base - 2;
    }
    return floor;
}
// The covers with 256-bit vectors, 32 seeds a vector: the mask's 32 bytes
// looked up by two in-lane byte shuffles (its low and high 16 bytes), the
// index's bit 4 choosing between them.
[[gnu::target("avx2")]] int covers32(const std::uint8_t* top, const std::uint16_t* nature, const TopMask* masks, int q,
                                     int last, int& open, TopMask (&open_seeds)[2], TopMask* open_before) {
    const __m256i low5 = _mm256_set1_epi8(0x1F), low3 = _mm256_set1_epi8(7);
    const __m256i bit_of = _mm256_setr_epi8(1, 2, 4, 8, 16, 32, 64, -128, 1, 2, 4, 8, 16, 32, 64, -128, 1, 2, 4, 8, 16,
                                            32, 64, -128, 1, 2, 4, 8, 16, 32, 64, -128);
    const int from = q;
    for (; q <= last && open > 12 && q - from < kWideSpan; ++q) {
        TopMask& seeds = open_seeds[q & 1];
        open_before[q - from] = seeds;
        const __m256i mask = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(masks[nature[q]].w));
        const __m256i mask_low = _mm256_permute2x128_si256(mask, mask, 0x00);
        const __m256i mask_high = _mm256_permute2x128_si256(mask, mask, 0x11);
        const __m256i first = _mm256_set1_epi8(static_cast<char>(top[q]));
        const std::uint8_t* steps = kSeedSteps.at[q & 63];
        for (int w = 0; w < 4; ++w) {
            std::uint64_t hit = 0;
            for (int half = 0; half < 2; ++half) {
                const __m256i x = _mm256_add_epi8(
                    _mm256_loadu_si256(reinterpret_cast<const __m256i*>(steps + 64 * w + 32 * half)), first);
                const __m256i index = _mm256_and_si256(_mm256_srli_epi16(x, 3), low5);
                const __m256i byte = _mm256_blendv_epi8(_mm256_shuffle_epi8(mask_low, index),
                                                        _mm256_shuffle_epi8(mask_high, index),
                                                        _mm256_slli_epi16(index, 3));
                const __m256i bit = _mm256_shuffle_epi8(bit_of, _mm256_and_si256(x, low3));
                const auto miss = static_cast<std::uint32_t>(
                    _mm256_movemask_epi8(_mm256_cmpeq_epi8(_mm256_and_si256(byte, bit), _mm256_setzero_si256())));
                hit |= std::uint64_t{~miss} << (32 * half);
            }
            open -= std::popcount(seeds.w[w] & hit);
            seeds.w[w] &= ~hit;
        }
    }
    return q;
}
#endif

}  // namespace

namespace {
// Frame f's search starts at f + 2, or f + 3 after a failed synchronize.
int last_start_of(const NarrowingRequest& req) { return req.max_frames + (req.sync ? 3 : 2); }
}  // namespace

bool NatureGroupTables::applies(const Search& search) {
    const NarrowingRequest& req = search.req;
    return !req.reverse && req.nature != kNoNature && !req.shiny && !req.fixed_shiny && !search.hp_filter &&
           search.table - 4 >= last_start_of(req);
}

NatureGroupTables::NatureGroupTables(const Search& search)
    : nature(search.req.nature),
      sync(search.req.sync),
      max_frames(search.req.max_frames),
      last_start(last_start_of(search.req)),
      last_pair(std::min(last_start - 1 + 2 * kCoverPairs, search.table - 4)),
      min_first(search.req.min_ivs[0]),
      min_second(search.req.min_ivs[3]),
      vectors(search.vectors),
      first(new TopMask[8 * 256]()),
      second(new TopMask[8 * 256]()) {
    nature_tables();  // built here, before the threads share it
    const int* m = search.req.min_ivs.data();
    for (unsigned a = 0; a < 8; ++a)
        for (unsigned b = 0; b < 256; ++b)
            for (unsigned x = 0; x < 256; ++x) {
                const std::uint64_t bit = std::uint64_t{1} << (x & 63);
                // A word's top byte holds bits 8-15: the two high bits of
                // its second value and all of its third.
                const unsigned x2 = (kMul2 * x + b) & 0xFFu;
                if (static_cast<int>(a | (x2 & 3) << 3) >= m[1] && static_cast<int>(x2 >> 2 & 31) >= m[2])
                    first[a * 256 + b].w[x >> 6] |= bit;
                const unsigned x3 = (kMul3 * x + b) & 0xFFu;
                if (static_cast<int>(a | (x3 & 3) << 3) >= m[4] && static_cast<int>(x3 >> 2 & 31) >= m[5])
                    second[a * 256 + b].w[x >> 6] |= bit;
            }
}

unsigned NatureGroup::top_at(int j, unsigned k) const { return (top_[j] + k * kPositionBytes.mul[j]) & 0xFFu; }

unsigned NatureGroup::seed_at(int j, unsigned x) const { return ((x - top_[j]) * kPositionBytes.inv[j]) & 0xFFu; }

bool NatureGroup::wanted_at(int q, unsigned k) const { return has_bit(masks_[nature_[q]], top_at(q, k)); }

int NatureGroup::scan_wanted(const NatureGroupTables& t, int p, int step, int lowest, int highest, unsigned k) const {
#ifdef VH_GROUPS_WIDE
    // Forward 32 or 16 pairs a step where the processor has the vectors.
    if (t.vectors != Vectors::kNone && step > 0 && p >= lowest) {
        const int found = t.vectors == Vectors::k512 ? wanted_forward32(top_, low_, p, highest, k, t.nature)
                                                     : wanted_forward16(top_, low_, p, highest, k, t.nature);
        if (found != 0) return found;
    }
#else
    (void)t;
#endif
    // Four pairs at a time: the steps are independent, the exit is rare.
    for (; p + 3 * step >= lowest && p + 3 * step <= highest; p += 4 * step) {
        const unsigned hits = static_cast<unsigned>(wanted_at(p, k)) |
                              static_cast<unsigned>(wanted_at(p + step, k)) << 1 |
                              static_cast<unsigned>(wanted_at(p + 2 * step, k)) << 2 |
                              static_cast<unsigned>(wanted_at(p + 3 * step, k)) << 3;
        if (hits != 0) return p + step * std::countr_zero(hits);
    }
    for (; p >= lowest && p <= highest; p += step)
        if (wanted_at(p, k)) return p;
    return 0;
}

int NatureGroup::lowest_frame_reaching(const NatureGroupTables& t, int q, unsigned k, int floor, int below) const {
    // Searches at q's parity start after the previous pair of the nature
    // (above `floor`, itself such a pair, when it is not 0); frame 0's start
    // at 2 (or at 3 after a failed synchronize) is the first. The lowest
    // frame that can start there is s - 3 (s - 2 without synchronize); when
    // it is not below `below`, neither is any frame reaching a later pair.
    const auto none_below = [&](int prev) {
        const int s = prev != 0 ? prev + 2 : 2 + (q & 1);
        return s - (t.sync ? 3 : 2) >= below;
    };
#ifdef VH_GROUPS_WIDE
    if (t.vectors != Vectors::kNone) {
        int found = -1;
        const int prev = t.vectors == Vectors::k512 ? walk_back32(top_, low_, q, floor, k, t.nature, t.sync, found)
                                                    : walk_back16(top_, low_, q, floor, k, t.nature, t.sync, found);
        return none_below(prev) ? kNoneBelow : found;
    }
#endif
    int prev = scan_wanted(t, q - 2, -2, floor != 0 ? floor + 2 : 2, q, k);
    if (prev == 0) prev = floor;
    if (none_below(prev)) return kNoneBelow;
    // The nature an output chooses: its value mod 25, 256 X + L = 6 X + L.
    const auto chooses = [&](int j) { return static_cast<int>((6 * top_at(j, k) + low_[j]) % 25) == t.nature; };
    for (int s = prev != 0 ? prev + 2 : 2 + (q & 1); s <= q; s += 2) {
        if (!t.sync) {
            if (chooses(s - 1)) return s - 2;
            continue;
        }
        // Frame s-3 fails to synchronize (odd first output) and chooses at
        // s-1; frame s-2 synchronizes (even first output).
        if (s >= 3 && (low_[s - 2] & 1) != 0 && chooses(s - 1)) return s - 3;
        if ((low_[s - 1] & 1) == 0) return s - 2;
    }
    return -1;
}

void NatureGroup::find_covers(const NatureGroupTables& t) {
    std::memset(cover_, 0, sizeof cover_);  // 0: none found (a cover is at least 1)
    std::memset(wide_open_, 0xFF, sizeof wide_open_);
    int open = 512;
    int q = std::max(t.last_start - 1, 1);
    wide_from_ = wide_end_ = q;
#ifdef VH_GROUPS_WIDE
    if (t.vectors != Vectors::kNone) {
        q = t.vectors == Vectors::k512 ? covers64(top_, nature_, masks_, q, t.last_pair, open, wide_open_, open_before_)
                                       : covers32(top_, nature_, masks_, q, t.last_pair, open, wide_open_, open_before_);
        wide_end_ = q;
    }
#endif
    const TopList* lists = nature_tables().list;
    // Without the masks, the pairs' masks scattered to their seeds while
    // most seeds are open; past that most bits fall on seeds already
    // covered. Without a branch but the loop's: whether a seed is still
    // open is a coin toss. Either way the rest are looked up seed by seed.
    for (; q <= t.last_pair && open > 48 && wide_end_ == wide_from_; ++q) {
        const TopList& l = lists[nature_[q]];
        std::uint16_t* cover = cover_[q & 1];
        for (unsigned i = 0; i < kMostBits; ++i) {
            const unsigned k = seed_at(q, l.x[i]);
            const unsigned c = cover[k];
            const unsigned was_open = static_cast<unsigned>(c == 0) & static_cast<unsigned>(i < l.n);
            cover[k] = static_cast<std::uint16_t>(c | (static_cast<unsigned>(q) & (0u - was_open)));
            open -= static_cast<int>(was_open);
        }
    }
    if (open == 0) return;
    for (int parity = 0; parity < 2; ++parity) {
        const int from = q + ((q ^ parity) & 1);
        for (unsigned k = 0; k < 256; ++k) {
            if (!covered(parity, k))
                cover_[parity][k] = static_cast<std::uint16_t>(scan_wanted(t, from, 2, 1, t.last_pair, k));
        }
    }
}

bool NatureGroup::covered(int parity, unsigned k) const { return !has_bit(wide_open_[parity], k) || cover_[parity][k] != 0; }

bool NatureGroup::covered_before(int parity, unsigned k, int q) const {
    if (q >= wide_from_ && q < wide_end_) return !has_bit(open_before_[q - wide_from_], k);
    if (q >= wide_end_ && !has_bit(wide_open_[parity], k)) return true;
    return cover_[parity][k] != 0 && cover_[parity][k] < q;
}

const TopMask& NatureGroup::first_mask(const NatureGroupTables& t, int q) const {
    return t.first[(low_[q + 2] >> 5) * 256 + ((top_[q + 2] - kMul2 * top_[q]) & 0xFFu)];
}

const TopMask& NatureGroup::second_mask(const NatureGroupTables& t, int q) const {
    return t.second[(low_[q + 3] >> 5) * 256 + ((top_[q + 3] - kMul3 * top_[q]) & 0xFFu)];
}

bool NatureGroup::shared_values_pass(const NatureGroupTables& t, int q) const {
    return (static_cast<int>(low_[q + 2] & 31) >= t.min_first) & (static_cast<int>(low_[q + 3] & 31) >= t.min_second);
}

bool NatureGroup::words_pass(const NatureGroupTables& t, int q, unsigned k) const {
    const unsigned x = top_at(q, k);
    return shared_values_pass(t, q) && has_bit(first_mask(t, q), x) && has_bit(second_mask(t, q), x);
}

void NatureGroup::settle_at(const NatureGroupTables& t, int q, unsigned k) {
    const int parity = q & 1;
    // Once the other parity has its frame, only a lower one counts.
    const int other = found_[parity ^ 1][k];
    const int f = lowest_frame_reaching(t, q, k, walked_[parity][k], other >= 0 ? other : kNoFrameLimit);
    if (f == kNoneBelow) {
        found_[parity][k] = -1;
        return;
    }
    if (f < 0) {
        // No frame reaches it: the next pair may be, and its walk back ends
        // here at the latest.
        walked_[parity][k] = static_cast<std::uint16_t>(q);
        return;
    }
    found_[parity][k] = static_cast<std::int16_t>(f <= t.max_frames ? f : -1);
    found_pair_[parity][k] = static_cast<std::uint16_t>(q);
}

void NatureGroup::run(const NatureGroupTables& t, std::uint32_t base) {
    masks_ = nature_tables().mask;
#ifdef VH_GROUPS_WIDE
    if (t.vectors != Vectors::kNone)
        wide_fill_shared(t, base, top_, low_, nature_);
    else
#endif
        fill_shared(t, base, top_, low_, nature_);
    find_covers(t);
    // The last pair looked at for the whole group: past the covers kept as
    // masks only the few seeds covered one by one are open, each at its
    // cover alone (no other pair of the nature lies between), looked at
    // below. Without those masks, every cover.
    const bool by_masks = wide_end_ > wide_from_;
    const int through =
        by_masks ? wide_end_ - 1 : *std::max_element(&cover_[0][0], &cover_[0][0] + 512);
    std::fill(&found_[0][0], &found_[0][0] + 512, static_cast<std::int16_t>(kUnsettled));
    std::memset(walked_, 0, sizeof walked_);
    // The pairs of the nature with passing words, in order; each seed's
    // parity is settled by the first one a frame reaches, up to its cover.
    // First the pairs whose words' shared values H and S pass, listed
    // without a branch.
    int listed = 0;
    for (int q = 2; q <= through; ++q) {
        pairs_[listed] = static_cast<std::uint16_t>(q);
        listed += static_cast<int>(shared_values_pass(t, q));
    }
    const TopMask* masks = masks_;
    // In batches: first each pair's seeds that pass, kept without a branch
    // where there are any (the loads of a batch overlap), then those seeds.
    constexpr int kBatch = 32;
    TopMask passing[kBatch];
    int passing_pair[kBatch];
    for (int from = 0; from < listed; from += kBatch) {
        const int end = std::min(listed, from + kBatch);
        int kept = 0;
        for (int i = from; i < end; ++i) {
            const int q = pairs_[i];
            const TopMask& n = masks[nature_[q]];
            const TopMask& w1 = first_mask(t, q);
            const TopMask& w2 = second_mask(t, q);
            TopMask& both = passing[kept];
            for (unsigned w = 0; w < 4; ++w) both.w[w] = n.w[w] & w1.w[w] & w2.w[w];
            passing_pair[kept] = q;
            kept += (both.w[0] | both.w[1] | both.w[2] | both.w[3]) != 0;
        }
        for (int i = 0; i < kept; ++i) {
            const int q = passing_pair[i];
            const int parity = q & 1;
            // First the pair's seeds still open at its parity, listed
            // without a branch per seed (a pair before the covers lies
            // before every cover).
            const bool before_covers = q < wide_from_;
            int open = 0;
            for (unsigned w = 0; w < 4; ++w)
                for (std::uint64_t bits = passing[i].w[w]; bits != 0; bits &= bits - 1) {
                    const unsigned k = seed_at(q, w * 64 + static_cast<unsigned>(std::countr_zero(bits)));
                    seeds_[open] = static_cast<std::uint8_t>(k);
                    open += static_cast<int>(found_[parity][k] == kUnsettled) & static_cast<int>(covered(parity, k)) &
                            static_cast<int>(before_covers || !covered_before(parity, k, q));
                }
            // A pair's seeds are distinct: one walk settles no other's.
            for (int j = 0; j < open; ++j) settle_at(t, q, seeds_[j]);
        }
    }
    if (by_masks)
        for (int parity = 0; parity < 2; ++parity)
            for (unsigned k = 0; k < 256; ++k) {
                const int q = cover_[parity][k];
                if (q != 0 && found_[parity][k] == kUnsettled && words_pass(t, q, k)) settle_at(t, q, k);
            }
    for (unsigned k = 0; k < 256; ++k) {
        if (!covered(0, k) || !covered(1, k)) {
            result_[k] = kUnsettled;
            continue;
        }
        int best = -1;
        for (int parity = 0; parity < 2; ++parity) {
            const int f = found_[parity][k];  // unsettled here: no pair up to the cover is reached
            if (f >= 0 && (best < 0 || f < best)) {
                best = f;
                words_[k] = static_cast<std::uint16_t>(found_pair_[parity][k] + 2);
            }
        }
        result_[k] = static_cast<std::int16_t>(best);
    }
}

}  // namespace vh::narrowing
