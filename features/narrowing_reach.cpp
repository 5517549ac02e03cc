// The walk back from a pair of words to the frames that reach it.
//
// The pairs before P are counted back from the state g at position P: pair
// j has its high output at P - 2j - 1 and its low output at P - 2j - 2, so
// pair 0 is the accepted personality value and the frames that can reach it
// start at the high outputs of pairs 1, 2, ... (a = P - 2j - 1). They are
// taken in blocks of kBlockPairs, each block's outputs by one independent
// jump from the state at P - 2 j0, and each pair's nature test is plain
// arithmetic, so that a block is a few vector operations:
//   (high x 65536 + low) mod 25 = (high x 11 + low) mod 25,
// and x is a multiple of 25 exactly when x times the inverse of 25 modulo
// 2^32 is at most (2^32 - 1) / 25.
#include <algorithm>
#include <cstring>

#if defined(__GNUC__) && (defined(__x86_64__) || defined(__i386__))
#include <immintrin.h>
#endif

#include "features/narrowing_reach.hpp"

namespace vh::narrowing {

namespace {

// A block of 32 pairs: the search usually ends within it (a pair has
// nature m one time in 25), so the walk seldom branches to a second one.
constexpr int kBlockPairs = 32;

struct PairColumns {
    alignas(32) std::uint32_t high_mul[kBlockPairs];
    alignas(32) std::uint32_t high_add[kBlockPairs];
    alignas(32) std::uint32_t low_mul[kBlockPairs];
    alignas(32) std::uint32_t low_add[kBlockPairs];
};

constexpr PairColumns make_pair_columns() {
    PairColumns c{};
    for (int i = 0; i < kBlockPairs; ++i) {
        const Jump high = jump_back(2 * static_cast<std::uint64_t>(i) + 1);
        const Jump low = jump_back(2 * static_cast<std::uint64_t>(i) + 2);
        c.high_mul[i] = high.mul;
        c.high_add[i] = high.add;
        c.low_mul[i] = low.mul;
        c.low_add[i] = low.add;
    }
    return c;
}

constexpr PairColumns kPairColumns = make_pair_columns();
constexpr Jump kBlockBack = jump_back(2 * kBlockPairs);  // from one block's state to the next one's

constexpr std::uint32_t kInverse25 = 0xC28F5C29u;
constexpr std::uint32_t kMostMultipleProduct = 0xFFFFFFFFu / 25;
static_assert(25u * kInverse25 == 1u);

// One block, a bit per pair: whether the pair has nature m, and whether
// its high output is m modulo 25 (a frame starting there chooses m).
// `pairs[i]`, when asked for, is pair i's high output | its low output << 16.
struct PairMasks {
    std::uint32_t nature_is_m;
    std::uint32_t high_is_m;
};

// `to_m` is 25 - m: adding it makes a value of m a multiple of 25.
PairMasks walk_block_plain(std::uint32_t base, std::uint32_t to_m, std::uint32_t* pairs) {
    PairMasks masks{0, 0};
    for (int i = 0; i < kBlockPairs; ++i) {
        const std::uint32_t high = (kPairColumns.high_mul[i] * base + kPairColumns.high_add[i]) >> 16;
        const std::uint32_t low = (kPairColumns.low_mul[i] * base + kPairColumns.low_add[i]) >> 16;
        if (pairs) pairs[i] = high | low << 16;
        masks.nature_is_m |= std::uint32_t{(high * 11 + low + to_m) * kInverse25 <= kMostMultipleProduct} << i;
        masks.high_is_m |= std::uint32_t{(high + to_m) * kInverse25 <= kMostMultipleProduct} << i;
    }
    return masks;
}

#if defined(__GNUC__) && (defined(__x86_64__) || defined(__i386__))
[[gnu::target("avx2")]] inline __m256i outputs_avx2(const std::uint32_t* mul, const std::uint32_t* add, __m256i state) {
    const __m256i m = _mm256_load_si256(reinterpret_cast<const __m256i*>(mul));
    const __m256i a = _mm256_load_si256(reinterpret_cast<const __m256i*>(add));
    return _mm256_srli_epi32(_mm256_add_epi32(_mm256_mullo_epi32(m, state), a), 16);
}

// The lanes whose x + to_m is a multiple of 25, as bits.
[[gnu::target("avx2")]] inline std::uint32_t multiples_of_25_avx2(__m256i x, __m256i add_m) {
    const __m256i product = _mm256_mullo_epi32(_mm256_add_epi32(x, add_m), _mm256_set1_epi32(static_cast<int>(kInverse25)));
    const __m256i most = _mm256_set1_epi32(static_cast<int>(kMostMultipleProduct));
    const __m256i is = _mm256_cmpeq_epi32(_mm256_min_epu32(product, most), product);
    return static_cast<std::uint32_t>(_mm256_movemask_ps(_mm256_castsi256_ps(is)));
}

[[gnu::target("avx2")]] PairMasks walk_block_avx2(std::uint32_t base, std::uint32_t to_m, std::uint32_t* pairs) {
    const __m256i state = _mm256_set1_epi32(static_cast<int>(base));
    const __m256i add_m = _mm256_set1_epi32(static_cast<int>(to_m));
    PairMasks masks{0, 0};
    for (int v = 0; v < kBlockPairs / 8; ++v) {
        const __m256i high = outputs_avx2(kPairColumns.high_mul + 8 * v, kPairColumns.high_add + 8 * v, state);
        const __m256i low = outputs_avx2(kPairColumns.low_mul + 8 * v, kPairColumns.low_add + 8 * v, state);
        if (pairs)
            _mm256_storeu_si256(reinterpret_cast<__m256i*>(pairs + 8 * v),
                                _mm256_or_si256(high, _mm256_slli_epi32(low, 16)));
        const __m256i high_11 = _mm256_mullo_epi32(high, _mm256_set1_epi32(11));
        masks.nature_is_m |= multiples_of_25_avx2(_mm256_add_epi32(high_11, low), add_m) << (8 * v);
        masks.high_is_m |= multiples_of_25_avx2(high, add_m) << (8 * v);
    }
    return masks;
}
#else
PairMasks walk_block_avx2(std::uint32_t base, std::uint32_t to_m, std::uint32_t* pairs) {
    return walk_block_plain(base, to_m, pairs);
}
#endif

PairMasks walk_block(const Search& search, std::uint32_t base, std::uint32_t to_m, std::uint32_t* pairs) {
    return search.vectors != Vectors::kNone ? walk_block_avx2(base, to_m, pairs) : walk_block_plain(base, to_m, pairs);
}

// Bits [from, to) of a block's mask, with from and to clamped to the block.
std::uint32_t bits_between(int from, int to) {
    const auto below = [](int k) {
        k = std::clamp(k, 0, kBlockPairs);
        return static_cast<std::uint32_t>((std::uint64_t{1} << k) - 1);
    };
    return below(to) & ~below(from);
}

}  // namespace

int frames_reaching(const Search& search, std::uint32_t g, int p, int lowest, std::uint16_t* outs, int* starts,
                    std::uint32_t& pid) {
    const std::uint32_t s1 = prev_seed(g);
    outs[1] = output_of(s1);
    outs[2] = output_of(prev_seed(s1));
    pid = make_pid(outs[2], outs[1]);
    const int m = nature_of(pid);
    if (search.req.nature != kNoNature && m != search.req.nature) return 0;
    if (search.req.shiny && !is_shiny(pid, search.req.tid, search.req.sid)) return 0;

    // Pair j can be the previous pair of nature m while its low output is
    // at lowest + 1 or later; a frame can start at its high output while
    // that is at lowest or later.
    const int span = p - lowest;
    const int last_walk = span >= 3 ? (span - 3) / 2 : 0;
    const int last_start = span >= 1 ? (span - 1) / 2 : 0;
    const bool sync = search.sync_nature;
    const std::uint32_t to_m = static_cast<std::uint32_t>(25 - m);
    int found = -1;  // the previous pair of nature m
    int n = 0;       // non-synchronized starts, by descending a for now
    std::uint32_t pairs[kBlockPairs];
    std::uint32_t base = g;  // the state at P - 2 j0
    int j0 = 0;
    for (;;) {
        const PairMasks masks = walk_block(search, base, to_m, sync ? pairs : nullptr);
        const int first = j0 == 0 ? 1 : 0;
        const std::uint32_t walked = masks.nature_is_m & bits_between(first, last_walk + 1 - j0);
        int end = last_start + 1 - j0;  // pairs [first, end) of the block can start a frame
        if (walked != 0) {
            found = j0 + __builtin_ctz(walked);
            end = found - j0 + 1;
        }
        end = std::min(end, kBlockPairs);
        if (sync) {
            // The synchronized nature step reads both outputs of every start.
            for (int i = 0; i < end; ++i) {
                outs[2 * (j0 + i) + 1] = static_cast<std::uint16_t>(pairs[i]);
                outs[2 * (j0 + i) + 2] = static_cast<std::uint16_t>(pairs[i] >> 16);
            }
        } else {
            for (std::uint32_t hit = masks.high_is_m & bits_between(first, end); hit != 0; hit &= hit - 1)
                starts[n++] = p - 2 * (j0 + __builtin_ctz(hit)) - 1;
        }
        if (found >= 0 || j0 + kBlockPairs > last_start) break;
        j0 += kBlockPairs;
        base = kBlockBack.apply(base);
    }
    if (!sync) {
        std::reverse(starts, starts + n);
        return n;
    }
    // The synchronized step: a frame starting at a chooses m from outputs a,
    // a + 1 and starts its search at a + 1 or a + 2, which must lie after
    // the previous pair of nature m and have P's parity.
    const int prev = found >= 0 ? p - 2 * found - 2 : p - 2 * last_walk - 4;
    const int a_lo = prev - 1 > lowest ? prev - 1 : lowest;
    if (found >= 0) outs[2 * found + 3] = output_of(kBackwardJumps[2 * (found - j0) + 3].apply(base));
    for (int a = a_lo; a <= p - 3; ++a) {
        const NatureStep step = nature_step(search, a, outs[p - a], outs[p - a - 1]);
        if (!search_ends_at(step, m, p - 2, prev)) continue;
        starts[n++] = a;
    }
    return n;
}

}  // namespace vh::narrowing
