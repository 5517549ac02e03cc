// One initial seed evaluated frame by frame, as the literal search does:
// the lowest frame whose creature passes. The outputs, their residues, the
// pairs' natures and the passing words are made a block of 128 positions at
// a time as the frames reach them (from a reference seed's outputs, shared
// by the 256 seeds of one hour and low half), and each personality search
// compares 64 pairs of its parity at a time instead of walking pair by pair,
// so a frame costs a few steps whatever its search's length.
//
// The two directions read the same frames under different rules:
// - forward: a frame whose generation would read past the table has no
//   creature and the next frame is tried; a failed power or type test ends
//   the seed;
// - reverse: a frame that would read past the outputs known around the match
//   ends the seed; a failed power or type test only fails the frame.
// The fixed shiny creature is taken as forward processing takes it; reverse
// processing finds its rows without replaying.
#pragma once
#include <algorithm>
#include <bit>
#include <cstdint>
#include <cstring>

#ifdef __SSE2__
#include <emmintrin.h>
#endif

#include "engine/lcg.hpp"
#include "engine/output_run.hpp"
#include "features/narrowing_internal.hpp"

namespace vh::narrowing {

enum class ReplayRules { kForward, kReverse };

// The six minimums as a block's words are tested: for the values the seed's
// top byte moves (A and B of the first word, C and D of the second), the
// minimum less one in the value's place in its word.
struct WordMinimums {
    int mins[6] = {-1, -1, -1, -1, -1, -1};
    std::int16_t placed_below[4] = {};
    bool all_zero = false;  // every pair of words passes (the window's default)
    void set(const int* m) {
        std::copy(m, m + 6, mins);
        all_zero = std::all_of(m, m + 6, [](int v) { return v <= 0; });
        const int at[4] = {1, 2, 4, 5};
        for (int i = 0; i < 4; ++i)
            placed_below[i] = static_cast<std::int16_t>((m[at[i]] << (5 + 5 * (i & 1))) - 1);
    }
};

// A block: 128 outputs of a seed from `out` on (and the next block's
// first, to spare), each output's residue mod 25 in `mod`, and the pairs'
// natures: with `pair`, the class of the pair starting at each position
// (twice its nature plus the position's parity, the value every personality
// search of one nature and parity looks for), and in `wanted` bit i of
// wanted[w] where the pair at 64 w + i has the nature `nature` (none when it
// is kNoNature); without, the natures split by the parity of the position,
// `even` and `odd` (64 each). Also the
// positions whose two words hold values of at least the six minimums `mins`:
// bit i of words[w] for position 64 w + i.
//
// The outputs come from those of a reference seed with the same low 24 bits
// (`ref`, the block's kReplayBlockSpan outputs, made by
// fill_reference_outputs from the state at the block's start): seeds that
// differ only in their top byte differ in every later output by a multiple
// of 256, given by `delta`, the difference of their top bytes mod 256. So
// the outputs' low bytes, and with them the first value of each word, are
// the reference's: fill_reference_outputs sets bit i of low_words[w] where
// the first word at 64 w + i has H and the second S of at least the
// minimums, and the block's words take those bits.
inline constexpr int kReplayBlockOutputs = 128;
inline constexpr int kReplayBlockSpan = kReplayBlockOutputs + 16;
struct ReplayBlockSlots {
    std::uint16_t* out;
    std::uint8_t* mod;   // null: the outputs and the words only
    std::uint8_t* pair;  // null: the natures by parity instead
    std::uint64_t* wanted;  // with `pair`: the pairs of `nature`
    int nature;
    std::uint8_t* even;
    std::uint8_t* odd;
    std::uint64_t* words;  // null: no word bits (the caller tests the words it reaches)
};
void fill_reference_outputs(Vectors vectors, std::uint32_t base, std::uint16_t* ref, const WordMinimums& mins,
                            std::uint64_t* low_words);
void fill_replay_block(Vectors vectors, const std::uint16_t* ref, const std::uint64_t* low_words, unsigned delta,
                       const WordMinimums& mins, const ReplayBlockSlots& to);

// Bit c set for each class c among the 32 pair classes from `pairs` on.
std::uint64_t classes_in(Vectors vectors, const std::uint8_t* pairs);

// The low bits of a word's eight bytes (each 0 or 1), byte i as bit i: the
// multiply gathers them into the top byte (little-endian words).
constexpr unsigned low_bits_of_bytes(std::uint64_t eight) {
    return static_cast<unsigned>((eight * 0x0102040810204080u) >> 56);
}
static_assert(low_bits_of_bytes(0x0100010101000001u) == 0b10111001u);

// Bit i set where bytes[i] is `value`, for i = 0 .. 31 (none for a value
// no byte holds).
[[gnu::always_inline]] inline std::uint32_t bytes_equal(bool vectors, const std::uint8_t* bytes, int value) {
    if (value < 0 || value > 0xFF) return 0;
#ifdef __SSE2__
    if (vectors) {
        // A byte broadcast through a 32-bit one: two instructions, where
        // set1_epi8 without SSSE3 may build the vector byte by byte.
        const __m128i want = _mm_set1_epi32(static_cast<int>(0x01010101u * static_cast<std::uint32_t>(value)));
        const __m128i lo = _mm_loadu_si128(reinterpret_cast<const __m128i*>(bytes));
        const __m128i hi = _mm_loadu_si128(reinterpret_cast<const __m128i*>(bytes + 16));
        return static_cast<std::uint32_t>(_mm_movemask_epi8(_mm_cmpeq_epi8(lo, want))) |
               static_cast<std::uint32_t>(_mm_movemask_epi8(_mm_cmpeq_epi8(hi, want))) << 16;
    }
#endif
    std::uint32_t bits = 0;
    if constexpr (std::endian::native == std::endian::little) {
        // Eight bytes a word: 0x80 in each byte that is zero after the
        // xor (no borrow crosses bytes), then those bits gathered by a
        // multiply into the top byte.
        constexpr std::uint64_t kLow7 = 0x7F7F7F7F7F7F7F7Fu;
        const std::uint64_t want = 0x0101010101010101u * static_cast<std::uint64_t>(value);
        for (int i = 0; i < 4; ++i) {
            std::uint64_t eight;
            std::memcpy(&eight, bytes + 8 * i, 8);
            const std::uint64_t y = eight ^ want;
            const std::uint64_t zero = ~(((y & kLow7) + kLow7) | y | kLow7);
            bits |= low_bits_of_bytes(zero >> 7) << (8 * i);
        }
    } else {
        for (int i = 0; i < 32; ++i) bits |= std::uint32_t{bytes[i] == value} << i;
    }
    return bits;
}

class SeedReplay {
public:
    SeedReplay() = default;
    SeedReplay(const SeedReplay&) = delete;
    SeedReplay& operator=(const SeedReplay&) = delete;

