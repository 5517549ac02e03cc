#include "features/narrowing_pass_set.hpp"

#include <algorithm>
#include <cstring>

#include "engine/cycle_position.hpp"
#include "features/narrowing_passing_frames.hpp"

namespace vh::narrowing {

std::size_t PassBucket::lower_bound(std::uint32_t low24) const {
    std::size_t lo = 0, hi = size;
    while (lo < hi) {
        const std::size_t mid = (lo + hi) / 2;
        if (((*this)[mid] & kLow24) < low24)
            lo = mid + 1;
        else
            hi = mid;
    }
    return lo;
}

PassCursor::PassCursor(const PassSet& set, std::uint32_t from)
    : set_(set), block_(static_cast<int>(from >> 24)), at_(set.bucket[from >> 24].lower_bound(from & kLow24)),
      left_(set.total) {
    settle();
}

void PassCursor::next() {
    --left_;
    ++at_;
    settle();
}

void PassCursor::settle() {
    while (left_ > 0 && at_ >= set_.bucket[block_].size) {
        block_ = (block_ + 1) & 0xFF;
        at_ = 0;
    }
}

double nature_step_passes(const Search& search) {
    const NarrowingRequest& req = search.req;
    if (req.fixed_shiny) return search.shiny_nature_check ? 1.0 / 25 : 1.0;
    if (req.nature == kNoNature) return 1.0;
    return search.sync_nature ? 0.5 + 0.5 / 25 : 1.0 / 25;
}

double frame_passes(const Search& search, std::uint64_t passing) {
    const double p_words = static_cast<double>(passing) / 1073741824.0;
    const double p_shiny = !search.req.fixed_shiny && search.req.shiny ? 8.0 / 65536 : 1.0;
    return nature_step_passes(search) * p_words * p_shiny;
}

bool pass_set_fits(const Search& search, std::uint64_t passing) {
    constexpr double kMostEntries = 33554432.0;
    return kCycle * frame_passes(search, passing) <= kMostEntries;
}

namespace {

// Sorts n entries by their low 24 bits (stable, two passes of 12 bits),
// from `keys` into `keys` through `tmp`.
void sort_low24(std::uint32_t* keys, std::uint32_t* tmp, std::size_t n) {
    for (int shift = 0; shift < 24; shift += 12) {
        std::uint32_t count[4097] = {};
        for (std::size_t i = 0; i < n; ++i) ++count[((keys[i] >> shift) & 0xFFFu) + 1];
        for (int i = 0; i < 4096; ++i) count[i + 1] += count[i];
        for (std::size_t i = 0; i < n; ++i) tmp[count[(keys[i] >> shift) & 0xFFFu]++] = keys[i];
        std::swap(keys, tmp);
    }
}

}  // namespace

bool build_pass_set(const Search& search, std::uint64_t passing, ProgressRef progress, TextSink& out, PassSet& set) {
    const CycleLow* lows = cycle_lows();
    std::vector<std::unique_ptr<PassSet>> found(search.threads);
    std::vector<std::unique_ptr<ReachScratch>> reach(search.threads);
    for (auto& r : reach) r.reset(new ReachScratch);  // written before read
    for (auto& f : found) f = std::make_unique<PassSet>();
    const bool carry = !search.req.fixed_shiny;
    collect_passing_frames(search, passing, progress, out, [&](int t) -> ReachScratch& { return *reach[t]; },
                           [&](int t, std::uint32_t g, int start) {
                               // The frame state lies at start - 1 relative to g.
                               const std::uint32_t position =
                                   cycle_position(lows, g) + static_cast<std::uint32_t>(start - 1);
                               const std::uint32_t offset = static_cast<std::uint32_t>(1 - start);
                               const std::uint32_t tag = carry && offset < kRegenerate ? offset : kRegenerate;
                               found[t]->bucket[position >> 24].push((position & kLow24) | tag << 24);
                           });
    if (out.stopped()) return false;
    // Each worker joins and sorts a share of the buckets: one bucket's
    // entries gathered into a buffer, sorted, and written back into its
    // chunks, the chunks it no longer needs let go.
    std::size_t collected = 0;
    for (const auto& f : found)
        for (const PassBucket& part : f->bucket) collected += part.size;
    // Starting a thread costs more than joining a small set.
    const int joiners = collected < (std::size_t{1} << 16) ? 1 : search.threads;
    run_workers(joiners, [&](int t) {
        std::vector<std::uint32_t> keys, tmp;
        for (int b = 256 * t / joiners; b < 256 * (t + 1) / joiners; ++b) {
            PassBucket& joined = set.bucket[b];
            keys.clear();
            for (auto& f : found) {
                PassBucket& part = f->bucket[b];
                for (std::size_t i = 0; i < part.size; ++i) keys.push_back(part[i]);
                for (auto& chunk : part.chunks) joined.chunks.push_back(std::move(chunk));
                part = PassBucket{};
            }
            joined.size = keys.size();
            joined.chunks.resize((joined.size + kChunkEntries - 1) >> kChunkBits);
            tmp.resize(keys.size());
            // Below a few hundred entries the radix's counts cost more than a comparison sort.
            if (keys.size() < 512)
                std::sort(keys.begin(), keys.end(),
                          [](std::uint32_t x, std::uint32_t y) { return (x & kLow24) < (y & kLow24); });
            else
                sort_low24(keys.data(), tmp.data(), keys.size());
            for (std::size_t i = 0; i < keys.size(); i += kChunkEntries)
                std::memcpy(joined.chunks[i >> kChunkBits].get(), keys.data() + i,
                            std::min(kChunkEntries, keys.size() - i) * sizeof(std::uint32_t));
        }
    });
    std::uint32_t next = 0, next_tag = kRegenerate;
    const auto take_first = [&](int b) {
        next = static_cast<std::uint32_t>(b) << 24 | (set.bucket[b][0] & kLow24);
        next_tag = set.bucket[b][0] >> 24;
    };
    for (int b = 0; b < 256; ++b)
        if (set.bucket[b].size > 0) {
            take_first(b);
            break;
        }
    for (int b = 255; b >= 0; --b) {
        set.next_after[b] = next;
        set.next_tag[b] = static_cast<std::uint8_t>(next_tag);
        if (set.bucket[b].size > 0) take_first(b);
        set.total += set.bucket[b].size;
    }
    return true;
}


}  // namespace vh::narrowing
