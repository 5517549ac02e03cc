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
#include <algorithm>
#include <cstdint>

#include "features/narrowing_internal.hpp"

namespace vh::narrowing {

// The nature step of a frame whose first two outputs, at positions a and
// a + 1, are o1 and o2.
inline NatureStep nature_step(const Search& search, int a, std::uint16_t o1, std::uint16_t o2) {
    const auto o = [&](long i) { return i == a ? o1 : o2; };
    return encounter_nature_step(o, synced_nature(search.req.nature, search.req.sync), a);
}

// Fills `starts` (ascending) with the first-output positions a >= lowest
// whose frame passes its nature step and accepts the pair before P, and
// `pid` with that personality value; `outs` must hold P - lowest + 4
// entries. Returns the number of starts; 0 also when the pair's nature is
// not the wanted one or shiny is wanted and it is not.
inline int frames_reaching(const Search& search, std::uint32_t g, int p, int lowest, std::uint16_t* outs, int* starts,
                           std::uint32_t& pid) {
    // outs[k] is the output at position p - k, filled in blocks of
    // independent jumps from g (the walk back is usually about 50 outputs).
    constexpr int kBlock = 32;
    const int most = p - lowest + 4;
    int filled = 0;
    const auto fill_through = [&](int k) {
        while (filled <= k) {
            const int end = std::min(filled + kBlock, most);
            if (end <= static_cast<int>(kJumpTableSize)) {
                for (int i = filled; i < end; ++i)
                    outs[i] = static_cast<std::uint16_t>((kBackwardColumns.mul[i] * g + kBackwardColumns.add[i]) >> 16);
            } else {
                std::uint32_t st = rewind(g, static_cast<std::uint64_t>(filled));
                for (int i = filled; i < end; ++i, st = prev_seed(st)) outs[i] = output_of(st);
            }
            filled = end;
        }
    };
    fill_through(2);
    pid = make_pid(outs[2], outs[1]);
    const int m = nature_of(pid);
    if (search.req.nature != kNoNature && m != search.req.nature) return 0;
    if (search.req.shiny && !is_shiny(pid, search.req.tid, search.req.sid)) return 0;
    int prev = p - 4;
    for (; prev >= lowest + 1; prev -= 2) {
        fill_through(p - prev);
        if (nature_of(make_pid(outs[p - prev], outs[p - prev - 1])) == m) break;
    }
    // When no such pair was found, `prev` lies below every search start considered.
    const int a_lo = prev - 1 > lowest ? prev - 1 : lowest;
    fill_through(p - a_lo);
    int n = 0;
    // Without synchronize the search starts right after the first output:
    // only frames whose first output has the parity of P - 1 can reach P.
    const int stride = search.sync_nature ? 1 : 2;
    const int a_first = search.sync_nature ? a_lo : a_lo + (((p - 1 - a_lo) % 2 + 2) % 2);
    for (int a = a_first; a <= p - 3; a += stride) {
        const NatureStep step = nature_step(search, a, outs[p - a], outs[p - a - 1]);
        if (step.nature != m || step.start <= prev || ((p - step.start) & 1) != 0) continue;
        starts[n++] = a;
    }
    return n;
}

}  // namespace vh::narrowing
