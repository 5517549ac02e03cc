#include "features/seed_candidates.hpp"

#include "engine/initial_seed.hpp"
#include "engine/lcg.hpp"
#include "engine/state_recovery.hpp"

namespace vh {

namespace {

// Generation begins 1001 times at most before the individual values: frames 0 .. 1000.
constexpr int kFrames = 1001;
constexpr std::uint32_t kDelayLimit = 0x1000;

}  // namespace

CandidateList find_seed_candidates(const SeedCandidateRequest& req) {
    CandidateList list;
    const Ivs& iv = req.ivs;
    // The states whose output carries H, A, B and whose successor's output
    // carries S, C, D, in the order of the scan over bit 15 and the low half.
    const IvStates states = find_iv_states(iv_word(iv[0], iv[1], iv[2]), iv_word(iv[3], iv[4], iv[5]));
    const std::uint32_t hour = static_cast<std::uint32_t>(req.hour);
    const SeedShape shape{hour, hour, kDelayLimit - 1};
    // More than ten matches: the first ten in search order are kept and the
    // search ends, since nothing after them could be shown.
    const auto keep = [&](int, std::uint32_t seed) {
        if (list.count == kCandidateCapacity) return false;
        list.seeds[list.count++] = seed;
        return true;
    };
    for (int i = 0; i < states.count; ++i) {
        if (nature_of(creature_at_words(states.states[i]).pid) != req.nature) continue;
        // From the state whose output is the personality value's low half,
        // generation at frame j - 1 begins j steps before it.
        if (!seeds_before(rewind(states.states[i], 2), kFrames, shape, keep)) break;
    }
    return list;
}

}  // namespace vh
