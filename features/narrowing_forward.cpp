// Forward processing. Either every initial seed is replayed (when rows are
// dense), or the seeds are found backward from the matching states: a row
// needs both individual-value words to pass, so its second-to-last output
// pair is a match of a passing combination, and only the valid seeds that
// lie the right number of steps before a match can have a row. Those seeds
// are replayed in order; the replay decides the row exactly.
#include <algorithm>

#include "features/narrowing_internal.hpp"
#include "features/narrowing_reach.hpp"

namespace vh::narrowing {

namespace {

constexpr std::uint64_t kCandidateLimit = 1u << 18;  // passing combinations searched backward
constexpr std::size_t kKeyCap = std::size_t{1} << 20;  // seeds found per worker
constexpr std::size_t kRoundItems = 64;  // (hour, low half) pairs per worker and round

// The seed order of the file: hour, then low half, then top byte.
// A found seed with the frame that reaches the match: the seed in file
// order (hour, low half, top byte), then the frame (at most 2500).
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

// One initial seed replayed frame by frame; its outputs are stepped once, on
// demand, into a table of ctx.table entries.
class SeedReplay {
public:
    explicit SeedReplay(int table) : state_(table), out_(table), table_(table) {}

    // The row of r, if any: its frame, or -1.
    int evaluate(const Ctx& ctx, std::uint32_t r, std::uint32_t& pid, std::uint16_t& w1, std::uint16_t& w2) {
        const NarrowingRequest& req = ctx.req;
        state_[0] = r;
        out_[0] = output_of(r);
        filled_ = 1;
        for (int f = 0; f <= req.max_frames; ++f) {
            if (req.fixed_shiny) {
                if (!need(f + 16)) continue;
                const std::uint16_t* o = out_.data() + f;
                pid = shiny_locked_pid(req.tid, req.sid, o[0], o[1], o + 2);
                w1 = o[15];
                w2 = o[16];
                if (ctx.shiny_nature_check && nature_of(pid) != req.nature) continue;
            } else {
                const std::uint16_t* out = out_.data();
                const auto o = [&](long i) {
                    need(f + i);
                    return out[f + i];
                };
                const Encounter e = encounter_pid(o, req.nature, req.sync, table_ - 1 - f, true);
                if (e.status != Encounter::kOk) continue;
                pid = e.pid;
                w1 = o(e.iv_pos);
                w2 = o(e.iv_pos + 1);
            }
            const Ivs iv = ivs_from_words(w1, w2);
            if (hidden_power_power(iv) < req.min_power) return -1;
            if (req.hp_type != -1 && hidden_power_type(iv) != req.hp_type) return -1;
            bool low = false;
            for (int i = 0; i < 6; ++i) low |= iv[i] < req.min_ivs[i];
            if (low) continue;
            if (req.shiny && !is_shiny(pid, req.tid, req.sid)) continue;
            return f;
        }
        return -1;
    }

    // The creature of frame f of r, which passes the request; returns f.
    int frame(const Ctx& ctx, std::uint32_t r, int f, std::uint32_t& pid, std::uint16_t& w1, std::uint16_t& w2) {
        const NarrowingRequest& req = ctx.req;
        // Outputs from f on: out_[i] is output f + i of r.
        std::uint32_t* st = state_.data();
        std::uint16_t* out = out_.data();
        st[0] = f < static_cast<int>(kJumpTableSize) ? kForwardJumps[f].apply(r) : advance(r, f);
        out[0] = output_of(st[0]);
        long filled = 1;
        const auto o = [&](long i) {
            for (; filled <= i; ++filled) {
                st[filled] = next_seed(st[filled - 1]);
                out[filled] = output_of(st[filled]);
            }
            return out[i];
        };
        if (req.fixed_shiny) {
            o(16);
            pid = shiny_locked_pid(req.tid, req.sid, out[0], out[1], out + 2);
            w1 = out[15];
            w2 = out[16];
        } else {
            const Encounter e = encounter_pid(o, req.nature, req.sync, table_ - 1 - f, true);
            pid = e.pid;
            w1 = o(e.iv_pos);
            w2 = o(e.iv_pos + 1);
        }
        filled_ = 0;  // the table no longer holds a seed from its start
        return f;
    }

private:
    bool need(long k) {
        if (k >= table_) return false;
        if (k < filled_) return true;
        // Steps ahead in small batches: later frames mostly read further.
        const long upto = std::min<long>(table_ - 1, k + 8);
        std::uint32_t* st = state_.data();
        std::uint16_t* out = out_.data();
        for (; filled_ <= upto; ++filled_) {
            st[filled_] = next_seed(st[filled_ - 1]);
            out[filled_] = output_of(st[filled_]);
        }
        return true;
    }

