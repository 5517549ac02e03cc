#include "features/narrowing_first_creatures.hpp"

#include <algorithm>
#include <bit>

#include "features/narrowing_lane_packs.hpp"
#include "features/narrowing_nature_groups.hpp"

#if defined(__GNUC__) && (defined(__x86_64__) || defined(__i386__))
#define VH_FIRST_AVX2 1
#include <immintrin.h>
#endif

namespace vh::narrowing {

namespace {

static_assert(FirstCreatures::kPositions <= kNatureGroupPositions);  // kPositionBytes covers them

// Seeds that stay unsettled rather than keep the loop over the positions
// going for them alone.
constexpr int kFewLeft = 8;
// Seeds that go on to their next frame in a round of their own, at least.
constexpr int kRoundSeeds = 16;
// The ended searches are settled and dropped every this many pairs: each
// settling reads every search, each pair step 16 at a time. Since the
// settling runs in vectors, 32 came out ahead of 16: power 43 with minimums
// 25,17,3,28,0,6, whole runs on two threads, 0.99-1.17 s against 1.18-1.39
// (four rounds, alternating); other requests within the spread.
constexpr int kSettleEvery = 32;

// The top byte at position j of the seed with top byte k.
[[gnu::always_inline]] inline std::uint16_t top_of(std::uint16_t k, unsigned step, unsigned top) {
    return static_cast<std::uint16_t>((k * step + top) & 0xFFu);
}

// The residue mod 25 of the output at position j of the seed k (256 is 6
// mod 25).
[[gnu::always_inline]] inline std::uint16_t residue_of(std::uint16_t k, unsigned step, unsigned top, unsigned low) {
    return static_cast<std::uint16_t>(static_cast<std::uint16_t>(6 * top_of(k, step, top) + low) % 25);
}
// to[i] = that residue of the seed seeds[i], i < n.
[[gnu::always_inline]] inline void residues_body(const std::uint16_t* seeds, int n, unsigned step, unsigned top,
                                                 unsigned low, std::uint16_t* to) {
    for (int i = 0; i < n; ++i) to[i] = residue_of(seeds[i], step, top, low);
}
// Lanes whose search has ended (or that hold no seed) want this nature,
// which no pair has.
constexpr std::uint16_t kEnded = 0xFFFF;

// floor(v / 25) for v < 43699, by a multiply: the natures' sums stay below
// 16 x 255 + 6 x 255 + 24.
constexpr unsigned div25(unsigned v) { return v * 5243u >> 17; }
static_assert(div25(43698) == 43698 / 25 && div25(24) == 0 && div25(25) == 1 && div25(5634) == 5634 / 25);

// The pair at q for the seeds seeds[0 .. n): where seed i's pair has the
// nature want[i], its search ends there: end[i] = q, and want[i] becomes
// kEnded. The pair's outputs have the top bytes X and X' (at q and q + 1)
// and `shared` = 11 L' + L mod 25 of their low bytes (65536 is 11 mod 25).
[[gnu::always_inline]] inline void pair_step_body(const std::uint16_t* seeds, std::uint16_t* want,
                                                  std::uint16_t* end, int n, unsigned step0, unsigned top0,
                                                  unsigned step1, unsigned top1, unsigned shared, unsigned q) {
    for (int i = 0; i < n; ++i) {
        const unsigned v = 16u * top_of(seeds[i], step1, top1) + 6u * top_of(seeds[i], step0, top0) + shared;
        if (v - 25 * div25(v) == want[i]) {
            end[i] = static_cast<std::uint16_t>(q);
            want[i] = kEnded;
        }
    }
}

void residues_plain(const std::uint16_t* seeds, int n, unsigned step, unsigned top, unsigned low,
                    std::uint16_t* to) {
    residues_body(seeds, n, step, top, low, to);
}
void pair_step_plain(const std::uint16_t* seeds, std::uint16_t* want, std::uint16_t* end, int n, unsigned step0,
                     unsigned top0, unsigned step1, unsigned top1, unsigned shared, unsigned q) {
    pair_step_body(seeds, want, end, n, step0, top0, step1, top1, shared, q);
}
#ifdef VH_FIRST_AVX2
[[gnu::target("avx2")]] void residues_avx2(const std::uint16_t* seeds, int n, unsigned step, unsigned top,
                                           unsigned low, std::uint16_t* to) {
    residues_body(seeds, n, step, top, low, to);
}
// The same, 16 seeds a vector (n a multiple of 16).
[[gnu::target("avx2")]] void pair_step_avx2(const std::uint16_t* seeds, std::uint16_t* want, std::uint16_t* end,
                                            int n, unsigned step0, unsigned top0, unsigned step1, unsigned top1,
                                            unsigned shared, unsigned q) {
    const __m256i m0 = _mm256_set1_epi16(static_cast<short>(step0)), t0 = _mm256_set1_epi16(static_cast<short>(top0));
    const __m256i m1 = _mm256_set1_epi16(static_cast<short>(step1)), t1 = _mm256_set1_epi16(static_cast<short>(top1));
    const __m256i c = _mm256_set1_epi16(static_cast<short>(shared)), at = _mm256_set1_epi16(static_cast<short>(q));
    const __m256i byte = _mm256_set1_epi16(0xFF), magic = _mm256_set1_epi16(5243), k25 = _mm256_set1_epi16(25);
    for (int i = 0; i < n; i += 16) {
        auto* const want_at = reinterpret_cast<__m256i*>(want + i);
        auto* const end_at = reinterpret_cast<__m256i*>(end + i);
        const __m256i k = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(seeds + i));
        const __m256i x = _mm256_and_si256(_mm256_add_epi16(_mm256_mullo_epi16(k, m0), t0), byte);
        const __m256i x1 = _mm256_and_si256(_mm256_add_epi16(_mm256_mullo_epi16(k, m1), t1), byte);
        const __m256i six_x = _mm256_add_epi16(_mm256_slli_epi16(x, 2), _mm256_slli_epi16(x, 1));
        const __m256i v = _mm256_add_epi16(_mm256_add_epi16(_mm256_slli_epi16(x1, 4), six_x), c);
        const __m256i quotient = _mm256_srli_epi16(_mm256_mulhi_epu16(v, magic), 1);
        const __m256i nature = _mm256_sub_epi16(v, _mm256_mullo_epi16(quotient, k25));
        const __m256i w = _mm256_loadu_si256(want_at);
        const __m256i hit = _mm256_cmpeq_epi16(nature, w);
        _mm256_storeu_si256(end_at, _mm256_blendv_epi8(_mm256_loadu_si256(end_at), at, hit));
        _mm256_storeu_si256(want_at, _mm256_or_si256(w, hit));
    }
}
#endif

}  // namespace