    // The row frame of `seed` among frames first .. max_frames, reading
    // outputs up to index `last` (output k is the k-th after the seed; last
    // is below the seed run's size), or -1. Frames before `first` must be
    // known to have no creature that passes or ends the seed.
    int row_frame(const Search& search, std::uint32_t seed, int max_frames, long last, ReplayRules rules,
                  Creature& c, int first = 0) {
        const NarrowingRequest& req = search.req;
        start(search, seed, false);
        if (req.fixed_shiny) return fixed_shiny_row(search, max_frames, last, rules, c);
        const int synced = synced_nature(req.nature, req.sync);
        // Without synchronize only a frame whose first output has the wanted
        // nature's residue passes its nature step: the others are skipped.
        const bool skip = req.nature != kNoNature && !req.sync;
        // With synchronize most frames take the wanted nature, but those
        // whose search starts at or before the failed pair of its parity are
        // passed over too, 64 frames at a time.
        const bool jump = req.nature != kNoNature && req.sync;
        // A frame reads at least two outputs: later ones would be out of range.
        const int latest = static_cast<int>(std::min<long>(max_frames, last - 2));
        const int last_pair = static_cast<int>(last) - 3;  // both words after it exist
        // With a wanted nature every search looks for it: the last pair of
        // each parity at which a search ended and its frame failed. A search
        // starting at or before it ends there too, and fails the same way.
        int failed_at[2] = {-1, -1};
        for (int f = first; f <= max_frames; ++f) {
            if (skip && (f = next_residue(f + 1, req.nature, latest + 1) - 1) < 0) return -1;
            if (jump && (f = next_searching_frame(f, req.nature, failed_at, latest)) < 0) return -1;
            if (f > latest) return -1;  // out of range, as is every later frame
            fill_through(f + 2);
            const auto [nature, start] = nature_step_of(f, synced);
            if (req.nature != kNoNature && nature != req.nature) continue;
            if (start <= failed_at[start & 1]) continue;
            const int q = next_pair(start, nature, last_pair);
            if (q < 0) {
                if (rules == ReplayRules::kReverse) return -1;
                continue;
            }
            if (req.nature != kNoNature) failed_at[q & 1] = q;  // unless the frame passes
            if (search.hp_filter) {
                fill_through(q + 3);
                if (!power_and_type_pass(search, out_[q + 2], out_[q + 3])) {
                    if (rules == ReplayRules::kForward) return -1;
                    continue;
                }
            }
            if (!words_at(q + 2)) continue;
            fill_through(q + 3);
            const std::uint16_t w1 = out_[q + 2], w2 = out_[q + 3];
            const std::uint32_t pid = make_pid(out_[q], out_[q + 1]);
            if (req.shiny && !is_shiny(pid, req.tid, req.sid)) continue;
            c = {pid, w1, w2};
            return f;
        }
        return -1;
    }

