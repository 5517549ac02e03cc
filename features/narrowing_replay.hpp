// One initial seed evaluated frame by frame, as the literal search does:
// the lowest frame whose creature passes. The personality search of a frame
// after the first few is answered from bit masks of the pairs' natures (per
// parity, 64 pairs a block, built once per seed as the frames reach them)
// instead of a walk pair by pair, so a seed whose rows lie far costs a few
// steps per frame.
//
// The two directions read the same frames under different rules:
// - forward: a frame whose generation would read past the table has no
//   creature and the next frame is tried; a failed power or type test ends
//   the seed;
// - reverse: a frame that would read past the outputs known around the match
//   ends the seed; a failed power or type test only fails the frame.
#pragma once
#include <bit>
#include <cstdint>

#include "engine/output_run.hpp"
#include "features/narrowing_internal.hpp"

namespace vh::narrowing {

enum class ReplayRules { kForward, kReverse };

class SeedReplay {
public:
    // The row frame of `seed` among frames 0 .. max_frames, reading outputs
    // up to index `last` (output k is the k-th after the seed), or -1.
    int row_frame(const Search& search, std::uint32_t seed, int max_frames, long last, ReplayRules rules,
                  Creature& c) {
        const NarrowingRequest& req = search.req;
        run_.start(seed);
        blocks_ = 0;
        const int* mins = req.min_ivs.data();
        for (int f = 0; f <= max_frames; ++f) {
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

    // The outputs of the seed last started, for a caller that goes on
    // reading them.
    OutputRun& outputs() { return run_; }

private:
    static constexpr int kBlockPairs = 64;  // pairs of one parity in a block
    static constexpr int kBlockOutputs = 2 * kBlockPairs;
    static constexpr int kMaxBlocks = kSeedRunSize / kBlockOutputs + 1;
    // Below this frame the pairs are walked: a seed that ends early does not
    // pay for a block.
    static constexpr int kWalkedFrames = 4;

    FrameResult frame(const Search& search, int f, long last, Creature& c) {
        if (f < kWalkedFrames || search.req.fixed_shiny) {
            const auto o = [&](long i) { return run_(f + i); };
            return generate_frame(search, o, last - f, false, c);
        }
        // As encounter generation, on absolute output indices.
        if (last - f < 2) return FrameResult::kOutOfRange;
        const NarrowingRequest& req = search.req;
        int nature, p;
        const std::uint16_t o1 = run_(f + 1);
        if (search.sync_nature && (o1 & 1u) == 0) {
            nature = req.nature, p = f + 2;
        } else if (search.sync_nature) {
            nature = static_cast<int>(run_(f + 2) % 25u), p = f + 3;
        } else {
            nature = static_cast<int>(o1 % 25u), p = f + 2;
        }
        if (req.nature != kNoNature && nature != req.nature) return FrameResult::kNatureFailed;
        // A pair is only taken when both words after it exist.
        const long q = next_pair(p, nature, last - 3);
        if (q < 0) return FrameResult::kOutOfRange;
        c.pid = make_pid(run_(q), run_(q + 1));
        c.first_word = run_(q + 2);
        c.second_word = run_(q + 3);
        return FrameResult::kCreature;
    }

    // The first pair q >= p of p's parity whose nature is `nature`, with
    // q <= last_pair; -1 when there is none.
    long next_pair(long p, int nature, long last_pair) {
        if (p > last_pair) return -1;
        const int parity = static_cast<int>(p & 1);
        long i = p >> 1;
        long b = i / kBlockPairs;
        std::uint64_t bits = block(b)[parity][nature] & (~std::uint64_t{0} << (i % kBlockPairs));
        while (bits == 0) {
            ++b;
            if (b * kBlockOutputs + parity > last_pair) return -1;
            bits = block(b)[parity][nature];
        }
        const long q = 2 * (b * kBlockPairs + std::countr_zero(bits)) + parity;
        return q <= last_pair ? q : -1;
    }

    // Block b's masks: bit i of mask[parity][m] is set when the pair at
    // 128 b + 2 i + parity has nature m; pairs past the run are left out.
    const std::uint64_t (&block(long b))[2][25] {
        for (; blocks_ <= b; ++blocks_) {
            auto& mask = mask_[blocks_];
            for (auto& par : mask)
                for (auto& m : par) m = 0;
            const long first = static_cast<long>(blocks_) * kBlockOutputs;
            const long end = first + kBlockOutputs + 1 < kSeedRunSize ? first + kBlockOutputs + 1 : kSeedRunSize;
            const std::uint16_t* out = run_.through(end - 1);
            for (long q = first; q + 1 < end; ++q)
                mask[q & 1][nature_of(make_pid(out[q], out[q + 1]))] |= std::uint64_t{1} << ((q - first) >> 1);
        }
        return mask_[b];
    }

    OutputRun run_;
    int blocks_ = 0;
    std::uint64_t mask_[kMaxBlocks][2][25];
};

}  // namespace vh::narrowing
