// The settings file reader, and the two fields it fills when the window's
// controls are created.
#include <gtest/gtest.h>

#include <string>

#include "data/settings.hpp"
#include "test_support.hpp"
#include "ui/frontend.hpp"
#include "ui/headless/headless.hpp"

namespace vh {
namespace {

std::pair<std::string, std::string> fields(const std::string& bytes) {
    const Settings s = parse_settings(bytes.data(), bytes.size());
    EXPECT_TRUE(s.found);
    return {s.seconds, s.delay};
}
using P = std::pair<std::string, std::string>;

TEST(SettingsFile, TwoLinesWithAnyLineEnd) {
    EXPECT_EQ(fields("25.48\n05F8\n"), (P{"25.48", "05F8"}));
    EXPECT_EQ(fields("25.48\r\n05F8\r\n"), (P{"25.48", "05F8"}));
    EXPECT_EQ(fields("25.48\r\n05F8"), (P{"25.48", "05F8"}));   // last line without line feed
    EXPECT_EQ(fields("25.48\n05F8\nmore\nlines\n"), (P{"25.48", "05F8"}));
    // Only the line end goes; blanks, a lone CR and other text stay.
    EXPECT_EQ(fields(" 25.48 \r\r\nabc\r"), (P{" 25.48 \r", "abc\r"}));
    EXPECT_EQ(fields("\n05F8\n"), (P{"", "05F8"}));
}

TEST(SettingsFile, MissingLinesLeaveTheirFieldsEmpty) {
    EXPECT_EQ(fields(""), (P{"", ""}));
    EXPECT_EQ(fields("25.48\n"), (P{"25.48", ""}));
    EXPECT_EQ(fields("25.48"), (P{"25.48", ""}));
    EXPECT_EQ(fields("\n"), (P{"", ""}));
}

TEST(SettingsFile, LongLinesAndNulBytes) {
    const std::string a(400, 'a'), b(300, 'b');
    EXPECT_EQ(fields(a + "\n" + b + "\n"), (P{std::string(254, 'a'), std::string(254, 'b')}));
    EXPECT_EQ(fields(std::string("12\0" "34\n56\n", 9)), (P{"12", "56"}));
}

TEST(SettingsFile, ReadFromTheWorkingDirectory) {
    test::ScratchDir dir;
    EXPECT_FALSE(read_settings_file().found);
    test::write_file("config.txt", "12.5\r\nABCD\r\n");
    const Settings s = read_settings_file();
    EXPECT_TRUE(s.found);
    EXPECT_STREQ(s.seconds, "12.5");
    EXPECT_STREQ(s.delay, "ABCD");
}

class SettingsWindow : public ::testing::Test {
protected:
    void open_window() {
        headless::reset();
        on_window_create();
        create_window_contents();
    }
    test::ScratchDir dir_;
};

TEST_F(SettingsWindow, FillsTheCalibrationFields) {
    test::write_file("config.txt", "31.07\r\n0A3C\r\n");
    open_window();
    EXPECT_EQ(headless::text(144), "31.07");
    EXPECT_EQ(headless::text(145), "0A3C");
}

TEST_F(SettingsWindow, OneLineFileLeavesTheSecondFieldEmpty) {
    test::write_file("config.txt", "31.07");
    open_window();
    EXPECT_EQ(headless::text(144), "31.07");
    EXPECT_EQ(headless::text(145), "");
}

TEST_F(SettingsWindow, NoFileLeavesBothEmpty) {
    open_window();
    EXPECT_EQ(headless::text(144), "");
    EXPECT_EQ(headless::text(145), "");
}

}  // namespace
}  // namespace vh
