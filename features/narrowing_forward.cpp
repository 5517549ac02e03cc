// Forward processing.
//
// A frame's creature depends only on its frame state, the generator state F
// steps after the initial seed (the frame reads the outputs after it), and
// not on the seed: the one exception is the table of outputs kept per seed,
// which a frame must not read past. So the frame states whose creature passes
// the whole request are collected once, as their positions on the
// generator's cycle (the pass set), from the rare events that make a creature
// pass: the states that carry two passing individual-value words, or, when
// shiny is wanted and that is rarer, the states that carry a shiny
// personality pair. From each event the frames that end their personality
// search there follow from a short backward walk (frames_reaching).
//
// A seed at cycle position D then has its lowest passing frame at the first
// pass-set position in [D, D + maximum frames]. The seeds of a few hours are
// visited in increasing cycle position (see HourSeeds), so one walk through
// the pass set, kept in buckets by the position's top byte and sorted
// within each, answers them all. Each entry carries the steps from its frame
// state to the words, so the row's creature is read from there without a
// new personality search. When a power or type is wanted, a failing frame
// before it would end the seed, so such seeds are replayed from frame 0
// instead, as are seeds whose found frame reads past the table. The rows are
// made by every thread into a ring of slots and written in file order by the
// calling thread meanwhile (make_and_write).
//
// Where the pass set is small, its seeds are found instead by stepping back
// from each entry over the frames (seeds_reaching). Where most frames pass,
// the pass set would be most of the cycle: there every seed is replayed
// frame by frame instead (replay_every_seed), or from its words, or, with a
// wanted nature and few passing words, 256 seeds at a time (NatureGroup);
// with a power or type filter that few creatures pass, most seeds end at
// their first creature, which is found 256 seeds at a time
// (FirstCreatures).
#include <algorithm>
#include <cmath>
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <cstring>

#include "engine/cycle_position.hpp"
#include "engine/output_run.hpp"
#include "features/narrowing_first_creatures.hpp"
#include "features/narrowing_internal.hpp"
#include "features/narrowing_nature_groups.hpp"
#include "features/narrowing_pass_set.hpp"
#include "features/narrowing_passing_frames.hpp"
#include "features/narrowing_replay.hpp"

