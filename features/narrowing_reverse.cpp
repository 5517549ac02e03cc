// Reverse processing. For every passing combination its matching states are
// recovered directly. Ordinary generation then needs, per match s, only the
// valid initial seeds whose frames can reach a position whose two words pass
// the request ("reached" positions): these are matches themselves, looked up
// in the list of all matches sorted by their step count from state 0, or,
// when there are too many matches to hold, found by testing the words at
// every position around s. Per reached position the frames that end their
// personality search there come from one short backward walk; per valid
// seed its lowest such frame is then checked against the frames before it
// that would run past position +101. The literal replay of every seed of a
// match remains as the fallback for crowded matches.
#include <algorithm>
#include <climits>
#include <cstring>

#include "features/narrowing_internal.hpp"
#include "features/narrowing_passing_frames.hpp"
#include "engine/output_run.hpp"

namespace vh::narrowing {

namespace {

// Positions -4899 .. +101 around a match make 5001 entries, a quarter of the
// 20000-entry seed run: the farthest initial seed lies 4899 steps before the
// match, and no frame may read past the 101st output after it.
constexpr int kBack = 4899;
constexpr int kAhead = 101;
constexpr int kLowestStart = 1 - kBack;
constexpr std::uint64_t kIndexedLimit = 1u << 18;  // passing combinations held with their index
constexpr std::size_t kRoundMatches = 1u << 13;  // per worker and round
constexpr int kMaxReached = 64;         // reached positions per match before the plain replay
constexpr int kMaxCandidates = 1 << 15;  // seeds with a reaching frame, likewise
constexpr int kScanSize = kBack - 4 + 101 + 1;  // outputs at positions -4895 .. +101

struct Reached {
    int pos;
    std::uint32_t state;
    std::uint32_t pid;
};

struct Candidate {
    int j;       // steps from the seed to s
    int start;   // first output position of its lowest reaching frame
    int reached; // which reached position
    int first_overrun;    // the first frame start at or after 1 - j that runs past +101
};

// The outputs around s, stepped independently from s by the jump tables
// (so that the loops vectorize), with each output mod 25 and the nature of
// the personality pair starting at each position.
constexpr int kWinLo = -160;
constexpr int kWinSize = 99 - kWinLo + 1;  // positions kWinLo .. +99

struct Window {
    std::uint16_t o[kWinSize];
    std::uint8_t mod[kWinSize];
    std::uint8_t pair[kWinSize];
    std::uint16_t out(int pos) const { return o[pos - kWinLo]; }
};

[[gnu::always_inline]] inline void fill_window_body(std::uint32_t s, Window& w) {
    const std::uint32_t low = kBackwardJumps[-kWinLo].apply(s);  // the state at kWinLo
    for (int k = 0; k < kWinSize; ++k)
        w.o[k] = static_cast<std::uint16_t>((kForwardColumns.mul[k] * low + kForwardColumns.add[k]) >> 16);
    for (int k = 0; k < kWinSize; ++k) w.mod[k] = static_cast<std::uint8_t>(w.o[k] % 25u);
    for (int k = 0; k + 1 < kWinSize; ++k)
        w.pair[k] = static_cast<std::uint8_t>((std::uint32_t{w.o[k + 1]} << 16 | w.o[k]) % 25u);
    w.pair[kWinSize - 1] = 0;
}

// The steps j in [lo, hi] (1 <= lo, hi <= 4899) whose seed j steps before s
// is valid, ascending; returns their number.
[[gnu::always_inline]] inline int valid_steps_body(std::uint32_t s, int lo, int hi, int max_low, std::uint8_t* flag,
                                                   int* out) {
    const std::uint32_t limit = static_cast<std::uint32_t>(max_low);
    for (int j = lo; j <= hi; ++j) {
        const std::uint32_t r = kBackwardColumns.mul[j] * s + kBackwardColumns.add[j];
        flag[j] = (((r >> 16) & 0xFFu) <= 23u) & ((r & 0xFFFFu) <= limit);
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
    if (search.wide_vectors)
        fill_window_avx2(s, w);
    else
        fill_window_body(s, w);
}

int valid_steps(const Search& search, std::uint32_t s, int lo, int hi, int max_low, std::uint8_t* flag, int* out) {
    return search.wide_vectors ? valid_steps_avx2(s, lo, hi, max_low, flag, out) : valid_steps_body(s, lo, hi, max_low, flag, out);
}

NatureStep step_in(const Search& search, const Window& w, int a) {
    const int k = a - kWinLo;
    if (search.sync_nature) {
        if ((w.o[k] & 1u) == 0) return {search.req.nature, a + 1};
        return {w.mod[k + 1], a + 2};
    }
    return {w.mod[k], a + 1};
}

struct Scratch {
    Window window;
    std::uint16_t outs[kBack + kAhead + 8];
    int starts[kBack + kAhead + 8];
    Reached reached[kMaxReached];
    Candidate cand[kMaxCandidates];
    std::uint16_t scan[kScanSize];
    std::uint8_t first_ok[kScanSize];
    std::uint8_t second_ok[kScanSize];
    int valid[kBack + 1];
    std::uint8_t flag[kScanSize];
    std::uint32_t state[kBack + kAhead + 1];
    std::uint16_t out[kBack + kAhead + 1];
};

// The literal replay of one match: every valid seed up to 4899 steps back,
// every frame until a row or the end of the known outputs.
std::uint32_t replay_match(const Search& search, std::uint32_t s, Scratch& sc, char*& text) {
    const NarrowingRequest& req = search.req;
    const auto at = [](int pos) { return pos + kBack; };
    sc.state[at(0)] = s;
    sc.out[at(0)] = output_of(s);
    for (int k = 1; k <= kAhead; ++k) {
        sc.state[at(k)] = next_seed(sc.state[at(k - 1)]);
        sc.out[at(k)] = output_of(sc.state[at(k)]);
    }
    std::uint32_t rows = 0;
    for (int j = 1; j <= kBack; ++j) {
        sc.state[at(-j)] = prev_seed(sc.state[at(-j + 1)]);
        sc.out[at(-j)] = output_of(sc.state[at(-j)]);
        const std::uint32_t r = sc.state[at(-j)];
        if (!valid_seed(r, req.max_low)) continue;
        for (int f = 0; f <= req.max_frames; ++f) {
            const auto o = [&](long i) { return sc.out[at(static_cast<int>(f + i - j))]; };
            const Encounter e = encounter_pid(o, req.nature, req.sync, kAhead - (f - j), true);
            if (e.status == Encounter::kOutOfRange) break;
            if (e.status == Encounter::kNatureFailed) continue;
            const std::uint16_t w1 = o(e.iv_pos), w2 = o(e.iv_pos + 1);
            const Ivs iv = ivs_from_words(w1, w2);
            if (hidden_power_power(iv) < req.min_power) continue;
            if (req.hp_type != -1 && hidden_power_type(iv) != req.hp_type) continue;
            bool low = false;
            for (int i = 0; i < 6; ++i) low |= iv[i] < req.min_ivs[i];
            if (low) continue;
            if (req.shiny && !is_shiny(e.pid, req.tid, req.sid)) continue;
            text = format_row_with_nature(text, r, f, e.pid, w1, w2);
            ++rows;
            break;
        }
    }
    return rows;
}

// frames_reaching for s itself (position 0) inside the window; -1 when the
// previous pair of the same nature lies below it.
int reach_in_window(const Search& search, const Window& w, int* starts, std::uint32_t& pid) {
    pid = make_pid(w.out(-2), w.out(-1));
    const int m = w.pair[-2 - kWinLo];
    if (search.req.nature != kNoNature && m != search.req.nature) return 0;
    if (search.req.shiny && !is_shiny(pid, search.req.tid, search.req.sid)) return 0;
    int prev = -4;
    while (prev >= kWinLo + 1 && w.pair[prev - kWinLo] != m) prev -= 2;
    if (prev < kWinLo + 1) return -1;
    int n = 0;
    for (int a = prev - 1; a <= -3; ++a) {
        const NatureStep step = step_in(search, w, a);
        if (step.nature != m || step.start <= prev || (step.start & 1) != 0) continue;
        starts[n++] = a;
    }
    return n;
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

// The reached positions of s from the index: matches from -4895 (the
// lowest pair after a frame start) to +100 (both words at or before +101).
// -1 when there are more than the scratch holds.
int reached_from_index(const MatchList& list, std::uint32_t steps, Scratch& sc) {
    int nr = 0;
    bool overflow = false;
    const auto scan = [&](std::uint32_t from, std::uint32_t to) {
        auto it = list.index.begin() + list.bucket[from >> MatchList::kBucketShift];
        while (it != list.index.end() && (*it >> 32) < from) ++it;
        for (; it != list.index.end() && (*it >> 32) <= to; ++it) {
            if (nr == kMaxReached) {
                overflow = true;
                return;
            }
            sc.reached[nr++] = {static_cast<std::int32_t>(static_cast<std::uint32_t>(*it >> 32) - steps),
                                static_cast<std::uint32_t>(*it), 0};
        }
    };
    const std::uint32_t lo = steps - static_cast<std::uint32_t>(kBack - 4), hi = steps + 100u;
    if (lo <= hi) {
        scan(lo, hi);
    } else {
        scan(lo, 0xFFFFFFFFu);
        if (!overflow) scan(0, hi);
    }
    return overflow ? -1 : nr;
}

// The same positions found by testing the words at every position.
[[gnu::always_inline]] inline void word_flags_body(std::uint32_t low_state, const int* mins, Scratch& sc) {
    const std::uint16_t m0 = static_cast<std::uint16_t>(mins[0]), m1 = static_cast<std::uint16_t>(mins[1]),
                        m2 = static_cast<std::uint16_t>(mins[2]), m3 = static_cast<std::uint16_t>(mins[3]),
                        m4 = static_cast<std::uint16_t>(mins[4]), m5 = static_cast<std::uint16_t>(mins[5]);
    for (int k = 0; k < kScanSize; ++k)
        sc.scan[k] = static_cast<std::uint16_t>((kForwardColumns.mul[k] * low_state + kForwardColumns.add[k]) >> 16);
    for (int k = 0; k < kScanSize; ++k) {
        const std::uint16_t w = sc.scan[k];
        sc.first_ok[k] = ((w & 31u) >= m0) & (((w >> 5) & 31u) >= m1) & (((w >> 10) & 31u) >= m2);
        sc.second_ok[k] = ((w & 31u) >= m3) & (((w >> 5) & 31u) >= m4) & (((w >> 10) & 31u) >= m5);
    }
    for (int k = 0; k + 1 < kScanSize; ++k) sc.flag[k] = sc.first_ok[k] & sc.second_ok[k + 1];
}

#if defined(__GNUC__) && (defined(__x86_64__) || defined(__i386__))
[[gnu::target("avx2")]] void word_flags_avx2(std::uint32_t low_state, const int* mins, Scratch& sc) {
    word_flags_body(low_state, mins, sc);
}
#else
void word_flags_avx2(std::uint32_t low_state, const int* mins, Scratch& sc) { word_flags_body(low_state, mins, sc); }
#endif

int reached_from_scan(const Search& search, std::uint32_t s, Scratch& sc) {
    const std::uint32_t low_state = kBackwardJumps[kBack - 4].apply(s);  // position -4895
    if (search.wide_vectors)
        word_flags_avx2(low_state, search.req.min_ivs.data(), sc);
    else
        word_flags_body(low_state, search.req.min_ivs.data(), sc);
    int nr = 0;
    const int last = kScanSize - 2;  // position +100
    for (int k = 0; k <= last; ++k) {
        if (k + 8 <= last + 1) {
            std::uint64_t eight;
            std::memcpy(&eight, sc.flag + k, 8);
            if (eight == 0) {
                k += 7;
                continue;
            }
        }
        if (!sc.flag[k]) continue;
        const std::uint32_t state = kForwardColumns.mul[k] * low_state + kForwardColumns.add[k];
        const int v[6] = {static_cast<int>((state >> 16) & 31u), static_cast<int>((state >> 21) & 31u),
                          static_cast<int>((state >> 26) & 31u), sc.scan[k + 1] & 31,
                          (sc.scan[k + 1] >> 5) & 31, (sc.scan[k + 1] >> 10) & 31};
        if (search.hp_filter && !combo_passes(search, v)) continue;
        if (nr == kMaxReached) return -1;
        sc.reached[nr++] = {k - (kBack - 4), state, 0};
    }
    return nr;
}

// The rows of match s from its reached positions.
std::uint32_t rows_of_match(const Search& search, std::uint32_t s, int nr, Scratch& sc, char*& text) {
    const int max_frames = search.req.max_frames;
    int nc = 0;
    bool window = false;
    for (int ri = 0; ri < nr; ++ri) {
        Reached& re = sc.reached[ri];
        int na = -1;
        if (re.pos == 0) {
            // Most matches end here: the pair before s decides at once.
            const std::uint32_t s1 = prev_seed(s), s2 = prev_seed(s1);
            const std::uint32_t pid = make_pid(output_of(s2), output_of(s1));
            if (search.req.nature != kNoNature && nature_of(pid) != search.req.nature) continue;
            if (search.req.shiny && !is_shiny(pid, search.req.tid, search.req.sid)) continue;
            fill_window(search, s, sc.window);
            window = true;
            na = reach_in_window(search, sc.window, sc.starts, re.pid);
        }
        if (na < 0) na = frames_reaching(search, re.state, re.pos, kLowestStart, sc.outs, sc.starts, re.pid);
        if (na == 0) continue;
        const int* a = sc.starts;
        const int j_lo = std::max(1, 1 - a[na - 1]);
        const int j_hi = std::min(kBack, max_frames + 1 - a[0]);
        // The valid seeds first, in one pass the compiler can vectorize.
        const int nv = valid_steps(search, s, j_lo, j_hi, search.req.max_low, sc.flag, sc.valid);
        if (nc + nv > kMaxCandidates) return replay_match(search, s, sc, text);
        int start_index = na - 1;
        for (int v = 0; v < nv; ++v) {
            const int j = sc.valid[v];
            while (start_index > 0 && a[start_index - 1] >= 1 - j) --start_index;
            if (a[start_index] > max_frames + 1 - j) continue;
            sc.cand[nc++] = {j, a[start_index], ri, 0};
        }
    }
    if (nc == 0) return 0;
    if (nr > 1) {
        std::sort(sc.cand, sc.cand + nc,
                  [](const Candidate& x, const Candidate& y) { return x.j != y.j ? x.j < y.j : x.start < y.start; });
        nc = static_cast<int>(
            std::unique(sc.cand, sc.cand + nc, [](const Candidate& x, const Candidate& y) { return x.j == y.j; }) -
            sc.cand);
    }
    if (!window) fill_window(search, s, sc.window);
    mark_overruns(search, s, sc.window, sc.cand, nc);
    std::uint32_t rows = 0;
    for (int c = 0; c < nc; ++c) {
        const Candidate& cd = sc.cand[c];
        if (cd.first_overrun <= cd.start) continue;
        const Reached& re = sc.reached[cd.reached];
        text = format_row_with_nature(text, kBackwardJumps[cd.j].apply(s), cd.start - 1 + cd.j, re.pid,
                                      output_of(re.state), output_of(next_seed(re.state)));
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
    const int j_hi = std::min(kBack, 15 + req.max_frames);
    std::uint32_t rows = 0;
    for (int j = 15; j <= j_hi; ++j) {
        const std::uint32_t r = kBackwardJumps[j].apply(s);
        if (!valid_seed(r, req.max_low)) continue;
        text = format_row_without_nature(text, r, j - 15, w1, w2);
        ++rows;
    }
    return rows;
}

// ---- rows found from the passing frame states --------------------------------
//
// Every row's frame state passes the request, so where few frame states
// pass (shiny wanted), the rows are found from them: for each passing frame,
// the matches within reach (its words at or before the match's +101, its
// seed at most 4899 steps before the match) are found by testing the words
// of every state of that stretch, and each such match and valid seed is
// replayed as the literal algorithm does.

struct PassingFrame {
    std::uint32_t words;  // the state carrying its individual-value words
    int start;            // position of its first output relative to `words`
};

struct FoundPair {
    std::uint64_t key;  // combination index, bit 15 of the first word, low half, j: the file order
    std::uint32_t s;
    std::uint32_t j;
};

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
    for (int i = 0; i < 6; ++i)
        if (v[i] < search.req.min_ivs[i]) return false;
    const int c[6] = {v[0], v[1], v[2], v[3], v[4], v[5]};
    return combo_passes(search, c);
}

void pairs_of_frame(const Search& search, const PassingFrame& pf, std::vector<FoundPair>& found) {
    const int max_frames = search.req.max_frames;
    // Positions relative to the frame state P.
    const int words_at = 1 - pf.start;
    const std::uint32_t p_state = rewind(pf.words, static_cast<std::uint64_t>(words_at));
    int valid_frames[2501];
    int nv = 0;
    std::uint32_t r = p_state;
    for (int f = 0; f <= max_frames; ++f, r = prev_seed(r))
        if (valid_seed(r, search.req.max_low)) valid_frames[nv++] = f;
    if (nv == 0) return;
    // A match s at position x: x >= words_at + 1 - kAhead, and 1 <= x + f <= kBack.
    const int lo = std::max(words_at + 1 - kAhead, 1 - valid_frames[nv - 1]);
    const int hi = kBack - valid_frames[0];
    std::uint32_t s = lo >= 0 ? advance(p_state, static_cast<std::uint64_t>(lo)) : rewind(p_state, static_cast<std::uint64_t>(-lo));
    for (int x = lo; x <= hi; ++x, s = next_seed(s)) {
        if (!is_match(search, s)) continue;
        for (int v = 0; v < nv; ++v) {
            const int j = x + valid_frames[v];
            if (j < 1 || j > kBack) continue;
            const std::uint64_t key = (combo_index(search, s) << 32 | std::uint64_t{s >> 31} << 31 |
                                       std::uint64_t{s & 0xFFFFu} << 13 | static_cast<std::uint64_t>(j));
            found.push_back({key, s, static_cast<std::uint32_t>(j)});
        }
    }
}

// The literal replay of the seed j steps before s: its row frame or -1.
int replay_pair(const Search& search, OutputRun& run, std::uint32_t s, int j, Creature& c) {
    const NarrowingRequest& req = search.req;
    run.start(kBackwardJumps[j].apply(s));
    for (int f = 0; f <= req.max_frames; ++f) {
        const auto o = [&](long i) { return run(f + i); };
        const FrameResult result = generate_frame(search, o, kAhead + j - f, true, c);
        if (result == FrameResult::kOutOfRange) return -1;
        if (result == FrameResult::kNatureFailed) continue;
        const Ivs iv = ivs_from_words(c.first_word, c.second_word);
        if (power_and_type_pass(req, iv) && minimums_and_shiny_pass(req, c.pid, iv)) return f;
    }
    return -1;
}

void run_from_passing_frames(const Search& search, std::uint64_t passing, ProgressRef progress, TextSink& out) {
    std::vector<std::unique_ptr<ReachScratch>> scratch;
    std::vector<std::vector<PassingFrame>> frames(search.threads);
    for (int t = 0; t < search.threads; ++t) scratch.emplace_back(new ReachScratch);  // written before read
    collect_passing_frames(search, passing, progress, out, [&](int t) -> ReachScratch& { return *scratch[t]; },
                           [&](int t, std::uint32_t g, int start) { frames[t].push_back({g, start}); });
    if (out.stopped()) return;
    std::vector<PassingFrame> all;
    for (const auto& f : frames) all.insert(all.end(), f.begin(), f.end());
    std::vector<std::vector<FoundPair>> found(search.threads);
    run_workers(search.threads, [&](int t) {
        for (std::size_t i = all.size() * t / search.threads; i < all.size() * (t + 1) / search.threads; ++i)
            pairs_of_frame(search, all[i], found[t]);
    });
    std::vector<FoundPair> pairs;
    for (const auto& f : found) pairs.insert(pairs.end(), f.begin(), f.end());
    std::sort(pairs.begin(), pairs.end(), [](const FoundPair& x, const FoundPair& y) { return x.key < y.key; });
    pairs.erase(std::unique(pairs.begin(), pairs.end(), [](const FoundPair& x, const FoundPair& y) { return x.key == y.key; }),
                pairs.end());

    // The file in order: every combination's text, then its rows.
    const std::unique_ptr<OutputRun> run{new OutputRun};
    const std::uint64_t total = combo_total(search);
    ComboOdometer shown(search);
    long count = 0;
    std::size_t next_pair = 0;
    char buf[256];
    char text[kMaxRowBytes];
    for (std::uint64_t combo = 0; combo < total; ++combo, shown.next()) {
        if ((combo & 0xFFFFu) == 0 && !keep_going(progress, out)) return;
        format_reverse_progress(buf, shown.v, count);
        progress(buf);
        for (; next_pair < pairs.size() && pairs[next_pair].key >> 32 == combo; ++next_pair) {
            const FoundPair& fp = pairs[next_pair];
            Creature c;
            const int f = replay_pair(search, *run, fp.s, static_cast<int>(fp.j), c);
            if (f < 0) continue;
            const std::uint32_t r = kBackwardJumps[fp.j].apply(fp.s);
            out.write(text, static_cast<std::size_t>(
                                format_row_with_nature(text, r, f, c.pid, c.first_word, c.second_word) - text));
            ++count;
        }
    }
}

// Rough costs in nanoseconds: a match of the indexed or scanning way, one
// passing frame's stretch of about 5000 states, one event.
constexpr double kIndexedMatchCost = 1000.0;
constexpr double kScannedMatchCost = 5000.0;
constexpr double kStretchStateCost = 3.0;
constexpr double kEventCost = 40.0;

bool prefer_passing_frames(const Search& search, std::uint64_t passing) {
    const NarrowingRequest& req = search.req;
    if (req.fixed_shiny) return false;
    const double p_words = static_cast<double>(passing) / 1073741824.0;
    double p_step = 1.0;
    if (req.nature != kNoNature) p_step = search.sync_nature ? 0.5 + 0.5 / 25 : 1.0 / 25;
    const double p_shiny = req.shiny ? 8.0 / 65536 : 1.0;
    const double frames = kCycle * p_step * p_words * p_shiny;
    const double events = event_source(search, passing) == EventSource::kShinyPairs
                              ? kShinyPairStates
                              : static_cast<double>(passing) * kStatesPerCombination;
    const double from_frames = events * kEventCost + frames * (kBack + req.max_frames) * kStretchStateCost;
    const double matches = static_cast<double>(passing) * kStatesPerCombination;
    const double from_matches = matches * (passing <= kIndexedLimit ? kIndexedMatchCost : kScannedMatchCost);
    return from_frames < from_matches;
}

}  // namespace

void run_reverse(const Search& search, ProgressRef progress, TextSink& out) {
    const std::uint64_t total = combo_total(search);
    const std::uint64_t passing = combo_passing(search);
    using Way = NarrowingTestHook::ReverseWay;
    if (!search.req.fixed_shiny && (search.reverse_way == Way::kPassingFrames ||
                                 (search.reverse_way == Way::kChosen && prefer_passing_frames(search, passing)))) {
        run_from_passing_frames(search, passing, progress, out);
        return;
    }
    // The matches reached from a match are looked up in an index of all
    // matches when that fits, else found by testing the words around it;
    // the plain replay of every seed is kept for comparison.
    const bool replay = search.reverse_way == NarrowingTestHook::ReverseWay::kReplayEverySeed;
    const bool indexed = !search.req.fixed_shiny && !replay && search.reverse_way != NarrowingTestHook::ReverseWay::kScan &&
                         passing <= kIndexedLimit;
    const std::uint64_t block = indexed ? kIndexedLimit : search.combo_block;
    const std::size_t rows_per_match =
        search.req.fixed_shiny ? static_cast<std::size_t>(std::min(kBack, search.req.max_frames + 1)) : kBack;

    long count = 0;
    ComboOdometer shown(search);
    std::uint64_t next_shown = 0;
    const auto show_through = [&](std::uint64_t combo) {
        char buf[256];
        for (; next_shown <= combo && !out.stopped(); ++next_shown) {
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
        scratch.push_back(std::make_unique<Scratch>());
    }
    MatchList list;
    ComboOdometer collected(search);
    std::uint64_t next_combo = 0;
    while (next_combo < total && keep_going(progress, out)) {
        collect_matches(search, next_combo, collected, block, indexed, list);
        const std::size_t nm = list.states.size();
        std::size_t ci = 0;
        run_rounds(
            threads, nm, kRoundMatches, [&](int t) -> RowBuffer& { return buffers[t]; },
            [&](int t, std::size_t k, std::size_t end) {
                RowBuffer& rb = buffers[t];
                Scratch& sc = *scratch[t];
                if (out.stopped() || !rb.room_for(rows_per_match)) return false;
                if (indexed) {
                    // The index lookups of later matches, ahead of time.
                    constexpr std::uint32_t kBelow = kBack - 4;
                    if (k + 16 < end)
                        __builtin_prefetch(&list.bucket[(list.steps[k + 16] - kBelow) >> MatchList::kBucketShift]);
                    if (k + 8 < end)
                        __builtin_prefetch(
                            &list.index[list.bucket[(list.steps[k + 8] - kBelow) >> MatchList::kBucketShift]]);
                }
                char* text = rb.end();
                const std::uint32_t s = list.states[k];
                std::uint32_t rows;
                if (search.req.fixed_shiny) {
                    rows = fixed_match(search, s, text);
                } else if (replay) {
                    rows = replay_match(search, s, sc, text);
                } else {
                    const int nr = indexed ? reached_from_index(list, list.steps[k], sc) : reached_from_scan(search, s, sc);
                    rows = nr < 0 ? replay_match(search, s, sc, text) : rows_of_match(search, s, nr, sc, text);
                }
                rb.used = static_cast<std::size_t>(text - rb.text.get());
                rb.counts[rb.items_done] = rows;
                return true;
            },
            [&](int t, std::size_t begin) {
                const RowBuffer& rb = buffers[t];
                if (out.stopped()) return;
                for (std::size_t i = 0; i < rb.items_done; ++i) {
                    while (list.begin[ci + 1] <= begin + i) ++ci;
                    show_through(list.combo[ci]);
                    count += rb.counts[i];
                }
                out.write(rb.text.get(), rb.used);
            },
            [&](std::size_t) { return keep_going(progress, out); });
    }
    if (total > 0 && !out.stopped()) show_through(total - 1);
}

}  // namespace vh::narrowing
