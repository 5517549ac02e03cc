// Forward processing with a wanted nature, 256 seeds at a time: the seeds of
// one hour and low half, which differ only in their top byte.
//
// The generator's low bits never depend on higher ones, so at every position
// j the 256 seeds' states share their low 24 bits, and the seed with top byte
// k has the top byte top[j] + k m[j] (mod 256), m[j] the low byte of the
// j-step multiplier (odd: the seeds take each top byte once). An output is
// its state's top byte times 256 plus a byte shared by the group. So whether
// the pair at q has the wanted nature, and whether the words after it pass
// the minimums, are each a 256-bit mask over the top byte at q, read from
// tables by the shared bytes and the carries between the states; the rare
// pairs that pass both are found for the whole group with a few loads per
// position.
//
// A seed's row is the lowest frame reaching such a pair (without a power,
// type or shiny filter no frame ends the seed early). Searches of one parity
// that start between two pairs of the wanted nature end at the later one, so
// by parity the lowest frames reaching those pairs rise with the pairs: the
// first pair of each parity that some frame reaches gives that parity's
// lowest frame, found by walking back to the previous pair of the nature.
// A parity is settled as soon as a pair of the nature at or past the last
// start of a frame within the maximum is known (its cover): later pairs are
// out of the frames' reach. Seeds whose cover lies past the positions looked
// at are left to the seed-by-seed replay.
#pragma once
#include <cstdint>
#include <memory>

#include "features/narrowing_internal.hpp"

namespace vh::narrowing {

// Pairs of each parity looked at past the frames' last start for a pair of
// the wanted nature: all 200 miss it with probability (24/25)^200, 0.03%.
inline constexpr int kCoverPairs = 200;
// Pairs whose covers are kept as masks over the seeds, at most.
inline constexpr int kWideSpan = 256;
// Positions 0 .. last pair + 4 at the most frames (the fill goes two steps
// at a time, one past the last word).
inline constexpr int kNatureGroupPositions = kMostFrames + 3 + 2 * kCoverPairs + 5;

// The top byte of the state at position j moves by mul[j] per unit of the
// seed's top byte; inv[j] undoes it.
struct PositionBytes {
    std::uint8_t mul[kNatureGroupPositions];
    std::uint8_t inv[kNatureGroupPositions];
};
constexpr PositionBytes make_position_bytes() {
    static_assert(kNatureGroupPositions <= static_cast<int>(kJumpTableSize));
    PositionBytes p{};
    for (int j = 0; j < kNatureGroupPositions; ++j) {
        p.mul[j] = static_cast<std::uint8_t>(kForwardJumps[j].mul);
        p.inv[j] = static_cast<std::uint8_t>(kBackwardJumps[j].mul);
    }
    return p;
}
inline constexpr PositionBytes kPositionBytes = make_position_bytes();

// Seed 0's top byte and the third byte, which the group shares, of its
// states at positions 0 .. n - 1, each state by its own jump from the seed
// (no chain: the loop vectorises).
[[gnu::always_inline]] inline void group_state_bytes(std::uint32_t base, int n, std::uint8_t* top, std::uint8_t* low) {
    for (int j = 0; j < n; ++j) {
        const std::uint32_t s = kForwardColumns.mul[j] * base + kForwardColumns.add[j];
        top[j] = static_cast<std::uint8_t>(s >> 24);
        low[j] = static_cast<std::uint8_t>(s >> 16);
    }
}

// Bits over the 256 top bytes a state can have (or over the 256 seeds).
struct TopMask {
    std::uint64_t w[4];
};
inline bool has_bit(const TopMask& m, unsigned i) { return (m.w[i >> 6] >> (i & 63) & 1) != 0; }

// The tables of one request; shared by the threads.
struct NatureGroupTables {
    explicit NatureGroupTables(const Search& search);
    // Whether the request is answered this way: forward, a wanted nature,
    // no shiny, power, type or fixed shiny creature, and a table long
    // enough for a pair of each parity past the frames.
    static bool applies(const Search& search);

