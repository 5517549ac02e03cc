// The main window's control table against the window's layout, the command
// table of the dispatcher, and the stopwatch's state machine, all through the
// headless window.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "test_support.hpp"
#include "ui/app_state.hpp"
#include "ui/controls.hpp"
#include "ui/frontend.hpp"
#include "ui/headless/headless.hpp"
#include "ui/platform.hpp"
#include "ui/stopwatch.hpp"

namespace vh {
namespace {

struct Row {
    int id;
    const char* cls;
    std::uint32_t style, auto_style;
    const char* text;
    int x, y, w, h;
};

constexpr std::uint32_t kEdit = 0x50810000, kEditAuto = 0x50810080;
constexpr std::uint32_t kCombo = 0x50A10003, kComboNoTab = 0x50A00003, kCheck = 0x50000003;
constexpr std::uint32_t kPushBordered = 0x50810000, kPush = 0x50010000, kPlain = 0x50000000;

// The window's layout, written out row by row in creation order.
const Row kLayout[] = {
    {100, "Edit", kEdit, kEditAuto, "0", 78, 24, 20, 22},
    {101, "Edit", kEdit, kEditAuto, "0", 118, 24, 20, 22},
    {102, "Edit", kEdit, kEditAuto, "0", 158, 24, 20, 22},
    {103, "Edit", kEdit, kEditAuto, "0", 198, 24, 20, 22},
    {104, "Edit", kEdit, kEditAuto, "0", 238, 24, 20, 22},
    {105, "Edit", kEdit, kEditAuto, "0", 278, 24, 20, 22},
    {300, "combobox", kCombo, kCombo, "", 55, 49, 120, 350},
    {108, "Edit", kEdit, kEditAuto, "", 170, 115, 60, 22},
    {109, "Edit", kEdit, kEditAuto, "", 320, 115, 60, 22},
    {106, "Edit", kEdit, kEditAuto, "1000", 150, 145, 40, 22},
    {107, "Edit", kEdit, kEditAuto, "300", 330, 145, 40, 22},
    {900, "Button", kCheck, kCheck, "シンクロ", 180, 50, 100, 25},
    {902, "Button", kCheck, kCheck, "色違い", 10, 115, 100, 25},
    {200, "Button", kPushBordered, kPushBordered, "計算", 240, 180, 100, 25},
    {907, "Button", kCheck, kCheck, "赤ギャラ", 10, 180, 100, 25},
    {302, "combobox", kComboNoTab, kComboNoTab, "", 120, 180, 100, 350},
    {303, "combobox", kCombo, kCombo, "", 65, 83, 120, 350},
    {150, "Edit", kEdit, kEditAuto, "30", 200, 84, 24, 22},
    {116, "Edit", kEdit, kEditAuto, "", 500, 24, 96, 22},
    {110, "Edit", kEdit, kEditAuto, "0", 478, 49, 20, 22},
    {111, "Edit", kEdit, kEditAuto, "0", 518, 49, 20, 22},
    {112, "Edit", kEdit, kEditAuto, "0", 558, 49, 20, 22},
    {113, "Edit", kEdit, kEditAuto, "0", 598, 49, 20, 22},
    {114, "Edit", kEdit, kEditAuto, "0", 638, 49, 20, 22},
    {115, "Edit", kEdit, kEditAuto, "0", 678, 49, 20, 22},
    {301, "combobox", kCombo, kCombo, "", 455, 74, 120, 350},
    {901, "Button", kCheck, kCheck, "シンクロ", 580, 75, 100, 25},
    {904, "Button", kCheck, kCheck, "全性格出力", 680, 75, 100, 25},
    {903, "Button", kCheck, kCheck, "色違い", 410, 110, 100, 25},
    {908, "Button", kCheck, kCheck, "赤ギャラ", 410, 170, 100, 25},
    {118, "Edit", kEdit, kEditAuto, "", 570, 110, 60, 22},
    {119, "Edit", kEdit, kEditAuto, "", 720, 110, 60, 22},
    {117, "Edit", kEdit, kEditAuto, "5000", 410, 140, 40, 22},
    {202, "Button", kPushBordered, kPushBordered, "リスト出力", 580, 170, 100, 25},
    {930, "static", kPlain, 0x50000080, "0", 20, 274, 60, 22},
    {210, "Button", kPlain, kPlain, "起動", 100, 274, 100, 25},
    {133, "Edit", kEdit, kEditAuto, "", 95, 309, 20, 22},
    {134, "Edit", kEdit, kEditAuto, "", 135, 309, 20, 22},
    {135, "Edit", kEdit, kEditAuto, "", 175, 309, 20, 22},
    {136, "Edit", kEdit, kEditAuto, "", 215, 309, 20, 22},
    {137, "Edit", kEdit, kEditAuto, "", 255, 309, 20, 22},
    {138, "Edit", kEdit, kEditAuto, "", 295, 309, 20, 22},
    {132, "Edit", kEdit, kEditAuto, "", 200, 339, 24, 22},
    {310, "combobox", kCombo, kCombo, "", 50, 338, 120, 350},
    {211, "Button", kPush, kPush, "初期seed計算", 270, 339, 120, 25},
    {140, "Edit", kEdit, kEditAuto, "", 520, 250, 96, 22},
    {142, "Edit", kEdit, kEditAuto, "9", 490, 279, 24, 22},
    {143, "Edit", kEdit, kEditAuto, "12", 540, 279, 24, 22},
    {311, "combobox", kCombo, kCombo, "", 600, 279, 100, 350},
    {144, "Edit", kEdit, kEditAuto, "", 420, 309, 100, 22},
    {145, "Edit", kEdit, kEditAuto, "", 600, 309, 48, 22},
    {212, "Button", kPush, kPush, "計算", 680, 309, 100, 25},
    {146, "Edit", kEdit, kEditAuto, "", 420, 420, 36, 22},
    {147, "Edit", kEdit, kEditAuto, "zarbel名", 550, 420, 90, 22},
    {148, "Edit", kEdit, kEditAuto, "", 670, 420, 36, 22},
    {312, "combobox", kCombo, kCombo, "", 450, 449, 120, 350},
    {313, "combobox", kCombo, kCombo, "", 450, 479, 120, 350},
    {314, "combobox", kCombo, kCombo, "", 650, 449, 120, 350},
    {213, "Button", kPush, kPush, "初期seed確認リスト", 580, 510, 180, 25},
    {315, "combobox", kCombo, kCombo, "", 420, 510, 120, 350},
};

using Items = std::vector<std::string>;

const Items kNatures = {"がんばりや", "さみしがり", "ゆうかん", "いじっぱり", "やんちゃ", "ずぶとい", "すなお",
                        "のんき", "わんぱく", "のうてんき", "おくびょう", "せっかち", "まじめ", "ようき",
                        "むじゃき", "ひかえめ", "おっとり", "れいせい", "てれや", "うっかりや", "おだやか",
                        "おとなしい", "なまいき", "しんちょう", "きまぐれ"};

Items with_first(const char* first, const Items& rest) {
    Items out{first};
    out.insert(out.end(), rest.begin(), rest.end());
    return out;
}

Items routes(std::initializer_list<int> numbers) {
    Items out{"無し"};
    for (int n : numbers) out.push_back(std::to_string(n) + "番道路");
    return out;
}

Items expected_items(int id) {
    switch (id) {
        case 300:
        case 301: return with_first("指定無し", kNatures);
        case 302: return {"逆処理", "順処理"};
        case 303:
            return {"指定無し", "かくとう", "ひこう", "どく", "じめん", "いわ", "むし", "ゴースト", "はがね", "ほのお",
                    "みず", "くさ", "でんき", "エスパー", "こおり", "ドラゴン", "あく"};
        case 310: return kNatures;
        case 311: return {"以降"};
        case 312:
        case 313: return routes({29, 30, 31, 32, 33, 34, 35, 36, 37, 38, 39, 42, 43, 44, 45, 46});
        case 314:
            return routes({1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17, 18, 19, 20, 21, 22, 24, 26, 28});
        case 315: return with_first("シンクロ無し", kNatures);
        default: return {};
    }
}

class Window : public ::testing::Test {
protected:
    void SetUp() override {
        headless::reset();
        g_app = AppState{};
        create_window_contents();  // no config.txt in the scratch directory
        headless::take_repaint_request();
        headless::take_painted();
    }
    void TearDown() override {
        g_app = AppState{};
        g_stopwatch.state = kStopwatchIdle;
        headless::reset();
    }
    test::ScratchDir dir_;
};

TEST(ControlTable, MatchesTheLayoutRowByRow) {
    const auto table = control_table();
    ASSERT_EQ(table.size(), std::size(kLayout));
    ASSERT_EQ(table.size(), static_cast<std::size_t>(kControlCount));
    for (std::size_t i = 0; i < table.size(); ++i) {
        const ControlSpec& c = table[i];
        const Row& r = kLayout[i];
        SCOPED_TRACE("row " + std::to_string(i + 1) + ", ID " + std::to_string(r.id));
        EXPECT_EQ(c.id, r.id);
        EXPECT_STREQ(c.cls, r.cls);
        EXPECT_EQ(control_style(c.kind, false), r.style);
        EXPECT_EQ(control_style(c.kind, true), r.auto_style);
        EXPECT_STREQ(c.text, r.text);
        EXPECT_EQ(c.x, r.x);
        EXPECT_EQ(c.y, r.y);
        EXPECT_EQ(c.w, r.w);
        EXPECT_EQ(c.h, r.h);
        EXPECT_EQ(find_control(r.id), &c);
    }
    EXPECT_EQ(find_control(201), nullptr);
    EXPECT_EQ(find_control(1001), nullptr);
}

TEST(ControlTable, TabStopsInCreationOrderAreTheFocusChain) {
    const std::vector<int> chain = {100, 101, 102, 103, 104, 105, 300, 108, 109, 106, 107, 200, 303, 150, 116, 110,
                                    111, 112, 113, 114, 115, 301, 118, 119, 117, 202, 133, 134, 135, 136, 137, 138,
                                    132, 310, 211, 140, 142, 143, 311, 144, 145, 212, 146, 147, 148, 312, 313, 314,
                                    213, 315};
    constexpr std::uint32_t kTabStop = 0x00010000;
    for (bool auto_scroll : {false, true}) {
        std::vector<int> stops;
        for (const ControlSpec& c : control_table())
            if (control_style(c.kind, auto_scroll) & kTabStop) stops.push_back(c.id);
        EXPECT_EQ(stops, chain) << (auto_scroll ? "auto-scroll build" : "standard build");
    }
}

TEST(ControlTable, AdoptionButtonsStandBesideTheirRows) {
    for (int n = 0; n < kMaxCandidates; ++n) {
        const ControlSpec b = adoption_button(n);
        EXPECT_EQ(b.id, 1001 + n);
        EXPECT_STREQ(b.cls, "button");
        EXPECT_STREQ(b.text, "採用");
        EXPECT_EQ(control_style(b.kind, false), kPlain);
        EXPECT_EQ(control_style(b.kind, true), kPlain);
        EXPECT_EQ(b.x, 185);
        EXPECT_EQ(b.y, 375 + 25 * n);  // level with candidate row n, painted at 375 + 25 n
        EXPECT_EQ(b.w, 45);
        EXPECT_EQ(b.h, 22);
    }
}

TEST_F(Window, CreatesEveryControlInOrderWithItsItemsAndFirstItemSelected) {
    std::vector<int> ids;
    for (const Row& r : kLayout) ids.push_back(r.id);
    EXPECT_EQ(headless::control_ids(), ids);
    for (const Row& r : kLayout) {
        SCOPED_TRACE("ID " + std::to_string(r.id));
        EXPECT_EQ(headless::items(r.id), expected_items(r.id));
        const bool combo = std::string(r.cls) == "combobox";
        if (combo) EXPECT_EQ(platform::selected_item(r.id), 0);
        else EXPECT_EQ(headless::text(r.id), r.text);
        EXPECT_FALSE(platform::is_checked(r.id));
    }
    EXPECT_EQ(g_app.ideal_roaming, -1);
    EXPECT_TRUE(controls_exist());
}

TEST_F(Window, SettingsFileFillsTheTwoCalibrationFields) {
    test::write_file("config.txt", "12.34\r\n01AB\r\n");
    headless::reset();
    create_window_contents();
    EXPECT_EQ(headless::text(144), "12.34");
    EXPECT_EQ(headless::text(145), "01AB");
}

TEST_F(Window, CommandsThatDoNothing) {
    // Identifiers of no command: other buttons' neighbours, fields, combo
    // boxes, check boxes, the dialog keys' 1 and 2, and the two IDs beside
    // the adoption range.
    std::vector<int> ids = {0, 1, 2, 201, 203, 204, 205, 206, 207, 208, 209, 214, 1000, 1011, 65535};
    for (const Row& r : kLayout)
        if (r.id < 200 || r.id > 213) ids.push_back(r.id);
    g_app.candidates.count = kMaxCandidates;
    for (int n = 0; n < kMaxCandidates; ++n) g_app.candidates.seeds[n] = 0x11110000u + n;
    for (int id : ids) {
        SCOPED_TRACE("command " + std::to_string(id));
        EXPECT_TRUE(dispatch_command(id));
        EXPECT_FALSE(headless::take_repaint_request());
        EXPECT_TRUE(headless::take_opened().empty());
        EXPECT_TRUE(headless::take_captions().empty());
        EXPECT_EQ(headless::text(144), "");
        EXPECT_EQ(headless::text(145), "");
        EXPECT_EQ(headless::text(210), "起動");
    }
    EXPECT_EQ(g_stopwatch.state.load(), kStopwatchIdle);
}

TEST_F(Window, RepaintingCommandsAreExactly211To213) {
    ASSERT_TRUE(headless::set_field(140, "5A0C0400"));
    for (int id : {211, 212, 213}) {
        SCOPED_TRACE("command " + std::to_string(id));
        EXPECT_TRUE(dispatch_command(id));
        EXPECT_TRUE(headless::take_repaint_request());
    }
    EXPECT_EQ(headless::take_opened(), std::vector<std::string>{"zure.txt"});
    ASSERT_TRUE(headless::set_field(116, "12345678"));
    ASSERT_TRUE(headless::set_field(117, "2"));
    for (int id : {202, 210, 210}) {
        SCOPED_TRACE("command " + std::to_string(id));
        EXPECT_TRUE(dispatch_command(id));
        EXPECT_FALSE(headless::take_repaint_request());
    }
    EXPECT_EQ(headless::take_opened(), std::vector<std::string>{"list.txt"});
}

TEST_F(Window, AdoptionRangeIs1001To1010) {
    g_app.candidates.count = kMaxCandidates;
    for (int n = 0; n < kMaxCandidates; ++n) g_app.candidates.seeds[n] = 0xAB000000u + 0x0101u * (n + 1);
    ASSERT_TRUE(headless::set_field(144, "-"));
    platform::set_text(930, "7.50");
    for (int id = 1001; id <= 1010; ++id) {
        SCOPED_TRACE("command " + std::to_string(id));
        ASSERT_TRUE(headless::set_field(145, ""));
        EXPECT_TRUE(dispatch_command(id));
        EXPECT_FALSE(headless::take_repaint_request());
        char want[8];
        std::snprintf(want, sizeof want, "%04X", 0x0101u * (id - 1000));
        EXPECT_EQ(headless::text(145), want);
        EXPECT_EQ(headless::text(144), "7.50");
    }
    // A button beyond the current candidates adopts nothing.
    g_app.candidates.count = 3;
    ASSERT_TRUE(headless::set_field(145, "keep"));
    EXPECT_TRUE(dispatch_command(1004));
    EXPECT_EQ(headless::text(145), "keep");
}

TEST_F(Window, ResultFileThatCannotBeCreatedIsReportedAndNotOpened) {
    std::filesystem::create_directory("list.txt");  // a directory stands where the file goes
    ASSERT_TRUE(headless::set_field(116, "1"));
    ASSERT_TRUE(headless::set_field(117, "1"));
    EXPECT_FALSE(dispatch_command(202));
    EXPECT_TRUE(headless::take_opened().empty());
    const auto captions = headless::take_captions();
    ASSERT_EQ(captions.size(), 1u);
    EXPECT_NE(captions[0].find("list.txt"), std::string::npos);
}

// The stopwatch as the window thread (toggle) and its own thread (passes) see it.
class StopwatchTest : public Window {
protected:
    void SetUp() override {
        Window::SetUp();
        headless::use_manual_clock(true);
        headless::set_clock(0xFFFFFF00u);  // a run that crosses the clock's wrap
    }
    void TearDown() override {
        headless::use_manual_clock(false);
        Window::TearDown();
    }
    void run_ms(Stopwatch& sw, int ms) {
        for (int i = 0; i < ms; ++i) {
            stopwatch_pass(sw);
            platform::sleep_1ms();
        }
    }
};

TEST_F(StopwatchTest, StartCountStopAndKeepTheReading) {
    Stopwatch sw;
    run_ms(sw, 5);
    EXPECT_EQ(headless::text(930), "0");  // idle passes leave the display alone
    toggle_stopwatch(sw);
    EXPECT_EQ(sw.state.load(), kStopwatchStartRequested);
    EXPECT_EQ(headless::text(210), "ロード");
    toggle_stopwatch(sw);  // before the thread took the request: ignored
    EXPECT_EQ(sw.state.load(), kStopwatchStartRequested);
    EXPECT_EQ(headless::text(210), "ロード");
    run_ms(sw, 1);
    EXPECT_EQ(sw.state.load(), kStopwatchRunning);
    run_ms(sw, 9);
    EXPECT_EQ(headless::text(930), "0");
    run_ms(sw, 1);
    EXPECT_EQ(headless::text(930), "0.01");
    run_ms(sw, 23440);  // the last pass reads start + 23450 ms
    EXPECT_EQ(headless::text(930), "23.45");
    toggle_stopwatch(sw);
    EXPECT_EQ(sw.state.load(), kStopwatchIdle);
    EXPECT_EQ(headless::text(210), "起動");
    run_ms(sw, 500);
    EXPECT_EQ(headless::text(930), "23.45");
    // A new run keeps the old reading until its first hundredth.
    toggle_stopwatch(sw);
    run_ms(sw, 10);
    EXPECT_EQ(headless::text(930), "23.45");
    run_ms(sw, 1);
    EXPECT_EQ(headless::text(930), "0.01");
}

TEST_F(StopwatchTest, Command210TogglesTheSharedStopwatch) {
    EXPECT_TRUE(dispatch_command(210));
    EXPECT_EQ(g_stopwatch.state.load(), kStopwatchStartRequested);
    run_ms(g_stopwatch, 1);
    EXPECT_TRUE(dispatch_command(210));
    EXPECT_EQ(g_stopwatch.state.load(), kStopwatchIdle);
    EXPECT_EQ(headless::text(210), "起動");
}

}  // namespace
}  // namespace vh
