#include "features/seed_candidates.hpp"

#include "engine/lcg.hpp"
#include "engine/state_recovery.hpp"

namespace vh {

namespace {

// Generation begins 1001 times at most before the individual values: frames 0 .. 1000.
constexpr int kFrames = 1001;
constexpr std::uint32_t kDelayLimit = 0x1000;

// Appends to `list` the initial seeds of the wanted hour, with a delay count
// below the limit, from which generation at frame 0 .. 1000 reaches `s2`
// (the state whose output is the personality value's low half); nearest
// frame first. Returns false once the list is full.
bool collect_initial_seeds(std::uint32_t s2, int hour, CandidateList& list) {
    std::uint32_t c = s2;
    for (int j = 1; j <= kFrames; ++j) {
        c = prev_seed(c);
        if (static_cast<int>((c >> 16) & 0xFFu) != hour || (c & 0xFFFFu) >= kDelayLimit) continue;
        // More than ten matches: the first ten in search order are kept and
        // the search ends, since nothing after them could be shown.
        if (list.count == kCandidateCapacity) return false;
        list.seeds[list.count++] = c;
    }
    return true;
}

}  // namespace

CandidateList find_seed_candidates(const SeedCandidateRequest& req) {
    CandidateList list;
    const Ivs& iv = req.ivs;
    // The states whose output carries H, A, B and whose successor's output
    // carries S, C, D, in the order of the scan over bit 15 and the low half.
    const IvStates states = find_iv_states(iv_word(iv[0], iv[1], iv[2]), iv_word(iv[3], iv[4], iv[5]));
    for (int i = 0; i < states.count; ++i) {
        const std::uint32_t s1 = prev_seed(states.states[i]);
        const std::uint32_t s2 = prev_seed(s1);
        if (nature_of(make_pid(output_of(s2), output_of(s1))) != req.nature) continue;
        if (!collect_initial_seeds(s2, req.hour, list)) break;
    }
    return list;
}

}  // namespace vh