    int nature;
    bool sync;
    int max_frames;
    int last_start;   // the latest start of a search of a frame within the maximum
    int last_pair;    // the last pair looked at: its words are within the table
    int min_first;    // H and S, the values the group's shared bytes hold
    int min_second;
    Vectors vectors;  // the covers and the walks: 64 or 32 seeds, 32 or 16 pairs a vector
    // Bit X of first[a x 256 + B]: a state with top byte X at the pair has
    // top byte (m2 X + B) mod 256 at the first word, whose A and B pass with
    // the low three bits a of A; second[] likewise for S, C and D with m3.
    std::unique_ptr<TopMask[]> first;
    std::unique_ptr<TopMask[]> second;
};

class NatureGroup {
public:
    static constexpr int kUnsettled = -2;  // the seed is left to the replay

    // Evaluates the seeds k << 24 | base, k = 0 .. 255.
    void run(const NatureGroupTables& t, std::uint32_t base);
    // Seed k's row frame, -1 for none, or kUnsettled.
    int frame(unsigned k) const { return result_[k]; }
    // The position of the first word of seed k's row.
    int words_at(unsigned k) const { return words_[k]; }

private:
    // Seed k's top byte at position j, and the seed whose top byte at j is x.
    unsigned top_at(int j, unsigned k) const;
    unsigned seed_at(int j, unsigned x) const;
    bool wanted_at(int q, unsigned k) const;
    // The first pair of the nature for seed k from p on by `step` (2 or -2)
    // within lowest .. highest, or 0.
    int scan_wanted(const NatureGroupTables& t, int p, int step, int lowest, int highest, unsigned k) const;
    // The lowest frame ending its search at the pair q of the nature, or -1;
    // kNoneBelow where no frame below `below` can reach q or a later pair.
    static constexpr int kNoneBelow = -3;
    static constexpr int kNoFrameLimit = 1 << 20;
    int lowest_frame_reaching(const NatureGroupTables& t, int q, unsigned k, int floor, int below) const;
    void find_covers(const NatureGroupTables& t);
    // The masks over the pair's top byte of the words after it (A and B,
    // C and D), and whether seed k's words after the pair q pass.
    const TopMask& first_mask(const NatureGroupTables& t, int q) const;
    const TopMask& second_mask(const NatureGroupTables& t, int q) const;
    bool words_pass(const NatureGroupTables& t, int q, unsigned k) const;
    // Whether the values all seeds share in the words after q (H and S) pass.
    bool shared_values_pass(const NatureGroupTables& t, int q) const;
    // Seed k's parity of q settled by the pair q, or q noted as reached by
    // no frame.
    void settle_at(const NatureGroupTables& t, int q, unsigned k);
    // Whether seed k has a cover at `parity`, and whether before q.
    bool covered(int parity, unsigned k) const;
    bool covered_before(int parity, unsigned k, int q) const;

    const TopMask* masks_ = nullptr;  // the nature masks
    std::uint8_t top_[kNatureGroupPositions];    // top byte of seed 0's state j
    std::uint8_t low_[kNatureGroupPositions];    // the shared third byte (the output's low byte)
    std::uint16_t nature_[kNatureGroupPositions];  // the pair at q: its mask of the wanted nature
    std::uint16_t pairs_[kNatureGroupPositions];  // pairs listed for a closer look
    std::uint8_t seeds_[256];                     // seeds of one pair listed for a walk
    // The covers: pairs wide_from_ .. wide_end_ - 1 as masks (bit k of
    // open_before_[q - wide_from_]: seed k not covered before q at q's
    // parity; of wide_open_: not covered by them), the rest as positions
    // (0: none).
    int wide_from_ = 0;
    int wide_end_ = 0;
    TopMask open_before_[kWideSpan];
    TopMask wide_open_[2];
    std::uint16_t cover_[2][256];
    std::int16_t found_[2][256];       // per parity: the lowest frame, -1, or unsettled
    std::uint16_t found_pair_[2][256];
    std::uint16_t walked_[2][256];     // the last pair walked back from, reached by no frame
    std::int16_t result_[256];
    std::uint16_t words_[256];
};

}  // namespace vh::narrowing