bool FirstCreatures::applies(const Search& search) {
    return !search.req.reverse && search.hp_filter && !search.req.fixed_shiny;
}

std::uint16_t FirstCreatures::output(int j, unsigned k) const {
    return static_cast<std::uint16_t>(top_of(static_cast<std::uint16_t>(k), kPositionBytes.mul[j], top_[j]) << 8 | low_[j]);
}

bool FirstCreatures::settle(const Search& search, unsigned k, int q) {
    const std::uint16_t w1 = output(q + 2, k), w2 = output(q + 3, k);
    if (!power_and_type_pass(search, w1, w2)) {
        result_[k] = -1;  // the seed ends here
        return false;
    }
    const std::uint32_t pid = make_pid(output(q, k), output(q + 1, k));
    if (!minimums_and_shiny_pass(search.req, pid, ivs_from_words(w1, w2))) return true;
    result_[k] = static_cast<std::int16_t>(frame_[k]);
    creature_[k] = {pid, w1, w2};
    return false;
}

void FirstCreatures::settle_ended(const Search& search, Searches& list) {
#ifdef VH_FIRST_AVX2
    if (search.vectors != Vectors::kNone) return settle_ended_wide(search, list);
#endif
    // Both lists made without a branch on each entry: the ended ones, then
    // those kept.
    std::uint16_t ended_seed[256], ended_at[256];
    int n_ended = 0, kept = 0;
    for (int i = 0; i < list.n; ++i) {
        const bool has_ended = list.want[i] == kEnded;
        ended_seed[n_ended] = list.seed[i];
        ended_at[n_ended] = list.end[i];
        n_ended += has_ended;
        list.seed[kept] = list.seed[i];
        list.want[kept] = list.want[i];
        list.end[kept] = list.end[i];
        kept += !has_ended;
    }
    for (int i = 0; i < n_ended; ++i)
        if (settle(search, ended_seed[i], ended_at[i])) again_[again_count_++] = ended_seed[i];
    list.n = kept;
    std::fill(list.want + kept, list.want + kept + 16, kEnded);
}

