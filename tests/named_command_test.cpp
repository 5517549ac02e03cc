// varnholt-cli's named commands: strict values, drop-down names, the file
// confirmation, the stopwatch and adoption, and the data-file notes.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "test_support.hpp"
#include "ui/controls.hpp"

namespace vh {
namespace {

using test::read_file;
using test::run_cli;
using test::utf8;

std::vector<std::string> lines(const std::string& text) {
    std::vector<std::string> out;
    for (std::size_t start = 0, end; (end = text.find('\n', start)) != std::string::npos; start = end + 1)
        out.push_back(text.substr(start, end - start));
    return out;
}

struct Bad {
    const char* args;
    const char* names;  // what the one error line names
    int field;          // the field it must not mention
};

TEST(NamedCommand, AValueTheOptionDoesNotTakeStopsTheRunWithOneLineNamingIt) {
    test::ScratchDir dir;
    const Bad cases[] = {
        {"list --seed 0x123456789", "list --seed", kListSeed},
        {"list --seed xyz", "list --seed", kListSeed},
        {"list --frames abc", "list --frames", kListFrames},
        {"list --frames -1", "list --frames", kListFrames},
        {"list --min 0,0,0,0,0,32", "list --min", kListMinH},
        {"narrow --nature 25", "narrow --nature", kNarrowNature},
        {"narrow --max-low 10000", "narrow --max-low", kNarrowMaxLow},
        {"narrow --min-power 29", "narrow --min-power", kNarrowMinPower},
        {"narrow --mode sideways", "narrow --mode", kNarrowMode},
        {"candidates --hour 24", "candidates --hour", kCandidateHour},
        {"boot-load --month 13 --day 12", "boot-load --month", kStartMonth},
        {"boot-load --month 9 --day 40", "boot-load --day", kStartDay},
        {"boot-load --seconds 1.2.3", "boot-load --seconds", kMeasuredSeconds},
        {"boot-load --direction 1", "boot-load --direction", kDirection},
        {"check --dog1 40", "check --dog1", kCheckDog1},
        {"check --level 101", "check --level", kCheckLevel},
        {"check --species zarbel", "check --species", kCheckSpecies},  // no such species
        {"adopt --candidate 11", "adopt --candidate", kAdoptFirstId + 10},
    };
    for (const Bad& c : cases) {
        SCOPED_TRACE(c.args);
        // A good command before the bad one: nothing runs at all.
        EXPECT_EQ(run_cli(std::string("list --frames 1 ") + c.args), 2);
        const auto err = lines(read_file("err.log"));
        ASSERT_EQ(err.size(), 1u);
        EXPECT_NE(err[0].find(c.names), std::string::npos) << err[0];
        EXPECT_EQ(err[0].find(std::to_string(c.field)), std::string::npos) << err[0];
        EXPECT_FALSE(std::filesystem::exists("list.txt"));
    }
}

TEST(NamedCommand, DropDownsTakeANameOrTheSameNumberEverywhere) {
    test::ScratchDir dir;
    // ようき is nature 13, あく type 15, 32番道路 route 32, wherever they are listed.
    ASSERT_EQ(run_cli(utf8(u8"list --frames 0 --nature ようき show 301 list --frames 0 --nature 13 show 301 "
                           u8"candidates --nature ようき show 310 candidates --nature 13 show 310 "
                           u8"check --sync-nature 13 --dog1 32番道路 --lati 24 show 315 show 312 show 314 "
                           u8"check --dog1 32 show 312 "
                           u8"narrow --min 31,31,31,31,31,31 --hp-type あく show 303 "
                           u8"narrow --min 31,31,31,31,31,31 --hp-type 15 --mode 逆処理 show 303 show 302")),
              0);
    EXPECT_EQ(read_file("out.log"), utf8(u8"14 ようき\n14 ようき\n13 ようき\n13 ようき\n14 ようき\n4 32番道路\n"
                                         u8"23 24番道路\n4 32番道路\n16 あく\n16 あく\n0 逆処理\n"));
    // --help names every item.
    ASSERT_EQ(run_cli("--help"), 0);
    const std::string help = read_file("out.log");
    for (const char8_t* name : {u8"13 ようき", u8"15 あく", u8"32番道路", u8"28番道路", u8"1 順処理", u8"シンクロ無し"})
        EXPECT_NE(help.find(utf8(name)), std::string::npos) << utf8(name);
}

TEST(NamedCommand, AWrittenFileIsConfirmedOnStandardErrorWithItsRows) {
    test::ScratchDir dir;
    for (const char* frames : {"3", "0"}) {
        ASSERT_EQ(run_cli(std::string("list --seed 12345678 --frames ") + frames), 0);
        const std::size_t rows = lines(read_file("list.txt")).size() - 1;
        EXPECT_EQ(rows, static_cast<std::size_t>(std::atoi(frames)));
        EXPECT_EQ(read_file("err.log"),
                  "varnholt-cli: wrote list.txt, " + std::to_string(rows) + (rows == 1 ? " row\n" : " rows\n"));
        EXPECT_EQ(read_file("out.log"), "");  // the list paints nothing
    }
}

TEST(NamedCommand, StopwatchAdoptionAndTheTargetPanelByName) {
    test::ScratchDir dir;
    ASSERT_EQ(run_cli(utf8(u8"stopwatch --ms 300 candidates --ivs 25,15,0,18,24,23 --nature ずぶとい --hour 15 "
                           u8"adopt --candidate 1 show 144 show 145")),
              0);
    const auto out = lines(read_file("out.log"));
    ASSERT_EQ(out.size(), 4u);
    const double reading = std::atof(out[0].c_str());
    EXPECT_GE(reading, 0.30);
    EXPECT_LT(reading, 5.0);
    EXPECT_EQ(out[1], "0A0F0123");
    EXPECT_EQ(out[2], out[0]);  // the reading, adopted as the measured seconds
    EXPECT_EQ(out[3], "0123");
    EXPECT_EQ(run_cli("candidates --ivs 25,15,0,18,24,23 --nature 5 --hour 15 adopt --candidate 2"), 2);
    EXPECT_NE(read_file("err.log").find("adopt --candidate 2"), std::string::npos);
    EXPECT_EQ(run_cli("stopwatch"), 2);

    // The target-seed panel by name, direction list included, equals the same by ID.
    ASSERT_EQ(run_cli("140=A0140650 144=30.5 145=650 311=0 142=10 143=3 press 212"), 0);
    const std::string by_id = read_file("out.log");
    EXPECT_EQ(lines(by_id).size(), 2u);
    ASSERT_EQ(run_cli(utf8(u8"boot-load --target 0xA0140650 --seconds 30.5 --delay 0x0650 --direction 以降 "
                           u8"--month 10 --day 3")),
              0);
    EXPECT_EQ(read_file("out.log"), by_id);
}

TEST(NamedCommand, AMissingOrUnreadableDataFileIsSaidOnceBeforeTheCommandThatUsesIt) {
    test::ScratchDir dir;
    ASSERT_EQ(run_cli("list --frames 0 check --target 10 check --target 10 boot-load --target 10"), 0);
    auto err = lines(read_file("err.log"));
    ASSERT_EQ(err.size(), 5u);
    EXPECT_EQ(err[0], "varnholt-cli: wrote list.txt, 0 rows");
    EXPECT_NE(err[1].find("zarbel.dat not found"), std::string::npos) << err[1];
    EXPECT_EQ(err[2], "varnholt-cli: wrote zure.txt, 17 rows");
    EXPECT_EQ(err[3], "varnholt-cli: wrote zure.txt, 17 rows");
    EXPECT_NE(err[4].find("config.txt not found"), std::string::npos) << err[4];

    std::filesystem::create_directory("zarbel.dat");
    test::write_file("config.txt", "30.00\r\n0650\r\n");
    ASSERT_EQ(run_cli("check --target 10 boot-load --target 10"), 0);
    err = lines(read_file("err.log"));
    ASSERT_EQ(err.size(), 2u);
    EXPECT_NE(err[0].find("zarbel.dat cannot be read"), std::string::npos) << err[0];
}

// Every input that a command reads can be set by a named option.
TEST(NamedCommand, EveryFieldACommandReadsHasAnOption) {
    int covered = 0;  // fields still covered by the last six-value option
    for (const ControlSpec& c : control_table()) {
        const bool input = c.kind == ControlKind::kEdit || c.kind == ControlKind::kCheck ||
                           c.kind == ControlKind::kCombo || c.kind == ControlKind::kComboNoTab;
        if (!input) continue;
        SCOPED_TRACE(c.id);
        EXPECT_NE(c.commands, kNoCommand);
        if (covered > 0) {
            --covered;
            EXPECT_EQ(c.cli_name, nullptr);
            continue;
        }
        EXPECT_NE(c.cli_name, nullptr);
        if (c.value.kind == ValueKind::kSix) covered = 5;
    }
    EXPECT_EQ(covered, 0);
}

}  // namespace
}  // namespace vh
