// One initial seed evaluated frame by frame, as the literal search does:
// the lowest frame whose creature passes. Each personality search is
// answered from bit masks of the pairs' natures (built once per seed, a
// block of 128 positions at a time as the frames reach them, each block's
// outputs jumped to independently) instead of a walk pair by pair, so a
// frame costs a few steps whatever its search's length.
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

#include "engine/lcg.hpp"
#include "engine/output_run.hpp"
#include "features/narrowing_internal.hpp"
#include "features/narrowing_reach.hpp"

namespace vh::narrowing {

enum class ReplayRules { kForward, kReverse };

// A block: 128 outputs of a seed from `out` on (and the next block's
// first), each output's residue mod 25 in `mod`, and the nature of the pair
// starting at each position in `pair`. Fills one from the state `base` on
// (output 0 is base's own high half); `out` has room for 144 outputs, `mod`
// and `pair` for 128.
inline constexpr int kReplayBlockOutputs = 128;
void fill_replay_block(bool wide_vectors, std::uint32_t base, std::uint16_t* out, std::uint8_t* mod,
                       std::uint8_t* pair);

// Bit i set where pair[i] is `nature`, for 64 natures (or residues) from
// `pair` on.
std::uint64_t pairs_of_nature(bool wide_vectors, const std::uint8_t* pair, int nature);

// Bit i set where out[i] and out[i + 1] are individual-value words of at
// least the six minimums, for i = 0 .. 63 (reads out[0] .. out[64]).
std::uint64_t words_at_least(bool wide_vectors, const std::uint16_t* out, const int* mins);

class SeedReplay {
public:
    // The row frame of `seed` among frames 0 .. max_frames, reading outputs
    // up to index `last` (output k is the k-th after the seed; last is below
    // the seed run's size), or -1.
    int row_frame(const Search& search, std::uint32_t seed, int max_frames, long last, ReplayRules rules,
                  Creature& c) {
        const NarrowingRequest& req = search.req;
        wide_ = search.wide_vectors;
        filled_end_ = 0;
        next_base_ = seed;
        window_frame_ = -2;
        const int* mins = req.min_ivs.data();
        // Without synchronize only a frame whose first output has the wanted
        // nature's residue passes its nature step: the others are skipped.
        const bool skip = req.nature != kNoNature && !req.sync && !req.fixed_shiny;
        // A frame reads at least two outputs: later ones would be out of range.
        const int latest = static_cast<int>(std::min<long>(max_frames, last - 2));
        for (int f = 0; f <= max_frames; ++f) {
            if (skip && (f = next_residue(f + 1, req.nature, latest + 1) - 1) < 0) return -1;
            const FrameResult result = frame(search, f, last, c);
            if (result == FrameResult::kOutOfRange) {
                if (rules == ReplayRules::kReverse) return -1;
                continue;
            }
            if (result == FrameResult::kNatureFailed) continue;
            if (search.hp_filter && !power_and_type_pass(req, ivs_from_words(c.first_word, c.second_word))) {
                if (rules == ReplayRules::kForward) return -1;
                continue;
            }
            // Without branches: most frames fail one of the six at random.
            const std::uint32_t w1 = c.first_word, w2 = c.second_word;
            const bool low = ((w1 & 31u) < static_cast<std::uint32_t>(mins[0])) |
                             (((w1 >> 5) & 31u) < static_cast<std::uint32_t>(mins[1])) |
                             (((w1 >> 10) & 31u) < static_cast<std::uint32_t>(mins[2])) |
                             ((w2 & 31u) < static_cast<std::uint32_t>(mins[3])) |
                             (((w2 >> 5) & 31u) < static_cast<std::uint32_t>(mins[4])) |
                             (((w2 >> 10) & 31u) < static_cast<std::uint32_t>(mins[5]));
            if (!low && (!req.shiny || is_shiny(c.pid, req.tid, req.sid))) return f;
        }
        return -1;
    }