#ifdef VH_FIRST_AVX2
namespace {
// Seed k's outputs at q + ahead (seed 0's from `packed`, its top byte moved
// by k steps), in the low 16 bits of each lane.
[[gnu::target("avx2")]] inline __m256i outputs_at(const int* packed, __m256i q, int ahead, __m256i k) {
    const __m256i p = _mm256_i32gather_epi32(packed, _mm256_add_epi32(q, _mm256_set1_epi32(ahead)), 4);
    const __m256i moved = _mm256_slli_epi32(_mm256_mullo_epi16(k, _mm256_srli_epi32(p, 16)), 8);
    return _mm256_and_si256(_mm256_add_epi32(p, moved), _mm256_set1_epi32(0xFFFF));
}
// (w >> right) & mask, a negative `right` shifting left.
[[gnu::target("avx2")]] inline __m256i bits(__m256i w, int right, int mask) {
    return _mm256_and_si256(right >= 0 ? _mm256_srli_epi32(w, right) : _mm256_slli_epi32(w, -right),
                            _mm256_set1_epi32(mask));
}
// Bit i of the result: the sign of 32-bit lane i.
[[gnu::target("avx2")]] inline unsigned lane_signs(__m256i v) {
    return static_cast<unsigned>(_mm256_movemask_ps(_mm256_castsi256_ps(v)));
}
}  // namespace

