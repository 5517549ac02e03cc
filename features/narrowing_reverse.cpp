// Reverse processing. A row belongs to a match s (a state carrying a
// passing combination's words) and a valid initial seed up to 4899 steps
// before it, at the seed's lowest frame whose creature passes, unless an
// earlier frame's generation runs past position +101. The frames whose
// creature passes are the pass set, the same as forward processing's, so
// the rows of a match follow from the pass-set entries within its reach
// (frames_near_match) and the frames that run past +101 (mark_overruns),
// with no frame replayed. Where most frames pass, the pass set would be
// most of the cycle, and each match's seeds are replayed frame by frame
// instead, which then ends early.
//
// The matches are visited in file order, either all of them, combination by
// combination, or, when few frames pass (shiny wanted), only those within
// reach of a passing frame, found by testing the states around each one.
// The fixed shiny creature needs no pass set: its frame is 15 steps before
// the match, and its rows are every valid seed there.
#include <algorithm>
#include <climits>
#include <cstring>

#include "engine/cycle_position.hpp"
#include "engine/initial_seed.hpp"
#include "engine/output_run.hpp"
#include "features/narrowing_internal.hpp"
#include "features/narrowing_pass_set.hpp"
#include "features/narrowing_passing_frames.hpp"
#include "features/narrowing_replay.hpp"

