// The worked examples of the narrowing, byte for byte, and its edge cases.
#include <gtest/gtest.h>

#include <set>

#include "features/frame_list.hpp"
#include "narrowing_support.hpp"
#include "test_support.hpp"

namespace vh {
namespace {

using test::all_minimums;
using test::lines_of;
using test::run_fast;
using test::run_literal;

const char* const kHeaderWithNature = "初期seed,消費数,性格,H,A,B,S,C,D,めざパ,威力";
const char* const kHeaderWithoutNature = "初期seed,消費数,H,A,B,S,C,D,めざパ,威力";

TEST(NarrowingExamples, NineRowReverseExample) {
    const test::NarrowingRun run = run_fast(all_minimums(31));
    std::string expected = std::string(kHeaderWithNature) + "\r\n";
    expected += "1301047B,271,ひかえめ,31,31,31,31,31,31,あく,70\r\n";
    for (const char* seed_frame : {"8A01082E,3", "F90B0827,36", "5D000242,47", "C11409DB,2", "DA000584,103",
                                   "ED0203EF,126", "52130CF6,189", "540E0062,209"})
        expected += std::string(seed_frame) + ",おだやか,31,31,31,31,31,31,あく,70\r\n";
    EXPECT_EQ(run.file, expected);
    EXPECT_EQ(run.progress, std::vector<std::string>{"逆処理:31-31-31-31-31-31　候補:0個"});
    EXPECT_EQ(run_literal(all_minimums(31)).file, expected);
}

TEST(NarrowingExamples, TenRowSynchronizeExample) {
    NarrowingRequest req = all_minimums(31);
    req.nature = 15;  // ひかえめ
    req.sync = true;
    const test::NarrowingRun run = run_fast(req);
    const std::vector<std::string> lines = lines_of(run.file);
    ASSERT_EQ(lines.size(), 11u);
    EXPECT_EQ(lines[0], kHeaderWithNature);
    EXPECT_EQ(lines[1], "7B100958,2,ひかえめ,31,31,31,31,31,31,あく,70");
    EXPECT_EQ(lines[10], "D40E0062,245,ひかえめ,31,31,31,31,31,31,あく,70");
    for (std::size_t i = 1; i < lines.size(); ++i)
        EXPECT_NE(lines[i].find(",ひかえめ,31,31,31,31,31,31,あく,70"), std::string::npos) << lines[i];
    EXPECT_EQ(run.file, run_literal(req).file);
}

TEST(NarrowingExamples, TwelveRowReverseFixedShinyExample) {
    NarrowingRequest req = all_minimums(31);
    req.fixed_shiny = true;
    req.tid = 12345;
    req.sid = 54321;
    req.nature = 9;  // のうてんき
    const test::NarrowingRun run = run_fast(req);
    std::string expected = std::string(kHeaderWithoutNature) + "\r\n";
    const char* rows[] = {"8A01082E,106", "F90B0827,139", "5D000242,150", "C11409DB,167", "DA000584,268",
                          "ED0203EF,291", "0A01082E,106", "790B0827,139", "DD000242,150", "411409DB,167",
                          "5A000584,268", "6D0203EF,291"};
    std::multiset<std::string> want, got;
    for (const char* r : rows) want.insert(std::string(r) + ",31,31,31,31,31,31,あく,70");
    const std::vector<std::string> lines = lines_of(run.file);
    ASSERT_EQ(lines.size(), 13u);
    EXPECT_EQ(lines[0], kHeaderWithoutNature);
    got.insert(lines.begin() + 1, lines.end());
    EXPECT_EQ(got, want);
    EXPECT_EQ(run.file, run_literal(req).file);
}

TEST(NarrowingExamples, ForwardSixThousandRowExampleMatchesItsGoldenFile) {
    NarrowingRequest req;
    req.reverse = false;
    req.max_low = 0;
    req.max_frames = 5;
    const test::NarrowingRun run = run_fast(req);
    EXPECT_EQ(run.file, test::golden("narrowing_forward_6144.txt"));
    const std::vector<std::string> lines = lines_of(run.file);
    ASSERT_EQ(lines.size(), 6145u);
    EXPECT_EQ(lines[1], "00000000,0,がんばりや,10,31,16,25,22,0,どく,42");
    EXPECT_EQ(lines[2], "01000000,0,やんちゃ,24,15,31,11,20,14,じめん,59");
    for (std::size_t i = 1; i < lines.size(); ++i) ASSERT_EQ(lines[i].substr(8, 3), ",0,") << lines[i];
    ASSERT_EQ(run.progress.size(), 24u);
    for (int h = 0; h < 24; ++h)
        EXPECT_EQ(run.progress[h], "順処理:" + std::to_string(h) + "時計算中　候補:" + std::to_string(256 * h) + "個");
}

TEST(NarrowingExamples, ForwardFixedShinyExampleMatchesItsGoldenFile) {
    NarrowingRequest req;
    req.reverse = false;
    req.fixed_shiny = true;
    req.tid = 12345;
    req.sid = 54321;
    req.nature = 4;  // やんちゃ
    req.max_low = 0;
    req.max_frames = 3;
    const test::NarrowingRun run = run_fast(req);
    EXPECT_EQ(run.file, test::golden("narrowing_forward_fixed_2304.txt"));
    const std::vector<std::string> lines = lines_of(run.file);
    ASSERT_EQ(lines.size(), 2305u);
    EXPECT_EQ(lines[0], kHeaderWithNature);
    EXPECT_EQ(lines[1], "00000000,0,やんちゃ,28,21,30,7,29,18,ゴースト,57");
}

// Regenerates the golden files from the literal reference:
// varnholt_tests --gtest_also_run_disabled_tests --gtest_filter='*WriteGolden*'
TEST(NarrowingExamples, DISABLED_WriteGoldenFilesFromTheLiteralReference) {
    NarrowingRequest a;
    a.reverse = false;
    a.max_low = 0;
    a.max_frames = 5;
    test::write_file(std::filesystem::path(VARNHOLT_GOLDEN_DIR) / "narrowing_forward_6144.txt", run_literal(a).file);
    NarrowingRequest b = a;
    b.fixed_shiny = true;
    b.tid = 12345;
    b.sid = 54321;
    b.nature = 4;
    b.max_frames = 3;
    test::write_file(std::filesystem::path(VARNHOLT_GOLDEN_DIR) / "narrowing_forward_fixed_2304.txt",
                     run_literal(b).file);
}

TEST(NarrowingExamples, ForwardFindsEveryReverseRowAtTheSameFrame) {
    NarrowingRequest req = all_minimums(31);
    const std::vector<std::string> reverse = lines_of(run_fast(req).file);
    req.reverse = false;
    const test::NarrowingRun forward = run_fast(req);
    const std::vector<std::string> lines = lines_of(forward.file);
    EXPECT_EQ(lines.size(), 20u);  // 19 rows with the default bounds
    const std::set<std::string> rows(lines.begin() + 1, lines.end());
    for (std::size_t i = 1; i < reverse.size(); ++i) EXPECT_TRUE(rows.count(reverse[i])) << reverse[i];
    EXPECT_EQ(forward.progress.size(), 24u);
}

TEST(NarrowingHeader, FollowsTheRowsInEveryCombination) {
    for (bool reverse : {true, false})
        for (bool fixed : {false, true})
            for (std::uint16_t tid : {0, 7}) {
                // Requests with rows: six 31s at any low half, or every seed of low half 0.
                NarrowingRequest req = all_minimums(reverse ? 31 : 0);
                req.reverse = reverse;
                req.fixed_shiny = fixed;
                req.tid = tid;
                req.max_low = reverse ? 0xFFFF : 0;
                const std::vector<std::string> lines = lines_of(run_fast(req).file);
                ASSERT_GT(lines.size(), 1u) << reverse << fixed << tid;
                EXPECT_EQ(lines[0], reverse && fixed ? kHeaderWithoutNature : kHeaderWithNature)
                    << reverse << fixed << tid;
                // A row with nature has 11 fields, one without 10.
                for (const std::string& row : lines)
                    EXPECT_EQ(std::count(row.begin(), row.end(), ','), reverse && fixed ? 9 : 10) << row;
            }
}

TEST(NarrowingEdges, PrefilteredCombinationsAreShownButGiveNoRows) {
    NarrowingRequest req = all_minimums(31);
    req.min_ivs[0] = 30;
    req.hp_type = 15;  // 30-31-31-31-31-31 has another type
    const test::NarrowingRun run = run_fast(req);
    EXPECT_EQ(run.progress, (std::vector<std::string>{"逆処理:30-31-31-31-31-31　候補:0個",
                                                      "逆処理:31-31-31-31-31-31　候補:0個"}));
    EXPECT_EQ(run.file, run_literal(all_minimums(31)).file);
}

TEST(NarrowingEdges, NoHitsLeaveTheHeaderOnly) {
    NarrowingRequest req = all_minimums(31);
    req.min_power = 70;
    req.hp_type = 0;  // all 31 is あく
    EXPECT_EQ(run_fast(req).file, std::string(kHeaderWithNature) + "\r\n");
    req.reverse = false;
    req.max_low = 0;
    EXPECT_EQ(run_fast(req).file, std::string(kHeaderWithNature) + "\r\n");
}

TEST(NarrowingEdges, SynchronizeWithoutNatureChangesNothing) {
    for (bool reverse : {true, false}) {
        NarrowingRequest req = all_minimums(29);
        req.reverse = reverse;
        req.max_low = reverse ? 0x1000 : 3;
        const std::string plain = run_fast(req).file;
        req.sync = true;
        EXPECT_EQ(run_fast(req).file, plain);
    }
}

TEST(NarrowingEdges, FixedShinyFramesStayWithinFifteenAndFifteenPlusMaximum) {
    NarrowingRequest req = all_minimums(31);
    req.min_ivs[3] = req.min_ivs[4] = req.min_ivs[5] = 30;
    req.fixed_shiny = true;
    req.max_low = 0xFFFF;
    for (int frames : {0, 1, 40}) {
        req.max_frames = frames;
        const std::string file = run_fast(req).file;
        EXPECT_EQ(file, run_literal(req).file);
        const std::vector<std::string> lines = lines_of(file);
        ASSERT_GT(lines.size(), 1u) << frames;
        for (std::size_t i = 1; i < lines.size(); ++i) EXPECT_LE(std::stoi(lines[i].substr(9)), frames) << lines[i];
    }
}

// The shiny test at its edge: IDs with which the personality value of the
// first example row combines to 7 keep that row, to 8 drop it.
TEST(NarrowingEdges, ShinyKeepsSevenAndDropsEight) {
    FrameListRequest list;
    list.seed = 0x1301047Bu;
    list.frames = 272;
    StringSink s;
    write_frame_list(list, s);
    const std::string frame271 = lines_of(s.text).back();
    const std::uint32_t pid = std::stoul(frame271.substr(frame271.find(",0x", 6) + 3, 8), nullptr, 16);
    for (std::uint32_t combined : {7u, 8u}) {
        NarrowingRequest req = all_minimums(31);
        req.shiny = true;
        req.tid = static_cast<std::uint16_t>((pid >> 16) ^ (pid & 0xFFFF) ^ combined);
        const std::string file = run_fast(req).file;
        EXPECT_EQ(file, run_literal(req).file) << combined;
        EXPECT_EQ(file.find("\r\n1301047B,271,") != std::string::npos, combined == 7) << combined;
    }
}

TEST(NarrowingEdges, OutOfRangeRequestsAreClamped) {
    NarrowingRequest req;
    req.min_ivs = {-4, 40, 31, 31, 31, 31};
    req.max_low = 0x12345;
    req.max_frames = 9999;
    req.nature = 99;
    req.hp_type = 16;
    req.min_power = 99;
    const NarrowingRequest c = clamped(req);
    EXPECT_EQ(c.min_ivs, (Ivs{0, 31, 31, 31, 31, 31}));
    EXPECT_EQ(c.max_low, 0xFFFF);
    EXPECT_EQ(c.max_frames, 2500);
    EXPECT_EQ(c.nature, kNoNature);
    EXPECT_EQ(c.hp_type, -1);
    EXPECT_EQ(c.min_power, 70);
    req.min_power = 25;
    EXPECT_EQ(clamped(req).min_power, 30);
}

// Forward processing with a short output table: a frame whose search would
// read past its end yields nothing and the next frame is tried; the fast
// search treats it exactly as the literal one.
TEST(NarrowingEdges, ForwardTableEndIsNeverOverrun) {
    NarrowingRequest req;
    req.reverse = false;
    req.max_low = 0;
    req.max_frames = 12;
    req.min_ivs = {0, 0, 0, 0, 0, 20};
    req.nature = 3;
    for (int table : {20, 24, 33}) {
        NarrowingTestHook hook;
        hook.forward_table = table;
        NarrowingOptions opt;
        opt.test_hook = &hook;
        const test::NarrowingRun literal = run_literal(req, table);
        for (auto way : {NarrowingTestHook::ForwardWay::kReplayEverySeed, NarrowingTestHook::ForwardWay::kPassSet}) {
            hook.forward_way = way;
            EXPECT_EQ(run_fast(req, opt).file, literal.file) << table;
        }
        // The table end matters here: a longer table finds more.
        EXPECT_NE(literal.file, run_literal(req).file) << table;
    }
}

// ---- stopping ------------------------------------------------------------------

// A sink that fails once it holds more than `limit` bytes, and counts what
// still arrives after that.
struct FailingSink final : TextSink {
    explicit FailingSink(std::size_t l) : limit(l) {}
    void write(const char*, std::size_t n) override {
        if (stopped()) {
            ++writes_after_stop;
            return;
        }
        bytes += n;
        if (bytes > limit) stop();
    }
    std::size_t limit;
    std::size_t bytes = 0;
    int writes_after_stop = 0;
};

// Progress that counts texts, and those sent after the sink stopped or
// after its own poll said no (from the `polls`-th poll on).
struct StoppingProgress {
    const TextSink& sink;
    int polls_before_no = 1 << 30;
    int polls = 0;
    int texts = 0;
    int texts_after_stop = 0;
    void operator()(const char*) {
        ++texts;
        texts_after_stop += sink.stopped() || polls > polls_before_no;
    }
    bool poll() { return ++polls <= polls_before_no; }
};

// Requests that would write hundreds of megabytes or take many seconds.
std::vector<NarrowingRequest> long_requests() {
    NarrowingRequest every_seed;  // forward, every seed has a row
    every_seed.reverse = false;
    NarrowingRequest shiny = every_seed;  // forward, from the passing frame states
    shiny.shiny = true;
    shiny.tid = 12345;
    shiny.sid = 54321;
    shiny.min_ivs = {0, 0, 0, 0, 0, 10};
    NarrowingRequest reverse = all_minimums(22);
    return {every_seed, shiny, reverse};
}

TEST(NarrowingStop, AFailedWriteEndsTheSearchWithNothingMoreWritten) {
    for (const NarrowingRequest& req : long_requests()) {
        FailingSink sink(4096);
        StoppingProgress progress{sink};
        run_narrowing(req, progress, sink, {2, nullptr});
        EXPECT_TRUE(sink.stopped());
        EXPECT_EQ(sink.writes_after_stop, 0) << req.reverse;
        EXPECT_EQ(progress.texts_after_stop, 0) << req.reverse;
    }
}

TEST(NarrowingStop, APollThatSaysNoStopsTheSearch) {
    for (const NarrowingRequest& req : long_requests()) {
        FailingSink sink(std::size_t{1} << 40);
        StoppingProgress progress{sink, 3};
        run_narrowing(req, progress, sink, {2, nullptr});
        EXPECT_TRUE(sink.stopped());
        EXPECT_EQ(progress.polls, 4) << req.reverse;  // no poll after the no
        EXPECT_EQ(sink.writes_after_stop, 0) << req.reverse;
        EXPECT_EQ(progress.texts_after_stop, 0) << req.reverse;
        EXPECT_LT(sink.bytes, std::size_t{64} << 20) << req.reverse;
    }
}

}  // namespace
}  // namespace vh