    // The same row, for forward processing without a power or type filter
    // (so no frame ends the seed), found from the other side where rows lie
    // far: every frame passes exactly when the pair its search ends at is
    // followed by passing words, so the row is the lowest frame reaching any
    // such pair. The pairs are taken in order until no frame below the row
    // so far can reach a later one: once every nature the frames can want
    // has a pair of each parity at or after the row + 2, every earlier
    // frame's search has ended.
    int row_frame_from_words(const Search& search, std::uint32_t seed, int max_frames, long last, Creature& c) {
        const NarrowingRequest& req = search.req;
        start(search, seed, true);
        const int last_words = static_cast<int>(last) - 1;  // both words at or before `last`
        // Bit 2 n + parity: the natures and parities of the searches.
        std::uint64_t need =
            req.nature != kNoNature ? std::uint64_t{3} << (2 * req.nature) : (std::uint64_t{1} << 50) - 1;
        int row = max_frames + 1;  // none yet: every frame up to max_frames is below it
        // `seen` holds the classes of the pairs from..seen_to - 1 (with a
        // wanted nature only its two); a lower row only adds the pairs
        // before `from`.
        int from = row + 2;
        int seen_to = from;
        std::uint64_t seen = 0;
        const bool nature = req.nature != kNoNature;
        const auto add_pairs = [&](int begin, int end) {
            fill_through(end - 1);
            if (nature) {
                seen |= wanted_classes(begin, end);
                return;
            }
            // Two chains: each step is a load, a shift and an or.
            std::uint64_t other = 0;
            int q = begin;
            for (; q + 1 < end; q += 2) {
                seen |= std::uint64_t{1} << pair_[q];
                other |= std::uint64_t{1} << pair_[q + 1];
            }
            if (q < end) seen |= std::uint64_t{1} << pair_[q];
            seen |= other;
        };
        // Whether the pairs from..q cover `need` (the calls ask for ascending
        // q). Without a wanted nature the classes are looked at 32 pairs at a
        // time: false also when they only cover it in the last few, which
        // just takes in more words before stopping.
        const auto covered_through = [&](int q) {
            if ((seen & need) == need) return true;
            if (nature) {
                if (seen_to <= q) {
                    add_pairs(seen_to, q + 1);
                    seen_to = q + 1;
                }
                return (seen & need) == need;
            }
            if (seen_to + 32 > q + 1) return false;
            fill_through(q);
            for (; seen_to + 32 <= q + 1; seen_to += 32)
                if (((seen |= classes_in(vectors_, pair_ + seen_to)) & need) == need) {
                    seen_to += 32;
                    return true;
                }
            return false;
        };
        // With a wanted nature, only words after a pair of it can be reached:
        // bit i for the pair at 64 w + i, and the last chunk's top two pairs.
        std::uint64_t wanted_carry = 0;
        for (int w = 0; w * 64 <= last_words; ++w) {
            // Output w * 64 + 64 is a filled block's spare when it starts the next.
            fill_through(w * 64 + 63);
            // The earliest words a frame reaches are outputs 4 and 5.
            std::uint64_t bits = words_[w] & (w == 0 ? ~std::uint64_t{15} : ~std::uint64_t{0});
            if (nature) {
                bits &= wanted_[w] << 2 | wanted_carry;
                wanted_carry = wanted_[w] >> 62;
            }
            for (; bits != 0; bits &= bits - 1) {
                const int k = w * 64 + std::countr_zero(bits);
                if (k > last_words || covered_through(k - 3)) return row <= max_frames ? row : -1;
                // A pair of its class seen since the row + 2 ends every search
                // below the row that could reach it.
                if ((seen >> pair_[k - 2] & 1u) != 0) continue;
                const int f = lowest_frame_reaching(search, k, row, c);
                if (f < 0) continue;
                row = f;
                // Few frames below the row: only their classes can still
                // reach a later pair.
                if (row <= kFewFrames) need &= classes_below(search, row, need);
                if (seen_to > from)
                    add_pairs(row + 2, from);
                else
                    seen_to = row + 2;  // nothing seen yet
                from = row + 2;
            }
            if (covered_through(std::min(w * 64 + 61, last_words - 2))) break;
        }
        return row <= max_frames ? row : -1;
    }

private:
    // The reference's blocks 0 .. block (and the output after the last, its
    // spare).
    void reference_blocks_through(int block) {
        for (; ref_blocks_ <= block; ++ref_blocks_) {
            fill_reference_outputs(vectors_, ref_next_base_, ref_out_ + ref_blocks_ * kReplayBlockOutputs, word_mins_,
                                   ref_low_words_ + 2 * ref_blocks_);
            ref_next_base_ = kForwardJumps[kReplayBlockOutputs].apply(ref_next_base_);
        }
    }
    // Output k of this seed from the reference's (made through k): the top
    // bytes differ by delta_, which moves output k by delta_ x a^k mod 256
    // in its high byte.
    std::uint16_t output_from_reference(int k) const {
        return static_cast<std::uint16_t>(ref_out_[k] + ((delta_ * (kForwardJumps[k].mul & 0xFFu)) << 8));
    }

