// Parts shared by the reverse and forward narrowing: row and progress
// formatting, the combinations of six values, the list of matching states,
// the per-thread output buffers and the thread runner.
#pragma once
#include <cstddef>
#include <algorithm>
#include <cstdint>
#include <memory>
#include <system_error>
#include <thread>
#include <vector>

#include "engine/creature.hpp"
#include "engine/initial_seed.hpp"
#include "engine/lcg.hpp"
#include "features/narrowing.hpp"

namespace vh::narrowing {

// ---- text ---------------------------------------------------------------

inline constexpr std::size_t kMaxRowBytes = 96;  // a row is at most about 70 bytes

// Rows end in CR LF; each writer returns the end of what it wrote.
char* format_row_with_nature(char* p, std::uint32_t seed, int frame, std::uint32_t pid, std::uint16_t w1,
                             std::uint16_t w2);
char* format_row_without_nature(char* p, std::uint32_t seed, int frame, std::uint16_t w1, std::uint16_t w2);
void format_reverse_progress(char (&buf)[256], const int (&combo)[6], long count);
void format_forward_progress(char (&buf)[256], int hour, long count);

// ---- request ------------------------------------------------------------

// Integer vectors for the loops: none, 256 bits (AVX2), or 512 bits
// (AVX-512 with byte and word lanes and byte permutes).
enum class Vectors : std::uint8_t { kNone, k256, k512 };

struct Search {
    NarrowingRequest req;
    int threads = 1;
    int table = kSeedRunSize;
    NarrowingTestHook::ForwardWay forward_way = NarrowingTestHook::ForwardWay::kChosen;
    NarrowingTestHook::ReverseWay reverse_way = NarrowingTestHook::ReverseWay::kChosen;
    std::size_t row_buffer = std::size_t{2} << 20;
    std::size_t combo_block = std::size_t{1} << 14;
    // The row buffer for work units of up to `rows` rows each.
    std::size_t row_buffer_for(std::size_t rows) const {
        const std::size_t least = rows * kMaxRowBytes + 4096;
        return row_buffer > least ? row_buffer : least;
    }
    bool sync_nature = false;  // synchronize with a wanted nature
    bool shiny_nature_check = false;  // fixed_shiny_nature_tested for the request
    bool hp_filter = false;           // a power above 30 or a type is wanted
    // Bit p of the 4096: the creatures whose values have bits 0-1 as the
    // hidden power pattern p (hidden_power_pattern) pass power and type.
    std::uint64_t hp_passing[64] = {};
    Vectors vectors = Vectors::kNone;  // the integer vectors the loops use
    bool replay_from_words = false;   // forward: seeds replayed from their passing words
    bool nature_groups = false;       // forward: and taken 256 at a time (NatureGroup)
    bool first_creatures = false;     // forward: the replay's seeds taken 256 at a time to their first creature
};

// The widest integer vectors of the processor that the loops use.
Vectors processor_vectors();

// The search's flags and table that follow from its request: synchronize
// with a wanted nature, the fixed shiny creature's nature test, the power
// and type filter and its table.
void set_request_tests(Search& search);

// The initial seeds the narrowing accepts: hours 0 .. 23, low half at most
// max_low (0 .. 0xFFFF).
inline SeedShape narrowing_shape(int max_low) { return {0, 23, static_cast<std::uint32_t>(max_low)}; }

// The fixed shiny creature's nature test for a match at state s, whose
// sequence reads the 15 outputs before s: the two seed values at positions
// -15 and -14, the bit outputs at -13 .. -1. Reverse processing takes the
// later seed value as the high one, forward processing the earlier.
bool fixed_shiny_nature_passes(const NarrowingRequest& req, std::uint32_t s, bool later_is_high);

// ---- generation and acceptance --------------------------------------------

using Creature = vh::Creature;

enum class FrameResult { kCreature, kNatureFailed, kOutOfRange };

// Whether the fixed shiny creature with personality value `pid` fails its
// nature: only where the request tests it (fixed_shiny_nature_tested).
inline bool fixed_shiny_nature_fails(const Search& search, std::uint32_t pid) {
    return search.shiny_nature_check && nature_of(pid) != search.req.nature;
}

// The creature of one frame under the request's model. `o(i)` is output F+i
// of the seed for frame F: ordinary generation reads from i = 1, the fixed
// shiny creature from i = 0 (its seed values are outputs F and F+1, the
// later one the high value when `later_is_high`). No index above `last` is
// read: a frame that would need one is kOutOfRange.
template <class Outputs>
FrameResult generate_frame(const Search& search, Outputs&& o, long last, bool later_is_high, Creature& c) {
    const NarrowingRequest& req = search.req;
    if (req.fixed_shiny) {
        if (last < kFixedShinyLastRead) return FrameResult::kOutOfRange;
        c = fixed_shiny_creature(o, req.tid, req.sid, later_is_high);
        if (fixed_shiny_nature_fails(search, c.pid)) return FrameResult::kNatureFailed;
        return FrameResult::kCreature;
    }
    const Encounter e = encounter_pid(o, req.nature, req.sync, last, true);
    if (e.status == Encounter::kOutOfRange) return FrameResult::kOutOfRange;
    if (e.status == Encounter::kNatureFailed) return FrameResult::kNatureFailed;
    c.pid = e.pid;
    c.first_word = o(e.iv_pos);
    c.second_word = o(e.iv_pos + 1);
    return FrameResult::kCreature;
}

// The acceptance test in two halves: a failed power or type ends a seed in
// forward processing, the rest only fails the frame.
inline bool power_and_type_pass(const NarrowingRequest& req, const Ivs& iv) {
    if (hidden_power_power(iv) < req.min_power) return false;
    return req.hp_type == -1 || hidden_power_type(iv) == req.hp_type;
}
// Bits 0-1 of H, A, B, S, C, D of the words' values, as bits 0-1, 2-3, ...,
// 10-11: all that the hidden power reads.
inline unsigned hidden_power_pattern(std::uint16_t w1, std::uint16_t w2) {
    return (w1 & 3u) | (w1 >> 3 & 0xCu) | (w1 >> 6 & 0x30u) | (w2 & 3u) << 6 | (w2 << 3 & 0x300u) | (w2 & 0xC00u);
}
// power_and_type_pass of the words' creature, by the search's table.
inline bool power_and_type_pass(const Search& search, std::uint16_t w1, std::uint16_t w2) {
    const unsigned p = hidden_power_pattern(w1, w2);
    return (search.hp_passing[p >> 6] >> (p & 63) & 1u) != 0;
}
inline bool minimums_pass(const int* mins, const Ivs& iv) {
    for (int i = 0; i < 6; ++i)
        if (iv[i] < mins[i]) return false;
    return true;
}
inline bool minimums_pass(const NarrowingRequest& req, const Ivs& iv) { return minimums_pass(req.min_ivs.data(), iv); }
inline bool minimums_and_shiny_pass(const NarrowingRequest& req, std::uint32_t pid, const Ivs& iv) {
    return minimums_pass(req, iv) && (!req.shiny || is_shiny(pid, req.tid, req.sid));
}

bool combo_passes(const Search& search, const int (&v)[6]);
std::uint64_t combo_total(const Search& search);
// Combinations at least the minimums that pass the power and type filter,
// counted from the lowest two bits of each value.
std::uint64_t combo_passing(const Search& search);

// The combinations in order, H outermost and D innermost.
struct ComboOdometer {
    int v[6];
    int lo[6];
    explicit ComboOdometer(const Search& search) {
        for (int i = 0; i < 6; ++i) v[i] = lo[i] = search.req.min_ivs[i];
    }
    void next() {
        for (int i = 5; i >= 0; --i) {
            if (++v[i] <= 31) return;
            v[i] = lo[i];
        }
    }
};

// ---- matching states ------------------------------------------------------

// The states whose output carries a passing combination (first word, bit 15
// free) and whose successor's output carries its second word, for a run of
// passing combinations, in the order of a literal scan.
struct MatchList {
    std::vector<std::uint64_t> combo;   // combination index of each passing combination in the list
    std::vector<std::uint32_t> begin;   // its first match; begin[combo.size()] = states.size()
    std::vector<std::uint32_t> states;
};

// Collects passing combinations from `next_combo` on (advancing it) until
// `limit` are held or the combinations run out, and finds their matches.
void collect_matches(const Search& search, std::uint64_t& next_combo, ComboOdometer& odo, std::uint64_t limit,
                     MatchList& list);

// ---- threads and buffers --------------------------------------------------

inline constexpr int kMaxThreads = 8;

template <class F>
void run_workers(int threads, F&& f) {
    if (threads <= 1) {
        f(0);
        return;
    }
    std::thread pool[kMaxThreads];
    bool inline_run[kMaxThreads] = {};
    for (int t = 1; t < threads; ++t) {
        try {
            pool[t] = std::thread([&f, t] { f(t); });
        } catch (const std::system_error&) {
            inline_run[t] = true;  // no thread to be had: the work is done here
        }
    }
    f(0);
    for (int t = 1; t < threads; ++t) {
        if (inline_run[t])
            f(t);
        else
            pool[t].join();
    }
}

// One worker's rows of a round: their text and a count per item.
struct RowBuffer {
    explicit RowBuffer(std::size_t bytes, std::size_t items)
        : text(new char[bytes]), cap(bytes), counts(new std::uint32_t[items]), item_cap(items) {}
    std::unique_ptr<char[]> text;
    std::size_t cap;
    std::size_t used = 0;
    std::unique_ptr<std::uint32_t[]> counts;
    std::size_t item_cap;
    std::size_t items_done = 0;
    bool room_for(std::size_t rows) const { return cap - used >= rows * kMaxRowBytes; }
    char* end() { return text.get() + used; }
};

// Items 0 .. n-1 in file order, in rounds of at most `per_worker` items per
// worker (and never more than a row buffer has counts for). Each worker t
// takes a contiguous share of the round into `buffer(t)`: `work(t, i, end)`
// writes item i (its share ends before `end`) and its row count, and returns
// false, leaving the item undone, when the buffer has no room. The shares
// are handed to `take(t, first)` in worker order up to the first worker that
// stopped early, and the next round goes on from its first undone item;
// `after(next)` runs at the end of every round and returns false to end.
template <class Buffer, class Work, class Take, class After>
void run_rounds(int threads, std::size_t n, std::size_t per_worker, Buffer&& buffer, Work&& work, Take&& take,
                After&& after) {
    per_worker = std::min(per_worker, buffer(0).item_cap);
    std::size_t next = 0;
    while (next < n) {
        const std::size_t round = std::min(n - next, static_cast<std::size_t>(threads) * per_worker);
        const auto first = [&](int t) { return next + round * static_cast<std::size_t>(t) / threads; };
        run_workers(threads, [&](int t) {
            RowBuffer& rows = buffer(t);
            rows.used = 0;
            rows.items_done = 0;
            const std::size_t end = first(t + 1);
            for (std::size_t i = first(t); i < end && work(t, i, end); ++i) ++rows.items_done;
        });
        std::size_t next_round = next + round;
        for (int t = 0; t < threads; ++t) {
            take(t, first(t));
            const std::size_t done = first(t) + buffer(t).items_done;
            if (done < first(t + 1)) {
                next_round = done;  // this worker ran out of room; go on from there
                break;
            }
        }
        next = next_round;
        if (!after(next)) return;
    }
}

// Asks the caller (on its thread) whether to go on; a no stops the sink.
// True while the search goes on.
inline bool keep_going(ProgressRef progress, TextSink& out) {
    if (!out.stopped() && !progress.poll()) out.stop();
    return !out.stopped();
}

void run_reverse(const Search& search, ProgressRef progress, TextSink& out);
void run_forward(const Search& search, ProgressRef progress, TextSink& out);

}  // namespace vh::narrowing
