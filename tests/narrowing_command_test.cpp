// Command 200 through the dispatcher and the headless window, and through
// the varnholt-cli process, from raw field texts.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>

#include "narrowing_support.hpp"
#include "test_support.hpp"
#include "ui/frontend.hpp"
#include "ui/headless/headless.hpp"

namespace vh {
namespace {

class NarrowingCommand : public ::testing::Test {
protected:
    void SetUp() override {
        headless::reset();
        create_window_contents();
        headless::take_captions();
    }
    std::string press_and_read() {
        EXPECT_TRUE(dispatch_command(200));
        EXPECT_EQ(headless::take_opened(), std::vector<std::string>{"syokiseed.txt"});
        EXPECT_FALSE(headless::take_repaint_request());
        return test::read_file("syokiseed.txt");
    }
    static void set_minimums(const char* v) {
        for (int id = 100; id <= 105; ++id) headless::set_field(id, v);
    }
    test::ScratchDir dir_;
};

TEST_F(NarrowingCommand, WritesTheFileShowsProgressAndRestoresTheCaption) {
    set_minimums("31");
    const std::string file = press_and_read();
    EXPECT_EQ(file, test::run_fast(test::all_minimums(31)).file);
    EXPECT_EQ(headless::take_captions(),
              (std::vector<std::string>{"逆処理:31-31-31-31-31-31　候補:0個", "Varnholt"}));
}

TEST_F(NarrowingCommand, FieldsAreCutToTheirLimitsThenClamped) {
    headless::set_field(100, "-5");     // 0
    headless::set_field(101, "+31x");   // 31
    headless::set_field(102, "1000");   // three characters: 100, clamped to 31
    headless::set_field(103, "31");
    headless::set_field(104, "31");
    headless::set_field(105, "99");     // 31
    headless::set_field(106, "FFFFF");  // four characters: FFFF
    headless::set_field(107, "9999");   // 2500
    headless::set_field(150, "25");     // 30
    headless::set_field(108, "70000");  // low 16 bits: 4464
    headless::set_field(109, "-1");     // 65535
    headless::set_check(907, true);
    headless::select(300, 8);           // のんき, a nature these IDs can give
    NarrowingRequest r;
    r.min_ivs = {0, 31, 31, 31, 31, 31};
    r.max_low = 0xFFFF;
    r.max_frames = 2500;
    r.min_power = 30;
    r.tid = 4464;
    r.sid = 65535;
    r.fixed_shiny = true;
    r.nature = 7;
    const std::string file = press_and_read();
    EXPECT_GT(test::lines_of(file).size(), 1u);
    EXPECT_EQ(file, test::run_fast(r).file);
    EXPECT_EQ(headless::take_captions().size(), 33u);  // 32 combinations and the restored caption
}

TEST_F(NarrowingCommand, CombosAndChecksReachTheRequest) {
    headless::set_field(106, "0x10");   // 16
    headless::set_field(107, "7");
    headless::set_field(150, "abc");    // 30
    headless::select(302, 1);           // 順処理
    headless::select(303, 16);          // あく
    headless::select(300, 16);          // ひかえめ
    headless::set_check(900, true);
    headless::set_check(902, true);
    NarrowingRequest r;
    r.max_low = 16;
    r.max_frames = 7;
    r.reverse = false;
    r.hp_type = 15;
    r.nature = 15;
    r.sync = true;
    r.shiny = true;
    const std::string file = press_and_read();
    EXPECT_GT(test::lines_of(file).size(), 1u);
    EXPECT_EQ(file, test::run_fast(r).file);
    const auto captions = headless::take_captions();
    ASSERT_EQ(captions.size(), 25u);
    EXPECT_EQ(captions[0], "順処理:0時計算中　候補:0個");
    EXPECT_EQ(captions[24], "Varnholt");
}

TEST_F(NarrowingCommand, AFileThatCannotBeCreatedIsReportedAndNothingIsSearched) {
    std::filesystem::create_directory("syokiseed.txt");
    set_minimums("31");
    EXPECT_FALSE(dispatch_command(200));
    EXPECT_TRUE(headless::take_opened().empty());
    const auto captions = headless::take_captions();
    ASSERT_EQ(captions.size(), 1u);  // no progress text: the search did not run
    EXPECT_NE(captions[0].find("syokiseed.txt"), std::string::npos);
}

using test::run_cli;

TEST_F(NarrowingCommand, TheCliWritesTheNineRowFileAndStreamsEveryProgressText) {
    ASSERT_EQ(run_cli("100=31 101=31 102=31 103=31 104=31 105=31 press 200"), 0);
    const std::string file = test::read_file("syokiseed.txt");
    EXPECT_EQ(file, test::run_fast(test::all_minimums(31)).file);
    EXPECT_EQ(test::lines_of(file).size(), 10u);
    EXPECT_EQ(test::read_file("err.log"),
              test::utf8(u8"逆処理:31-31-31-31-31-31　候補:0個\nVarnholt\nvarnholt-cli: wrote syokiseed.txt, 9 rows\n"));
    ASSERT_EQ(run_cli("100=30 101=31 102=31 103=31 104=31 105=31 302=1 106=0 107=0 press 200"), 0);
    // Forward processing: 24 hour texts, one line each, then the caption
    // restored and the file confirmed.
    const std::string err = test::read_file("err.log");
    EXPECT_EQ(std::count(err.begin(), err.end(), '\n'), 26);
    EXPECT_EQ(err.substr(0, err.find('\n')), test::utf8(u8"順処理:0時計算中　候補:0個"));
    std::filesystem::remove("syokiseed.txt");
    std::filesystem::create_directory("syokiseed.txt");
    EXPECT_EQ(run_cli("100=31 101=31 102=31 103=31 104=31 105=31 press 200"), 1);
    EXPECT_NE(test::read_file("err.log").find("syokiseed.txt"), std::string::npos);
}

}  // namespace
}  // namespace vh
