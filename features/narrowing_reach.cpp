// The walk back from a pair of words to the frames that reach it.
//
// The pairs before P are counted back from the state g at position P: pair
// j has its high output at P - 2j - 1 and its low output at P - 2j - 2, so
// pair 0 is the accepted personality value and the frames that can reach it
// start at the high outputs of pairs 1, 2, ... (a = P - 2j - 1), or with
// synchronize also at their low outputs (a = P - 2j - 2). They are
// taken in blocks of kBlockPairs, each block's outputs by one independent
// jump from the state at P - 2 j0, and each pair's nature test is plain
// arithmetic, so that a block is a few vector operations:
//   (high x 65536 + low) mod 25 = (high x 11 + low) mod 25,
// and x is a multiple of 25 exactly when x times the inverse of 25 modulo
// 2^32 is at most (2^32 - 1) / 25.
#include <algorithm>

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

// One block, a bit per pair: whether the pair has nature m, whether its
// high output is m modulo 25 (a frame starting there chooses m), and, for
// the synchronized nature step, whether its high output is even and its
// low output odd.
struct PairMasks {
    std::uint32_t nature_is_m;
    std::uint32_t high_is_m;
    std::uint32_t high_even;
    std::uint32_t low_odd;
};

// `to_m` is 25 - m: adding it makes a value of m a multiple of 25. The
// outputs' low bits only with `sync`.
template <bool kSync>
PairMasks walk_block_plain(std::uint32_t base, std::uint32_t to_m) {
    PairMasks masks{0, 0, 0, 0};
    for (int i = 0; i < kBlockPairs; ++i) {
        const std::uint32_t high = (kPairColumns.high_mul[i] * base + kPairColumns.high_add[i]) >> 16;
        const std::uint32_t low = (kPairColumns.low_mul[i] * base + kPairColumns.low_add[i]) >> 16;
        masks.nature_is_m |= std::uint32_t{(high * 11 + low + to_m) * kInverse25 <= kMostMultipleProduct} << i;
        masks.high_is_m |= std::uint32_t{(high + to_m) * kInverse25 <= kMostMultipleProduct} << i;
        if constexpr (kSync) {
            masks.high_even |= (~high & 1u) << i;
            masks.low_odd |= (low & 1u) << i;
        }
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

// Bit 0 of each lane, as bits.
[[gnu::target("avx2")]] inline std::uint32_t low_bits_avx2(__m256i x) {
    return static_cast<std::uint32_t>(_mm256_movemask_ps(_mm256_castsi256_ps(_mm256_slli_epi32(x, 31))));
}

template <bool kSync>
[[gnu::target("avx2")]] PairMasks walk_block_avx2(std::uint32_t base, std::uint32_t to_m) {
    const __m256i state = _mm256_set1_epi32(static_cast<int>(base));
    const __m256i add_m = _mm256_set1_epi32(static_cast<int>(to_m));
    PairMasks masks{0, 0, 0, 0};
    for (int v = 0; v < kBlockPairs / 8; ++v) {
        const __m256i high = outputs_avx2(kPairColumns.high_mul + 8 * v, kPairColumns.high_add + 8 * v, state);
        const __m256i low = outputs_avx2(kPairColumns.low_mul + 8 * v, kPairColumns.low_add + 8 * v, state);
        const __m256i high_11 = _mm256_mullo_epi32(high, _mm256_set1_epi32(11));
        masks.nature_is_m |= multiples_of_25_avx2(_mm256_add_epi32(high_11, low), add_m) << (8 * v);
        masks.high_is_m |= multiples_of_25_avx2(high, add_m) << (8 * v);
        if constexpr (kSync) {
            masks.high_even |= (~low_bits_avx2(high) & 0xFFu) << (8 * v);
            masks.low_odd |= low_bits_avx2(low) << (8 * v);
        }
    }
    return masks;
}
#else
template <bool kSync>
PairMasks walk_block_avx2(std::uint32_t base, std::uint32_t to_m) {
    return walk_block_plain<kSync>(base, to_m);
}
#endif

PairMasks walk_block(const Search& search, std::uint32_t base, std::uint32_t to_m) {
    const bool wide = search.vectors != Vectors::kNone;
    if (search.sync_nature) return wide ? walk_block_avx2<true>(base, to_m) : walk_block_plain<true>(base, to_m);
    return wide ? walk_block_avx2<false>(base, to_m) : walk_block_plain<false>(base, to_m);
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

int frames_reaching(const Search& search, std::uint32_t g, int p, int lowest, int* starts, std::uint32_t& pid) {
    pid = pid_before(g);
    if (!pair_wanted(search, pid)) return 0;
    const int m = nature_of(pid);

    // Pair j can be the previous pair of nature m while its low output is
    // at lowest + 1 or later; a frame can start at its high output while
    // that is at lowest or later, at its low output while that is.
    const int span = p - lowest;
    const int last_walk = span >= 3 ? (span - 3) / 2 : 0;
    const int last_start = span >= 1 ? (span - 1) / 2 : 0;
    const int last_low_start = span >= 2 ? (span - 2) / 2 : 0;
    const bool sync = search.sync_nature;
    const std::uint32_t to_m = static_cast<std::uint32_t>(25 - m);
    int n = 0;  // by descending a for now
    std::uint32_t base = g;  // the state at P - 2 j0
    for (int j0 = 0;; j0 += kBlockPairs, base = kBlockBack.apply(base)) {
        const PairMasks masks = walk_block(search, base, to_m);
        const int first = j0 == 0 ? 1 : 0;
        const std::uint32_t walked = masks.nature_is_m & bits_between(first, last_walk + 1 - j0);
        // Pairs [first, end) of the block can start a search that reaches
        // pair 0: up to the previous pair of nature m.
        int end = last_start + 1 - j0;
        if (walked != 0) end = __builtin_ctz(walked) + 1;
        const std::uint32_t reach = bits_between(first, end);
        // Without synchronize a frame starting at the high output of pair
        // j chooses its nature there and searches from P - 2j. With it, a
        // frame whose first output is even takes m and searches from the
        // next one: starting at the high output of pair j, from P - 2j;
        // one whose first output is odd chooses from the second and
        // searches from the one after: starting at the low output of pair
        // j, whose high output is m modulo 25, from P - 2j as well.
        const std::uint32_t at_high = (sync ? masks.high_even : masks.high_is_m) & reach;
        const std::uint32_t at_low =
            sync ? masks.low_odd & masks.high_is_m & reach & bits_between(first, last_low_start + 1 - j0) : 0;
        for (std::uint32_t hit = at_high | at_low; hit != 0; hit &= hit - 1) {
            const int j = j0 + __builtin_ctz(hit);
            const std::uint32_t bit = hit & -hit;
            if ((at_high & bit) != 0) starts[n++] = p - 2 * j - 1;
            if ((at_low & bit) != 0) starts[n++] = p - 2 * j - 2;
        }
        if (walked != 0 || j0 + kBlockPairs > last_start) break;
    }
    std::reverse(starts, starts + n);
    return n;
}

}  // namespace vh::narrowing