namespace vh::narrowing {

namespace {

// Positions -4899 .. +101 around a match make 5001 entries, a quarter of the
// 20000-entry seed run: the farthest initial seed lies 4899 steps before the
// match, and no frame may read past the 101st output after it.
constexpr int kBack = 4899;
constexpr int kAhead = 101;
constexpr int kLowestStart = 1 - kBack;
constexpr std::size_t kRoundMatches = 1u << 13;  // per worker and round
// A frame reads its nature, a pair and two words at least: the latest frame
// start whose words lie at or before +101.
constexpr int kLatestStart = kAhead - 4;

// A passing frame within reach of a match, with its creature.
struct NearFrame {
    int start;  // position of its first output
    Creature creature;
};

struct Candidate {
    int j;       // steps from the seed to s
    int start;   // first output position of its lowest passing frame
    int near;    // which near frame
    int first_overrun;    // the first frame start at or after 1 - j that runs past +101
};

// The outputs around s, stepped independently from s by the jump tables
// (so that the loops vectorize), with each output mod 25 and the nature of
// the personality pair starting at each position.
constexpr int kWinLo = -160;
constexpr int kWinSize = 99 - kWinLo + 1;  // positions kWinLo .. +99

struct Window {
    std::uint16_t o[kWinSize];
    std::uint8_t pair[kWinSize];
    std::uint16_t out(int pos) const { return o[pos - kWinLo]; }
};

[[gnu::always_inline]] inline void fill_window_body(std::uint32_t s, Window& w) {
    const std::uint32_t low = kBackwardJumps[-kWinLo].apply(s);  // the state at kWinLo
    for (int k = 0; k < kWinSize; ++k)
        w.o[k] = static_cast<std::uint16_t>((kForwardColumns.mul[k] * low + kForwardColumns.add[k]) >> 16);
    for (int k = 0; k + 1 < kWinSize; ++k)
        w.pair[k] = static_cast<std::uint8_t>((std::uint32_t{w.o[k + 1]} << 16 | w.o[k]) % 25u);
    w.pair[kWinSize - 1] = 0;
}

// The steps j in [lo, hi] (1 <= lo, hi <= 4899) whose seed j steps before s
// is valid, ascending; returns their number.
[[gnu::always_inline]] inline int valid_steps_body(std::uint32_t s, int lo, int hi, int max_low, std::uint8_t* flag,
                                                   int* out) {
    for (int j = lo; j <= hi; ++j) {
        const std::uint32_t r = kBackwardColumns.mul[j] * s + kBackwardColumns.add[j];
        flag[j] = narrowing_shape(max_low).holds(r);
    }
    // Few seeds are valid: skip eight flags at a time while they are all clear.
    int n = 0;
    int j = lo;
    for (; j + 8 <= hi + 1; j += 8) {
        std::uint64_t eight;
        std::memcpy(&eight, flag + j, 8);
        if (eight == 0) continue;
        for (int i = 0; i < 8; ++i) {
            out[n] = j + i;
            n += flag[j + i];
        }
    }
    for (; j <= hi; ++j) {
        out[n] = j;
        n += flag[j];
    }
    return n;
}

// Both loops again for processors with 256-bit integer vectors, chosen at
// run time.
#if defined(__GNUC__) && (defined(__x86_64__) || defined(__i386__))
[[gnu::target("avx2")]] void fill_window_avx2(std::uint32_t s, Window& w) { fill_window_body(s, w); }
[[gnu::target("avx2")]] int valid_steps_avx2(std::uint32_t s, int lo, int hi, int max_low, std::uint8_t* flag,
                                             int* out) {
    return valid_steps_body(s, lo, hi, max_low, flag, out);
}
#else
void fill_window_avx2(std::uint32_t s, Window& w) { fill_window_body(s, w); }
int valid_steps_avx2(std::uint32_t s, int lo, int hi, int max_low, std::uint8_t* flag, int* out) {
    return valid_steps_body(s, lo, hi, max_low, flag, out);
}
#endif

void fill_window(const Search& search, std::uint32_t s, Window& w) {
    if (search.vectors != Vectors::kNone)
        fill_window_avx2(s, w);
    else
        fill_window_body(s, w);
}

int valid_steps(const Search& search, std::uint32_t s, int lo, int hi, int max_low, std::uint8_t* flag, int* out) {
    return search.vectors != Vectors::kNone ? valid_steps_avx2(s, lo, hi, max_low, flag, out) : valid_steps_body(s, lo, hi, max_low, flag, out);
}

NatureStep step_in(const Search& search, const Window& w, int a) {
    return encounter_nature_step([&](long pos) { return w.out(static_cast<int>(pos)); },
                                 synced_nature(search.req.nature, search.req.sync), a);
}

struct Scratch {
    Window window;
    NearFrame near[kBack + kLatestStart + 1];
    Candidate cand[kBack + 1];
    int valid[kBack + 1];
    std::uint8_t flag[kBack + 8];
    OutputRun run;
    SeedReplay replay;
};

// Where frames pass densely: every valid seed of match s replayed frame by
// frame, until a row or a frame that would read past +101.
std::uint32_t replay_match(const Search& search, std::uint32_t s, Scratch& scratch, char*& text) {
    const NarrowingRequest& req = search.req;
    std::uint32_t rows = 0;
    seeds_before(s, kBack, narrowing_shape(req.max_low), [&](int j, std::uint32_t r) {
        Creature c;
        const int f = scratch.replay.row_frame(search, r, req.max_frames, kAhead + j, ReplayRules::kReverse, c);
        if (f >= 0) {
            text = format_row_with_nature(text, r, f, c.pid, c.first_word, c.second_word);
            ++rows;
        }
        return true;
    });
    return rows;
}

// Finds the first frame start at or after 1 - j that would run past +101,
// for every candidate (ascending j), walking down from +98. A frame that
// passes its nature step runs past +101 when no pair of its nature and its
// search's parity lies between its search start and +98.
void mark_overruns(const Search& search, std::uint32_t s, const Window& w, Candidate* cand, int n) {
    std::uint32_t seen[2] = {0, 0};
    constexpr std::uint32_t kAll = (1u << 25) - 1;
    int first = INT_MAX;
    int ci = 0;
    const auto frame = [&](int a, const NatureStep& step) {
        const bool passes = search.req.nature == kNoNature || step.nature == search.req.nature;
        if (passes && !((seen[step.start & 1] >> step.nature) & 1u)) first = a;
        while (ci < n && 1 - cand[ci].j == a) cand[ci++].first_overrun = first;
    };
    // Frames at or after the latest row frame never matter: only the pairs
    // from there to +98 are gathered, then frames are evaluated below it.
    int top = INT_MIN;
    for (int c = 0; c < n; ++c) top = std::max(top, cand[c].start);
    int a = 98;
    if (top - 1 >= kWinLo + 1) {
        for (int x = 98; x >= top; --x) seen[x & 1] |= 1u << w.pair[x - kWinLo];
        a = top - 1;
        while (ci < n && 1 - cand[ci].j > a) cand[ci++].first_overrun = first;
    }
    for (; a >= kWinLo; --a) {
        if (a + 1 <= 98) seen[(a + 1) & 1] |= 1u << w.pair[a + 1 - kWinLo];
        frame(a, step_in(search, w, a));
        if (ci == n) return;
        if (seen[0] == kAll && seen[1] == kAll) break;
    }
    if (a < kWinLo) {
        // Below the window, one step at a time.
        std::uint32_t st = kBackwardJumps[-kWinLo].apply(s);
        std::uint16_t o2 = w.out(kWinLo + 1), o1 = w.out(kWinLo);
        for (; a >= kLowestStart; --a) {
            st = prev_seed(st);
            const std::uint16_t o0 = output_of(st);
            seen[(a + 1) & 1] |= 1u << nature_of(make_pid(o1, o2));
            frame(a, nature_step(search, a, o0, o1));
            if (ci == n) return;
            if (seen[0] == kAll && seen[1] == kAll) break;
            o2 = o1;
            o1 = o0;
        }
    }
    while (ci < n) cand[ci++].first_overrun = first;
}

// The passing frames whose first output lies at or after 1 - 4899 and whose
// words lie at or before +101 relative to match s, ascending; returns their
// number.
int frames_near_match(const Search& search, const PassSet& set, std::uint32_t s, Scratch& scratch) {
    const std::uint32_t p = cycle_position(s);
    // A frame start a is at cycle position p + a - 1 (its frame state).
    const int latest = std::min(kLatestStart, search.req.max_frames);
    const std::uint32_t from = p - static_cast<std::uint32_t>(kBack);
    const std::uint32_t span = static_cast<std::uint32_t>(latest - kLowestStart);
    int n = 0;
    for (PassCursor c(set, from); !c.done(); c.next()) {
        const std::uint32_t d = c.position() - from;
        if (d > span) break;
        const int a = static_cast<int>(d) + kLowestStart;
        NearFrame& f = scratch.near[n];
        f.start = a;
        const std::uint32_t tag = c.tag();
        if (tag != kRegenerate) {
            const int words = a - 1 + static_cast<int>(tag);
            if (words + 1 > kAhead) continue;
            f.creature = creature_at_words(words >= 0 ? kForwardJumps[words].apply(s) : kBackwardJumps[-words].apply(s));
        } else {
            // Its words lie 255 or more outputs on: generated anew, no
            // further than +101.
            scratch.run.start(a - 1 >= 0 ? kForwardJumps[a - 1].apply(s) : kBackwardJumps[1 - a].apply(s));
            const auto o = [&](long i) { return scratch.run(i); };
            if (generate_frame(search, o, kAhead + 1 - a, true, f.creature) != FrameResult::kCreature) continue;
        }
        ++n;
    }
    return n;
}

// The rows of match s.
std::uint32_t rows_of_match(const Search& search, const PassSet& set, std::uint32_t s, Scratch& scratch, char*& text) {
    const int nn = frames_near_match(search, set, s, scratch);
    if (nn == 0) return 0;
    const int max_frames = search.req.max_frames;
    // Seeds j steps before s whose frames 0 .. max_frames reach a near frame:
    // 1 - j <= start <= max_frames + 1 - j.
    const int j_lo = std::max(1, 1 - scratch.near[nn - 1].start);
    const int j_hi = std::min(kBack, max_frames + 1 - scratch.near[0].start);
    if (j_lo > j_hi) return 0;
    const int nv = valid_steps(search, s, j_lo, j_hi, search.req.max_low, scratch.flag, scratch.valid);
    int nc = 0;
    int at = nn - 1;  // the lowest near frame at or after 1 - j, for j ascending
    for (int v = 0; v < nv; ++v) {
        const int j = scratch.valid[v];
        while (at > 0 && scratch.near[at - 1].start >= 1 - j) --at;
        if (scratch.near[at].start < 1 - j || scratch.near[at].start > max_frames + 1 - j) continue;
        scratch.cand[nc++] = {j, scratch.near[at].start, at, 0};
    }
    if (nc == 0) return 0;
    fill_window(search, s, scratch.window);
    mark_overruns(search, s, scratch.window, scratch.cand, nc);
    std::uint32_t rows = 0;
    for (int c = 0; c < nc; ++c) {
        const Candidate& cd = scratch.cand[c];
        if (cd.first_overrun <= cd.start) continue;
        const NearFrame& f = scratch.near[cd.near];
        text = format_row_with_nature(text, kBackwardJumps[cd.j].apply(s), cd.start - 1 + cd.j, f.creature.pid,
                                      f.creature.first_word, f.creature.second_word);
        ++rows;
    }
    return rows;
}

// The fixed shiny creature: the frame is j - 15, and the nature (when it is
// checked) depends only on the 15 outputs before s.
std::uint32_t fixed_match(const Search& search, std::uint32_t s, char*& text) {
    const NarrowingRequest& req = search.req;
    if (search.shiny_nature_check && !fixed_shiny_nature_passes(req, s, true)) return 0;
    const std::uint16_t w1 = output_of(s), w2 = output_of(next_seed(s));
    // Frame F's seed lies F + 1 steps before the state 14 steps before s.
    const int frames = std::min(kBack - 14, req.max_frames + 1);
    std::uint32_t rows = 0;
    seeds_before(kBackwardJumps[14].apply(s), frames, narrowing_shape(req.max_low), [&](int j, std::uint32_t r) {
        text = format_row_without_nature(text, r, j - 1, w1, w2);
        ++rows;
        return true;
    });
    return rows;
}

// ---- the matches to visit ------------------------------------------------------

// A match's combination among all combinations at least the minimums, in
// the order they are enumerated.
std::uint64_t combo_index(const Search& search, std::uint32_t s) {
    const Ivs v = ivs_from_words(output_of(s), output_of(next_seed(s)));
    std::uint64_t index = 0;
    for (int i = 0; i < 6; ++i)
        index = index * static_cast<std::uint64_t>(32 - search.req.min_ivs[i]) +
                static_cast<std::uint64_t>(v[i] - search.req.min_ivs[i]);
    return index;
}

bool is_match(const Search& search, std::uint32_t s) {
    const Ivs v = ivs_from_words(output_of(s), output_of(next_seed(s)));
    if (!minimums_pass(search.req, v)) return false;
    const int c[6] = {v[0], v[1], v[2], v[3], v[4], v[5]};
    return combo_passes(search, c);
}

// The matches within reach of some passing frame, in file order. From the
// frame state at X with its words at X + w, a match at X + d has the frame
// start 1 - d: d <= 4899, 1 - d <= the latest start, and w <= d + 100.
void matches_near_frames(const Search& search, const PassSet& set, MatchList& list) {
    const int latest = std::min(kLatestStart, search.req.max_frames);
    std::vector<std::vector<std::uint64_t>> found(search.threads);  // (combination, bit 15, low half) | state
    run_workers(search.threads, [&](int t) {
        for (int b = 256 * t / search.threads; b < 256 * (t + 1) / search.threads; ++b)
            for (std::size_t i = 0; i < set.bucket[b].size; ++i) {
                const std::uint32_t entry = set.bucket[b][i];
                const std::uint32_t x = static_cast<std::uint32_t>(b) << 24 | (entry & kLow24);
                const std::uint32_t tag = entry >> 24;
                int d = 1 - latest;
                if (tag != kRegenerate) d = std::max(d, static_cast<int>(tag) - (kAhead - 1));
                std::uint32_t s = advance(0, x + static_cast<std::uint32_t>(d));
                for (; d <= kBack; ++d, s = next_seed(s))
                    if (is_match(search, s))
                        found[t].push_back(combo_index(search, s) << 49 | std::uint64_t{s >> 31} << 48 |
                                           std::uint64_t{s & 0xFFFFu} << 32 | s);
            }
    });
    std::vector<std::uint64_t> keys;
    for (const auto& f : found) keys.insert(keys.end(), f.begin(), f.end());
    std::sort(keys.begin(), keys.end());
    keys.erase(std::unique(keys.begin(), keys.end()), keys.end());
    list.combo.clear();
    list.begin.clear();
    list.states.clear();
    for (const std::uint64_t k : keys) {
        const std::uint64_t combo = k >> 49;
        if (list.combo.empty() || list.combo.back() != combo) {
            list.combo.push_back(combo);
            list.begin.push_back(static_cast<std::uint32_t>(list.states.size()));
        }
        list.states.push_back(static_cast<std::uint32_t>(k));
    }
    list.begin.push_back(static_cast<std::uint32_t>(list.states.size()));
}

// Rough costs in nanoseconds: finding and visiting one match, testing one
// state of a passing frame's stretch.
constexpr double kMatchCost = 400.0;
constexpr double kStretchStateCost = 3.0;

bool visit_all_matches(const Search& search, std::uint64_t passing, const PassSet& set) {
    using Way = NarrowingTestHook::ReverseWay;
    if (search.reverse_way != Way::kChosen) return search.reverse_way != Way::kFromPassingFrames;
    const double matches = static_cast<double>(passing) * kStatesPerCombination;
    const double stretches = static_cast<double>(set.total) * (kBack + kAhead) * kStretchStateCost;
    return matches * kMatchCost <= stretches;
}

}  // namespace

void run_reverse(const Search& search, ProgressRef progress, TextSink& out) {
    const std::uint64_t total = combo_total(search);
    const std::uint64_t passing = combo_passing(search);
    const bool fixed = search.req.fixed_shiny;
    // Where most frames pass, the pass set would be most of the cycle: there
    // each match's seeds are replayed instead.
    const bool replay = !fixed && (search.reverse_way == NarrowingTestHook::ReverseWay::kReplayEachSeed ||
                                   !pass_set_fits(search, passing));
    PassSet set;
    if (!fixed && !replay && !build_pass_set(search, passing, progress, out, set)) return;
    const bool all_matches = fixed || replay || visit_all_matches(search, passing, set);
    const std::size_t rows_per_match =
        fixed ? static_cast<std::size_t>(std::min(kBack, search.req.max_frames + 1)) : kBack;

    long count = 0;
    ComboOdometer shown(search);
    std::uint64_t next_shown = 0;
    const auto show_through = [&](std::uint64_t combo) {
        char buf[256];
        for (; next_shown <= combo && !out.stopped(); ++next_shown) {
            if ((next_shown & 0xFFFFu) == 0xFFFFu && !keep_going(progress, out)) return;
            format_reverse_progress(buf, shown.v, count);
            progress(buf);
            shown.next();
        }
    };

    const int threads = search.threads;
    std::vector<RowBuffer> buffers;
    std::vector<std::unique_ptr<Scratch>> scratch;
    for (int t = 0; t < threads; ++t) {
        buffers.emplace_back(search.row_buffer_for(rows_per_match), kRoundMatches);
        scratch.emplace_back(new Scratch);  // written before read
    }
    // Writes the rows of the matches in `list`, in order.
    const auto visit = [&](const MatchList& list) {
        std::size_t ci = 0;
        run_rounds(
            threads, list.states.size(), kRoundMatches, [&](int t) -> RowBuffer& { return buffers[t]; },
            [&](int t, std::size_t k, std::size_t) {
                RowBuffer& rows = buffers[t];
                if (out.stopped() || !rows.room_for(rows_per_match)) return false;
                char* text = rows.end();
                const std::uint32_t s = list.states[k];
                rows.counts[rows.items_done] = fixed    ? fixed_match(search, s, text)
                                               : replay ? replay_match(search, s, *scratch[t], text)
                                                        : rows_of_match(search, set, s, *scratch[t], text);
                rows.used = static_cast<std::size_t>(text - rows.text.get());
                return true;
            },
            [&](int t, std::size_t begin) {
                const RowBuffer& rows = buffers[t];
                if (out.stopped()) return;
                for (std::size_t i = 0; i < rows.items_done; ++i) {
                    while (list.begin[ci + 1] <= begin + i) ++ci;
                    show_through(list.combo[ci]);
                    count += rows.counts[i];
                }
                out.write(rows.text.get(), rows.used);
            },
            [&](std::size_t) { return keep_going(progress, out); });
    };

    MatchList list;
    if (all_matches) {
        ComboOdometer collected(search);
        std::uint64_t next_combo = 0;
        while (next_combo < total && keep_going(progress, out)) {
            collect_matches(search, next_combo, collected, search.combo_block, list);
            visit(list);
        }
    } else {
        matches_near_frames(search, set, list);
        if (keep_going(progress, out)) visit(list);
    }
    if (total > 0 && !out.stopped()) show_through(total - 1);
}

}  // namespace vh::narrowing