    std::vector<std::uint32_t> state_;
    std::vector<std::uint16_t> out_;
    long table_;
    long filled_ = 0;
};

struct Worker {
    Worker(const Ctx& ctx, std::size_t items)
        : rows(ctx.row_buffer_for(256), std::max(items, ctx.row_buffer_for(256) / kMaxRowBytes)),
          replay(ctx.table),
          outs(ctx.table + 8),
          starts(ctx.table + 8) {}
    RowBuffer rows;
    SeedReplay replay;
    std::vector<std::uint16_t> outs;
    std::vector<int> starts;
    std::vector<std::uint64_t> keys;
    bool overflow = false;
};

// Every valid seed from which some frame's individual-value words are the
// outputs of s and its successor.
void seeds_before(const Ctx& ctx, std::uint32_t s, Worker& w) {
    const NarrowingRequest& req = ctx.req;
    const int last_p = ctx.table - 2;  // both words inside the table
    int p_lo, p_hi;
    const int* a = nullptr;
    int na = 0;
    if (req.fixed_shiny) {
        if (ctx.shiny_nature_check && !fixed_shiny_nature_passes(req, s, false)) return;
        p_lo = 15;
        p_hi = std::min(last_p, 15 + req.max_frames);
    } else {
        std::uint32_t pid;
        na = frames_reaching(ctx, s, 0, 3 - ctx.table, w.outs.data(), w.starts.data(), pid);
        if (na == 0) return;
        a = w.starts.data();
        p_lo = std::max(1, 1 - a[na - 1]);
        p_hi = std::min(last_p, req.max_frames + 1 - a[0]);
    }
    if (p_lo > p_hi) return;
    std::uint32_t r = p_lo < static_cast<int>(kJumpTableSize) ? kBackwardJumps[p_lo].apply(s) : rewind(s, p_lo);
    int ai = na - 1;
    for (int p = p_lo; p <= p_hi; ++p, r = prev_seed(r)) {
        if (!valid_seed(r, req.max_low)) continue;
        int frame = p - 15;
        if (!req.fixed_shiny) {
            while (ai > 0 && a[ai - 1] >= 1 - p) --ai;
            if (a[ai] > req.max_frames + 1 - p) continue;
            frame = a[ai] - 1 + p;  // the lowest frame of this seed reaching s
        }
        if (w.keys.size() == w.keys.capacity()) {
            w.overflow = true;
            return;
        }
        w.keys.push_back(found_key(r, frame));
    }
}

// Rough costs of the two ways, in generator steps.
bool prefer_candidates(const Ctx& ctx, std::uint64_t passing) {
    const NarrowingRequest& req = ctx.req;
    const double seeds = 24.0 * 256.0 * (req.max_low + 1);
    const double frames = req.max_frames + 1.0;
    const double good = static_cast<double>(passing) / 1073741824.0;  // of all 2^30 combinations
    const double per_seed = std::min(frames, 1.0 / std::max(good, 1e-12)) * (req.fixed_shiny ? 1.0 : 30.0);
    const double direct = seeds * per_seed;
    const double valid = 24.0 / 256.0 * (req.max_low + 1) / 65536.0;
    const double found = static_cast<double>(passing) * 4.0 * (frames + 60.0) * valid;
    const double backward = static_cast<double>(passing) * 4.0 * (frames + 150.0) + found * frames * 30.0;
    return backward < direct;
}

// Sends the texts of hours `next` .. `through`; each shows the rows of the
// hours before it, which are complete by then.
void show_hours(ProgressRef progress, const std::uint32_t (&per_hour)[24], int& next, int through) {
    char buf[256];
    for (; next <= through; ++next) {
        long count = 0;
        for (int h = 0; h < next; ++h) count += per_hour[h];
        format_forward_progress(buf, next, count);
        progress(buf);
    }
}

// Seeds found backward from the matches, replayed in file order. Returns
// false (having written nothing) when more seeds turn up than the buffers hold.
bool run_candidates(const Ctx& ctx, ProgressRef progress, TextSink& out, std::vector<std::unique_ptr<Worker>>& ws) {
    const int threads = ctx.threads;
    MatchList list;
    ComboOdometer odo(ctx);
    std::uint64_t next_combo = 0;
    collect_matches(ctx, next_combo, odo, kCandidateLimit, false, false, list);
    const std::size_t nm = list.states.size();
    run_workers(threads, [&](int t) {
        Worker& w = *ws[t];
        w.keys.reserve(kKeyCap);
        for (std::size_t k = nm * t / threads; k < nm * (t + 1) / threads && !w.overflow; ++k)
            seeds_before(ctx, list.states[k], w);
    });
    std::vector<std::uint64_t> keys;
    std::size_t total = 0;
    for (const auto& w : ws) {
        if (w->overflow) return false;
        total += w->keys.size();
    }
    keys.reserve(total);
    for (auto& w : ws) {
        keys.insert(keys.end(), w->keys.begin(), w->keys.end());
        std::vector<std::uint64_t>().swap(w->keys);
    }
    // Per seed its lowest frame that reaches a match.
    std::sort(keys.begin(), keys.end());
    keys.erase(std::unique(keys.begin(), keys.end(),
                           [](std::uint64_t x, std::uint64_t y) { return x >> kFrameBits == y >> kFrameBits; }),
               keys.end());

    // Replay in contiguous parts of the sorted seeds; a part that runs out
    // of room ends a round early and the next round goes on from there.
    std::uint32_t per_hour[24] = {};
    int next_hour = 0;
    const std::size_t n = keys.size();
    run_rounds(
        threads, n, ws[0]->rows.cap / kMaxRowBytes, [&](int t) -> RowBuffer& { return ws[t]->rows; },
        [&](int t, std::size_t i, std::size_t) {
            Worker& w = *ws[t];
            RowBuffer& rb = w.rows;
            if (!rb.room_for(1)) return false;
            const std::uint32_t r = key_seed(keys[i]);
            std::uint32_t pid;
            std::uint16_t w1, w2;
            // Every frame that passes reaches a match, so without a power or
            // type filter (which ends a seed at a failing frame) the lowest
            // reaching frame is the row; with one, the seed is replayed.
            const int f = ctx.hp_filter ? w.replay.evaluate(ctx, r, pid, w1, w2)
                                        : w.replay.frame(ctx, r, key_frame(keys[i]), pid, w1, w2);
            if (f >= 0)
                rb.used = static_cast<std::size_t>(format_row_with_nature(rb.end(), r, f, pid, w1, w2) - rb.text.get());
            rb.counts[rb.items_done] = f >= 0;
            return true;
        },
        [&](int t, std::size_t first) {
            const RowBuffer& rb = ws[t]->rows;
            for (std::size_t i = 0; i < rb.items_done; ++i) per_hour[key_hour(keys[first + i])] += rb.counts[i];
            out.write(rb.text.get(), rb.used);
        },
        [&](std::size_t next) {
            if (next < n) show_hours(progress, per_hour, next_hour, key_hour(keys[next]));
        });
    show_hours(progress, per_hour, next_hour, 23);
    return true;
}

// Every seed in file order, (hour, low half) pairs split between the workers.
void run_direct(const Ctx& ctx, ProgressRef progress, TextSink& out, std::vector<std::unique_ptr<Worker>>& ws) {
    const std::size_t lows = static_cast<std::size_t>(ctx.req.max_low) + 1;
    const std::size_t items = 24 * lows;
    long count = 0;
    int next_hour = 0;
    char buf[256];
    run_rounds(
        ctx.threads, items, kRoundItems, [&](int t) -> RowBuffer& { return ws[t]->rows; },
        [&](int t, std::size_t i, std::size_t) {
            Worker& w = *ws[t];
            RowBuffer& rb = w.rows;
            if (!rb.room_for(256)) return false;
            const std::uint32_t hour = static_cast<std::uint32_t>(i / lows);
            const std::uint32_t low = static_cast<std::uint32_t>(i % lows);
            std::uint32_t rows = 0;
            char* text = rb.end();
            for (std::uint32_t top = 0; top <= 255; ++top) {
                const std::uint32_t r = top << 24 | hour << 16 | low;
                std::uint32_t pid;
                std::uint16_t w1, w2;
                const int f = w.replay.evaluate(ctx, r, pid, w1, w2);
                if (f < 0) continue;
                text = format_row_with_nature(text, r, f, pid, w1, w2);
                ++rows;
            }
            rb.used = static_cast<std::size_t>(text - rb.text.get());
            rb.counts[rb.items_done] = rows;
            return true;
        },
        [&](int t, std::size_t first) {
            const RowBuffer& rb = ws[t]->rows;
            for (std::size_t i = 0; i < rb.items_done; ++i) {
                const int hour = static_cast<int>((first + i) / lows);
                for (; next_hour <= hour; ++next_hour) {
                    format_forward_progress(buf, next_hour, count);
                    progress(buf);
                }
                count += rb.counts[i];
            }
            out.write(rb.text.get(), rb.used);
        },
        [](std::size_t) {});
}

}  // namespace

void run_forward(const Ctx& ctx, ProgressRef progress, TextSink& out) {
    std::vector<std::unique_ptr<Worker>> ws;
    for (int t = 0; t < ctx.threads; ++t) ws.push_back(std::make_unique<Worker>(ctx, kRoundItems));
    const std::uint64_t passing = combo_passing(ctx);
    bool candidates = passing <= kCandidateLimit;
    if (ctx.method == NarrowingOptions::Method::kDirect) candidates = false;
    // (kCandidates and kScan both search backward where the matches fit.)
    if (ctx.method == NarrowingOptions::Method::kAuto && candidates) candidates = prefer_candidates(ctx, passing);
    if (candidates && run_candidates(ctx, progress, out, ws)) return;
    run_direct(ctx, progress, out, ws);
}

}  // namespace vh::narrowing