[[gnu::target("avx2")]] void FirstCreatures::settle_ended_wide(const Search& search, Searches& list) {
    const NarrowingRequest& req = search.req;
    const auto* const packed = reinterpret_cast<const int*>(packed_);
    const auto* const passing = reinterpret_cast<const int*>(search.hp_passing);
    const __m256i ones = _mm256_set1_epi32(1);
    const __m256i ids = _mm256_set1_epi32((req.tid ^ req.sid) & 0xFFFF);
    __m256i least[6];
    for (int i = 0; i < 6; ++i) least[i] = _mm256_set1_epi32(req.min_ivs[i] - 1);
    const __m128i ended_want = _mm_set1_epi16(static_cast<short>(kEnded));
    int kept = 0;
    for (int i = 0; i < list.n; i += 8) {
        const auto at = [&](std::uint16_t* a) { return reinterpret_cast<const __m128i*>(a + i); };
        const __m128i seeds = _mm_loadu_si128(at(list.seed)), wants = _mm_loadu_si128(at(list.want));
        const __m128i ends = _mm_loadu_si128(at(list.end));
        const unsigned real = list.n - i >= 8 ? 0xFFu : (1u << (list.n - i)) - 1;
        const __m128i ended_lanes = _mm_cmpeq_epi16(wants, ended_want);
        const unsigned ended =
            static_cast<unsigned>(_mm_movemask_epi8(_mm_packs_epi16(ended_lanes, _mm_setzero_si128()))) & real;
        // The searches going on, packed to the front (in place: the stores
        // stay at or before the entries read).
        const unsigned keep = ~ended & real;
        store_packed(list.seed + kept, seeds, keep);
        store_packed(list.want + kept, wants, keep);
        kept += store_packed(list.end + kept, ends, keep);
        if (ended == 0) continue;
        // Every lane is tested (each holds a position within the table);
        // only the ended ones count.
        const __m256i k = _mm256_cvtepu16_epi32(seeds), q = _mm256_cvtepu16_epi32(ends);
        const __m256i first = outputs_at(packed, q, 0, k), second = outputs_at(packed, q, 1, k);
        const __m256i w1 = outputs_at(packed, q, 2, k), w2 = outputs_at(packed, q, 3, k);
        const __m256i pattern = _mm256_or_si256(
            _mm256_or_si256(_mm256_or_si256(bits(w1, 0, 3), bits(w1, 3, 0xC)),
                            _mm256_or_si256(bits(w1, 6, 0x30), bits(w2, -6, 0xC0))),
            _mm256_or_si256(bits(w2, -3, 0x300), bits(w2, 0, 0xC00)));
        const __m256i word = _mm256_i32gather_epi32(passing, _mm256_srli_epi32(pattern, 5), 4);
        const __m256i power = _mm256_cmpeq_epi32(
            _mm256_and_si256(_mm256_srlv_epi32(word, _mm256_and_si256(pattern, _mm256_set1_epi32(31))), ones), ones);
        __m256i pass = _mm256_set1_epi32(-1);
        for (int v = 0; v < 6; ++v)
            pass = _mm256_and_si256(pass, _mm256_cmpgt_epi32(bits(v < 3 ? w1 : w2, 5 * (v % 3), 31), least[v]));
        if (req.shiny) {
            const __m256i x = _mm256_xor_si256(_mm256_xor_si256(first, second), ids);
            pass = _mm256_and_si256(pass, _mm256_cmpeq_epi32(_mm256_srli_epi32(x, 3), _mm256_setzero_si256()));
        }
        const unsigned passing_power = ended & lane_signs(power), passing_all = lane_signs(pass);
        again_count_ += store_packed(again_ + again_count_, seeds, passing_power & ~passing_all);
        if (const unsigned rows = passing_power & passing_all) {
            alignas(32) std::uint32_t pid[8], words[8];
            alignas(16) std::uint16_t seed[8];
            _mm256_store_si256(reinterpret_cast<__m256i*>(pid), _mm256_or_si256(first, _mm256_slli_epi32(second, 16)));
            _mm256_store_si256(reinterpret_cast<__m256i*>(words), _mm256_or_si256(w1, _mm256_slli_epi32(w2, 16)));
            _mm_store_si128(reinterpret_cast<__m128i*>(seed), seeds);
            for (unsigned r = rows; r != 0; r &= r - 1) {
                const int l = std::countr_zero(r);
                result_[seed[l]] = static_cast<std::int16_t>(frame_[seed[l]]);
                creature_[seed[l]] = {pid[l], static_cast<std::uint16_t>(words[l]),
                                      static_cast<std::uint16_t>(words[l] >> 16)};
            }
        }
    }
    list.n = kept;
    std::fill(list.want + kept, list.want + kept + 16, kEnded);
}
#endif

void FirstCreatures::run(const Search& search, std::uint32_t base) {
    group_state_bytes(base, kPositions, top_, low_);
    if (search.vectors != Vectors::kNone)  // read only by the wide settling
        for (int j = 0; j < kPositions; ++j)
            packed_[j] = std::uint32_t{top_[j]} << 8 | low_[j] | std::uint32_t{kPositionBytes.mul[j]} << 16;
    // A seed ends (no row) unless it is settled otherwise.
    std::fill(result_, result_ + 256, static_cast<std::int16_t>(-1));
    std::fill(frame_, frame_ + 256, std::uint16_t{0});
    again_count_ = 0;
    // A frame reads at least two outputs: later ones are out of the table,
    // as the replay takes them (no creature, and the seed ends).
    const int latest = static_cast<int>(std::min<long>(search.req.max_frames, search.table - 3));
    // The last pair whose words lie within the table and the positions here.
    const int last_pair = std::min(kPositions - 4, search.table - 4);
    if (latest < 0) return;
    if (search.req.nature == kNoNature)
        search_own_natures(search, latest, last_pair);
    else
        search_wanted_nature(search, latest, last_pair);
}

