#include <gtest/gtest.h>

#include <random>
#include <sstream>

#include "engine/lcg.hpp"
#include "engine/output_run.hpp"
#include "features/frame_list.hpp"
#include "test_support.hpp"

namespace vh {
namespace {

const std::string kHeader = "消費数,seed,性格値,性格,H,A,B,S,C,D,特性,性別値,めざパ,威力\r\n";

std::string list_of(const FrameListRequest& r) {
    StringSink s;
    write_frame_list(r, s);
    return s.text;
}

FrameListRequest base(int frames) {
    FrameListRequest r;
    r.seed = 0x12345678u;
    r.frames = frames;
    return r;
}

TEST(FrameList, ThreeFramesWithoutFilters) {
    EXPECT_EQ(list_of(base(3)), kHeader +
                                    "0,0x12345678,0x91AC9837,やんちゃ,5,12,1,28,24,28,2,55,ひこう,30\r\n"
                                    "1,0x0B71C18B,0x620F731C,さみしがり,18,2,17,8,7,4,1,28,いわ,42\r\n"
                                    "2,0x84EA22A2,0xB22F82C3,ひかえめ,7,25,3,26,5,9,2,195,こおり,38\r\n");
}

TEST(FrameList, NoFramesWritesTheHeaderAlone) {
    EXPECT_EQ(list_of(base(0)), kHeader);
    EXPECT_EQ(list_of(base(-5)), kHeader);
}

std::vector<std::string> lines(const std::string& text) {
    std::vector<std::string> out;
    std::size_t start = 0;
    for (std::size_t p; (p = text.find("\r\n", start)) != std::string::npos; start = p + 2)
        out.push_back(text.substr(start, p - start));
    return out;
}

std::string field(const std::string& line, int index) {
    std::stringstream ss(line);
    std::string f;
    for (int i = 0; i <= index; ++i) std::getline(ss, f, ',');
    return f;
}

TEST(FrameList, SynchronizeWithAllNatures) {
    FrameListRequest r = base(3);
    r.nature = 3;  // いじっぱり
    r.sync = true;
    r.all_natures = true;
    auto l = lines(list_of(r));
    ASSERT_EQ(l.size(), 4u);
    EXPECT_EQ(field(l[1], 2), "0x620F731C");
    EXPECT_EQ(field(l[1], 3), "さみしがり");
    EXPECT_EQ(field(l[2], 2), "0x67D7D3E0");
    EXPECT_EQ(field(l[3], 2), "0xBCB3EE62");
    EXPECT_EQ(field(l[2], 3), "いじっぱり");
    EXPECT_EQ(field(l[3], 3), "いじっぱり");
    r.all_natures = false;
    l = lines(list_of(r));
    ASSERT_EQ(l.size(), 3u);
    EXPECT_EQ(field(l[1], 0), "1");
    EXPECT_EQ(field(l[2], 0), "2");
}

TEST(FrameList, FixedShinyCreature) {
    FrameListRequest r = base(3);
    r.fixed_shiny = true;
    r.tid = 12345;
    r.sid = 54321;
    r.nature = 4;  // やんちゃ
    r.all_natures = true;
    EXPECT_EQ(list_of(r), kHeader + "1,0x0B71C18B,0xC1492542,やんちゃ,26,9,13,13,30,15,1,66,くさ,61\r\n");
    // With both IDs 0 the early drop is off, but the nature filter still applies without 全性格出力.
    r.tid = r.sid = 0;
    r.frames = 200;
    const auto all = lines(list_of(r));
    ASSERT_EQ(all.size(), 201u);
    std::vector<std::string> wanted{all[0]};
    for (const auto& l : all)
        if (field(l, 3) == "やんちゃ") wanted.push_back(l);
    ASSERT_GT(wanted.size(), 1u);
    r.all_natures = false;
    EXPECT_EQ(lines(list_of(r)), wanted);
}

TEST(FrameList, SynchronizeWithoutNatureChangesNothing) {
    FrameListRequest r = base(50);
    const std::string plain = list_of(r);
    r.sync = true;
    EXPECT_EQ(list_of(r), plain);
}

// Each filter keeps exactly those rows of the unfiltered list that pass it.
TEST(FrameList, FiltersOnValuesAndShininess) {
    FrameListRequest r = base(2000);
    const auto all = lines(list_of(r));
    const auto passing = [&](auto pass) {
        std::vector<std::string> out{all[0]};
        for (std::size_t i = 1; i < all.size(); ++i)
            if (pass(all[i])) out.push_back(all[i]);
        EXPECT_GT(out.size(), 1u);
        return out;
    };
    r.min_ivs = {20, 0, 0, 0, 0, 25};
    EXPECT_EQ(lines(list_of(r)), passing([](const std::string& l) {
                  return std::stoi(field(l, 4)) >= 20 && std::stoi(field(l, 9)) >= 25;
              }));
    // IDs with which frame 700's personality value combines to 7, the largest shiny value.
    const std::uint32_t p700 = std::stoul(field(all[701], 2), nullptr, 16);
    r = base(2000);
    r.shiny_only = true;
    r.sid = 0x1234;
    r.tid = static_cast<std::uint16_t>((p700 >> 16) ^ (p700 & 0xFFFF) ^ r.sid ^ 7);
    EXPECT_EQ(lines(list_of(r)), passing([&](const std::string& l) {
                  const std::uint32_t p = std::stoul(field(l, 2), nullptr, 16);
                  return ((p >> 16) ^ (p & 0xFFFF) ^ r.tid ^ r.sid) < 8;
              }));
}

// The seed column is the state after f steps, and a frame's creature is
// that of frame 0 of the state after f steps, up to the last frame allowed.
TEST(FrameList, EveryRowAgreesWithAFreshListOfItsOwnState) {
    std::mt19937 rng(11);
    for (int i = 0; i < 20; ++i) {
        FrameListRequest r;
        r.seed = rng();
        r.frames = 9999;
        r.nature = static_cast<int>(rng() % 26) - 1;
        r.sync = rng() & 1;
        r.all_natures = true;
        const auto l = lines(list_of(r));
        ASSERT_EQ(l.size(), 10000u);
        for (int f : {0, 1, 17, 5000, 9998}) {
            FrameListRequest one = r;
            one.seed = advance(r.seed, f);
            one.frames = 1;
            const auto single = lines(list_of(one));
            ASSERT_EQ(single.size(), 2u);
            EXPECT_EQ(l[f + 1].substr(l[f + 1].find(',')), single[1].substr(single[1].find(',')));
        }
    }
}

// Reads in and past the table, backwards and forwards, across restarts from
// a plain state and from states already known.
TEST(OutputRun, EveryReadIsTheOutputOfItsIndex) {
    OutputRun run;
    for (std::uint32_t seed : {0xCAFEBABEu, 0x00000000u, 0x12345678u}) {
        if (seed == 0) {
            const std::uint32_t after[3] = {advance(seed, 1), advance(seed, 2), advance(seed, 3)};
            run.start(seed, after, 3);
        } else {
            run.start(seed);
        }
        for (long k : {0L, 2L, 4L, 19999L, 20000L, 20001L, 25000L, 20500L, 19999L, 30000L, 1L})
            EXPECT_EQ(run(k), output_of(advance(seed, static_cast<std::uint64_t>(k)))) << seed << " " << k;
    }
}

}  // namespace
}  // namespace vh
