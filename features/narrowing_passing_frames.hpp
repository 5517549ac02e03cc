// The frame states whose creature passes the whole request (nature step,
// power, type, minimums, shiny), collected from the rare events that make a
// creature pass: the states carrying two passing individual-value words, or,
// when shiny is wanted and that is rarer, the states carrying a shiny
// personality pair. From each event the frames that end their personality
// search there follow from a short walk back (frames_reaching). Each passing
// frame is handed on as its event state g and the position `start` of its
// first output relative to g (its frame state is at start - 1); for the
// fixed shiny creature the words are outputs F+15, F+16, so start = -14.
#pragma once
#include <atomic>
#include <cstdint>
#include <initializer_list>
#include <vector>

#include "engine/cycle_position.hpp"
#include "engine/state_recovery.hpp"
#include "features/narrowing_internal.hpp"
#include "features/narrowing_reach.hpp"
#include "features/narrowing_word_scan.hpp"

namespace vh::narrowing {

// frames_reaching's buffer for one worker, and the low halves of a scan.
struct ReachScratch {
    int starts[kSeedRunSize + 8];
    std::uint16_t lows[kScanLowsRoom];
};

inline constexpr double kCycle = 4294967296.0;

// Where the events come from: every state carrying two passing words, each
// pair of words looked up (a unit: one pattern of the values' lowest bits)
// or, where many second words pass for each first one, the states of one
// first word scanned for them (a unit: one first word); or every state
// carrying a shiny personality pair (2^19 pairs, one state each on average)
// when that is fewer.
enum class EventSource { kWords, kFirstWords, kShinyPairs };

inline constexpr double kStatesPerCombination = 4.0;  // 2^32 states over 2^30 combinations
inline constexpr double kShinyPairStates = 524288.0;  // 65536 low outputs x 8 high outputs

// The first words with H, A and B of at least the minimums.
inline int first_word_count(const Search& search) {
    int n = 1;
    for (int i = 0; i < 3; ++i) n *= 32 - search.req.min_ivs[i];
    return n;
}

// A scan of one first word costs about this many lookups of a pair of words.
inline constexpr double kScanLookups = 800.0;

inline EventSource event_source(const Search& search, std::uint64_t passing) {
    const double states = static_cast<double>(passing) * kStatesPerCombination;
    if (!search.req.fixed_shiny && search.req.shiny && kShinyPairStates < states) return EventSource::kShinyPairs;
    return static_cast<double>(passing) > first_word_count(search) * kScanLookups ? EventSource::kFirstWords
                                                                                 : EventSource::kWords;
}

// The pattern of the lowest two bits of the six values decides power and
// type; a unit of the word events is one passing pattern.
struct Patterns {
    int count = 0;
    std::uint16_t pattern[4096];
};

inline Patterns passing_patterns(const Search& search) {
    Patterns p;
    for (int pattern = 0; pattern < 4096; ++pattern) {
        int v[6];
        bool in_range = true;
        for (int i = 0; i < 6; ++i) {
            const int bits = (pattern >> (2 * i)) & 3;
            v[i] = search.req.min_ivs[i] + ((bits - search.req.min_ivs[i]) & 3);
            in_range &= v[i] <= 31;
        }
        if (in_range && combo_passes(search, v)) p.pattern[p.count++] = static_cast<std::uint16_t>(pattern);
    }
    return p;
}

// Hands on the frames that end their search at the words of state g, whose
// pair before it passes pair_wanted (or was not tested: frames_reaching
// tests it again).
template <class Emit>
void frames_of_wanted_pair(const Search& search, std::uint32_t g, ReachScratch& w, Emit&& emit) {
    // Forward processing looks up g's cycle position after the walk back.
    __builtin_prefetch(&cycle_lows()[g & 0xFFFFu]);
    std::uint32_t pid;
    // A frame reads at most output table-1; its second word is at position +1.
    const int n = frames_reaching(search, g, 0, 3 - search.table, w.starts, pid);
    for (int i = 0; i < n; ++i) emit(g, w.starts[i]);
}

// The same for any state g. Where a nature or shiny is wanted, most pairs
// end no search: they are passed over before anything else.
template <class Emit>
void reaching_frames(const Search& search, std::uint32_t g, ReachScratch& w, Emit&& emit) {
    if (pairs_filtered(search.req) && !pair_wanted(search, pid_before(g))) return;
    frames_of_wanted_pair(search, g, w, emit);
}

template <class Emit>
void fixed_frame(const Search& search, std::uint32_t g, Emit&& emit) {
    // The words are outputs F+15 and F+16: the frame state is 15 steps before g.
    if (search.shiny_nature_check && !fixed_shiny_nature_passes(search.req, g, false)) return;
    emit(g, -14);
}

template <class Emit>
void word_events(const Search& search, int pattern, ReachScratch& w, Emit&& emit) {
    int lo[6], v[6];
    for (int i = 0; i < 6; ++i) {
        const int bits = (pattern >> (2 * i)) & 3;
        v[i] = lo[i] = search.req.min_ivs[i] + ((bits - search.req.min_ivs[i]) & 3);
    }
    for (;;) {
        const IvStates st = find_iv_states(iv_word(v[0], v[1], v[2]), iv_word(v[3], v[4], v[5]));
        for (int k = 0; k < st.count; ++k) {
            if (search.req.fixed_shiny)
                fixed_frame(search, st.states[k], emit);
            else
                reaching_frames(search, st.states[k], w, emit);
        }
        int i = 5;
        for (; i >= 0; --i) {
            if ((v[i] += 4) <= 31) break;
            v[i] = lo[i];
        }
        if (i < 0) return;
    }
}

// The states of one first word whose successor carries a passing second
// word: unit u is the u-th first word with H, A and B of at least the
// minimums (B fastest), and each low half found gives two states, bit 15 of
// the first word clear and set.
template <class Emit>
void first_word_events(const Search& search, int unit, ReachScratch& w, Emit&& emit) {
    const int* mins = search.req.min_ivs.data();
    const int b_count = 32 - mins[2], a_count = 32 - mins[1];
    const int h = mins[0] + unit / (a_count * b_count), a = mins[1] + unit / b_count % a_count,
              b = mins[2] + unit % b_count;
    const SecondWordTest test = second_word_test(search, h, a, b);
    if (test.patterns == 0) return;
    const std::uint16_t first15 = iv_word(h, a, b);
    const int n = second_word_lows(search.vectors, first15, test, w.lows);
    const std::uint32_t high = std::uint32_t{first15} << 16;
    if (search.req.fixed_shiny) {
        for (const std::uint32_t bit31 : {0u, 0x80000000u})
            for (int i = 0; i < n; ++i) fixed_frame(search, bit31 | high | w.lows[i], emit);
        return;
    }
    if (!pairs_filtered(search.req)) {
        for (const std::uint32_t bit31 : {0u, 0x80000000u})
            for (int i = 0; i < n; ++i) frames_of_wanted_pair(search, bit31 | high | w.lows[i], w, emit);
        return;
    }
    // The pair before each state, tested here: the two states before g are
    // affine in its low half, and bit 15 of the first word flips bit 15 of
    // both their outputs.
    const Jump one_back = kBackwardJumps[1], two_back = kBackwardJumps[2];
    const std::uint32_t first_back = one_back.apply(high), second_back = two_back.apply(high);
    for (int i = 0; i < n; ++i) {
        const std::uint32_t l = w.lows[i];
        const std::uint32_t pid =
            make_pid(output_of(second_back + two_back.mul * l), output_of(first_back + one_back.mul * l));
        if (pair_wanted(search, pid)) frames_of_wanted_pair(search, high | l, w, emit);
        if (pair_wanted(search, pid ^ 0x80008000u)) frames_of_wanted_pair(search, 0x80000000u | high | l, w, emit);
    }
}

inline constexpr int kShinyLowsPerUnit = 256;

template <class Emit>
void shiny_pair_events(const Search& search, int unit, ReachScratch& w, Emit&& emit) {
    const NarrowingRequest& req = search.req;
    const std::uint32_t ids = req.tid ^ req.sid;
    for (std::uint32_t low = unit * kShinyLowsPerUnit; low < (unit + 1u) * kShinyLowsPerUnit; ++low)
        for (std::uint32_t v = 0; v < 8; ++v) {
            const std::uint16_t high = static_cast<std::uint16_t>(low ^ ids ^ v);
            if (req.nature != kNoNature && nature_of(make_pid(static_cast<std::uint16_t>(low), high)) != req.nature)
                continue;
            std::uint32_t states[kMaxPairStates];
            const int n = find_pair_states(static_cast<std::uint16_t>(low), high, states);
            for (int k = 0; k < n; ++k) {
                const std::uint32_t g = kForwardJumps[2].apply(states[k]);
                const Ivs iv = ivs_from_words(output_of(g), output_of(next_seed(g)));
                if (power_and_type_pass(req, iv) && minimums_pass(req, iv)) reaching_frames(search, g, w, emit);
            }
        }
}

// Hands every passing frame to `emit(t, g, start)` on worker t, the work
// split over the request's threads; ends early when the sink stops, polling
// the caller between units.
template <class Scratch, class Emit>
void collect_passing_frames(const Search& search, std::uint64_t passing, ProgressRef progress, TextSink& out,
                            Scratch&& scratch, Emit&& emit) {
    const EventSource source = event_source(search, passing);
    const Patterns patterns = passing_patterns(search);
    const int units = source == EventSource::kShinyPairs   ? 65536 / kShinyLowsPerUnit
                      : source == EventSource::kFirstWords ? first_word_count(search)
                                                           : patterns.count;
    std::atomic<int> next_unit{0};
    run_workers(search.threads, [&](int t) {
        const auto to_worker = [&](std::uint32_t g, int start) { emit(t, g, start); };
        for (int u; !out.stopped() && (u = next_unit.fetch_add(1)) < units;) {
            if (source == EventSource::kShinyPairs)
                shiny_pair_events(search, u, scratch(t), to_worker);
            else if (source == EventSource::kFirstWords)
                first_word_events(search, u, scratch(t), to_worker);
            else
                word_events(search, patterns.pattern[u], scratch(t), to_worker);
            if (t == 0) keep_going(progress, out);  // a unit takes well under 100 ms
        }
    });
}

}  // namespace vh::narrowing