void FirstCreatures::pair_step(bool wide, Searches& list, int q) {
    const unsigned shared = (11u * low_[q + 1] + low_[q]) % 25;
    const unsigned step0 = kPositionBytes.mul[q], step1 = kPositionBytes.mul[q + 1];
#ifdef VH_FIRST_AVX2
    if (wide)
        return pair_step_avx2(list.seed, list.want, list.end, (list.n + 15) & ~15, step0, top_[q], step1, top_[q + 1],
                              shared, static_cast<unsigned>(q));
#endif
    pair_step_plain(list.seed, list.want, list.end, list.n, step0, top_[q], step1, top_[q + 1], shared,
                    static_cast<unsigned>(q));
}

void FirstCreatures::search_own_natures(const Search& search, int latest, int last_pair) {
    const bool wide = search.vectors != Vectors::kNone;
    // Every frame passes its nature step, so the seeds whose creature at
    // frame f fails only the minimums or shiny all go on to frame f + 1: a
    // round for each frame while enough of them go on.
    Searches& list = searches_[0];
    for (unsigned k = 0; k < 256; ++k) again_[k] = static_cast<std::uint16_t>(k);
    again_count_ = 256;
    int f = 0;
    for (; again_count_ >= kRoundSeeds; ++f) {
        if (f > latest) return;  // every later frame is out of range: no row
        // The nature of output f + 1, searched from f + 2.
        list.n = again_count_;
        std::copy(again_, again_ + again_count_, list.seed);
#ifdef VH_FIRST_AVX2
        if (wide)
            residues_avx2(list.seed, list.n, kPositionBytes.mul[f + 1], top_[f + 1], low_[f + 1], list.want);
        else
#endif
            residues_plain(list.seed, list.n, kPositionBytes.mul[f + 1], top_[f + 1], low_[f + 1], list.want);
        std::fill(list.want + list.n, list.want + list.n + 16, kEnded);
        std::fill(list.end, list.end + list.n + 16, std::uint16_t{0});  // a position, for the wide settling
        for (int i = 0; i < list.n; ++i) frame_[list.seed[i]] = static_cast<std::uint16_t>(f);
        again_count_ = 0;
        // The searches ending at a pair are settled every few pairs, and at
        // the end; those still going are left to the replay at this frame.
        for (int q = f + 2; q <= last_pair && list.n > kFewLeft; q += 2) {
            pair_step(wide, list, q);
            if ((q - f) % (2 * kSettleEvery) == 0) settle_ended(search, list);
        }
        settle_ended(search, list);
        for (int i = 0; i < list.n; ++i) result_[list.seed[i]] = kUnsettled;
    }
    // Too few go on to frame f for a round of their own.
    for (int i = 0; i < again_count_; ++i) {
        result_[again_[i]] = kUnsettled;
        frame_[again_[i]] = static_cast<std::uint16_t>(f);
    }
}

