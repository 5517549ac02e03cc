// The fast narrowing against the literal reference on random requests:
// identical bytes and identical progress texts, with every way of searching
// and several thread counts.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <random>
#include <set>
#include <sstream>
#include <utility>
#include <vector>

#include "engine/state_recovery.hpp"
#include "features/narrowing_first_creatures.hpp"
#include "features/narrowing_reach.hpp"
#include "features/narrowing_word_scan.hpp"
#include "features/narrowing_replay.hpp"
#include "narrowing_support.hpp"
#include "test_support.hpp"

namespace vh {
namespace {

using ForwardWay = NarrowingTestHook::ForwardWay;
using ReverseWay = NarrowingTestHook::ReverseWay;

// Options with their own test hook.
struct Knobs {
    int threads = 0;
    NarrowingTestHook hook;
    NarrowingOptions options() const { return {threads, &hook}; }
};

std::string describe(const NarrowingRequest& r, const Knobs& k) {
    const NarrowingTestHook& o = k.hook;
    std::ostringstream s;
    s << (r.reverse ? "reverse" : "forward") << (r.fixed_shiny ? " fixed" : "") << " min";
    for (int v : r.min_ivs) s << ' ' << v;
    s << " low " << r.max_low << " frames " << r.max_frames << " nature " << r.nature << " sync " << r.sync
      << " shiny " << r.shiny << " ids " << r.tid << '/' << r.sid << " type " << r.hp_type << " power "
      << r.min_power << " | threads " << k.threads << " ways " << static_cast<int>(o.forward_way) << '/'
      << static_cast<int>(o.reverse_way) << " table "
      << o.forward_table << " buffer " << o.row_buffer << " block " << o.combo_block << " vectors " << o.vector_bits;
    return s.str();
}

struct Gen {
    std::mt19937 rng;
    int uniform(int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); }
    bool chance(int percent) { return uniform(0, 99) < percent; }

    void common(NarrowingRequest& r) {
        r.nature = chance(50) ? kNoNature : uniform(0, 24);
        r.sync = chance(40);
        r.shiny = chance(15);
        if (chance(70)) {
            r.tid = static_cast<std::uint16_t>(uniform(0, 65535));
            r.sid = static_cast<std::uint16_t>(chance(50) ? uniform(0, 65535) : r.tid ^ uniform(0, 15));
        }
        r.hp_type = chance(80) ? -1 : uniform(0, 15);
        r.min_power = chance(70) ? 30 : uniform(30, 70);
    }

    Knobs options(bool reverse) {
        Knobs k;
        k.threads = uniform(1, 4);
        NarrowingTestHook& o = k.hook;
        // The pass set is built over the whole cycle whatever the slice: the
        // sparse requests below take it; here it would be slow.
        o.forward_way = reverse || chance(40) ? ForwardWay::kChosen
                        : chance(50)         ? ForwardWay::kReplayEverySeed
                                             : ForwardWay::kReplayFromWords;
        o.reverse_way = static_cast<ReverseWay>(uniform(0, 3));
        if (!reverse && chance(20)) o.forward_table = uniform(20, 80);
        if (chance(20)) o.row_buffer = 1;  // the least: rounds end early
        if (chance(30)) o.combo_block = static_cast<std::size_t>(uniform(1, 3));
        o.vector_bits = chance(30) ? 0 : chance(50) ? 256 : 512;
        return k;
    }

    // Few combinations: the literal reference tries 131072 states for each.
    NarrowingRequest reverse() {
        NarrowingRequest r;
        r.reverse = true;
        r.fixed_shiny = chance(30);
        long combos;
        do {
            combos = 1;
            for (int& v : r.min_ivs) {
                v = chance(80) ? uniform(29, 31) : uniform(24, 31);
                combos *= 32 - v;
            }
        } while (combos > 8);
        const int kind = uniform(0, 3);
        r.max_low = kind == 0 ? uniform(0, 15) : kind == 1 ? 0x1000 : kind == 2 ? 0xFFFF : uniform(0, 0xFFFF);
        r.max_frames = r.max_low > 0x2000 ? uniform(0, 8) : chance(90) ? uniform(0, 40) : uniform(0, 320);
        common(r);
        return r;
    }

    // Few frames pass: the seeds that have a row are found from the passing
    // frame states; several hours of a few low halves, many frames.
    NarrowingRequest sparse_forward() {
        NarrowingRequest r;
        r.reverse = false;
        r.fixed_shiny = chance(25);
        common(r);
        const bool shiny = !r.fixed_shiny && chance(40);
        r.shiny = shiny;
        for (int& v : r.min_ivs) v = shiny ? uniform(0, 31) : uniform(23, 31);
        r.max_low = uniform(0, 3);
        r.max_frames = chance(20) ? uniform(0, 40) : uniform(100, 700);
        return r;
    }

