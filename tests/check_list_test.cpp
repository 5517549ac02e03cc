// The check list: both worked examples through the dispatcher, the seed
// window bounds, negative frames, route draws past the prepared outputs and
// the fast list against its literal reference.
#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "data/species.hpp"
#include "engine/lcg.hpp"
#include "features/check_list.hpp"
#include "reference/check_list_reference.hpp"
#include "test_support.hpp"
#include "ui/app_state.hpp"
#include "ui/frontend.hpp"
#include "ui/headless/headless.hpp"

namespace vh {
namespace {

std::vector<std::string> lines_of(const std::string& text) {
    std::vector<std::string> out;
    std::size_t start = 0;
    for (std::size_t p; (p = text.find("\r\n", start)) != std::string::npos; start = p + 2)
        out.push_back(text.substr(start, p - start));
    EXPECT_EQ(start, text.size()) << "text after the last CR LF";
    return out;
}

// A species file: record 0 has base stats 10, record 7 is "テスト" with all 50,
// the others vary, and one name is given twice.
std::string species_file() {
    std::string f;
    for (int i = 0; i < kSpeciesCount; ++i) {
        if (i == 0) f += "10,10,10,10,10,10,はじめ\r\n";
        else if (i == 7) f += "50,50,50,50,50,50,テスト\r\n";
        else if (i == 9 || i == 300) f += std::to_string(i) + ",1,2,3,4,5,ふたご\r\n";
        else f += std::to_string(i % 200) + "," + std::to_string(i % 90 + 5) + ",60,70,80,90,名" + std::to_string(i) + "\r\n";
    }
    return f;
}

std::string utf8(const char8_t* s) { return reinterpret_cast<const char*>(s); }

class CheckListCommand : public ::testing::Test {
protected:
    void SetUp() override {
        test::write_file("zarbel.dat", species_file());
        headless::reset();
        g_app = AppState{};  // nothing kept from other tests
        on_window_create();
        create_window_contents();
    }
    std::string press_and_read(bool expect_ok = true) {
        EXPECT_EQ(dispatch_command(213), expect_ok);
        EXPECT_TRUE(headless::take_repaint_request());
        return test::read_file("zure.txt");
    }
    static std::vector<std::string> painted() {
        headless::take_painted();
        paint_results();
        return headless::take_painted();
    }
    void example_fields(bool roamers) {
        headless::set_field(140, "5A0A0650");
        headless::set_field(146, "20");
        headless::set_field(147, "テスト");
        headless::set_field(148, "50");
        if (roamers) {
            headless::select(312, 4);   // 32番道路, index 3
            headless::select(313, 8);   // 36番道路, index 7
            headless::select(314, 11);  // 11番道路, index 10
        }
    }
    test::ScratchDir dir_;
};

TEST_F(CheckListCommand, ThreeRoamerExample) {
    example_fields(true);
    EXPECT_TRUE(painted().empty());  // nothing painted before the first run
    const std::string file = press_and_read();
    EXPECT_EQ(headless::take_opened(), std::vector<std::string>{"zure.txt"});
    const auto l = lines_of(file);
    ASSERT_EQ(l.size(), 18u);
    EXPECT_EQ(l[0], "初期seed,犬1,犬2,ラティ,性格,H,A,B,S,C,D");
    EXPECT_EQ(l[1], "5A0A0640,43番道路,44番道路,1番道路,おっとり,114,65,61,70,73,63");
    EXPECT_EQ(l[9], "5A0A0650,30番道路,39番道路,19番道路,のんき,118,70,64,54,70,67");
    EXPECT_EQ(l[17], "5A0A0660,35番道路,29番道路,28番道路,やんちゃ,110,62,70,57,57,54");
    EXPECT_EQ(g_app.ideal_roaming, 4);
    EXPECT_EQ(g_app.species_index, 7);
    EXPECT_EQ(painted(), std::vector<std::string>{"理想徘徊消費:4回"});

    // Every row, not only the three given, agrees with the literal reference.
    CheckListRequest r;
    r.target = 0x5A0A0650u;
    r.consumption = 20;
    r.level = 50;
    r.dog1_prev = 3;
    r.dog2_prev = 7;
    r.lati_prev = 10;
    CheckListKept kept{-1, 7};
    EXPECT_EQ(file, reference::check_list(r, g_species, kept));
}

TEST_F(CheckListCommand, NoRoamerExample) {
    example_fields(false);
    const auto l = lines_of(press_and_read());
    ASSERT_EQ(l.size(), 18u);
    EXPECT_EQ(l[0], "初期seed,性格,H,A,B,S,C,D");
    EXPECT_EQ(l[9], "5A0A0650,のんき,118,70,64,54,70,67");
    EXPECT_EQ(painted(), std::vector<std::string>{"理想徘徊消費:0回"});
}

// The species index outlives a press: an unknown name keeps the last found
// record, and before any match it is record 0. Of two equal names the later wins.
TEST_F(CheckListCommand, SpeciesIndexIsKeptBetweenPresses) {
    example_fields(false);
    headless::set_field(147, "zarbel名");
    press_and_read();
    EXPECT_EQ(g_app.species_index, 0);
    headless::set_field(147, "ふたご");
    press_and_read();
    EXPECT_EQ(g_app.species_index, 300);
    headless::set_field(147, "テスト");
    const std::string found = press_and_read();
    headless::set_field(147, "どこにもない");
    EXPECT_EQ(press_and_read(), found);
    EXPECT_EQ(g_app.species_index, 7);
    // The field is read with a 10-byte limit: "テスト" followed by more text
    // is cut to 10 bytes, which is no whole name.
    headless::set_field(147, "テストテスト");
    press_and_read();
    EXPECT_EQ(g_app.species_index, 7);
}

TEST_F(CheckListCommand, HeaderOnlyOutsideTheWindowKeepsTheIdealCount) {
    example_fields(true);
    press_and_read();
    headless::take_opened();
    ASSERT_EQ(g_app.ideal_roaming, 4);
    for (const char* t : {"F", "FFFFFFF0", "FFFFFFFF"}) {
        headless::set_field(140, t);
        EXPECT_EQ(lines_of(press_and_read()).size(), 1u) << t;
        EXPECT_EQ(g_app.ideal_roaming, 4);
        EXPECT_EQ(headless::take_opened(), std::vector<std::string>{"zure.txt"});
    }
}

TEST_F(CheckListCommand, FileThatCannotBeCreatedIsReportedAndNothingOpened) {
    example_fields(true);
    std::filesystem::create_directory("zure.txt");  // a directory in the file's place
    headless::take_captions();
    EXPECT_FALSE(dispatch_command(213));
    EXPECT_TRUE(headless::take_opened().empty());
    const auto captions = headless::take_captions();
    ASSERT_EQ(captions.size(), 1u);
    EXPECT_NE(captions[0].find("zure.txt"), std::string::npos);
    EXPECT_EQ(g_app.ideal_roaming, -1);  // no file, so no count to paint
    EXPECT_TRUE(painted().empty());
}

TEST(CheckListCli, PressWritesTheFileAndPrintsTheIdealCount) {
    test::ScratchDir dir;
    test::write_file("zarbel.dat", species_file());
    // The CLI takes and prints UTF-8.
    ASSERT_EQ(test::run_cli(utf8(u8"140=5A0A0650 146=20 147=テスト 148=50 312=4 313=8 314=11 press 213")), 0);
    EXPECT_EQ(test::read_file("out.log"), utf8(u8"理想徘徊消費:4回\n"));
    const auto l = lines_of(test::read_file("zure.txt"));
    ASSERT_EQ(l.size(), 18u);
    EXPECT_EQ(l[9], "5A0A0650,30番道路,39番道路,19番道路,のんき,118,70,64,54,70,67");
}

// ---- the feature on its own

SpeciesTable& table_with(std::int32_t value) {
    static SpeciesTable t;
    std::memset(&t, 0, sizeof t);
    for (auto& r : t.records)
        for (auto& b : r.base) b = value;
    return t;
}

std::string run(const CheckListRequest& r, const SpeciesTable& t, CheckListKept& kept) {
    StringSink s;
    write_check_list(r, t, kept, s);
    return s.text;
}

TEST(CheckList, WindowBoundsAtBothEndsOfTheRange) {
    const SpeciesTable& t = table_with(50);
    CheckListRequest r;
    r.lati_prev = 0;
    CheckListKept kept{-1, 0};
    r.target = 0xF;
    EXPECT_EQ(lines_of(run(r, t, kept)).size(), 1u);
    EXPECT_EQ(kept.ideal_roaming, -1);
    r.target = 0x10;
    auto l = lines_of(run(r, t, kept));
    ASSERT_EQ(l.size(), 18u);
    EXPECT_EQ(l[1].substr(0, 9), "00000000,");
    EXPECT_GE(kept.ideal_roaming, 1);  // only ラティ chosen: at least one draw
    for (std::uint32_t target : {0xFFFFFFEEu, 0xFFFFFFEFu}) {
        r.target = target;
        CheckListKept k2{-1, 0};
        const std::string file = run(r, t, k2);
        l = lines_of(file);
        ASSERT_EQ(l.size(), 18u);
        EXPECT_EQ(l[9].substr(0, 9), (target == 0xFFFFFFEEu ? "FFFFFFEE," : "FFFFFFEF,"));
        EXPECT_EQ(l[17].substr(0, 9), (target == 0xFFFFFFEEu ? "FFFFFFFE," : "FFFFFFFF,"));
        CheckListKept k3{-1, 0};
        EXPECT_EQ(file, reference::check_list(r, t, k3));
        EXPECT_EQ(k2.ideal_roaming, k3.ideal_roaming);
    }
    r.target = 0xFFFFFFF0u;
    EXPECT_EQ(lines_of(run(r, t, kept)).size(), 1u);
}

TEST(CheckList, SecondDogWithoutTheFirstIsIgnored) {
    const SpeciesTable& t = table_with(50);
    CheckListRequest r;
    r.target = 0x5A0A0650u;
    r.consumption = 20;
    r.level = 50;
    r.dog2_prev = 7;
    r.lati_prev = 10;
    CheckListKept a{-1, 0}, b{-1, 0};
    const std::string with_dog2 = run(r, t, a);
    r.dog2_prev = kNoRoute;
    EXPECT_EQ(with_dog2, run(r, t, b));
    EXPECT_EQ(lines_of(with_dog2)[0], "初期seed,ラティ,性格,H,A,B,S,C,D");
    EXPECT_EQ(a.ideal_roaming, b.ideal_roaming);
}

// A seed that consumed fewer roaming outputs than the target is shifted back;
// when its frame would lie before the seed, its row keeps seed and routes
// and marks the encounter "-".
TEST(CheckList, FramesBeforeTheSeedAreMarked) {
    const SpeciesTable& t = table_with(50);
    CheckListRequest r;
    r.target = 0x5A0A0650u;
    r.dog1_prev = 3;
    r.dog2_prev = 7;
    r.lati_prev = 10;
    r.consumption = 0;
    CheckListKept kept{-1, 0};
    const auto l = lines_of(run(r, t, kept));
    ASSERT_EQ(l.size(), 18u);
    ASSERT_EQ(kept.ideal_roaming, 4);
    int marked = 0;
    for (std::size_t i = 1; i < l.size(); ++i) {
        const bool dash = l[i].ends_with(",-,-,-,-,-,-,-");
        marked += dash;
        EXPECT_EQ(std::count(l[i].begin(), l[i].end(), ','), 10) << l[i];
    }
    EXPECT_GT(marked, 0);
    EXPECT_FALSE(l[9].ends_with(",-"));  // the target's frame is 0
    CheckListKept k2{-1, 0};
    EXPECT_EQ(reference::check_list(r, t, k2), run(r, t, kept));
}

// Route draws that skip enough repeated routes to need outputs past o_10:
// found by choosing each previous route equal to the seed's own next output.
TEST(CheckList, RouteDrawsPastTheTenthOutput) {
    const SpeciesTable& t = table_with(50);
    std::mt19937 rng(5);
    int found = 0;
    for (int tries = 0; tries < 4000000 && found < 3; ++tries) {
        const std::uint32_t s = rng() | 0x100u;
        std::uint32_t st = s;
        const auto o = [&] { return (st = next_seed(st)) >> 16; };
        // Runs of equal values: each previous route is the first draw's own route.
        long c = 0;
        const int p1 = o() % 16;
        ++c;
        std::uint32_t v;
        while ((v = o()) % 16 == static_cast<std::uint32_t>(p1)) ++c;
        ++c;  // the accepted output
        const int p2 = o() % 16;
        ++c;
        while ((v = o()) % 16 == static_cast<std::uint32_t>(p2)) ++c;
        ++c;
        const int p3 = o() % 25;
        ++c;
        while ((v = o()) % 25 == static_cast<std::uint32_t>(p3)) ++c;
        ++c;
        if (c <= 10) continue;
        ++found;
        CheckListRequest r;
        r.target = s;
        r.dog1_prev = p1;
        r.dog2_prev = p2;
        r.lati_prev = p3;
        r.consumption = 30;
        r.level = 40;
        CheckListKept a{-1, 0}, b{-1, 0};
        EXPECT_EQ(run(r, t, a), reference::check_list(r, t, b));
        EXPECT_GT(a.ideal_roaming, kPreparedOutputs);
        EXPECT_EQ(a.ideal_roaming, b.ideal_roaming);
    }
    EXPECT_EQ(found, 3);
}

TEST(CheckList, IncrementsAgreeWithTheJump) {
    // 2 x a^n for n = 1 .. 10, as published beside the n-step multipliers.
    const std::uint32_t inc[10] = {0x838C9CDA, 0x854534D2, 0x00FB796A, 0xDC0CFE22, 0xD742907A,
                                   0xA7B8AFF2, 0x366AA60A, 0x9FBBBE42, 0x1FF41E1A, 0xDE38BD12};
    std::mt19937 rng(3);
    std::vector<std::uint32_t> targets{0x10u, 0xFFFFFFEFu, 0x5A0A0650u, 0x80000000u};
    for (int i = 0; i < 200; ++i) targets.push_back(0x10u + rng() % 0xFFFFFFE0u);
    for (std::uint32_t target : targets) {
        RoamerStates st;
        prepare_roamer_states(target, st);
        for (int k = 0; k < kCheckWindowSeeds; ++k) {
            ASSERT_EQ(st.seed[k], target - 16 + 2 * k);
            for (int n = 1; n <= kPreparedOutputs; ++n) {
                ASSERT_EQ(st.after[k][n - 1], jump(n).apply(st.seed[k])) << target << " " << k << " " << n;
                if (k > 0) {
                    ASSERT_EQ(st.after[k][n - 1] - st.after[k - 1][n - 1], inc[n - 1]);
                }
            }
        }
    }
}

TEST(CheckList, StatsWithNatureEffects) {
    const Ivs iv{31, 31, 31, 31, 31, 31};
    const std::int32_t base[6] = {50, 50, 50, 50, 50, 50};
    // raw (31 + 100) x 50 / 100 + 5 = 70; H = 65 + 50 + 10 = 125.
    for (int n : {0, 6, 12, 18, 24}) {
        const Stats s = creature_stats(iv, base, 50, n);
        EXPECT_EQ(std::vector<std::int64_t>(s.v, s.v + 6), (std::vector<std::int64_t>{125, 70, 70, 70, 70, 70})) << n;
    }
    Stats s = creature_stats(iv, base, 50, 20);  // おだやか: D up, A down
    EXPECT_EQ(std::vector<std::int64_t>(s.v, s.v + 6), (std::vector<std::int64_t>{125, 63, 70, 70, 70, 77}));
    s = creature_stats(iv, base, 50, 1);  // さみしがり: A up, B down
    EXPECT_EQ(std::vector<std::int64_t>(s.v, s.v + 6), (std::vector<std::int64_t>{125, 77, 63, 70, 70, 70}));
    s = creature_stats(Ivs{}, base, 0, 1);  // level 0
    EXPECT_EQ(std::vector<std::int64_t>(s.v, s.v + 6), (std::vector<std::int64_t>{10, 5, 4, 5, 5, 5}));
}

// Base stats and levels anywhere in the 32-bit range: no overflow, and the
// same values as exact 128-bit arithmetic.
TEST(CheckList, StatsOfExtremeInputsMatchWideArithmetic) {
    std::mt19937 rng(9);
    const std::int32_t edges[] = {INT32_MIN, INT32_MIN + 1, -100, -1, 0, 1, 99, 100, 255, INT32_MAX - 1, INT32_MAX};
    for (int i = 0; i < 20000; ++i) {
        std::int32_t base[6];
        for (auto& b : base) b = rng() % 3 ? static_cast<std::int32_t>(rng()) : edges[rng() % std::size(edges)];
        const std::int32_t level = rng() % 2 ? static_cast<std::int32_t>(rng()) : edges[rng() % std::size(edges)];
        Ivs iv;
        for (auto& v : iv) v = static_cast<int>(rng() % 32);
        const Stats s = creature_stats(iv, base, level, 12);  // neutral nature
        for (int x = 0; x < 6; ++x) {
            __int128 want = (static_cast<__int128>(iv[x]) + 2 * static_cast<__int128>(base[x])) * level / 100;
            want += x == 0 ? static_cast<__int128>(level) + 10 : 5;
            ASSERT_EQ(s.v[x], static_cast<std::int64_t>(want)) << base[x] << " " << level;
        }
    }
}

// Many random requests, the fast list against the literal one, byte for byte.
TEST(CheckList, AgreesWithTheReference) {
    std::mt19937 rng(17);
    static SpeciesTable t;
    for (int i = 0; i < kSpeciesCount; ++i) {
        for (auto& b : t.records[i].base)
            b = rng() % 20 ? static_cast<std::int32_t>(rng() % 256) : static_cast<std::int32_t>(rng());
        std::snprintf(t.records[i].name, sizeof t.records[i].name, "s%d", static_cast<int>(rng() % 400));
    }
    for (int i = 0; i < 300; ++i) {
        CheckListRequest r;
        const int where = static_cast<int>(rng() % 10);
        r.target = where == 0 ? rng() % 40 : where == 1 ? 0xFFFFFFFFu - rng() % 40 : static_cast<std::uint32_t>(rng());
        const int big = static_cast<int>(rng() % 20);
        r.consumption = big == 0 ? static_cast<std::int32_t>(20000 + rng() % 20000)
                        : big == 1 ? -static_cast<std::int32_t>(rng() % 100)
                                   : static_cast<std::int32_t>(rng() % 200);
        r.level = rng() % 10 ? static_cast<std::int32_t>(rng() % 101) : static_cast<std::int32_t>(rng());
        r.dog1_prev = static_cast<int>(rng() % 18) - 1;   // -1 .. 16, 16 outside the table
        r.dog2_prev = static_cast<int>(rng() % 18) - 1;
        r.lati_prev = static_cast<int>(rng() % 27) - 1;   // -1 .. 25
        r.sync_nature = static_cast<int>(rng() % 27) - 1; // -1 .. 25
        std::snprintf(r.species_name, sizeof r.species_name, "s%d", static_cast<int>(rng() % 500));
        r.species_name_size = std::strlen(r.species_name);
        CheckListKept a{static_cast<int>(rng() % 5) - 1, static_cast<int>(rng() % kSpeciesCount)};
        CheckListKept b = a;
        ASSERT_EQ(run(r, t, a), reference::check_list(r, t, b)) << i;
        EXPECT_EQ(a.ideal_roaming, b.ideal_roaming);
        EXPECT_EQ(a.species_index, b.species_index);
    }
}

}  // namespace
}  // namespace vh
