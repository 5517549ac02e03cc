// The calibration commands through the dispatcher and the headless window:
// the candidate search with its adoption buttons (211, 1001-1010), the boot
// and load time (212), and the same steps through varnholt-cli.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "engine/creature.hpp"
#include "engine/lcg.hpp"
#include "features/seed_candidates.hpp"
#include "test_support.hpp"
#include "ui/app_state.hpp"
#include "ui/controls.hpp"
#include "ui/frontend.hpp"
#include "ui/headless/headless.hpp"
#include "ui/platform.hpp"

namespace vh {
namespace {

using Lines = std::vector<std::string>;

// The values, nature and hour of the creature generated from `c` at `frame`.
SeedCandidateRequest request_from(std::uint32_t c, int frame) {
    const std::uint32_t s2 = advance(c, static_cast<std::uint64_t>(frame) + 1);
    const std::uint32_t s1 = next_seed(s2), s = next_seed(s1);
    SeedCandidateRequest r;
    r.ivs = ivs_from_words(output_of(s), output_of(next_seed(s)));
    r.nature = nature_of(make_pid(output_of(s2), output_of(s1)));
    r.hour = static_cast<int>((c >> 16) & 0xFF);
    return r;
}

// Initial seeds of the wanted hour with delay counts below 0x1000, in a fixed
// order, until `ok` accepts the request of one at frame 7.
template <class Ok>
std::uint32_t seed_where(int hour, Ok ok) {
    for (std::uint32_t k = 0; k < 0x100000; ++k) {
        const std::uint32_t c = (k * 0x9E3779B1u & 0xFF000000u) | std::uint32_t(hour) << 16 | (k & 0x0FFF);
        if (ok(request_from(c, 7))) return c;
    }
    ADD_FAILURE() << "no such seed";
    return 0;
}

bool contains(const CandidateList& l, std::uint32_t c) {
    for (int i = 0; i < l.count; ++i)
        if (l.seeds[i] == c) return true;
    return false;
}

class CalibrationCommand : public ::testing::Test {
protected:
    void SetUp() override {
        headless::reset();
        g_app = AppState{};
        create_window_contents();
        headless::take_painted();
        headless::take_repaint_request();
    }
    // The kept records are process-wide: leave none behind for other tests.
    void TearDown() override {
        g_app = AppState{};
        headless::reset();
    }
    static void type_request(const Lines& ivs, int nature, const std::string& hour) {
        for (int i = 0; i < 6; ++i) ASSERT_TRUE(headless::set_field(133 + i, ivs[i]));
        ASSERT_TRUE(headless::select(310, nature));
        ASSERT_TRUE(headless::set_field(132, hour));
    }
    static void type_request(const SeedCandidateRequest& r) {
        Lines ivs;
        for (int v : r.ivs) ivs.push_back(std::to_string(v));
        type_request(ivs, r.nature, std::to_string(r.hour));
    }
    static Lines press(int id) {
        EXPECT_TRUE(dispatch_command(id));
        if (!headless::take_repaint_request()) return {"(no repaint)"};
        headless::take_painted();
        paint_results();
        return headless::take_painted();
    }
    // The adoption buttons present, by ID.
    static std::vector<int> buttons() {
        std::vector<int> ids;
        for (int id = 1000; id <= 1011; ++id)
            if (headless::exists(id)) ids.push_back(id);
        return ids;
    }
    test::ScratchDir dir_;
};

TEST_F(CalibrationCommand, WorkedCandidateIsShownAndAdopted) {
    type_request({"25", "15", "0", "18", "24", "23"}, 5, "15");
    EXPECT_EQ(press(211), Lines{"0A0F0123"});
    EXPECT_EQ(buttons(), std::vector<int>{1001});
    EXPECT_EQ(headless::text(1001), "採用");
    EXPECT_EQ(headless::kind(1001), ControlKind::kPlain);
    const ControlSpec first = adoption_button(0), third = adoption_button(2);
    EXPECT_EQ((Lines{std::to_string(first.x), std::to_string(first.y), std::to_string(third.y)}),
              (Lines{"185", "375", "425"}));

    // Adoption copies the display's text as it stands and the low half, without a repaint.
    platform::set_text(930, "12.34");
    EXPECT_EQ(press(1001), Lines{"(no repaint)"});
    EXPECT_EQ(headless::text(144), "12.34");
    EXPECT_EQ(headless::text(145), "0123");
    // IDs without a candidate do nothing.
    headless::set_field(144, "keep");
    headless::set_field(145, "keep");
    EXPECT_EQ(press(1002), Lines{"(no repaint)"});
    EXPECT_EQ(press(1010), Lines{"(no repaint)"});
    EXPECT_EQ(headless::text(144), "keep");
    EXPECT_EQ(headless::text(145), "keep");
    EXPECT_EQ(g_app.candidates.count, 1);
}

TEST_F(CalibrationCommand, ButtonsAreExactlyThoseOfTheLastSearch) {
    // A request with at least three candidates.
    const std::uint32_t c = seed_where(9, [](const SeedCandidateRequest& r) { return find_seed_candidates(r).count >= 3; });
    const SeedCandidateRequest many = request_from(c, 7);
    const CandidateList want = find_seed_candidates(many);
    type_request(many);
    const Lines rows = press(211);
    ASSERT_EQ(static_cast<int>(rows.size()), want.count);
    std::vector<int> ids;
    for (int i = 0; i < want.count; ++i) {
        char row[16];
        std::snprintf(row, sizeof row, "%08X", want.seeds[i]);
        EXPECT_EQ(rows[i], row);
        ids.push_back(1001 + i);
    }
    EXPECT_EQ(buttons(), ids);
    // Adopting the last one takes its own low half.
    press(1000 + want.count);
    char low[8];
    std::snprintf(low, sizeof low, "%04X", want.seeds[want.count - 1] & 0xFFFF);
    EXPECT_EQ(headless::text(145), low);

    // A search with one candidate leaves one button; where the others stood nothing happens.
    type_request({"25", "15", "0", "18", "24", "23"}, 5, "15");
    EXPECT_EQ(press(211), Lines{"0A0F0123"});
    EXPECT_EQ(buttons(), std::vector<int>{1001});
    headless::set_field(145, "keep");
    press(1002);
    press(1000 + want.count);
    EXPECT_EQ(headless::text(145), "keep");
    // No candidate: no row and no button.
    headless::set_field(132, "14");
    EXPECT_EQ(press(211), Lines{});
    EXPECT_EQ(buttons(), std::vector<int>{});
    press(1001);
    EXPECT_EQ(headless::text(145), "keep");
}

TEST_F(CalibrationCommand, FieldsAreReadTwoCharactersAndClamped) {
    // An individual value typed as 100 reads 10, an hour typed as 123 reads 12.
    const std::uint32_t c = seed_where(12, [](const SeedCandidateRequest& r) { return r.ivs[0] == 10; });
    SeedCandidateRequest r = request_from(c, 7);
    type_request(r);
    headless::set_field(133, "100");
    headless::set_field(132, "123");
    press(211);
    EXPECT_TRUE(contains(g_app.candidates, c));
    // A negative value and a negative hour read as 0; leading blanks are skipped.
    const std::uint32_t z = seed_where(0, [](const SeedCandidateRequest& q) { return q.ivs[4] == 0 && q.ivs[5] == 7; });
    type_request(request_from(z, 7));
    headless::set_field(137, "-5");
    headless::set_field(138, " 7x");
    headless::set_field(132, "-3");
    press(211);
    EXPECT_TRUE(contains(g_app.candidates, z));
    // The nature is the selected item.
    r = request_from(z, 7);
    headless::select(310, (r.nature + 1) % 25);
    press(211);
    EXPECT_FALSE(contains(g_app.candidates, z));
}

TEST_F(CalibrationCommand, AdoptionTakesAtMost255BytesOfTheDisplay) {
    type_request({"25", "15", "0", "18", "24", "23"}, 5, "15");
    press(211);
    platform::set_text(930, std::string(300, '7').c_str());
    press(1001);
    EXPECT_EQ(headless::text(144), std::string(255, '7'));
}

TEST_F(CalibrationCommand, BootAndLoadLinesAppearOnceComputed) {
    EXPECT_EQ(press(211), Lines{});  // empty fields: no candidate, no boot/load lines yet
    headless::set_field(140, "0xA0140650");
    headless::set_field(144, "30.00");
    headless::set_field(145, "5F0");
    EXPECT_EQ(press(212), (Lines{"起動:9月12日20時6分15秒", "ロード:9月12日20時6分46.60秒"}));
    EXPECT_EQ(press(212), (Lines{"起動:9月12日20時6分15秒", "ロード:9月12日20時6分46.60秒"}));
    headless::set_field(142, "2");
    headless::set_field(143, "29");
    EXPECT_EQ(press(212), (Lines{"起動:3月14日20時59分28秒", "ロード:3月14日20時59分59.60秒"}));
    // Nothing accepted up to 12/31: clearly not found, nothing left from before.
    headless::set_field(140, "00140650");
    headless::set_field(142, "12");
    headless::set_field(143, "31");
    EXPECT_EQ(press(212), (Lines{"起動:0月-1日0時0分0秒", "ロード:0月-1日20時0分0.00秒"}));
    headless::set_field(142, "13");
    headless::set_field(140, "A0140650");
    EXPECT_EQ(press(212), (Lines{"起動:0月-1日0時0分0秒", "ロード:0月-1日20時0分0.00秒"}));
}

TEST_F(CalibrationCommand, AdoptionFeedsTheBootAndLoadTime) {
    type_request({"25", "15", "0", "18", "24", "23"}, 5, "15");
    press(211);
    platform::set_text(930, "30.00");
    press(1001);
    headless::set_field(140, "A0140650");
    const Lines adopted = press(212);
    // The same calibration typed by hand.
    headless::set_field(144, "30.00");
    headless::set_field(145, "0x123");
    EXPECT_EQ(press(212), adopted);
    // 2.01 s is 200 hundredths, so the load lies 2.00 s after the boot.
    headless::set_field(144, "2.01");
    headless::set_field(145, "650");
    headless::set_field(140, "A0140650");
    EXPECT_EQ(press(212), (Lines{"0A0F0123", "起動:9月12日20時35分15秒", "ロード:9月12日20時35分17.00秒"}));
}

using test::run_cli;

TEST_F(CalibrationCommand, TheCliPrintsWhatTheWindowPaints) {
    const std::string steps = "133=25 134=15 135=0 136=18 137=24 138=23 310=5 132=15 press 211 press 1001 show 145 press 212";
    ASSERT_EQ(run_cli(steps), 0);
    // Display "0" and delay 0x123 adopted, target 0: a duration of -4.85 s,
    // first met on 9/16 with the sum 112.
    EXPECT_EQ(test::read_file("out.log"),
              test::utf8(u8"0A0F0123\n0123\n0A0F0123\n起動:9月16日0時59分56秒\nロード:9月16日0時59分52.15秒\n"));
    // The window paints the same, in Shift-JIS.
    type_request({"25", "15", "0", "18", "24", "23"}, 5, "15");
    EXPECT_EQ(press(211), Lines{"0A0F0123"});
    press(1001);
    EXPECT_EQ(headless::text(145), "0123");
    EXPECT_EQ(press(212), (Lines{"0A0F0123", "起動:9月16日0時59分56秒", "ロード:9月16日0時59分52.15秒"}));
}

}  // namespace
}  // namespace vh