    // The same row, for forward processing without a power or type filter
    // (so no frame ends the seed), found from the other side where rows lie
    // far: every frame passes exactly when the pair its search ends at is
    // followed by passing words, so the row is the lowest frame reaching any
    // such pair (frames_reaching). The pairs are taken in order until no
    // frame below the row so far can reach a later one: once every nature
    // the frames can want has a pair of each parity at or after the row + 2,
    // every earlier frame's search has ended.
    int row_frame_from_words(const Search& search, std::uint32_t seed, int max_frames, long last, Creature& c) {
        const NarrowingRequest& req = search.req;
        wide_ = search.wide_vectors;
        filled_end_ = 0;
        next_base_ = seed;
        const int last_words = static_cast<int>(last) - 1;  // both words at or before `last`
        // Bit 2 n + parity: the natures and parities of the searches.
        const std::uint64_t need =
            req.nature != kNoNature ? std::uint64_t{3} << (2 * req.nature) : (std::uint64_t{1} << 50) - 1;
        int row = max_frames + 1;  // none yet
        int from = row + 2;        // the pairs since the latest start of a frame below `row`
        int seen_to = from;
        std::uint64_t seen = 0;
        const auto covered_through = [&](int q) {
            if (seen_to <= q) {
                fill_through(q + 1);
                for (; seen_to <= q; ++seen_to) seen |= std::uint64_t{1} << (2 * pair_[seen_to] + (seen_to & 1));
            }
            return (seen & need) == need;
        };
        for (int w = 0; w * 64 <= last_words; ++w) {
            fill_through(w * 64 + 64);
            // The earliest words a frame reaches are outputs 4 and 5.
            std::uint64_t bits = words_at_least(wide_, out_ + w * 64, req.min_ivs.data()) & (w == 0 ? ~std::uint64_t{15} : ~std::uint64_t{0});
            for (; bits != 0; bits &= bits - 1) {
                const int k = w * 64 + std::countr_zero(bits);
                if (k > last_words || covered_through(k - 3)) return row <= max_frames ? row : -1;
                const std::uint32_t g = k < static_cast<int>(kJumpTableSize) ? kForwardJumps[k].apply(seed) : advance(seed, static_cast<std::uint64_t>(k));
                std::uint32_t pid;
                if (frames_reaching(search, g, k, 1, before_, starts_, pid) == 0 || starts_[0] - 1 >= row) continue;
                row = starts_[0] - 1;
                c = {pid, out_[k], out_[k + 1]};
                from = seen_to = row + 2;
                seen = 0;
            }
            if (covered_through(std::min(w * 64 + 61, last_words - 2))) break;
        }
        return row <= max_frames ? row : -1;
    }

private:
    static constexpr int kMaxBlocks = kSeedRunSize / kReplayBlockOutputs + 1;

    // Outputs 0 .. k and their blocks, filled.
    void fill_through(int k) {
        while (k >= filled_end_) {
            fill_replay_block(wide_, next_base_, out_ + filled_end_, mod_ + filled_end_, pair_ + filled_end_);
            for (ValueMasks* m : {&natures_, &residues_}) m->known[filled_end_ / 64] = m->known[filled_end_ / 64 + 1] = 0;
            next_base_ = kForwardJumps[kReplayBlockOutputs].apply(next_base_);
            filled_end_ += kReplayBlockOutputs;
        }
    }
    // Per 64 positions and value 0 .. 24, where a byte run (pair natures or
    // output residues) holds that value, made when first asked for: a seed
    // that ends early asks for few.
    struct ValueMasks {
        std::uint64_t words[2 * kMaxBlocks][25];  // word w: positions 64 w .. 64 w + 63
        std::uint32_t known[2 * kMaxBlocks];      // which values' words are made
    };
    [[gnu::always_inline]] std::uint64_t value_word(ValueMasks& m, const std::uint8_t* bytes, int w, int value) {
        fill_through(w * 64);
        if ((m.known[w] >> value & 1u) == 0) {
            m.words[w][value] = pairs_of_nature(wide_, bytes + w * 64, value);
            m.known[w] |= 1u << value;
        }
        return m.words[w][value];
    }
    // The first position k >= k0 with k <= limit whose byte is `value`,
    // among the positions set in the 64-bit pattern `only`; -1 when none.
    [[gnu::always_inline]] int next_with_value(ValueMasks& m, const std::uint8_t* bytes, int k0, int value, int limit,
                                               std::uint64_t only) {
        if (k0 > limit) return -1;
        int w = k0 >> 6;
        std::uint64_t bits = value_word(m, bytes, w, value) & only & (~std::uint64_t{0} << (k0 & 63));
        while (bits == 0) {
            if (++w * 64 > limit) return -1;
            bits = value_word(m, bytes, w, value) & only;
        }
        const int k = w * 64 + std::countr_zero(bits);
        return k <= limit ? k : -1;
    }
    // The first output k >= k0 with residue `residue` and k <= limit, or -1.
    int next_residue(int k0, int residue, int limit) {
        return next_with_value(residues_, mod_, k0, residue, limit, ~std::uint64_t{0});
    }
    // The first pair q >= p of p's parity whose nature is `nature`, with
    // q <= last_pair; -1 when there is none.
    int next_pair(int p, int nature, int last_pair) {
        return next_with_value(natures_, pair_, p, nature, last_pair,
                               (p & 1) != 0 ? 0xAAAAAAAAAAAAAAAAu : 0x5555555555555555u);
    }