    // Rows tens to hundreds of frames in, each seed replayed: minimums that
    // pass one frame in a few dozen to a few thousand, one low half.
    NarrowingRequest far_forward() {
        NarrowingRequest r;
        r.reverse = false;
        common(r);
        r.fixed_shiny = chance(10);
        r.shiny = false;
        for (int& v : r.min_ivs) v = uniform(12, 22);
        r.max_low = 0;
        r.max_frames = uniform(60, 400);
        return r;
    }

    // Few seeds: the literal reference replays every one of them.
    NarrowingRequest forward() {
        NarrowingRequest r;
        r.reverse = false;
        r.fixed_shiny = chance(30);
        for (int& v : r.min_ivs) v = chance(50) ? uniform(0, 31) : uniform(0, 12);
        r.max_low = chance(95) ? 0 : 1;
        r.max_frames = chance(90) ? uniform(0, 3) : uniform(0, 12);
        common(r);
        return r;
    }
};

void expect_same(const NarrowingRequest& req, const Knobs& opt, const test::NarrowingRun& literal) {
    const test::NarrowingRun fast = test::run_fast(req, opt.options());
    ASSERT_EQ(fast.file, literal.file) << describe(req, opt);
    ASSERT_EQ(fast.progress, literal.progress) << describe(req, opt);
}

TEST(NarrowingDifferential, ReverseRandomRequests) {
    Gen g{std::mt19937(20261208)};
    long rows = 0;
    for (int i = 0; i < 250; ++i) {
        const NarrowingRequest req = g.reverse();
        const Knobs opt = g.options(true);
        const test::NarrowingRun literal = test::run_literal(req);
        rows += static_cast<long>(test::lines_of(literal.file).size()) - 1;
        expect_same(req, opt, literal);
    }
    EXPECT_GT(rows, 500);  // the requests are not all empty
}

TEST(NarrowingDifferential, ForwardRandomRequests) {
    Gen g{std::mt19937(8122026)};
    long rows = 0;
    for (int i = 0; i < 200; ++i) {
        const NarrowingRequest req = g.forward();
        const Knobs opt = g.options(false);
        const test::NarrowingRun literal = test::run_literal(req, opt.hook.forward_table);
        rows += static_cast<long>(test::lines_of(literal.file).size()) - 1;
        expect_same(req, opt, literal);
    }
    EXPECT_GT(rows, 1000);
}

// Compares a forward request with the literal search; returns the number
// of its rows past the first 48 frames.
long same_far_rows(const NarrowingRequest& req, const Knobs& opt) {
    const test::NarrowingRun literal = test::run_literal(req, opt.hook.forward_table);
    const std::vector<std::string> lines = test::lines_of(literal.file);
    long far_rows = 0;
    for (std::size_t l = 1; l < lines.size(); ++l)
        far_rows += std::stoi(lines[l].substr(lines[l].find(',') + 1)) > 48;
    expect_same(req, opt, literal);
    return far_rows;
}

// Runs n requests of far_forward, each adjusted by `adjust(g, i, req, opt)`,
// against the literal search; returns their rows past the first 48 frames.
template <class Adjust>
long far_rows_of(std::uint32_t seed, int n, Adjust&& adjust) {
    Gen g{std::mt19937(seed)};
    long far_rows = 0;
    for (int i = 0; i < n; ++i) {
        NarrowingRequest req = g.far_forward();
        Knobs opt = g.options(false);
        adjust(g, i, req, opt);
        far_rows += same_far_rows(req, opt);
    }
    return far_rows;
}

TEST(NarrowingDifferential, FarRowsReplayedRandomRequests) {
    const long far_rows = far_rows_of(8122027, 60, [](Gen& g, int i, NarrowingRequest& req, Knobs& opt) {
        const ForwardWay ways[] = {ForwardWay::kReplayEverySeed, ForwardWay::kReplayFromWords,
                                   ForwardWay::kNatureGroups};
        opt.hook.forward_way = ways[i % 3];
        // Frame maxima that end a 64-frame step of the replay.
        if (g.chance(25)) req.max_frames = 64 * g.uniform(1, 4) - 1;
    });
    EXPECT_GT(far_rows, 10000);  // the seeds do reach far rows
}

// The fixed shiny creature replayed seed by seed: without a power or type
// filter its frames are taken from the passing words, with one frame by
// frame (a failing frame ends the seed); both against the literal search.
// Every other request tests a nature (IDs not both 0), whose bits the
// seeds of a low half share.
TEST(NarrowingDifferential, FixedShinyFarRowsReplayed) {
    const long far_rows = far_rows_of(8122028, 32, [](Gen& g, int i, NarrowingRequest& req, Knobs& opt) {
        req.fixed_shiny = true;
        if (i % 3 == 0) req.hp_type = g.uniform(0, 15);
        if (i % 2 == 0) {
            req.nature = g.uniform(0, 24);
            req.tid = static_cast<std::uint16_t>(g.uniform(1, 65535));
        }
        opt.hook.forward_way = ForwardWay::kReplayEverySeed;
    });
    EXPECT_GT(far_rows, 5000);  // fewer with a nature tested
}

// The seeds of a low half taken 256 at a time where a nature is wanted:
// loose to tight minimums, frame maxima from 0 on, and tables so short
// that many seeds are left to the replay.
TEST(NarrowingDifferential, NatureGroupsRandomRequests) {
    const long far_rows = far_rows_of(8122029, 36, [](Gen& g, int, NarrowingRequest& req, Knobs& opt) {
        req.fixed_shiny = false;
        req.nature = g.uniform(0, 24);
        req.hp_type = -1;
        req.min_power = 30;
        for (int& v : req.min_ivs) v = g.uniform(8, 26);
        req.max_frames = g.chance(20) ? g.uniform(0, 30) : g.uniform(60, 500);
        opt.hook.forward_way = ForwardWay::kNatureGroups;
        if (g.chance(30)) opt.hook.forward_table = std::max(20, req.max_frames + g.uniform(4, 120));
    });
    EXPECT_GT(far_rows, 1000);
}

// The groups at their bounds: the largest frame maximum (the positions
// the group keeps), and tables that end exactly where a pair of each
// parity past the frames still fits, one position short of it, and a few
// positions past it.
// n requests the groups answer, forced to them (a wanted nature, no power
// or type filter, minimums from lo to hi), each adjusted by
// `adjust(g, i, req, opt)`, against the literal search; returns their rows.
template <class Adjust>
long group_rows_of(std::uint32_t seed, int n, int lo, int hi, Adjust&& adjust) {
    Gen g{std::mt19937(seed)};
    long rows = 0;
    for (int i = 0; i < n; ++i) {
        NarrowingRequest req = g.far_forward();
        req.fixed_shiny = false;
        req.nature = g.uniform(0, 24);
        req.hp_type = -1;
        req.min_power = 30;
        for (int& v : req.min_ivs) v = g.uniform(lo, hi);
        Knobs opt = g.options(false);
        opt.hook.forward_way = ForwardWay::kNatureGroups;
        adjust(g, i, req, opt);
        const test::NarrowingRun literal = test::run_literal(req, opt.hook.forward_table);
        rows += static_cast<long>(test::lines_of(literal.file).size()) - 1;
        expect_same(req, opt, literal);
    }
    return rows;
}

TEST(NarrowingDifferential, NatureGroupsAtTheFrameAndTableBounds) {
    const long rows = group_rows_of(8122030, 12, 14, 22, [](Gen& g, int i, NarrowingRequest& req, Knobs& opt) {
        req.sync = i % 2 == 0;
        if (i < 2) {
            req.max_frames = 2500;
            opt.hook.forward_table = kSeedRunSize;
        } else {
            req.max_frames = g.uniform(16, 200);
            // A search of frame max_frames starts at most here.
            const int last_start = req.max_frames + (req.sync ? 3 : 2);
            opt.hook.forward_table = last_start + 4 + (i % 5 == 0 ? -1 : i % 5 - 1);
        }
    });
    EXPECT_GT(rows, 1000);
}

// The groups at the first frames: with synchronize, loose minimums and a
// frame maximum of 0 to 3, the rows come from the first pairs, whose walks
// back reach position 0 (where no frame starts before output 1).
TEST(NarrowingDifferential, NatureGroupsAtTheFirstFrames) {
    const long rows = group_rows_of(8122031, 8, 0, 6, [](Gen&, int i, NarrowingRequest& req, Knobs&) {
        req.sync = i % 4 != 3;
        req.max_frames = i % 4;
    });
    EXPECT_GT(rows, 1000);
}

// Runs `req` by `way`, with random options (and, in `short_table` cases in
// 100, a seed table of 20 to 300 outputs), against the literal search;
// returns its rows.
long same_by_way(Gen& g, const NarrowingRequest& req, ForwardWay way, int short_table = 0) {
    Knobs opt = g.options(false);
    opt.hook.forward_way = way;
    if (short_table > 0 && g.chance(short_table)) opt.hook.forward_table = g.uniform(20, 300);
    const test::NarrowingRun literal = test::run_literal(req, opt.hook.forward_table);
    expect_same(req, opt, literal);
    return static_cast<long>(test::lines_of(literal.file).size()) - 1;
}

// With a power or type filter, the seeds of a low half taken 256 at a time
// to their first creature: with and without a wanted nature and
// synchronize, loose to tight filters, frame maxima from 0 on, and tables
// that end within the positions the group looks at.
TEST(NarrowingDifferential, FirstCreaturesRandomRequests) {
    Gen g{std::mt19937(8122032)};
    long rows = 0;
    for (int i = 0; i < 40; ++i) {
        NarrowingRequest req = g.far_forward();
        req.shiny = g.chance(15);
        req.hp_type = i % 2 == 0 ? g.uniform(0, 15) : -1;
        req.min_power = i % 2 == 0 ? g.uniform(30, 70) : g.uniform(31, 70);
        for (int& v : req.min_ivs) v = g.uniform(0, 24);
        if (g.chance(20)) req.max_frames = g.uniform(0, 4);
        if (i % 8 == 5) {
            // Shiny, each seed searching for its own nature.
            req.shiny = true;
            req.nature = kNoNature;
        }
        rows += same_by_way(g, req, ForwardWay::kFirstCreatures, 30);
    }
    EXPECT_GT(rows, 1000);
}

TEST(NarrowingDifferential, SparseForwardRandomRequests) {
    Gen g{std::mt19937(20261209)};
    long rows = 0;
    for (int i = 0; i < 40; ++i) rows += same_by_way(g, g.sparse_forward(), ForwardWay::kPassSet);
    EXPECT_GT(rows, 100);
}

// Tight minimums on the first word and loose ones on the second: the pass
// set's events come from scanning each first word's states. Most with a
// nature or shiny (the pairs before the states tested in the scan's loop),
// half with power or type.
TEST(NarrowingDifferential, FirstWordScanRandomRequests) {
    Gen g{std::mt19937(20261210)};
    long rows = 0;
    for (int i = 0; i < 24; ++i) {
        NarrowingRequest req = g.sparse_forward();
        req.fixed_shiny = i % 4 == 3;
        req.shiny = req.shiny && !req.fixed_shiny;
        if (i % 4 < 2) req.nature = g.uniform(0, 24);
        if (i % 2 == 0) {
            req.hp_type = g.chance(50) ? g.uniform(0, 15) : -1;
            req.min_power = g.uniform(40, 65);
        }
        for (int k = 0; k < 3; ++k) req.min_ivs[k] = g.uniform(28, 31);
        for (int k = 3; k < 6; ++k) req.min_ivs[k] = g.uniform(6, 22);
        rows += same_by_way(g, req, ForwardWay::kPassSet);
    }
    EXPECT_GT(rows, 100);
}

// Requests too large to run the literal reference on every time: their
// files and progress texts were written by it once (see the last test).
struct Stored {
    const char* name;
    NarrowingRequest req;
};

std::vector<Stored> stored_requests() {
    NarrowingRequest rev;
    rev.min_ivs = {31, 31, 31, 31, 0, 0};
    rev.max_frames = 45;
    NarrowingRequest fixed = test::all_minimums(31);
    fixed.min_ivs[5] = 0;
    fixed.fixed_shiny = true;
    fixed.max_low = 0xFFFF;
    NarrowingRequest fwd;
    fwd.reverse = false;
    fwd.min_ivs = {31, 31, 31, 0, 0, 0};
    fwd.max_low = 0xC;
    fwd.max_frames = 24;
    return {{"narrowing_merge_reverse", rev}, {"narrowing_merge_fixed", fixed}, {"narrowing_forward_found", fwd}};
}

std::string joined(const std::vector<std::string>& texts) {
    std::string out;
    for (const std::string& t : texts) out += t + "\n";
    return out;
}

test::NarrowingRun stored(const std::string& name) {
    test::NarrowingRun run;
    run.file = test::golden(name + ".txt");
    const std::string texts = test::golden(name + ".progress");
    std::size_t start = 0;
    for (std::size_t end; (end = texts.find('\n', start)) != std::string::npos; start = end + 1)
        run.progress.push_back(texts.substr(start, end - start));
    return run;
}

// Thousands of rows split between threads and rounds: the merged order,
// counts and texts must not depend on how the work was split.
TEST(NarrowingDifferential, ManyRowsMergeInOrder) {
    const std::vector<Stored> requests = stored_requests();
    for (const Stored& st : {requests[0], requests[1]}) {
        const test::NarrowingRun literal = stored(st.name);
        const std::vector<std::string> lines = test::lines_of(literal.file);
        ASSERT_GT(lines.size(), st.req.fixed_shiny ? 3000u : 400u);
        if (!st.req.fixed_shiny) {
            // Some seed and frame is reached from two matches and written twice.
            std::set<std::string> seen;
            int twice = 0;
            for (const std::string& l : lines) twice += !seen.insert(l).second;
            EXPECT_GT(twice, 0);
        }
        for (int threads : {1, 2, 3})
            for (std::size_t buffer : {std::size_t{0}, std::size_t{1}}) {
                Knobs opt;
                opt.threads = threads;
                opt.hook.row_buffer = buffer;
                expect_same(st.req, opt, literal);
            }
        Knobs from_frames;
        from_frames.threads = 2;
        from_frames.hook.reverse_way = ReverseWay::kFromPassingFrames;
        expect_same(st.req, from_frames, literal);
        Knobs from_matches;
        from_matches.hook.reverse_way = ReverseWay::kFromMatches;
        from_matches.hook.combo_block = 100;
        expect_same(st.req, from_matches, literal);
        from_matches.hook.vector_bits = 0;
        expect_same(st.req, from_matches, literal);
        Knobs replay;
        replay.hook.reverse_way = ReverseWay::kReplayEachSeed;
        expect_same(st.req, replay, literal);
    }

    NarrowingRequest fwd;
    fwd.reverse = false;
    fwd.max_low = 1;
    fwd.max_frames = 3;
    fwd.min_ivs = {0, 0, 0, 0, 0, 5};
    const test::NarrowingRun fwd_literal = test::run_literal(fwd);
    ASSERT_GT(test::lines_of(fwd_literal.file).size(), 5000u);
    for (int threads : {2, 3, 4}) {
        Knobs opt;
        opt.threads = threads;
        opt.hook.row_buffer = 1;
        expect_same(fwd, opt, fwd_literal);
    }
}

// Forward processing from the passing frame states on a request with many
// seeds, with several thread counts.
TEST(NarrowingDifferential, ForwardPassSetAgreesWithTheLiteralSearch) {
    const Stored st = stored_requests()[2];
    const test::NarrowingRun literal = stored(st.name);
    ASSERT_GT(test::lines_of(literal.file).size(), 40u);
    for (int threads : {1, 2, 4}) {
        Knobs opt;
        opt.hook.forward_way = ForwardWay::kPassSet;
        opt.threads = threads;
        expect_same(st.req, opt, literal);
    }
}

// Writes the stored results from the literal reference:
// varnholt_tests --gtest_also_run_disabled_tests --gtest_filter='*WriteStored*'
// A replay block made from a reference seed of the same low 24 bits holds
// the generator's own outputs, residues, pair natures and passing words for
// any top byte, with vectors of each width or without.
TEST(SeedReplayBlocks, HoldTheGeneratorsValuesForEverySeedOfAReference) {
    std::mt19937 rng(1208);
    for (int trial = 0; trial < 400; ++trial) {
        const std::uint32_t ref_seed = rng(), seed = (ref_seed & 0xFFFFFFu) | (rng() & 0xFF000000u);
        const std::uint32_t at = 128 * (rng() % 40);  // the block's first position
        int mins[6];
        for (int& m : mins) m = trial % 5 == 0 ? 0 : static_cast<int>(rng() % 32);
        narrowing::WordMinimums word_mins;
        word_mins.set(mins);
        const auto vectors = std::min(narrowing::processor_vectors(), static_cast<narrowing::Vectors>(trial % 3));
        alignas(32) std::uint16_t ref[narrowing::kReplayBlockSpan], out[narrowing::kReplayBlockSpan],
            out_only[narrowing::kReplayBlockSpan];
        alignas(32) std::uint8_t mod[128], pair[128], even[64], odd[64];
        std::uint64_t low_words[2], words[2], words_by_parity[2], words_none_wanted[2], words_out_only[2];
        std::uint64_t wanted[2] = {}, none_wanted[2] = {};
        const int wanted_nature = static_cast<int>(rng() % 25);
        narrowing::fill_reference_outputs(vectors, advance(ref_seed, at), ref, word_mins, low_words);
        const unsigned delta = ((seed >> 24) - (ref_seed >> 24)) & 0xFFu;
        narrowing::fill_replay_block(vectors, ref, low_words, delta, word_mins,
                                     {out, mod, pair, wanted, wanted_nature, even, odd, words});
        narrowing::fill_replay_block(vectors, ref, low_words, delta, word_mins,
                                     {out, mod, nullptr, nullptr, wanted_nature, even, odd, words_by_parity});
        narrowing::fill_replay_block(vectors, ref, low_words, delta, word_mins,
                                     {out, mod, pair, none_wanted, kNoNature, even, odd, words_none_wanted});
        ASSERT_EQ(none_wanted[0] | none_wanted[1], 0u);
        // Without residue slots: the outputs and the words alone, as in full.
        narrowing::fill_replay_block(
            vectors, ref, low_words, delta, word_mins,
            {out_only, nullptr, nullptr, nullptr, wanted_nature, nullptr, nullptr, words_out_only});
        ASSERT_TRUE(std::equal(out, out + narrowing::kReplayBlockSpan, out_only));
        ASSERT_EQ(words_out_only[0], words[0]);
        ASSERT_EQ(words_out_only[1], words[1]);
        std::uint32_t s = advance(seed, at);
        std::uint16_t o[narrowing::kReplayBlockSpan];
        for (std::uint16_t& v : o) v = output_of(std::exchange(s, next_seed(s)));
        const std::string where = "seed " + std::to_string(seed) + " at " + std::to_string(at);
        for (int i = 0; i < narrowing::kReplayBlockSpan; ++i) ASSERT_EQ(out[i], o[i]) << where << " output " << i;
        for (int q = 0; q < 128; ++q) {
            const int nature = static_cast<int>(make_pid(o[q], o[q + 1]) % 25);
            ASSERT_EQ(mod[q], o[q] % 25) << where << " residue " << q;
            ASSERT_EQ(pair[q], 2 * nature + (q & 1)) << where << " class " << q;
            ASSERT_EQ((wanted[q / 64] >> (q % 64) & 1u) != 0, nature == wanted_nature) << where << " wanted " << q;
            const std::uint8_t* natures = (q & 1) != 0 ? odd : even;
            ASSERT_EQ(natures[q / 2], nature) << where << " nature " << q;
            const Ivs iv = ivs_from_words(o[q], o[q + 1]);
            bool pass = true;
            for (int v = 0; v < 6; ++v) pass = pass && iv[v] >= mins[v];
            ASSERT_EQ((words[q / 64] >> (q % 64) & 1u) != 0, pass) << where << " words " << q;
            ASSERT_EQ(words_by_parity[q / 64], words[q / 64]) << where;
            ASSERT_EQ(words_none_wanted[q / 64], words[q / 64]) << where;
        }
    }
}

// The class scan names exactly the classes among 32 pairs, at each vector
// width, from any offset: a class it misses only reads further, but one it
// adds wrongly could end a replay early.
TEST(SeedReplayBlocks, ClassScanNamesExactlyThePairsClasses) {
    std::mt19937 rng(50);
    std::uint8_t pairs[96];
    for (int trial = 0; trial < 300; ++trial) {
        for (std::uint8_t& p : pairs) p = static_cast<std::uint8_t>(rng() % 50);
        const int from = static_cast<int>(rng() % 64);
        std::uint64_t expected = 0;
        for (int i = from; i < from + 32; ++i) expected |= std::uint64_t{1} << pairs[i];
        const auto vectors = std::min(narrowing::processor_vectors(), static_cast<narrowing::Vectors>(trial % 3));
        ASSERT_EQ(narrowing::classes_in(vectors, pairs + from), expected)
            << "trial " << trial << " width " << static_cast<int>(vectors);
    }
}

// The byte compare behind the searches names exactly the equal bytes, with
// and without vectors: bytes around the word test's edges (0x7F, 0x80,
// 0xFF next to zeros), every value, and values no byte can hold.
TEST(SeedReplayBlocks, ByteCompareNamesExactlyTheEqualBytes) {
    std::mt19937 rng(51);
    constexpr std::uint8_t kEdges[] = {0, 1, 24, 25, 0x7F, 0x80, 0x81, 0xFE, 0xFF};
    std::uint8_t bytes[32];
    for (int trial = 0; trial < 600; ++trial) {
        for (std::uint8_t& b : bytes)
            b = rng() % 2 != 0 ? kEdges[rng() % std::size(kEdges)] : static_cast<std::uint8_t>(rng());
        const int value = trial % 7 == 0 ? (trial % 2 != 0 ? -1 : 256) : bytes[rng() % 32];
        std::uint32_t expected = 0;
        for (int i = 0; i < 32; ++i) expected |= std::uint32_t{bytes[i] == value} << i;
        ASSERT_EQ(narrowing::bytes_equal(false, bytes, value), expected) << "trial " << trial;
        ASSERT_EQ(narrowing::bytes_equal(true, bytes, value), expected) << "trial " << trial;
    }
}

// A replay keeps its reference seed's outputs from one seed to the next
// while their low 24 bits agree, and from one request to the next (with the
// fixed shiny creature, also its frames of the nature and their personality
// values): it must answer every seed as a fresh replay does, whatever came
// before.
// The first creatures of a group seed by seed against the replay: every
// seed the group settles has the replay's row, the replay of one it leaves
// open finds the same row from its resume frame as from frame 0, and the
// group settles most of them (left all to the replay, the file would still
// be right).
TEST(FirstCreaturesGroup, SettlesMostSeedsAsTheReplayDoes) {
    std::mt19937 rng(20261209);
    const auto group = std::make_unique<narrowing::FirstCreatures>();
    const auto replay = std::make_unique<narrowing::SeedReplay>();
    long settled = 0, seeds = 0;
    for (int trial = 0; trial < 60; ++trial) {
        narrowing::Search search;
        NarrowingRequest& r = search.req;
        r.reverse = false;
        r.nature = trial % 2 == 0 ? kNoNature : static_cast<int>(rng() % 25);
        r.sync = trial % 4 == 3;
        r.hp_type = trial % 3 == 0 ? static_cast<int>(rng() % 16) : -1;
        r.min_power = r.hp_type == -1 ? 40 + static_cast<int>(rng() % 31) : 30;
        // Some where most creatures pass power (81-97%): many rounds, seeds
        // going on past the positions looked at.
        if (trial % 5 == 4 && r.hp_type == -1) r.min_power = 31 + trial % 7;
        for (int& m : r.min_ivs) m = static_cast<int>(rng() % 20);
        search.vectors = std::min(narrowing::processor_vectors(), static_cast<narrowing::Vectors>(trial % 3));
        narrowing::set_request_tests(search);
        const std::uint32_t base = (rng() % 24) << 16 | (rng() & 0xFFFFu);
        group->run(search, base);
        for (unsigned k = 0; k < 256; ++k) {
            const int f = group->frame(k);
            ++seeds;
            const std::uint32_t seed = k << 24 | base;
            Creature c{};
            const int row = replay->row_frame(search, seed, r.max_frames, kSeedRunSize - 1,
                                              narrowing::ReplayRules::kForward, c);
            if (f == narrowing::FirstCreatures::kUnsettled) {
                ASSERT_EQ(row, replay->row_frame(search, seed, r.max_frames, kSeedRunSize - 1,
                                                 narrowing::ReplayRules::kForward, c, group->resume_frame(k)))
                    << "trial " << trial << " seed " << seed << " resumed at " << group->resume_frame(k);
                continue;
            }
            ++settled;
            ASSERT_EQ(f, row) << "trial " << trial << " seed " << seed;
            if (f >= 0) {
                EXPECT_EQ(group->creature(k).pid, c.pid) << "trial " << trial << " seed " << seed;
                EXPECT_EQ(group->creature(k).first_word, c.first_word) << "trial " << trial;
                EXPECT_EQ(group->creature(k).second_word, c.second_word) << "trial " << trial;
            }
        }
    }
    EXPECT_GT(settled, seeds * 3 / 4);
}

// The low halves a first word's scan finds, against every low half tried
// literally: the successor's second word at least the minimums and the six
// values passing power and type, with vectors or without.
TEST(FirstWordScan, FindsEveryLowHalfWhoseSecondWordPasses) {
    std::mt19937 rng(20261211);
    const auto lows = std::make_unique<std::uint16_t[]>(narrowing::kScanLowsRoom);
    long found = 0;
    for (int trial = 0; trial < 24; ++trial) {
        narrowing::Search search;
        NarrowingRequest& r = search.req;
        r.reverse = false;
        r.hp_type = trial % 3 == 0 ? static_cast<int>(rng() % 16) : -1;
        r.min_power = trial % 3 == 1 ? 30 : 30 + static_cast<int>(rng() % 41);
        for (int& m : r.min_ivs) m = static_cast<int>(rng() % 24);
        narrowing::set_request_tests(search);
        const int v[3] = {static_cast<int>(rng() % 32), static_cast<int>(rng() % 32), static_cast<int>(rng() % 32)};
        const std::uint16_t first15 = iv_word(v[0], v[1], v[2]);
        const narrowing::SecondWordTest test = narrowing::second_word_test(search, v[0], v[1], v[2]);
        const auto vectors = std::min(narrowing::processor_vectors(), static_cast<narrowing::Vectors>(trial % 2));
        const int n = narrowing::second_word_lows(vectors, first15, test, lows.get());
        std::vector<std::uint16_t> want;
        for (std::uint32_t l = 0; l < 65536; ++l) {
            const std::uint16_t second = output_of(next_seed(std::uint32_t{first15} << 16 | l)) & 0x7FFF;
            const int six[6] = {v[0], v[1], v[2], second & 31, second >> 5 & 31, second >> 10 & 31};
            bool pass = narrowing::combo_passes(search, six);
            for (int i = 3; i < 6; ++i) pass = pass && six[i] >= r.min_ivs[i];
            if (pass) want.push_back(static_cast<std::uint16_t>(l));
        }
        ASSERT_EQ(std::vector<std::uint16_t>(lows.get(), lows.get() + n), want) << "trial " << trial;
        found += n;
    }
    EXPECT_GT(found, 10000);
}

// The frames whose personality search ends at the pair before a state's
// words, against every start tried literally: with and without
// synchronize and a wanted nature, walks bounded by the lowest start (often
// within a few pairs) or by
// a pair of the same nature, with vectors or without.
TEST(FramesReaching, AreEveryStartWhoseSearchEndsAtThePair) {
    std::mt19937 rng(20261209);
    long found = 0;
    int starts[512];
    for (int trial = 0; trial < 3000; ++trial) {
        narrowing::Search search;
        NarrowingRequest& r = search.req;
        r.reverse = false;
        r.sync = trial % 3 != 0;
        const std::uint32_t g = static_cast<std::uint32_t>(rng());
        const int lowest = -static_cast<int>(rng() % (trial % 5 == 0 ? 12 : 300));
        // out[-x] is the output at position x (g at 0), down to -301.
        std::uint16_t out[302];
        std::uint32_t s = g;
        for (int i = 0; i < 302; ++i, s = prev_seed(s)) out[i] = output_of(s);
        const auto o = [&](long x) { return out[-x]; };
        const int m = nature_of(make_pid(o(-2), o(-1)));
        // Mostly the pair's own nature where one is wanted, so that frames reach it.
        r.nature = trial % 4 == 0 ? kNoNature : trial % 4 == 1 ? static_cast<int>(rng() % 25) : m;
        search.vectors = trial % 2 == 0 ? narrowing::processor_vectors() : narrowing::Vectors::kNone;
        narrowing::set_request_tests(search);
        std::uint32_t pid = 0;
        const int n = narrowing::frames_reaching(search, g, 0, lowest, starts, pid);
        std::vector<int> expected;
        if (r.nature == kNoNature || m == r.nature) {
            for (int a = lowest; a <= -3; ++a) {
                const NatureStep step = encounter_nature_step(o, synced_nature(r.nature, r.sync), a);
                int q = step.start;
                while (q < -2 && nature_of(make_pid(o(q), o(q + 1))) != step.nature) q += 2;
                if (q == -2 && step.nature == m) expected.push_back(a);
            }
        }
        ASSERT_EQ(std::vector<int>(starts, starts + n), expected) << "trial " << trial;
        found += n;
    }
    EXPECT_GT(found, 5000);
}

TEST(SeedReplayBlocks, AKeptReferenceAnswersAsAFreshReplay) {
    std::mt19937 rng(20261208);
    const auto kept = std::make_unique<narrowing::SeedReplay>();
    std::uint32_t low24 = 0;
    for (int trial = 0; trial < 600; ++trial) {
        narrowing::Search search;
        // The minimums change every few seeds; the low 24 bits every third.
        const int level = trial / 4 % 4 * 4;
        for (int& m : search.req.min_ivs) m = level + static_cast<int>(rng() % 4);
        search.vectors = std::min(narrowing::processor_vectors(), static_cast<narrowing::Vectors>(trial % 3));
        if (trial % 3 == 0) low24 = rng() & 0xFFFFFFu;
        const std::uint32_t seed = low24 | (rng() & 0xFF000000u);
        // Every other three requests (on one reference) the fixed shiny
        // creature with a power or type filter, its IDs and nature drawn anew.
        const bool fixed = trial % 6 >= 3;
        if (fixed) {
            NarrowingRequest& r = search.req;
            r.fixed_shiny = true;
            constexpr std::uint16_t kIds[] = {0, 1, 12345, 54321};
            r.tid = kIds[rng() % 4];
            r.sid = kIds[rng() % 4];
            r.nature = rng() % 2 == 0 ? kNoNature : static_cast<int>(rng() % 25);
            r.hp_type = rng() % 2 != 0 ? -1 : static_cast<int>(rng() % 16);
            r.min_power = r.hp_type == -1 ? 50 : 30;
            r.min_ivs = {};  // rows common, and the reference kept from one request to the next
        }
        narrowing::set_request_tests(search);
        const bool from_words = !fixed && (rng() & 1) != 0;
        const auto row = [&](narrowing::SeedReplay& replay, Creature& c) {
            return from_words ? replay.row_frame_from_words(search, seed, 300, kSeedRunSize - 1, c)
                              : replay.row_frame(search, seed, 300, kSeedRunSize - 1, narrowing::ReplayRules::kForward, c);
        };
        Creature a{}, b{};
        const int kept_frame = row(*kept, a);
        const int fresh_frame = row(*std::make_unique<narrowing::SeedReplay>(), b);
        ASSERT_EQ(kept_frame, fresh_frame) << "trial " << trial << " seed " << seed;
        if (kept_frame >= 0) {
            EXPECT_EQ(a.pid, b.pid) << "trial " << trial;
            EXPECT_EQ(a.first_word, b.first_word) << "trial " << trial;
            EXPECT_EQ(a.second_word, b.second_word) << "trial " << trial;
        }
    }
}

TEST(NarrowingDifferential, DISABLED_WriteStoredResultsFromTheLiteralReference) {
    for (const Stored& st : stored_requests()) {
        const test::NarrowingRun literal = test::run_literal(st.req);
        const std::filesystem::path dir(VARNHOLT_GOLDEN_DIR);
        test::write_file(dir / (std::string(st.name) + ".txt"), literal.file);
        test::write_file(dir / (std::string(st.name) + ".progress"), joined(literal.progress));
    }
}

}  // namespace
}  // namespace vh