    // A search compares 64 bytes from its last position on.
    static constexpr int kMaxBlocks = (kSeedRunSize + 64) / kReplayBlockOutputs + 1;

    // A new seed, its blocks made as they are read, with the pairs' natures
    // by parity or (pair_classes) their classes. The reference outputs are
    // kept while the seeds share their low 24 bits (the seeds of one hour
    // and low half, which forward processing takes in a row).
    void start(const Search& search, std::uint32_t seed, bool pair_classes) {
        vectors_ = search.vectors;
        pair_classes_ = pair_classes;
        // The fixed shiny creature reads the outputs and the words only.
        outputs_only_ = search.req.fixed_shiny;
        // With a power or type filter the frame-by-frame replay reads few
        // pairs of words before a creature ends the seed: it tests those
        // alone, and the blocks are made without word bits.
        words_in_blocks_ = !(search.hp_filter && !pair_classes && !search.req.fixed_shiny);
        search_nature_ = search.req.nature;
        filled_end_ = 0;
        const int* mins = search.req.min_ivs.data();
        const bool new_mins = !std::equal(mins, mins + 6, word_mins_.mins);
        if (new_mins) word_mins_.set(mins);
        const std::uint32_t fixed_nature =
            search.req.fixed_shiny
                ? (search.shiny_nature_check ? static_cast<std::uint32_t>(search.req.nature) : kUntestedNature) << 16 |
                      static_cast<std::uint32_t>(search.req.tid ^ search.req.sid)
                : kNoFixedNature;
        if (new_mins || ref_blocks_ < 0 || ((seed ^ ref_seed_) & 0xFFFFFFu) != 0 || fixed_nature != fixed_nature_) {
            ref_seed_ = seed;
            ref_next_base_ = seed;
            ref_blocks_ = 0;
            window_frame_ = -2;
            fixed_nature_ = fixed_nature;
            fixed_nature_words_ = 0;
            fixed_listed_ = 0;
            fixed_next_ = 0;
        }
        delta_ = ((seed >> 24) - (ref_seed_ >> 24)) & 0xFFu;
    }
    // Outputs 0 .. k and their blocks, filled (and the output after the
    // last block, its spare).
    [[gnu::always_inline]] void fill_through(int k) {
        if (k >= filled_end_) fill_blocks_through(k);
    }
    [[gnu::noinline]] void fill_blocks_through(int k) {
        while (k >= filled_end_) {
            const int block = filled_end_ / kReplayBlockOutputs;
            reference_blocks_through(block);
            const ReplayBlockSlots to{out_ + filled_end_,          outputs_only_ ? nullptr : mod_ + filled_end_,
                                      pair_classes_ ? pair_ + filled_end_ : nullptr,
                                      wanted_ + 2 * block, search_nature_,
                                      natures_[0] + filled_end_ / 2, natures_[1] + filled_end_ / 2,
                                      words_in_blocks_ ? words_ + 2 * block : nullptr};
            fill_replay_block(vectors_, ref_out_ + filled_end_, ref_low_words_ + 2 * block, delta_, word_mins_, to);
            filled_end_ += kReplayBlockOutputs;
        }
    }
    // Bit i set where bytes[i] is `value`, for i = 0 .. 31 or 0 .. 63, with
    // the search's vectors.
    [[gnu::always_inline]] std::uint32_t equal_32(const std::uint8_t* bytes, int value) const {
        return bytes_equal(vectors_ != Vectors::kNone, bytes, value);
    }
    [[gnu::always_inline]] std::uint64_t equal_64(const std::uint8_t* bytes, int value) const {
        return equal_32(bytes, value) | std::uint64_t{equal_32(bytes + 32, value)} << 32;
    }
    // The first index i >= from, i <= last, where bytes[i] is `value`; -1
    // when there is none. Index i covers position step i + parity: 64 indices a
    // step, loaded 16 at a time where the fill stored them (a load that
    // straddles two recent stores waits for both to reach the cache). A
    // search ends within its first step seven to nine times in ten, so the
    // loop's branch is mostly foreseen. Indices past the filled blocks are
    // masked off (not filled ahead: most searches end before the block does).
    [[gnu::always_inline]] int next_index(const std::uint8_t* bytes, int from, int value, int last, int step,
                                          int parity) {
        while (from <= last) {
            fill_through(step * from + parity);
            const int j = from & ~15;
            const int filled = filled_end_ / step - j;  // indices filled from j on
            std::uint64_t bits = equal_64(bytes + j, value) >> (from - j) << (from - j);
            if (filled < 64) bits &= (std::uint64_t{1} << filled) - 1;
            if (bits != 0) {
                const int found = j + std::countr_zero(bits);
                return found <= last ? found : -1;
            }
            if (filled < 64)
                fill_through(filled_end_);  // the same indices again, with the next block
            else
                from = j + 64;
        }
        return -1;
    }
    // The last pair q <= q0 with q >= 2 of the wanted nature and q0's
    // parity, or -1, from the wanted pairs' bits (filled through q0).
    int prev_wanted(int q0) const {
        const std::uint64_t parity = 0x5555555555555555u << (q0 & 1);
        std::uint64_t keep = ~std::uint64_t{0} >> (63 - (q0 & 63));  // positions through q0
        for (int j = q0 >> 6; j >= 0; --j, keep = ~std::uint64_t{0}) {
            const std::uint64_t bits = wanted_[j] & parity & keep & (j == 0 ? ~std::uint64_t{3} : ~std::uint64_t{0});
            if (bits != 0) return 64 * j + 63 - std::countl_zero(bits);
        }
        return -1;
    }

