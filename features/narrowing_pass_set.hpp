// The pass set: the cycle positions of every frame state whose creature
// passes the whole request, shared by both directions of the narrowing.
//
// Entries live in 256 buckets by the position's top byte, sorted within
// each. An entry holds the low 24 bits of the position and, in its top
// byte, the steps from the frame state to the state carrying the words
// (kRegenerate where that is 255 or more, or for the fixed shiny creature),
// so that a row needs no new personality search. A bucket lives in chunks
// of kChunkEntries, all full but the last, which keeps the memory at the
// entries' own size (no copy and no growth by doubling) and lets each
// worker fill its own buckets.
#pragma once
#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "features/narrowing_internal.hpp"

namespace vh::narrowing {

inline constexpr std::uint32_t kLow24 = 0xFFFFFFu;
// The tag of an entry whose frame's creature is generated anew.
inline constexpr std::uint32_t kRegenerate = 0xFF;

inline constexpr std::size_t kChunkBits = 10;  // a chunk is a page: sparse sets touch little
inline constexpr std::size_t kChunkEntries = std::size_t{1} << kChunkBits;

struct PassBucket {
    std::vector<std::unique_ptr<std::uint32_t[]>> chunks;
    std::size_t size = 0;
    void push(std::uint32_t entry) {
        if ((size & (kChunkEntries - 1)) == 0 && size >> kChunkBits == chunks.size())
            chunks.emplace_back(new std::uint32_t[kChunkEntries]);
        chunks[size >> kChunkBits][size & (kChunkEntries - 1)] = entry;
        ++size;
    }
    std::uint32_t operator[](std::size_t i) const { return chunks[i >> kChunkBits][i & (kChunkEntries - 1)]; }
    // The first entry whose low 24 bits are at least `low24`.
    std::size_t lower_bound(std::uint32_t low24) const;
};

struct PassSet {
    PassBucket bucket[256];
    // The full position of the first entry after bucket b, going on from the
    // cycle's start past the last one (any value when the set is empty).
    std::uint32_t next_after[256] = {};
    std::uint8_t next_tag[256] = {};  // that entry's top byte
    std::size_t total = 0;
};

// The set's entries from a position on, in cycle order (wrapping around
// the cycle's end once).
class PassCursor {
public:
    PassCursor(const PassSet& set, std::uint32_t from);
    bool done() const { return left_ == 0; }
    std::uint32_t position() const {
        return static_cast<std::uint32_t>(block_) << 24 | (set_.bucket[block_][at_] & kLow24);
    }
    std::uint32_t tag() const { return set_.bucket[block_][at_] >> 24; }
    void next();

private:
    void settle();
    const PassSet& set_;
    int block_;
    std::size_t at_;
    std::size_t left_;
};

// The share of frames whose nature step passes, and of frames whose
// creature passes the whole request.
double nature_step_passes(const Search& search);
double frame_passes(const Search& search, std::uint64_t passing);

// The pass set takes 4 bytes per entry; beyond 2^25 expected entries it
// would take more than a hundred megabytes, and the frames are dense enough
// that replaying each seed frame by frame stops early.
bool pass_set_fits(const Search& search, std::uint64_t passing);

// Collects the pass set of `search`; false when the sink stopped.
bool build_pass_set(const Search& search, std::uint64_t passing, ProgressRef progress, TextSink& out, PassSet& set);

}  // namespace vh::narrowing