    FrameResult frame(const Search& search, int f, long last, Creature& c) {
        if (search.req.fixed_shiny) return fixed_shiny_frame(search, f, last, c);
        // As encounter generation, on absolute output indices.
        if (last - f < 2) return FrameResult::kOutOfRange;
        const NarrowingRequest& req = search.req;
        fill_through(f + 2);
        const auto o = [&](long i) { return out_[i]; };
        const auto [nature, p] = encounter_nature_step(o, synced_nature(req.nature, req.sync), f + 1);
        if (req.nature != kNoNature && nature != req.nature) return FrameResult::kNatureFailed;
        // A pair is only taken when both words after it exist.
        const int q = next_pair(p, nature, static_cast<int>(last) - 3);
        if (q < 0) return FrameResult::kOutOfRange;
        fill_through(q + 3);
        c.pid = make_pid(out_[q], out_[q + 1]);
        c.first_word = out_[q + 2];
        c.second_word = out_[q + 3];
        return FrameResult::kCreature;
    }

    // The fixed shiny creature as forward processing takes it (the earlier
    // seed value high): the lowest bits of outputs f + 2 .. f + 14, which
    // shiny_locked_pid reads, move by one bit from one frame to the next.
    FrameResult fixed_shiny_frame(const Search& search, int f, long last, Creature& c) {
        constexpr int kReads = 16;  // two seed values, 13 bit outputs, two words
        if (last - f < kReads) return FrameResult::kOutOfRange;
        fill_through(f + kReads);
        if (f == window_frame_ + 1) {
            window_ = (window_ >> 1 & 0x7FF8u) | (out_[f + 14] & 1u) << 15;
        } else {
            window_ = 0;
            for (int e = 3; e <= 15; ++e) window_ |= (out_[f + e - 1] & 1u) << e;
        }
        window_frame_ = f;
        const NarrowingRequest& req = search.req;
        c.pid = shiny_locked_pid_of_window(req.tid, req.sid, out_[f], out_[f + 1], window_);
        c.first_word = out_[f + 15];
        c.second_word = out_[f + 16];
        if (search.shiny_nature_check && nature_of(c.pid) != req.nature) return FrameResult::kNatureFailed;
        return FrameResult::kCreature;
    }

    bool wide_ = false;
    int window_frame_ = -2;    // the frame whose fixed shiny bits `window_` holds
    std::uint32_t window_ = 0;
    int filled_end_ = 0;  // outputs filled: whole blocks
    std::uint32_t next_base_ = 0;
    std::uint16_t out_[kMaxBlocks * kReplayBlockOutputs + 16];
    std::uint8_t pair_[kMaxBlocks * kReplayBlockOutputs];
    std::uint8_t mod_[kMaxBlocks * kReplayBlockOutputs];
    std::uint16_t before_[kSeedRunSize + 8];  // frames_reaching's outputs
    int starts_[kSeedRunSize + 8];
    ValueMasks natures_;   // of the pairs
    ValueMasks residues_;  // of the outputs
};

}  // namespace vh::narrowing