    // The nature step of frame f (first output f + 1) from the filled run,
    // as encounter_nature_step takes it, the outputs' residues read instead
    // of computed; `synced` as synced_nature gives it.
    NatureStep nature_step_of(int f, int synced) const {
        if (synced == kNoNature) return {mod_[f + 1], f + 2};
        if ((out_[f + 1] & 1u) == 0) return {synced, f + 2};
        return {mod_[f + 2], f + 3};
    }

    // The classes of the searches of frames 0 .. below - 1 that pass their
    // nature step (frames up to `below` are filled), or all of `of` as soon
    // as they include them.
    static constexpr int kFewFrames = 48;
    std::uint64_t classes_below(const Search& search, int below, std::uint64_t of) const {
        const NarrowingRequest& req = search.req;
        const int synced = synced_nature(req.nature, req.sync);
        std::uint64_t classes = 0;
        for (int f = 0; f < below && (classes & of) != of; ++f) {
            const auto [nature, start] = nature_step_of(f, synced);
            if (req.nature == kNoNature || nature == req.nature) classes |= std::uint64_t{1} << (2 * nature + (start & 1));
        }
        return classes;
    }

    // The lowest frame below `below` whose personality search ends at the
    // pair before the words at k (k >= 4), or -1; its creature in c. The
    // pair must have the wanted nature and, when shiny is wanted, be shiny.
    // A frame whose first output is a reaches it when its nature step
    // chooses the pair's nature and starts its search at q's parity after
    // the previous pair of that nature and parity.
    int lowest_frame_reaching(const Search& search, int k, int below, Creature& c) {
        const NarrowingRequest& req = search.req;
        const int q = k - 2;
        const int m = pair_[q] >> 1;
        if (req.nature != kNoNature && m != req.nature) return -1;
        const std::uint32_t pid = make_pid(out_[q], out_[q + 1]);
        if (req.shiny && !is_shiny(pid, req.tid, req.sid)) return -1;
        const int last_a = std::min(q - 1, below);  // frame a - 1 below `below`
        int a = -1;
        if (!search.sync_nature) {
            a = lowest_choosing(q, m, last_a);
        } else {
            // Frames start at output 1 or later, so their searches at 2 or later.
            const int prev = prev_wanted(q - 2);
            const int synced = synced_nature(req.nature, req.sync);
            for (int x = std::max(prev - 1, 1); x <= last_a; ++x) {
                const NatureStep step = nature_step_of(x - 1, synced);
                if (search_ends_at(step, m, q, prev)) {
                    a = x;
                    break;
                }
            }
        }
        if (a < 0) return -1;
        c = {pid, out_[k], out_[k + 1]};
        return a - 1;
    }

    // Without synchronize: the lowest output a <= last_a whose residue is m,
    // of the other parity than q, with no pair of q's class from a + 1 to
    // q - 2: the first output of the lowest frame whose search (for nature
    // m, from a + 1) ends at q; or -1. Frames start at output 1 or later,
    // so their searches at 2 or later. The pairs of the class and the
    // residues are looked at together, 64 positions at a time from q down,
    // until a pair of the class bounds them.
    int lowest_choosing(int q, int m, int last_a) {
        const int cls = pair_[q];
        const std::uint64_t other_parity = 0x5555555555555555u << ((q + 1) & 1);
        int a = -1;
        for (int top = q - 1;;) {
            const int b = std::max(top - 62, 0) & ~1;  // even: bit i is position b + i
            const std::uint64_t upto = ~std::uint64_t{0} >> (63 - (top - b));
            const std::uint64_t pairs = equal_64(pair_ + b, cls) & upto & (b == 0 ? ~std::uint64_t{3} : ~std::uint64_t{0});
            std::uint64_t choices = equal_64(mod_ + b, m) & upto & other_parity & ~std::uint64_t{b == 0};
            choices &= last_a < b ? 0 : last_a - b >= 63 ? ~std::uint64_t{0} : ~std::uint64_t{0} >> (63 - (last_a - b));
            if (pairs != 0) choices &= ~std::uint64_t{1} << (63 - std::countl_zero(pairs));  // after the pair
            if (choices != 0) a = b + std::countr_zero(choices);
            if (pairs != 0 || b == 0) return a;
            top = b - 1;
        }
    }

