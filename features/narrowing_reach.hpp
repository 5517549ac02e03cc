// Which frames' personality search ends at a given pair of outputs.
//
// Positions are counted relative to a state s as in reverse processing. For
// the state g at position P, whose output and its successor's are the two
// individual-value words, the accepted personality value is the pair at
// P-2, P-1, of nature m. A frame whose first output is at position a reaches
// it exactly when its nature step passes with nature m and its search starts
// at a position q of P's parity after the previous pair of nature m of that
// parity: every pair in between has another nature.
#pragma once
#include <cstdint>

#include "features/narrowing_internal.hpp"

namespace vh::narrowing {

// The nature step of a frame whose first two outputs, at positions a and
// a + 1, are o1 and o2.
inline NatureStep nature_step(const Search& search, int a, std::uint16_t o1, std::uint16_t o2) {
    const auto o = [&](long i) { return i == a ? o1 : o2; };
    return encounter_nature_step(o, synced_nature(search.req.nature, search.req.sync), a);
}

// The personality value of the pair before the state g, and whether a
// search can end there for the request: of the wanted nature, and shiny
// where that is wanted.
inline std::uint32_t pid_before(std::uint32_t g) {
    const std::uint32_t s1 = prev_seed(g);
    return make_pid(output_of(prev_seed(s1)), output_of(s1));
}
// Whether pair_wanted can fail: a nature or shiny is wanted.
inline bool pairs_filtered(const NarrowingRequest& req) { return req.nature != kNoNature || req.shiny; }
inline bool pair_wanted(const Search& search, std::uint32_t pid) {
    const NarrowingRequest& req = search.req;
    if (req.nature != kNoNature && static_cast<int>(nature_of(pid)) != req.nature) return false;
    return !req.shiny || is_shiny(pid, req.tid, req.sid);
}

// Fills `starts` (ascending) with the first-output positions a >= lowest
// whose frame passes its nature step and accepts the pair before P, and
// `pid` with that personality value. Returns the number of starts; 0 also
// when the pair's nature is not the wanted one or shiny is wanted and it is
// not.
int frames_reaching(const Search& search, std::uint32_t g, int p, int lowest, int* starts, std::uint32_t& pid);

}  // namespace vh::narrowing