void FirstCreatures::search_wanted_nature(const Search& search, int latest, int last_pair) {
    const unsigned nature = static_cast<unsigned>(search.req.nature);
    constexpr std::uint16_t kNone = 0xFFFF;
    std::fill(start_, start_ + 256, kNone);
    // The seeds whose output j has the residue `residue`: its top byte
    // X = 21 (residue - L) (mod 25) and 25 more at a time (6 x 21 is 1 mod
    // 25), each of one seed.
    const auto for_residue = [&](int j, unsigned residue, auto&& f) {
        const unsigned first = 21 * (residue + 25 - low_[j] % 25) % 25;
        for (unsigned x = first; x < 256; x += 25) f(((x - top_[j]) * kPositionBytes.inv[j]) & 0xFFu);
    };
    // Each seed's first frame that passes its nature step, and where its
    // search starts; `all_known` once every frame up to the latest was seen.
    int started = 0;
    bool all_known = false;
    // Without a branch on the seed: whether it is new is a coin toss.
    const auto begin = [&](unsigned k, int f, int s) {
        const unsigned fresh = start_[k] == kNone;
        const auto keep = static_cast<std::uint16_t>(fresh - 1);  // all ones unless new
        start_[k] = static_cast<std::uint16_t>((start_[k] & keep) | (s & ~keep));
        frame_[k] = static_cast<std::uint16_t>((frame_[k] & keep) | (f & ~keep));
        started += static_cast<int>(fresh);
    };
    // The last few seeds to pass a nature step are left to the replay.
    for (int f = 0; started < 256 - kFewLeft; ++f) {
        const int p = f + 1;  // the frame's first output
        if (f > latest) {
            all_known = true;
            break;
        }
        if (p + 1 > last_pair) break;
        if (!search.sync_nature) {
            // Output p's nature, searched from p + 1.
            for_residue(p, nature, [&](unsigned k) { begin(k, f, p + 1); });
        } else if ((low_[p] & 1u) == 0) {
            // Synchronized (output p even, its low bit the group's): the
            // wanted nature for all, searched from p + 1.
            for (unsigned k = 0; k < 256; ++k) begin(k, f, p + 1);
        } else {
            // Output p + 1 chooses the nature, searched from p + 2.
            for_residue(p + 1, nature, [&](unsigned k) { begin(k, f, p + 2); });
        }
    }
    // The searches, by the parity of their start, each seed joining its list
    // at its start (counted out by start first), 16 tested at a time; the
    // ended ones settled every few pairs, and at the end.
    std::uint16_t by_start[256];
    int first_at[kPositions + 1] = {};
    for (unsigned k = 0; k < 256; ++k) first_at[start_[k] == kNone ? kPositions : start_[k]]++;
    for (int j = 0, sum = 0; j <= kPositions; ++j) {
        const int n = first_at[j];
        first_at[j] = sum;
        sum += n;
    }
    int next_of[kPositions + 1];
    std::copy(first_at, first_at + kPositions + 1, next_of);
    for (unsigned k = 0; k < 256; ++k)
        by_start[next_of[start_[k] == kNone ? kPositions : start_[k]]++] = static_cast<std::uint16_t>(k);
    const bool wide = search.vectors != Vectors::kNone;
    for (Searches& list : searches_) {
        list.n = 0;
        std::fill(list.want, list.want + 16, kEnded);
        std::fill(std::begin(list.end), std::end(list.end), std::uint16_t{0});  // a position, for the wide settling
    }
    int waiting = started;  // started seeds not yet settled or dropped
    int q = 2;
    for (; q <= last_pair && waiting > kFewLeft; ++q) {
        Searches& list = searches_[q & 1];
        for (int i = first_at[q]; i < first_at[q + 1]; ++i) {
            list.seed[list.n] = by_start[i];
            list.want[list.n] = static_cast<std::uint16_t>(nature);
            if (++list.n % 16 == 0) std::fill(list.want + list.n, list.want + list.n + 16, kEnded);
        }
        if (list.n == 0) continue;
        pair_step(wide, list, q);
        if ((q >> 1) % kSettleEvery == 0) {
            const int before = list.n;
            settle_ended(search, list);
            waiting -= before - list.n;
        }
    }
    settle_ended(search, searches_[0]);
    settle_ended(search, searches_[1]);
    // Left to the replay: the seeds whose search had not begun (at q or
    // later) or not ended, those of which no frame up to the latest is known
    // to fail its nature step, and from their next frame those whose
    // creature failed only the minimums or shiny.
    for (int i = first_at[q]; i < first_at[kPositions]; ++i) result_[by_start[i]] = kUnsettled;
    if (!all_known)
        for (int i = first_at[kPositions]; i < 256; ++i) result_[by_start[i]] = kUnsettled;
    for (const Searches& list : searches_)
        for (int i = 0; i < list.n; ++i) result_[list.seed[i]] = kUnsettled;
    for (int i = 0; i < again_count_; ++i) {
        result_[again_[i]] = kUnsettled;
        ++frame_[again_[i]];
    }
}

}  // namespace vh::narrowing