    // With synchronize and a wanted nature: the first frame f >= f0, f <=
    // latest, that passes its nature step and starts its search after the
    // failed pair of the search's parity (failed_at, as row_frame keeps
    // it), or -1. Frame a - 1, whose first output is a, synchronizes when
    // that is even and searches from a + 1, or chooses the nature of output
    // a + 1 when it is odd and searches from a + 2.
    int next_searching_frame(int f0, int nature, const int* failed_at, int latest) {
        // Bit i: position w + i is at or after x.
        const auto from = [](int w, int x) {
            return x <= w ? ~std::uint64_t{0} : x >= w + 64 ? 0 : ~std::uint64_t{0} << (x - w);
        };
        constexpr std::uint64_t kEven = 0x5555555555555555u;
        for (int w = (f0 + 1) & ~63; w <= latest + 1; w += 64) {
            fill_through(w + 64);
            const std::uint64_t odd = odd_outputs(out_ + w);
            const std::uint64_t chooses = equal_64(mod_ + w + 1, nature);
            // The search from a + 1 is at a's other parity, from a + 2 at a's;
            // the failed pair of parity p is at a position of parity p, so
            // either start is after it exactly when a is at or after it.
            const std::uint64_t at_or_after_even = from(w, failed_at[0]), at_or_after_odd = from(w, failed_at[1]);
            const std::uint64_t next_after = (kEven & at_or_after_odd) | (~kEven & at_or_after_even);
            const std::uint64_t second_after = (kEven & at_or_after_even) | (~kEven & at_or_after_odd);
            const std::uint64_t starts =
                ((~odd & next_after) | (odd & chooses & second_after)) & from(w, f0 + 1);
            if (starts != 0) {
                const int f = w + std::countr_zero(starts) - 1;
                return f <= latest ? f : -1;
            }
        }
        return -1;
    }
    // Bit i set where out[i] is odd, i = 0 .. 63.
    std::uint64_t odd_outputs(const std::uint16_t* out) const {
        std::uint64_t bits = 0;
#ifdef __SSE2__
        if (vectors_ != Vectors::kNone) {
            // Each low bit moved to the sign, the signs packed to bytes.
            for (int i = 0; i < 64; i += 16) {
                const __m128i a = _mm_slli_epi16(_mm_loadu_si128(reinterpret_cast<const __m128i*>(out + i)), 15);
                const __m128i b = _mm_slli_epi16(_mm_loadu_si128(reinterpret_cast<const __m128i*>(out + i + 8)), 15);
                bits |= std::uint64_t{static_cast<std::uint32_t>(_mm_movemask_epi8(_mm_packs_epi16(a, b)))} << i;
            }
            return bits;
        }
#endif
        for (int i = 0; i < 64; ++i) bits |= std::uint64_t{out[i] & 1u} << i;
        return bits;
    }

    // The first output k >= k0 with residue `residue` and k <= limit, or -1.
    int next_residue(int k0, int residue, int limit) { return next_index(mod_, k0, residue, limit, 1, 0); }
    // The first pair q >= p of p's parity whose nature is `nature`, with
    // q <= last_pair; -1 when there is none. The natures of one parity are
    // searched, 64 pairs a step.
    [[gnu::always_inline]] int next_pair(int p, int nature, int last_pair) {
        const int parity = p & 1;
        const int i = next_index(natures_[parity], p >> 1, nature, (last_pair - parity) >> 1, 2, parity);
        return i < 0 ? -1 : 2 * i + parity;
    }
    // The classes of the pairs of the wanted nature among begin .. end - 1
    // (filled).
    std::uint64_t wanted_classes(int begin, int end) const {
        const int nature = search_nature_;
        std::uint64_t any = 0, at_odd = 0;
        for (int j = begin >> 6; j <= (end - 1) >> 6; ++j) {
            std::uint64_t bits = wanted_[j];
            if (j == begin >> 6) bits &= ~std::uint64_t{0} << (begin & 63);
            if (j == (end - 1) >> 6) bits &= ~std::uint64_t{0} >> (63 - ((end - 1) & 63));
            any |= bits;
            at_odd |= bits & 0xAAAAAAAAAAAAAAAAu;
        }
        const std::uint64_t at_even = any & ~at_odd;
        return (at_even != 0 ? std::uint64_t{1} << (2 * nature) : 0) |
               (at_odd != 0 ? std::uint64_t{1} << (2 * nature + 1) : 0);
    }
    // Whether the words at k and k + 1 hold values of at least the minimums
    // (from the blocks' word bits, made with them, where the blocks have
    // them).
    bool words_at(int k) {
        if (!words_in_blocks_) {
            fill_through(k + 1);
            return minimums_pass(word_mins_.mins, ivs_from_words(out_[k], out_[k + 1]));
        }
        fill_through(k);
        return (words_[k >> 6] >> (k & 63) & 1u) != 0;
    }

