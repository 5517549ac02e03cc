// The frame list through the dispatcher and the headless window, and
// through the varnholt-cli process, from raw field texts.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

#include "features/frame_list.hpp"
#include "test_support.hpp"
#include "ui/frontend.hpp"
#include "ui/headless/headless.hpp"

namespace vh {
namespace {

class FrameListCommand : public ::testing::Test {
protected:
    void SetUp() override {
        headless::reset();
        create_window_contents();
    }
    std::string press_and_read() {
        EXPECT_TRUE(dispatch_command(202));
        EXPECT_EQ(headless::take_opened(), std::vector<std::string>{"list.txt"});
        return test::read_file("list.txt");
    }
    static std::string direct(const FrameListRequest& r) {
        StringSink s;
        write_frame_list(r, s);
        return s.text;
    }
    test::ScratchDir dir_;
};

TEST_F(FrameListCommand, WritesTheFileAndOpensItWithoutRepainting) {
    headless::set_field(116, "12345678");
    headless::set_field(117, "3");
    FrameListRequest r;
    r.seed = 0x12345678u;
    r.frames = 3;
    EXPECT_EQ(press_and_read(), direct(r));
    EXPECT_FALSE(headless::take_repaint_request());
}

TEST_F(FrameListCommand, FieldsAreCutToTheirLimitsThenClampedOrWrapped) {
    headless::set_field(116, "A5C7EA089");  // nine digits: the last is not read
    headless::set_field(117, "12345");      // read as 1234
    headless::set_field(110, "100");        // 100, clamped to 31
    headless::set_field(111, "-7");         // clamped to 0
    headless::set_field(118, "70000");      // low 16 bits: 4464
    headless::set_field(119, "-1");         // 65535
    headless::set_check(903, true);
    FrameListRequest r;
    r.seed = 0xA5C7EA08u;  // with shiny frames for these IDs
    r.frames = 1234;
    r.min_ivs = {31, 0, 0, 0, 0, 0};
    r.tid = 4464;
    r.sid = 65535;
    r.shiny_only = true;
    const std::string file = press_and_read();
    EXPECT_GT(std::count(file.begin(), file.end(), '\n'), 1);
    EXPECT_EQ(file, direct(r));
}

TEST_F(FrameListCommand, GarbageReadsAsZero) {
    headless::set_field(116, "zz");
    headless::set_field(117, "  +2 frames");
    headless::set_field(112, "x9");
    FrameListRequest r;
    r.seed = 0;
    r.frames = 2;
    const std::string got = press_and_read();
    EXPECT_EQ(got, direct(r));
    EXPECT_NE(got.find("0,0x00000000,"), std::string::npos);
}

TEST_F(FrameListCommand, ComboAndChecksReachTheRequest) {
    headless::set_field(116, "12345678");
    headless::set_field(117, "3");
    headless::select(301, 4);  // いじっぱり
    headless::set_check(901, true);
    headless::set_check(904, true);
    FrameListRequest r;
    r.seed = 0x12345678u;
    r.frames = 3;
    r.nature = 3;
    r.sync = true;
    r.all_natures = true;
    EXPECT_EQ(press_and_read(), direct(r));
}

TEST_F(FrameListCommand, AFileThatCannotBeCreatedIsReportedAndNotOpened) {
    std::filesystem::create_directory("list.txt");
    headless::take_captions();
    EXPECT_FALSE(dispatch_command(202));
    EXPECT_TRUE(headless::take_opened().empty());
    const auto captions = headless::take_captions();
    ASSERT_EQ(captions.size(), 1u);
    EXPECT_NE(captions[0].find("list.txt"), std::string::npos);
}

using test::run_cli;

TEST_F(FrameListCommand, TheCliWritesTheSameFileAsTheWindow) {
    ASSERT_EQ(run_cli("116=12345678 117=3 press 202"), 0);
    FrameListRequest r;
    r.seed = 0x12345678u;
    r.frames = 3;
    EXPECT_EQ(test::read_file("list.txt"), direct(r));
    // The named form sets the same fields; its seed keeps all eight digits
    // after a 0x.
    const std::string by_id = test::read_file("list.txt");
    std::filesystem::remove("list.txt");
    ASSERT_EQ(run_cli("list --seed 0x12345678 --frames 3 --min 0,0,0,0,0,0"), 0);
    EXPECT_EQ(test::read_file("list.txt"), by_id);
    ASSERT_EQ(run_cli("list --min 31,0,0,0,0,30 --sync show 110 show 115 show 901"), 0);
    EXPECT_EQ(test::read_file("out.log"), "31\n30\non\n");
    EXPECT_EQ(run_cli("list --min 1,2,3"), 2);
    EXPECT_EQ(run_cli("list --bogus"), 2);
    // UTF-8 arguments are typed as Shift-JIS; show prints UTF-8 again.
    ASSERT_EQ(run_cli(test::utf8(u8"147=テスト show 147 show 301 301=5 show 301 show 904")), 0);
    EXPECT_EQ(test::read_file("out.log"), test::utf8(u8"テスト\n0 指定無し\n5 やんちゃ\noff\n"));
}

TEST_F(FrameListCommand, TheCliFailsClearlyOnUsageErrorsAndUnwritableFiles) {
    EXPECT_EQ(run_cli("9999=1"), 2);
    EXPECT_EQ(run_cli("press"), 2);
    EXPECT_EQ(run_cli("301=99"), 2);
    EXPECT_EQ(run_cli("904=maybe"), 2);
    EXPECT_EQ(run_cli("bogus"), 2);
    EXPECT_FALSE(test::read_file("err.log").empty());
    std::filesystem::create_directory("list.txt");
    EXPECT_EQ(run_cli("116=1 117=1 press 202"), 1);
    EXPECT_NE(test::read_file("err.log").find("list.txt"), std::string::npos);
}

}  // namespace
}  // namespace vh