namespace vh::narrowing {

namespace {

constexpr std::uint16_t kNoFrame = 0xFFFF;
constexpr std::size_t kLowsPerItem = 1;  // a work item of the row writing: one low half, 256 seeds
constexpr std::size_t kItemsPerRound = 48;
constexpr std::size_t kSlotLows = 16;  // low halves per item of the rows from the pass set

// ---- one seed, frame by frame ----------------------------------------------

struct SeedWork {
    SeedReplay replay;
    OutputRun run;
    NatureGroup group;
    FirstCreatures first;
};

// The row of seed r by evaluating frames first .. last in order (the
// earlier ones known to give no row and not to end the seed); its frame or
// -1.
int replay_seed(const Search& search, SeedWork& w, std::uint32_t r, int last, Creature& c, int first = 0) {
    if (search.replay_from_words) return w.replay.row_frame_from_words(search, r, last, search.table - 1, c);
    return w.replay.row_frame(search, r, last, search.table - 1, ReplayRules::kForward, c, first);
}

// The row of seed r whose lowest passing frame f cannot be read from its
// pass-set entry: regenerated, or the seed replayed. Out of line, so that
// the replay does not swell the pass set's loop over its seeds.
[[gnu::noinline]] int row_frame_regenerated(const Search& search, SeedWork& w, std::uint32_t r, int f, Creature& c) {
    if (!search.hp_filter) {
        // Frames before f have no creature that passes, and none of them
        // can end the seed: f is the row unless it reads past the table.
        w.run.start(kForwardJumps[f].apply(r));
        const auto o = [&](long i) { return w.run(i); };
        if (generate_frame(search, o, search.table - 1 - f, false, c) == FrameResult::kCreature) return f;
    }
    return replay_seed(search, w, r, search.req.max_frames, c);
}

// The row of seed r whose lowest passing frame is f by its cycle position;
// `offset` is the steps from f's frame state to the state carrying its
// words, or kRegenerate.
int row_frame(const Search& search, SeedWork& w, std::uint32_t r, int f, std::uint32_t offset, Creature& c) {
    if (!search.hp_filter && offset != kRegenerate &&
        std::int64_t{f} + offset + 1 <= std::int64_t{search.table} - 1) {
        // The frame's creature, its personality value the two outputs
        // before the words; it reads nothing past the table.
        c = creature_at_words(kForwardJumps[static_cast<std::size_t>(f) + offset].apply(r));
        return f;
    }
    return row_frame_regenerated(search, w, r, f, c);
}

// ---- seeds in cycle order --------------------------------------------------

// The seeds of one hour and low half share the low 24 bits of their cycle
// positions; the top byte k of the seed moves the position's top byte to
// (first_block + k x move_inv) mod 256, a different block for each k.
struct SeedGroup {
    std::uint32_t low24;      // cycle position mod 2^24 of all 256 seeds
    std::uint32_t seeds;      // index of the seed with top byte 0 in HourSeeds' tables
    std::uint8_t first_block; // position's top byte of the seed with top byte 0
    std::uint8_t move;        // top byte of the seed in block j: (j - first_block) x move
};

// The seeds of a few hours at once where the pass set is dense: each pass
// over it answers them all, and the seeds of one hour lie about 4096
// positions apart, of more hours closer, so that a pass skips fewer entries
// per seed. Where it is sparse, a pass costs about one step per seed, and
// the seeds' frames of one hour stay closer in the caches.
constexpr int kHoursPerPass = 4;

struct HourSeeds {
    HourSeeds(const Search& search, const PassSet& set) {
        const std::size_t per_hour = static_cast<std::size_t>(search.req.max_low) + 1;
        // At least one entry, on average, between the seeds of one hour in a block.
        hours_per_pass = set.total >= 256 * per_hour ? kHoursPerPass : 1;
        const std::size_t seeds = static_cast<std::size_t>(hours_per_pass) * per_hour << 8;
        frame.reset(new std::uint16_t[seeds]);  // every entry is written before it is read
        offset.reset(new std::uint8_t[seeds]);
    }
    int hours_per_pass;
    int first_hour = 0;
    std::vector<SeedGroup> groups;  // by increasing low24
    // [((hour - first_hour) x (maximum low half + 1) + low) x 256 + top]:
    std::unique_ptr<std::uint16_t[]> frame;  // lowest passing frame or kNoFrame
    std::unique_ptr<std::uint8_t[]> offset;  // its pass-set entry's steps to the words
};

void order_hours(const Search& search, int first_hour, int hours, HourSeeds& h) {
    const CycleLow* lows = cycle_lows();
    const std::uint32_t per_hour = static_cast<std::uint32_t>(search.req.max_low) + 1;
    h.first_hour = first_hour;
    h.groups.resize(static_cast<std::size_t>(hours) * per_hour);
    for (int i = 0; i < hours; ++i)
        for (std::uint32_t low = 0; low < per_hour; ++low) {
            const CycleLow& c = lows[low];
            // The seed with top byte 0 has high half `hour`.
            const std::uint32_t hour = static_cast<std::uint32_t>(first_hour + i);
            const std::uint32_t laps = (hour - c.high) * std::uint32_t{c.move_inv} & 0xFFFFu;
            h.groups[i * per_hour + low] = {(laps & 0xFFu) << 16 | c.steps, (i * per_hour + low) << 8,
                                            static_cast<std::uint8_t>(laps >> 8), static_cast<std::uint8_t>(c.move)};
        }
    std::sort(h.groups.begin(), h.groups.end(),
              [](const SeedGroup& x, const SeedGroup& y) { return x.low24 < y.low24; });
}

// The entries of a bucket below `low24` among the eight from `e` on.
inline std::uint32_t eight_below(const std::uint32_t* e, std::uint32_t low24) {
    std::uint32_t n = 0;
    for (int i = 0; i < 8; ++i) n += (e[i] & kLow24) < low24;
    return n;
}

// Fills the frames of the seeds of groups [first, end) (in order of their
// positions), each group across all 256 blocks of the cycle, so that a
// group's 256 frames are written together and by one thread; each block
// keeps its place in its bucket, from the first entry not below the first
// group on.
void find_frames(const Search& search, const PassSet& set, HourSeeds& h, std::size_t first, std::size_t end) {
    const std::uint32_t max_frames = static_cast<std::uint32_t>(search.req.max_frames);
    if (first >= end) return;
    // Per block its bucket's entries chunk by chunk: `at` the first not
    // below the seeds' position, or `at == chunk_end` past the last chunk.
    struct Place {
        const std::uint32_t* at = nullptr;
        const std::uint32_t* chunk_end = nullptr;
        std::size_t chunk = 0;
        bool more = false;
    };
    Place places[256];
    const auto open_chunk = [&](int block, Place& p) {
        const PassBucket& bucket = set.bucket[block];
        const std::size_t from = p.chunk << kChunkBits;
        if (from >= bucket.size) return false;
        p.at = bucket.chunks[p.chunk].get();
        p.chunk_end = p.at + std::min(kChunkEntries, bucket.size - from);
        return true;
    };
    for (int block = 0; block < 256; ++block) {
        Place& p = places[block];
        const std::size_t i = set.bucket[block].lower_bound(h.groups[first].low24);
        p.chunk = i >> kChunkBits;
        p.more = open_chunk(block, p);
        if (p.more) p.at += i & (kChunkEntries - 1);
    }
    for (std::size_t gi = first; gi < end; ++gi) {
        const SeedGroup& g = h.groups[gi];
        for (int block = 0; block < 256; ++block) {
            Place& p = places[block];
            while (p.more) {
                // Sorted entries: those below are a prefix; the seeds of
                // several hours lie only a few entries apart, where the set
                // is sparse mostly none.
                if (p.at < p.chunk_end && (*p.at & kLow24) >= g.low24) break;
                if (p.chunk_end - p.at >= 8) {
                    const std::uint32_t below = eight_below(p.at, g.low24);
                    p.at += below;
                    if (below < 8) break;
                    continue;
                }
                while (p.at < p.chunk_end && (*p.at & kLow24) < g.low24) ++p.at;
                if (p.at < p.chunk_end) break;
                ++p.chunk;
                p.more = open_chunk(block, p);
            }
            // Past the bucket's last entry the window goes on into the next.
            std::uint32_t frames = 0xFFFFFFFFu;
            std::uint32_t tag = kRegenerate;
            if (p.more) {
                frames = (*p.at & kLow24) - g.low24;
                tag = *p.at >> 24;
            } else if (set.total > 0) {
                frames = set.next_after[block] - (static_cast<std::uint32_t>(block) << 24 | g.low24);
                tag = set.next_tag[block];
            }
            const std::uint32_t top = (static_cast<std::uint32_t>(block - g.first_block) * g.move) & 0xFFu;
            const std::size_t seed = g.seeds | top;
            h.frame[seed] = frames <= max_frames ? static_cast<std::uint16_t>(frames) : kNoFrame;
            h.offset[seed] = static_cast<std::uint8_t>(tag);
        }
    }
}

struct RowWorker {
    // Counts for a round of low halves, or of single seeds as many as fit.
    explicit RowWorker(const Search& search)
        : rows(search.row_buffer_for(256 * kLowsPerItem),
               std::max(kItemsPerRound, search.row_buffer_for(256 * kLowsPerItem) / kMaxRowBytes)) {}
    RowBuffer rows;
    std::unique_ptr<SeedWork> seed{new SeedWork};  // not zeroed: every entry is written before it is read
};

void send_hour(ProgressRef progress, TextSink& out, int hour, long count) {
    if (out.stopped()) return;
    char buf[256];
    format_forward_progress(buf, hour, count);
    progress(buf);
}

// ---- rows written in file order while they are made ------------------------

// Items 0 .. n-1 are made into a ring of slots by all threads and written in
// order by the calling thread, which makes items itself while the next one
// to write is not ready: the writing overlaps the making, and the threads
// start once for the whole run of items. `make(t, i, text)` writes the rows
// of item i on thread t from `text` on (at most `slot_bytes`), moves `text`
// to their end and returns their number; `before(i, rows)` runs on the
// calling thread before item i is written and returns false to end.
struct RowSlot {
    std::unique_ptr<char[]> text;
    std::size_t used = 0;
    std::uint32_t rows = 0;
    std::size_t item = SIZE_MAX;  // the item it holds
};

template <class Make, class Before>
void make_and_write(int threads, std::size_t n, std::size_t slot_bytes, TextSink& out, Make&& make, Before&& before) {
    const std::size_t ring = 4 * static_cast<std::size_t>(threads);
    std::vector<RowSlot> slots(ring);
    for (RowSlot& slot : slots) slot.text.reset(new char[slot_bytes]);  // written before read
    std::mutex lock;
    std::condition_variable changed;
    std::size_t next = 0;     // the first item not yet taken
    std::size_t written = 0;  // items written
    bool ended = false;
    // Takes the next item once its slot is free; false when none is left.
    const auto take = [&](std::unique_lock<std::mutex>& held, std::size_t& i) {
        if (ended || next >= n || out.stopped()) return false;
        i = next++;
        changed.wait(held, [&] { return ended || i < ring || written > i - ring; });
        return !ended;
    };
    const auto fill = [&](int t, std::size_t i) {
        RowSlot& slot = slots[i % ring];
        char* end = slot.text.get();
        slot.rows = make(t, i, end);
        slot.used = static_cast<std::size_t>(end - slot.text.get());
        {
            const std::lock_guard<std::mutex> hold(lock);
            slot.item = i;
        }
        changed.notify_all();
    };
    run_workers(threads, [&](int t) {
        std::unique_lock<std::mutex> held(lock);
        if (t != 0) {
            for (std::size_t i; take(held, i);) {
                held.unlock();
                fill(t, i);
                held.lock();
            }
            return;
        }
        while (!ended && written < n && !out.stopped()) {
            RowSlot& slot = slots[written % ring];
            if (slot.item == written) {
                held.unlock();
                const bool go_on = before(written, slot.rows);
                if (go_on) out.write(slot.text.get(), slot.used);
                held.lock();
                ended = !go_on;
                ++written;
                changed.notify_all();
                continue;
            }
            // Not ready: make an item here, or wait for the one being made
            // (the next one to write is always taken: its slot is free). An
            // item's slot is free once the item a ring before it is written,
            // which only this thread does.
            if (next < n && (next < ring || written > next - ring)) {
                const std::size_t i = next++;
                held.unlock();
                fill(0, i);
                held.lock();
            } else {
                changed.wait(held, [&] { return ended || slot.item == written; });
            }
        }
        ended = true;
        changed.notify_all();
    });
}

// The rows of the seeds of hours first .. first + hours - 1, in items of
// kSlotLows low halves of one hour, made and written in file order, each
// hour's text but the first's before its rows (the caller sends the first).
// `row_of(t, hour_index, low, r, c)` gives seed r's row frame and creature
// on thread t, or -1.
template <class RowOf>
void write_hours(const Search& search, ProgressRef progress, TextSink& out, int first, int hours, long& count,
                 RowOf&& row_of) {
    const std::size_t per_hour = static_cast<std::size_t>(search.req.max_low) + 1;
    const std::size_t items_per_hour = (per_hour + kSlotLows - 1) / kSlotLows;
    const auto make = [&](int t, std::size_t item, char*& text) {
        const int hour_index = static_cast<int>(item / items_per_hour);
        const std::uint32_t hour = static_cast<std::uint32_t>(first + hour_index);
        const std::size_t low_lo = item % items_per_hour * kSlotLows;
        const std::size_t low_hi = std::min(per_hour, low_lo + kSlotLows);
        std::uint32_t rows = 0;
        for (std::size_t low = low_lo; low < low_hi; ++low)
            for (std::uint32_t top = 0; top <= 255; ++top) {
                const std::uint32_t r = top << 24 | hour << 16 | static_cast<std::uint32_t>(low);
                Creature c;
                const int f = row_of(t, hour_index, static_cast<std::uint32_t>(low), r, c);
                if (f < 0) continue;
                text = format_row_with_nature(text, r, f, c.pid, c.first_word, c.second_word);
                ++rows;
            }
        return rows;
    };
    const auto before = [&](std::size_t item, std::uint32_t rows) {
        if (item > 0 && item % items_per_hour == 0)
            send_hour(progress, out, first + static_cast<int>(item / items_per_hour), count);
        if (!keep_going(progress, out)) return false;
        count += rows;
        return true;
    };
    make_and_write(search.threads, static_cast<std::size_t>(hours) * items_per_hour, kSlotLows * 256 * kMaxRowBytes,
                   out, make, before);
}

// ---- few passing frame states: their seeds found backward --------------------

// A seed with a frame that reaches the pass set: the seed in file order
// (hour, low half, top byte), then the frame (at most 2500).
constexpr int kFrameBits = 12;
std::uint64_t found_key(std::uint32_t r, int frame) {
    const std::uint32_t order = ((r >> 16) & 0xFFu) << 24 | (r & 0xFFFFu) << 8 | r >> 24;
    return std::uint64_t{order} << kFrameBits | static_cast<std::uint32_t>(frame);
}
std::uint32_t key_seed(std::uint64_t key) {
    const std::uint32_t k = static_cast<std::uint32_t>(key >> kFrameBits);
    return (k & 0xFFu) << 24 | (k >> 24) << 16 | ((k >> 8) & 0xFFFFu);
}
int key_frame(std::uint64_t key) { return static_cast<int>(key & ((1u << kFrameBits) - 1)); }
int key_hour(std::uint64_t key) { return static_cast<int>(key >> (kFrameBits + 24)); }

// Per seed its lowest frame whose frame state is in the set, in file order.
std::vector<std::uint64_t> seeds_reaching(const Search& search, const PassSet& set) {
    std::vector<std::vector<std::uint64_t>> found(search.threads);
    const SeedShape shape = narrowing_shape(search.req.max_low);
    run_workers(search.threads, [&](int t) {
        for (int b = 256 * t / search.threads; b < 256 * (t + 1) / search.threads; ++b)
            for (std::size_t i = 0; i < set.bucket[b].size; ++i) {
                const std::uint32_t position = static_cast<std::uint32_t>(b) << 24 | (set.bucket[b][i] & kLow24);
                // Frame f's frame state lies f steps after its seed.
                seeds_before(next_seed(advance(0, position)), search.req.max_frames + 1, shape,
                             [&](int j, std::uint32_t r) {
                                 found[t].push_back(found_key(r, j - 1));
                                 return true;
                             });
            }
    });
    std::vector<std::uint64_t> keys;
    for (const auto& f : found) keys.insert(keys.end(), f.begin(), f.end());
    std::sort(keys.begin(), keys.end());
    keys.erase(std::unique(keys.begin(), keys.end(),
                           [](std::uint64_t x, std::uint64_t y) { return x >> kFrameBits == y >> kFrameBits; }),
               keys.end());
    return keys;
}

void write_found_seeds(const Search& search, const std::vector<std::uint64_t>& keys, ProgressRef progress,
                       TextSink& out, std::vector<std::unique_ptr<RowWorker>>& workers) {
    long per_hour[24] = {};
    int next_hour = 0;
    // Each hour's text counts the rows of the hours before it, complete by then.
    const auto show_through = [&](int through) {
        for (; next_hour <= through && !out.stopped(); ++next_hour) {
            long count = 0;
            for (int h = 0; h < next_hour; ++h) count += per_hour[h];
            send_hour(progress, out, next_hour, count);
        }
    };
    const std::size_t n = keys.size();
    if (n > 0) show_through(key_hour(keys[0]));
    run_rounds(
        search.threads, n, workers[0]->rows.item_cap, [&](int t) -> RowBuffer& { return workers[t]->rows; },
        [&](int t, std::size_t i, std::size_t) {
            RowBuffer& rows = workers[t]->rows;
            if (out.stopped() || !rows.room_for(1)) return false;
            const std::uint32_t r = key_seed(keys[i]);
            Creature c;
            const int f = row_frame(search, *workers[t]->seed, r, key_frame(keys[i]), kRegenerate, c);
            if (f >= 0)
                rows.used = static_cast<std::size_t>(
                    format_row_with_nature(rows.end(), r, f, c.pid, c.first_word, c.second_word) - rows.text.get());
            rows.counts[rows.items_done] = f >= 0;
            return true;
        },
        [&](int t, std::size_t first) {
            const RowBuffer& rows = workers[t]->rows;
            if (out.stopped()) return;
            for (std::size_t i = 0; i < rows.items_done; ++i) per_hour[key_hour(keys[first + i])] += rows.counts[i];
            out.write(rows.text.get(), rows.used);
        },
        [&](std::size_t next) {
            if (!keep_going(progress, out)) return false;
            if (next < n) show_through(key_hour(keys[next]));
            return true;
        });
    show_through(23);
}

void run_pass_set(const Search& search, std::uint64_t passing, ProgressRef progress, TextSink& out,
                  std::vector<std::unique_ptr<RowWorker>>& workers) {
    PassSet set;
    const bool built = build_pass_set(search, passing, progress, out, set);
    if (!built || !keep_going(progress, out)) return;
    // Few entries: stepping back from each over the frames touches fewer
    // states than visiting every seed.
    const double seeds = 24.0 * 256.0 * (search.req.max_low + 1);
    if (static_cast<double>(set.total) * (search.req.max_frames + 1) < seeds) {
        write_found_seeds(search, seeds_reaching(search, set), progress, out, workers);
        return;
    }
    HourSeeds h(search, set);
    const std::size_t per_hour = static_cast<std::size_t>(search.req.max_low) + 1;
    long count = 0;
    for (int first = 0; first <= 23 && keep_going(progress, out); first += h.hours_per_pass) {
        send_hour(progress, out, first, count);
        const int hours = std::min(h.hours_per_pass, 24 - first);
        order_hours(search, first, hours, h);
        run_workers(search.threads, [&](int t) {
            const std::size_t n = h.groups.size(), threads = static_cast<std::size_t>(search.threads);
            find_frames(search, set, h, n * static_cast<std::size_t>(t) / threads,
                        n * static_cast<std::size_t>(t + 1) / threads);
        });
        write_hours(search, progress, out, first, hours, count,
                    [&](int t, int hour_index, std::uint32_t low, std::uint32_t r, Creature& c) {
                        const std::size_t seed = (static_cast<std::size_t>(hour_index) * per_hour + low) << 8 | r >> 24;
                        if (h.frame[seed] == kNoFrame) return -1;
                        return row_frame(search, *workers[t]->seed, r, h.frame[seed], h.offset[seed], c);
                    });
    }
}

// Every seed replayed frame by frame (or from its words).
void replay_every_seed(const Search& search, ProgressRef progress, TextSink& out,
                       std::vector<std::unique_ptr<RowWorker>>& workers) {
    if (!keep_going(progress, out)) return;
    long count = 0;
    send_hour(progress, out, 0, count);
    if (!search.nature_groups && !search.first_creatures) {
        write_hours(search, progress, out, 0, 24, count, [&](int t, int, std::uint32_t, std::uint32_t r, Creature& c) {
            return replay_seed(search, *workers[t]->seed, r, search.req.max_frames, c);
        });
        return;
    }
    // The seeds of a low half evaluated at once by `evaluate(w, r)`, at top
    // byte 0 (write_hours asks for them in order of their top byte on one
    // thread); `answer(w, k, r, c)` gives the row frame and creature of
    // seed r (top byte k), or kUnsettled for the replay, which starts at
    // frame `resume(w, k)`.
    static_assert(NatureGroup::kUnsettled == FirstCreatures::kUnsettled);
    constexpr int kUnsettled = FirstCreatures::kUnsettled;
    const auto by_groups = [&](auto&& evaluate, auto&& answer, auto&& resume) {
        write_hours(search, progress, out, 0, 24, count, [&](int t, int, std::uint32_t, std::uint32_t r, Creature& c) {
            SeedWork& w = *workers[t]->seed;
            const unsigned k = r >> 24;
            if (k == 0) evaluate(w, r);
            const int f = answer(w, k, r, c);
            return f == kUnsettled ? replay_seed(search, w, r, search.req.max_frames, c, resume(w, k)) : f;
        });
    };
    if (search.first_creatures) {
        by_groups([&](SeedWork& w, std::uint32_t r) { w.first.run(search, r); },
                  [](SeedWork& w, unsigned k, std::uint32_t, Creature& c) {
                      const int f = w.first.frame(k);
                      if (f >= 0) c = w.first.creature(k);
                      return f;
                  },
                  [](SeedWork& w, unsigned k) { return w.first.resume_frame(k); });
        return;
    }
    const NatureGroupTables tables(search);
    by_groups([&](SeedWork& w, std::uint32_t r) { w.group.run(tables, r); },
              [](SeedWork& w, unsigned k, std::uint32_t r, Creature& c) {
                  const int f = w.group.frame(k);
                  if (f >= 0)
                      c = creature_at_words(kForwardJumps[static_cast<std::size_t>(w.group.words_at(k))].apply(r));
                  return f;
              },
              [](SeedWork&, unsigned) { return 0; });
}

// ---- choosing the way --------------------------------------------------------

// Rough costs in nanoseconds, measured on the timing program's requests.
constexpr double kFrameStepCost = 4.0;       // a frame's nature step in the replay
constexpr double kFrameSearchCost = 10.0;    // a personality search and its words
constexpr double kWordEventCost = 40.0;      // one state carrying two passing words, with its walk
constexpr double kWordsSeedCost = 350.0;     // a seed replayed from its words, without the walks
// A seed is replayed from its passing words (without a power or type
// filter) where it would run this many personality searches frame by
// frame: all six minimums 12 (about 17 searches) ran faster frame by frame,
// 14 (about 32) from the words; with a wanted nature and synchronize,
// minimums 0 (about 13) frame by frame, 5 (about 36) from the words.
constexpr double kSearchesForWords = 24.0;
// With a wanted nature and no synchronize the frames between those of the
// nature are skipped at once, but the replay from the words reads about 75
// positions past the row instead of 190 and walks back only from words
// after a pair of the nature: minimums 5 (about 3 searches) ran faster
// frame by frame, 10 (about 9.5) from the words.
constexpr double kNatureSearchesForWords = 6.0;
// Where a nature is wanted, the seeds replayed from their words are taken
// 256 at a time where at most this share of the pairs of words pass. With
// nature 3 (whole runs, two threads), all six minimums 11 (8% pass) took
// 2.11 s against 2.38 with synchronize and 12 (6%) 1.79 against 2.14
// without; 10 (11%) 2.67 against 2.39 and 2.44 against 2.21. That was with
// 512-bit vectors; with 256-bit ones the replay from the words loses more
// than the groups do: minimums 10 took 3.1-3.3 s against 4.5-4.8, 8 (18%)
// 4.1-4.3 against 4.8-5.0, 6 (29%) about the same; and they beat the
// replay frame by frame too: without synchronize, minimums 8 took 3.8 s
// against 5.5-5.7.
constexpr double kGroupsMostPassing = 0.09, kGroupsMostPassingNarrow = 0.2;
// They are also taken where they cost less than the pass set: a seed
// costs about the first in the pass set's units, plus the second times the
// share of passing pairs of words. The pass set's estimate is about 0.7 ns
// of a run's time a unit with synchronize and 0.28 without, hence two
// pairs. With synchronize and minimums 17 they took 0.54 s against the pass
// set's 1.44, 20 0.38 against 0.44, 21 0.33 either way; without, 15 0.82
// against 1.09, 17 0.56 either way, 20 about 0.35 against 0.27.
constexpr double kGroupSeedCost = 13.0, kGroupPassingCost = 1600.0;
constexpr double kGroupSeedCostNoSync = 31.0, kGroupPassingCostNoSync = 3800.0;
// The fixed shiny creature without a power or type filter is replayed from
// its passing words and the nature bits its seed's group shares: a block of
// 128 positions of a seed costs about this much (all six minimums 24 and
// nature 3, rows rare, three blocks a seed: 0.59 s). With nature 3 and
// minimums 16 the replay took 0.82 s against the pass set's 1.01, with 17
// 0.89 against 0.78.
constexpr double kFixedShinyBlockCost = 25.0;
// With a power or type filter each seed walks the frames of the wanted
// nature that its reference lists, reading two words a frame, until one
// ends it: about this much a seed and a frame walked (IDs 1/2, whole runs,
// two threads: nature 3, type 5, minimums 12, about one frame a seed, 0.21
// s; power at least 40, minimums 20, about four frames, 0.49 s; at least
// 31, about 29 frames, 3.4 s).
constexpr double kFixedListSeedCost = 15.0, kFixedListFrameCost = 8.0;
// The pass set replays each of its seeds when a power or type is wanted; for
// the fixed shiny creature that costs about this much a seed above the pass
// set's own estimate. Single thread, no file, IDs 1/2, the replay against
// the pass set: power at least 40 and minimums 20 (11.7M seeds with a
// frame in the pass set), 1.39 s against 1.90; 50 and 18 (17.7M), 0.66
// against 2.04; 60 and 22 (2.4M), 0.53 against 0.68; type 5, power 45,
// minimums 15 (7.2M), 0.49 against 0.84; type 3, minimums 20 (1.3M), 0.38
// against 0.34; minimums 25 (47,000), 0.61 against 0.04; nature 3, power
// 40, minimums 20 (0.6M), 1.37 against 0.62. The estimate above them was
// 64 to 290 ns a seed replayed; this one picks the faster way in all but
// the third.
constexpr double kPassSetFixedReplayCost = 200.0;
// With a power or type filter the replay takes the seeds of a low half 256
// at a time to their first creature where at most this share of creatures
// pass power and type (the others replayed seed by seed). Single thread,
// no file: without a wanted nature, type 7 went from 1.95 s to 1.05,
// power at least 59 (28% pass) 2.2 to 1.4, 51 (47%) 2.6-2.9 to 2.0-2.1;
// since the group settles its seeds in vectors, with minimums 20, power 37
// (81%) 4.6 s against 5.5, 33 (92%) 9.0 against 11.4, 31 (97%) 27.3
// either way. With nature 5 and minimums 8 (the seeds that go on
// past their first creature are replayed whole): power 62 (19%) 3.2 s to
// 2.5 without synchronize, 3.0 to 2.2 with (minimums 12); 57 (33%) 3.7 to
// 3.0 and 3.1 to 2.4; 51 (47%) 4.0 against 4.3 and 3.9 against 3.5.
constexpr double kFirstCreaturesMostPassing = 0.93, kFirstCreaturesMostPassingNature = 0.4;
// With synchronize and a power or type filter the replay passes over the
// frames that search nothing 64 at a time: a seed costs about the first
// plus the second for each creature tried. Single thread, no file, replayed
// seed by seed: nature 14, power at least 56 (about 1.5 creatures a seed)
// 2.52 s; nature 5, power 40, minimums 18 (about 3.9) 5.17 s; nature 11,
// power 53 (about 1.7) 3.0 s, where this gives 2.7.
constexpr double kSharedSeedCost = 33.0, kSharedCreatureCost = 43.0;
// There, where the first creatures are taken 256 seeds at a time, a seed
// costs about the first plus the second for the share that passes power and
// type (the seeds left to the replay). Single thread, no file, share passing
// and time: 0.036, 0.83 s; 0.062, 0.87 s; 0.078, 0.97 s; 0.203, 1.36 s;
// 0.359, 2.22 s.
constexpr double kSharedFirstSeedCost = 27.0, kSharedFirstLeftCost = 170.0;
// Without synchronize the seeds that pass their first creature's power and
// type go on to further creatures, about p / (1 - p) of them for a share p
// passing. Without a wanted nature a seed costs about the first plus the
// second times that (single thread, no file, minimums 20, share and time:
// 0.016, 0.57 s; 0.28, 1.11; 0.47, 1.51; 0.625, 1.95-2.1; 0.75, 2.2-2.7;
// 0.81, 2.8-4.6; 0.875, 3.4-5.6). With
// one, where a seed's first creature lies about 25 frames on, the first
// plus the second times the share itself (0.004, 1.17 s; 0.0625, 1.40-1.51;
// 0.1875, 2.62; 0.25, 3.08; 0.53, 4.90; 0.67, 6.68).
constexpr double kFirstSeedCost = 30.0, kFirstLeftCost = 26.0;
constexpr double kFirstNatureSeedCost = 46.0, kFirstNatureShareCost = 330.0;
// With a power or type filter the pass set replays each seed that has a
// frame in it from frame 0, for a failing creature that would end it
// first: without synchronize such a replay costs about the first, plus the
// second for each creature that passes on the way. And where a nature is
// wanted the pair before each state with passing words is tested before
// its walk, which turns away all but 1 in 25: a state then costs about
// the third instead of kWordEventCost. Single thread, no file, the pass
// set's time less the rest of its estimate, over the seeds with a frame in
// it: 93-143 ns without a nature and a share passing under 0.65, 263 ns at
// 0.875; over the states, 8-12 ns with a nature.
constexpr double kPassSetReplayCost = 90.0, kPassSetReplayCreatureCost = 25.0, kNatureEventCost = 10.0;
constexpr double kPassingFrameCost = 8.0;    // one pass-set entry: collected, sorted, walked once per pass
constexpr double kSeedLookupCost = 3.0;      // one seed's window lookup

struct WayEstimate {
    bool pass_set_fits;  // the pass set's memory is acceptable
    bool pass_set_cheaper;
    double replay_ns;    // replaying every seed
    bool from_words;     // a replayed seed is replayed from its words
    bool groups;         // the 256 seeds of a low half are taken at once (the rest from their words)
    bool first_creatures;  // the replay's seeds are taken 256 at a time to their first creature
};

WayEstimate estimate_ways(const Search& search, std::uint64_t passing) {
    const NarrowingRequest& req = search.req;
    NarrowingRequest any_values = req;
    any_values.min_ivs = {};
    Search any = search;
    any.req = any_values;
    const double p_power_type = static_cast<double>(combo_passing(any)) / 1073741824.0;
    const double p_step = nature_step_passes(search);
    const double p_pass = frame_passes(search, passing);
    const double entries = kCycle * p_pass;
    const double seeds = 24.0 * 256.0 * (req.max_low + 1);
    // A replayed seed stops at its first frame that passes or fails power or
    // type. With synchronize about half the frames search for the wanted
    // nature, and all those between two pairs of it reach the same later
    // pair: a new creature is tried about every 25 frames, not at every
    // frame that searches.
    const bool shared_pairs = search.sync_nature && !req.fixed_shiny;
    const double p_try = shared_pairs ? 1.0 / 25.0 : p_step;
    const double p_stop = p_try * (p_pass / p_step + 1.0 - p_power_type);
    const double frames = std::min(req.max_frames + 1.0, 1.0 / std::max(p_stop, 1e-12));
    // The searches before the row, had it no frame limit: where the limit
    // comes first, the rows are rare and the words rarer still.
    const double searches = p_step / std::max(p_stop, 1e-12);
    const double searches_for_words =
        req.nature != kNoNature && !search.sync_nature ? kNatureSearchesForWords : kSearchesForWords;
    const bool from_words = !search.hp_filter && !req.fixed_shiny && req.max_frames + 1 >= kSearchesForWords &&
                            searches >= searches_for_words;
    const bool first_creatures =
        FirstCreatures::applies(search) &&
        p_power_type <= (req.nature == kNoNature ? kFirstCreaturesMostPassing : kFirstCreaturesMostPassingNature);
    double replay = seeds * frames * (kFrameStepCost + p_step * kFrameSearchCost);
    // Creatures a seed passes before one fails power or type, on average.
    const double passed_on = p_power_type / std::max(1.0 - p_power_type, 1e-12);
    const bool ordinary_filtered = search.hp_filter && !req.fixed_shiny;  // power or type, ordinary generation
    if (shared_pairs && search.hp_filter)
        replay = first_creatures ? seeds * (kSharedFirstSeedCost + p_power_type * kSharedFirstLeftCost)
                                 : seeds * (kSharedSeedCost + frames * p_try * kSharedCreatureCost);
    else if (ordinary_filtered && first_creatures)
        // Measured at the default 300 frames: fewer frames than a seed would
        // go through cut the work about in proportion.
        replay = std::min(1.0, frames * p_stop) *
                 (req.nature == kNoNature ? seeds * (kFirstSeedCost + passed_on * kFirstLeftCost)
                                          : seeds * (kFirstNatureSeedCost + p_power_type * kFirstNatureShareCost));
    if (req.fixed_shiny && search.hp_filter)
        replay = seeds * (kFixedListSeedCost + frames * p_step * kFixedListFrameCost);
    if (req.fixed_shiny && !search.hp_filter)
        replay = seeds * kFixedShinyBlockCost *
                 std::ceil((frames + kFixedShinyLastRead + 1) / static_cast<double>(kReplayBlockOutputs));
    if (from_words) {
        // From the words: the pairs up to where every search has ended,
        // about 190 positions past the row (75 when only the wanted
        // nature's two classes of search are left), each passing one
        // after a pair of a wanted nature walked back.
        const bool nature = req.nature != kNoNature;
        const double p_event = static_cast<double>(passing) / 1073741824.0 / (nature ? 25.0 : 1.0);
        replay = seeds * (kWordsSeedCost + (frames + (nature ? 75.0 : 190.0)) * p_event * kWordEventCost);
    }
    const bool shiny_events = event_source(search, passing) == EventSource::kShinyPairs;
    const double events = shiny_events ? kShinyPairStates : static_cast<double>(passing) * kStatesPerCombination;
    // The replay frame by frame is priced without the creatures a seed
    // passes on the way, and the pass set's states without the pair test
    // before their walks, so the pass set is priced in full only against
    // the first creatures (and for the fixed shiny creature, its replays).
    // With synchronize the two are balanced by their own costs above.
    const bool replays_priced = ordinary_filtered && first_creatures && !shared_pairs;
    const bool nature_before_walk = replays_priced && req.nature != kNoNature && !shiny_events;
    double pass_set = events * (nature_before_walk ? kNatureEventCost : kWordEventCost) + entries * kPassingFrameCost +
                      seeds * kSeedLookupCost;
    if (replays_priced || (req.fixed_shiny && search.hp_filter)) {
        // Every seed with a frame in the pass set is replayed too.
        const double seeds_with_frame = seeds * (1.0 - std::pow(1.0 - p_pass, req.max_frames + 1.0));
        pass_set += seeds_with_frame * (req.fixed_shiny ? kPassSetFixedReplayCost
                                                        : kPassSetReplayCost + passed_on * kPassSetReplayCreatureCost);
    }
    const double p_words = static_cast<double>(passing) / 1073741824.0;
    const bool narrow = search.vectors != Vectors::k512;
    const bool groups = (from_words || (narrow && req.max_frames + 1 >= kSearchesForWords)) &&
                        NatureGroupTables::applies(search) &&
                        p_words <= (narrow ? kGroupsMostPassingNarrow : kGroupsMostPassing);
    const double groups_ns = seeds * (search.sync_nature ? kGroupSeedCost + p_words * kGroupPassingCost
                                                         : kGroupSeedCostNoSync + p_words * kGroupPassingCostNoSync);
    const bool pass_set_cheaper = groups ? pass_set < groups_ns : pass_set < replay;
    return {pass_set_fits(search, passing), pass_set_cheaper, replay, from_words, groups, first_creatures};
}

}  // namespace

void run_forward(const Search& search, ProgressRef progress, TextSink& out) {
    const std::uint64_t passing = combo_passing(search);
    const WayEstimate est = estimate_ways(search, passing);
    bool pass_set = est.pass_set_fits && est.pass_set_cheaper;
    // The tests may ask for any way; the pass set only where it fits.
    using Way = NarrowingTestHook::ForwardWay;
    const Way way = search.forward_way;
    const bool words_asked = way == Way::kReplayFromWords || way == Way::kNatureGroups;
    if (way == Way::kReplayEverySeed || way == Way::kFirstCreatures || words_asked) pass_set = false;
    if (way == Way::kPassSet) pass_set = est.pass_set_fits;
    // Starting a thread costs more than a few milliseconds of replay.
    constexpr double kOneThreadReplayNs = 5e6;
    Search chosen = search;
    if (!search.hp_filter && !search.req.fixed_shiny)
        chosen.replay_from_words = words_asked || (way == Way::kChosen && (est.from_words || est.groups));
    chosen.nature_groups = chosen.replay_from_words && NatureGroupTables::applies(chosen) &&
                           (way == Way::kNatureGroups || (way == Way::kChosen && est.groups));
    chosen.first_creatures = FirstCreatures::applies(chosen) &&
                             (way == Way::kFirstCreatures || (way == Way::kChosen && est.first_creatures));
    if (!pass_set && est.replay_ns < kOneThreadReplayNs) chosen.threads = 1;
    std::vector<std::unique_ptr<RowWorker>> workers;
    for (int t = 0; t < chosen.threads; ++t) workers.push_back(std::make_unique<RowWorker>(chosen));
    if (pass_set)
        run_pass_set(chosen, passing, progress, out, workers);
    else
        replay_every_seed(chosen, progress, out, workers);
}

}  // namespace vh::narrowing