    // The rows of the fixed shiny creature, frame by frame. Only a frame
    // of the wanted nature can end the seed or pass: those frames and their
    // personality values are the same for the seeds that share the
    // reference, which list them once; each seed reads just its words.
    int fixed_shiny_row(const Search& search, int max_frames, long last, ReplayRules rules, Creature& c) {
        const NarrowingRequest& req = search.req;
        if (!search.hp_filter) return fixed_shiny_row_from_words(search, max_frames, last, c);
        for (int i = 0;; ++i) {
            if (i == fixed_listed_ && !list_fixed_frame(search, max_frames)) return -1;
            const int f = fixed_frames_[i].frame;
            // Past the frames asked for; or reading past `last`, as every
            // later frame does.
            if (f > max_frames || last - f < kFixedShinyLastRead) return -1;
            c = {fixed_frames_[i].pid, output_from_reference(f + 15), output_from_reference(f + 16)};
            if (!power_and_type_pass(search, c.first_word, c.second_word)) {
                if (rules == ReplayRules::kForward) return -1;
                continue;
            }
            if (minimums_and_shiny_pass(req, c.pid, ivs_from_words(c.first_word, c.second_word))) return f;
        }
    }
    // Lists the next frame of the wanted nature up to max_frames; false
    // when there is none.
    bool list_fixed_frame(const Search& search, int max_frames) {
        if (fixed_next_ > max_frames) return false;
        const int f = next_fixed_frame(search, fixed_next_, max_frames, false);
        fixed_next_ = std::min(f, max_frames) + 1;
        if (f > max_frames) return false;
        fixed_frames_[fixed_listed_++] = {static_cast<std::int16_t>(f), fixed_shiny_pid_at(search, f)};
        return true;
    }

    // The same without a power or type filter, where no frame ends the
    // seed: only a frame whose words (outputs f + 15 and f + 16) pass can be
    // the row, so the frames are taken from the words' bits and the
    // creature made only for those. A frame out of range has every later
    // one out of range too.
    int fixed_shiny_row_from_words(const Search& search, int max_frames, long last, Creature& c) {
        const NarrowingRequest& req = search.req;
        for (int f = 0; (f = next_fixed_frame(search, f, max_frames, true)) <= max_frames; ++f) {
            const FrameResult result = fixed_shiny_frame(search, f, last, c);
            if (result == FrameResult::kOutOfRange) break;
            if (result == FrameResult::kCreature && (!req.shiny || is_shiny(c.pid, req.tid, req.sid))) return f;
        }
        return -1;
    }

    // The first frame from f on that may be the row, or one past
    // max_frames: where the nature is tested, of the wanted nature, and
    // with `words`, whose words (outputs f + 15 and f + 16) pass.
    int next_fixed_frame(const Search& search, int f, int max_frames, bool words) {
        while (f <= max_frames) {
            const int k = f + 15;
            if (words)
                fill_through(k);
            else
                reference_blocks_through(k / kReplayBlockOutputs);
            std::uint64_t bits = words ? words_[k >> 6] : ~std::uint64_t{0};
            if (search.shiny_nature_check) bits &= fixed_nature_passes(k >> 6);
            bits >>= k & 63;
            if (bits != 0) return f + std::countr_zero(bits);
            f = (k | 63) + 1 - 15;
        }
        return f;
    }

    // Bit i of word w: the fixed shiny creature whose words are at 64 w + i
    // (frame 64 w + i - 15) has the wanted nature. Its personality value
    // reads only the low three bits and the lowest bit of outputs, which the
    // seeds sharing the reference's low 24 bits share: the bits are made
    // once from the reference's outputs (filled through the word's last
    // position) for all of them.
    std::uint64_t fixed_nature_passes(int w) {
        const std::uint16_t tid_xor_sid = static_cast<std::uint16_t>(fixed_nature_ & 0xFFFFu);
        const int nature = static_cast<int>(fixed_nature_ >> 16);
        for (; fixed_nature_words_ <= w; ++fixed_nature_words_) {
            const int first = std::max(64 * fixed_nature_words_ - 15, 0);  // frames first .. 64 w + 48
            std::uint32_t window = bit_window(ref_out_, first);
            std::uint64_t bits = 0;
            for (int f = first; f < 64 * fixed_nature_words_ + 49; ++f) {
                if (f > first) window = slid_window(window, ref_out_, f);
                const std::uint32_t pid = shiny_locked_pid_of_window(tid_xor_sid, 0, ref_out_[f], ref_out_[f + 1], window);
                bits |= std::uint64_t{nature_of(pid) == nature} << (f + 15 - 64 * fixed_nature_words_);
            }
            fixed_nature_bits_[fixed_nature_words_] = bits;
        }
        return fixed_nature_bits_[w];
    }

