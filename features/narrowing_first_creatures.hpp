// Forward processing with a power or type filter, 256 seeds at a time: the
// seeds of one hour and low half, which differ only in their top byte.
//
// A creature that fails power or type ends its seed, so where few creatures
// pass them most seeds end at their first creature: the first frame that
// passes its nature step, and the pair its personality search ends at. The
// group finds those pairs for all its seeds at once, position by position.
// At position j seed k's state has the top byte T[j] + k m[j] (mod 256), m[j]
// the low byte of the j-step multiplier, over a third byte L[j] that the
// group shares; so the pair at q, whose outputs' top bytes are X and X', has
// the nature 16 X' + 6 X + 11 L[q+1] + L[q] (mod 25).
// - Without a wanted nature each seed wants its own (that of output 1, then
//   of its next frame's first output): the searching seeds are tested 16 at
//   a time, pair by pair of their parity. Every frame passes its nature
//   step, so the seeds whose creature fails only the minimums or shiny go on
//   to their next frame together, in another round.
// - With one, the few seeds whose output at j has a given residue, or whose
//   pair at q has the nature, follow from the position's bytes (the top
//   bytes that give it, each of one seed); each is looked up.
//
// A seed whose creature fails power or type has no row; one whose creature
// passes the whole test has its row there. The others (a later frame may
// pass where no round takes them, or the search went past the positions
// looked at) are left to the seed-by-seed replay, from the frame they had
// reached. The ended searches are settled eight at a time in vectors where
// the processor has them.
#pragma once
#include <cstdint>

#include "features/narrowing_internal.hpp"

namespace vh::narrowing {

class FirstCreatures {
public:
    static constexpr int kUnsettled = -2;  // the seed is left to the replay
    // Positions looked at: 0 .. kPositions - 1 (the last pair's words within).
    static constexpr int kPositions = 256;

    // Whether the request is answered this way: forward, a power or type
    // filter, ordinary generation.
    static bool applies(const Search& search);

    // Evaluates the seeds k << 24 | base, k = 0 .. 255.
    void run(const Search& search, std::uint32_t base);
    // Seed k's row frame, -1 for none, or kUnsettled; its creature.
    int frame(unsigned k) const { return result_[k]; }
    // For an unsettled seed k, the first frame left to try: every earlier
    // frame fails its nature step or only the minimums or shiny.
    int resume_frame(unsigned k) const { return frame_[k]; }
    const Creature& creature(unsigned k) const { return creature_[k]; }

private:
    // The seeds searching (by parity where a nature is wanted): the natures they want
    // (kEnded once their search has ended, and past the last entry to a
    // whole vector) and where their searches ended.
    struct Searches {
        std::uint16_t seed[256 + 16];
        std::uint16_t want[256 + 16];
        std::uint16_t end[256 + 16];
        int n;
    };
    void search_own_natures(const Search& search, int latest, int last_pair);
    void search_wanted_nature(const Search& search, int latest, int last_pair);

    // Seed k's output at position j.
    std::uint16_t output(int j, unsigned k) const;
    // Seed k's creature whose search ends at the pair q: its row, or none;
    // true where it fails only the minimums or shiny (a later frame may
    // pass).
    bool settle(const Search& search, unsigned k, int q);
    // The pair q for the seeds of `list`, with the widest vectors or not.
    void pair_step(bool wide, Searches& list, int q);
    // Settles the searches of `list` that have ended and drops them: a seed
    // that ends keeps its result (-1), one whose creature passes gets its row
    // there, and one whose creature fails only the minimums or shiny is
    // added to again_.
    void settle_ended(const Search& search, Searches& list);
    // The same, eight searches at a time in vectors.
    void settle_ended_wide(const Search& search, Searches& list);

    std::uint8_t top_[kPositions];  // top byte of seed 0's state j
    std::uint8_t low_[kPositions];  // the third byte, shared by the group
    // Seed 0's output at j (top byte, third byte) and, in bits 16-23, the
    // step of its top byte: one load for the wide settling.
    std::uint32_t packed_[kPositions];
    Searches searches_[2];
    std::uint16_t again_[256 + 8];  // seeds going on to their next frame (8 lanes stored at once)
    int again_count_;
    std::uint16_t frame_[256];  // the frame whose creature each seed is searching for, or the next one
    std::uint16_t start_[256];  // where its search starts (with a wanted nature)
    std::int16_t result_[256];
    Creature creature_[256];
};

}  // namespace vh::narrowing