    // The fixed shiny creature's 13 bits at frame f (the lowest bits of
    // outputs f + 2 .. f + 14 as bits 3 .. 15), and those of frame f from
    // frame f - 1's: they move by one bit from one frame to the next.
    static std::uint32_t bit_window(const std::uint16_t* out, int f) {
        std::uint32_t window = 0;
        for (int e = 3; e <= 15; ++e) window |= (out[f + e - 1] & 1u) << e;
        return window;
    }
    static std::uint32_t slid_window(std::uint32_t before, const std::uint16_t* out, int f) {
        return (before >> 1 & 0x7FF8u) | (out[f + 14] & 1u) << 15;
    }

    // The fixed shiny creature as forward processing takes it (the earlier
    // seed value high), from the reference's outputs: the personality value
    // reads only low bits, the same in them, and the words follow from
    // them; the seed's own blocks are not needed.
    FrameResult fixed_shiny_frame(const Search& search, int f, long last, Creature& c) {
        // Two seed values, 13 bit outputs, two words.
        if (last - f < kFixedShinyLastRead) return FrameResult::kOutOfRange;
        c = {fixed_shiny_pid_at(search, f), output_from_reference(f + 15), output_from_reference(f + 16)};
        if (fixed_shiny_nature_fails(search, c.pid)) return FrameResult::kNatureFailed;
        return FrameResult::kCreature;
    }
    // Its personality value at frame f (the reference made through the
    // frame's words): the lowest bits of outputs f + 2 .. f + 14, which
    // shiny_locked_pid reads, move by one bit from one frame to the next.
    std::uint32_t fixed_shiny_pid_at(const Search& search, int f) {
        reference_blocks_through((f + kFixedShinyLastRead) / kReplayBlockOutputs);
        if (f != window_frame_) {
            window_ = f == window_frame_ + 1 ? slid_window(window_, ref_out_, f) : bit_window(ref_out_, f);
            window_frame_ = f;
        }
        return shiny_locked_pid_of_window(search.req.tid, search.req.sid, ref_out_[f], ref_out_[f + 1], window_);
    }

    Vectors vectors_ = Vectors::kNone;
    // The frame whose fixed shiny bits `window_` holds, from the reference's
    // outputs: kept for the seeds that share them.
    int window_frame_ = -2;
    std::uint32_t window_ = 0;
    int filled_end_ = 0;  // outputs filled: whole blocks
    bool words_in_blocks_ = true;  // the blocks hold words_
    bool pair_classes_ = false;  // the blocks hold pair_ and wanted_, else natures_
    bool outputs_only_ = false;  // the blocks hold no residues or natures
    int search_nature_ = kNoNature;  // the nature of wanted_
    // The reference seed: its outputs of ref_blocks_ blocks (-1: none yet),
    // the state starting the next one, and this seed's top byte less its.
    std::uint32_t ref_seed_ = 0;
    int ref_blocks_ = -1;
    std::uint32_t ref_next_base_ = 0;
    unsigned delta_ = 0;
    WordMinimums word_mins_;  // the minimums of ref_low_words_ and words_
    // The fixed shiny creature's nature test of the reference's outputs: the
    // wanted nature (kUntestedNature where it is not tested) << 16 |
    // trainer ID ^ secret ID, or none; its words made.
    static constexpr std::uint32_t kNoFixedNature = 0xFFFFFFFFu;
    static constexpr std::uint32_t kUntestedNature = 0xFFu;
    std::uint32_t fixed_nature_ = kNoFixedNature;
    int fixed_nature_words_ = 0;
    std::uint64_t fixed_nature_bits_[2 * kMaxBlocks];
    // The frames that pass the nature test, in order, with their
    // personality values, listed from the reference's outputs for the seeds
    // that share them: fixed_listed_ of them, the frames before fixed_next_.
    struct FixedFrame {
        std::int16_t frame;
        std::uint32_t pid;
    };
    int fixed_listed_ = 0;
    int fixed_next_ = 0;
    FixedFrame fixed_frames_[kMostFrames + 1];
    std::uint16_t ref_out_[kMaxBlocks * kReplayBlockOutputs + 16];
    std::uint64_t ref_low_words_[2 * kMaxBlocks];
    std::uint64_t words_[2 * kMaxBlocks];
    std::uint64_t wanted_[2 * kMaxBlocks];
    // The blocks' contents, aligned as the fill stores them.
    alignas(32) std::uint16_t out_[kMaxBlocks * kReplayBlockOutputs + 16];
    alignas(32) std::uint8_t pair_[kMaxBlocks * kReplayBlockOutputs];
    alignas(32) std::uint8_t mod_[kMaxBlocks * kReplayBlockOutputs];
    // The pairs' natures by the parity of their position: natures_[p][j]
    // for the pair at 2 j + p.
    alignas(64) std::uint8_t natures_[2][kMaxBlocks * kReplayBlockOutputs / 2 + 64];
};

}  // namespace vh::narrowing
