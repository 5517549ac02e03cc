#include <gtest/gtest.h>

#include <cstring>
#include <random>

#include "engine/creature.hpp"
#include "engine/cycle_position.hpp"
#include "engine/lcg.hpp"
#include "engine/names.hpp"

namespace vh {
namespace {

TEST(Encoding, LiteralsAreShiftJisEvenWithBackslashTrailByte) {
    const char* s = "表ID:";
    ASSERT_EQ(std::strlen(s), 5u);
    EXPECT_EQ(static_cast<unsigned char>(s[0]), 0x95);
    EXPECT_EQ(static_cast<unsigned char>(s[1]), 0x5C);
    EXPECT_STREQ(s + 2, "ID:");
    EXPECT_EQ(std::strcmp("\u3000", "\x81\x40"), 0);
}

TEST(Generator, StepsInvertEachOther) {
    std::mt19937 rng(1);
    for (int i = 0; i < 10000; ++i) {
        const std::uint32_t s = rng();
        EXPECT_EQ(prev_seed(next_seed(s)), s);
        EXPECT_EQ(next_seed(prev_seed(s)), s);
    }
    EXPECT_EQ(next_seed(0), 0x00006073u);
    EXPECT_EQ(prev_seed(0), 0x0A3561A1u);
    EXPECT_EQ(output_of(0x12345678u), 0x1234u);
}

TEST(Generator, JumpsAndDistanceAgreeWithPlainStepping) {
    std::mt19937 rng(2);
    for (int i = 0; i < 200; ++i) {
        const std::uint32_t s = rng();
        const int n = static_cast<int>(rng() % 6000);
        std::uint32_t t = s;
        for (int k = 0; k < n; ++k) t = next_seed(t);
        EXPECT_EQ(advance(s, n), t);
        EXPECT_EQ(rewind(t, n), s);
        EXPECT_EQ(distance(s, t), static_cast<std::uint32_t>(n));
        if (n < static_cast<int>(kJumpTableSize)) {
            EXPECT_EQ(kForwardJumps[n].apply(s), t);
            EXPECT_EQ(kBackwardJumps[n].apply(t), s);
        }
    }
    // A full period returns to the start; distance covers the whole range.
    EXPECT_EQ(advance(0xDEADBEEFu, 1ull << 32), 0xDEADBEEFu);
    EXPECT_EQ(distance(1, 0), 0xFFFFFFFFu - distance(0, 1) + 1);
}

TEST(Generator, CyclePositionIsTheDistanceFromZero) {
    std::mt19937 rng(3);
    for (int i = 0; i < 20000; ++i) {
        const std::uint32_t s = i < 4 ? advance(0, 65535u * static_cast<unsigned>(i)) : rng();
        ASSERT_EQ(cycle_position(s), distance(0, s)) << s;
    }
}

TEST(Generator, JumpTableOfNeighbouringSeeds) {
    // The increments that move the states of a seed to those of seed + 2.
    constexpr std::uint32_t increments[10] = {0x838C9CDA, 0x854534D2, 0x00FB796A, 0xDC0CFE22, 0xD742907A,
                                              0xA7B8AFF2, 0x366AA60A, 0x9FBBBE42, 0x1FF41E1A, 0xDE38BD12};
    for (int n = 1; n <= 10; ++n) {
        EXPECT_EQ(2u * jump(n).mul, increments[n - 1]) << n;
        EXPECT_EQ(jump(n).add, advance(0, n)) << n;
        EXPECT_EQ(advance(0x5A0A0652u, n), advance(0x5A0A0650u, n) + increments[n - 1]) << n;
    }
}

struct Outputs {
    std::uint32_t start;
    std::uint16_t operator()(long i) const { return output_of(advance(start, i)); }
};

TEST(Creature, EncounterAtFramesOfAKnownSeed) {
    const Outputs frame0{0x12345678u};
    Encounter e = encounter_pid(frame0, kNoNature, false, kUnbounded);
    ASSERT_EQ(e.status, Encounter::kOk);
    EXPECT_EQ(e.pid, 0x91AC9837u);
    EXPECT_EQ(nature_of(e.pid), 4);
    EXPECT_EQ(ability_slot(e.pid), 2);
    EXPECT_EQ(gender_value(e.pid), 55);
    Ivs iv = ivs_from_words(frame0(e.iv_pos), frame0(e.iv_pos + 1));
    EXPECT_EQ(iv, (Ivs{5, 12, 1, 28, 24, 28}));
    EXPECT_EQ(hidden_power_type(iv), 1);
    EXPECT_EQ(hidden_power_power(iv), 30);

    const Outputs frame1{next_seed(0x12345678u)};
    e = encounter_pid(frame1, kNoNature, false, kUnbounded);
    EXPECT_EQ(e.pid, 0x620F731Cu);
    iv = ivs_from_words(frame1(e.iv_pos), frame1(e.iv_pos + 1));
    EXPECT_EQ(iv, (Ivs{18, 2, 17, 8, 7, 4}));
    EXPECT_EQ(hidden_power_type(iv), 4);
    EXPECT_EQ(hidden_power_power(iv), 42);

    // Synchronize on an odd first output: the creature of frame 1 without it.
    e = encounter_pid(frame0, 3, true, kUnbounded);
    EXPECT_EQ(e.pid, 0x620F731Cu);
    EXPECT_EQ(encounter_pid(frame0, 3, true, kUnbounded, true).status, Encounter::kNatureFailed);
}

TEST(Creature, EncounterNeverReadsPastItsLastOutput) {
    const Outputs o{0x12345678u};
    const Encounter full = encounter_pid(o, kNoNature, false, kUnbounded);
    ASSERT_EQ(full.status, Encounter::kOk);
    // Exactly enough room for both individual-value words, then one short.
    EXPECT_EQ(encounter_pid(o, kNoNature, false, full.iv_pos + 1).status, Encounter::kOk);
    EXPECT_EQ(encounter_pid(o, kNoNature, false, full.iv_pos).status, Encounter::kOutOfRange);
}

TEST(Creature, ShininessAndUnsignedNature) {
    // (high ^ low ^ tid ^ sid): 7 passes, 8 fails.
    EXPECT_TRUE(is_shiny(0x00000007u, 0, 0));
    EXPECT_FALSE(is_shiny(0x00000008u, 0, 0));
    EXPECT_TRUE(is_shiny(0x12340000u, 0x1230, 0x0004 ^ 7));
    EXPECT_EQ(nature_of(0x80000000u), 23);
    std::mt19937 rng(3);
    for (int i = 0; i < 1000; ++i) {
        std::uint16_t bits[13];
        for (auto& b : bits) b = static_cast<std::uint16_t>(rng());
        const auto tid = static_cast<std::uint16_t>(rng()), sid = static_cast<std::uint16_t>(rng());
        const std::uint32_t pid = shiny_locked_pid(tid, sid, static_cast<std::uint16_t>(rng()),
                                                   static_cast<std::uint16_t>(rng()), bits);
        EXPECT_TRUE(is_shiny(pid, tid, sid));
    }
}

TEST(Creature, HiddenPowerCorners) {
    auto all = [](int v) { return Ivs{v, v, v, v, v, v}; };
    EXPECT_EQ(hidden_power_type(all(31)), 15);
    EXPECT_EQ(hidden_power_power(all(31)), 70);
    EXPECT_EQ(hidden_power_type(all(0)), 0);
    EXPECT_EQ(hidden_power_power(all(0)), 30);
    EXPECT_EQ(hidden_power_type(all(30)), 0);
    EXPECT_EQ(hidden_power_power(all(30)), 70);
    EXPECT_EQ(hidden_power_type(all(1)), 15);
    EXPECT_EQ(hidden_power_power(all(1)), 30);
    EXPECT_EQ(ivs_from_words(0x8000, 0x8000), ivs_from_words(0, 0));
}

TEST(Names, LookupsCopyAndIgnoreOutOfRange) {
    char buf[256] = "unchanged";
    nature_name(25, buf);
    EXPECT_STREQ(buf, "unchanged");
    hidden_power_type_name(-1, buf);
    EXPECT_STREQ(buf, "unchanged");
    nature_name(23, buf);
    EXPECT_STREQ(buf, "しんちょう");
    hidden_power_type_name(6, buf);
    EXPECT_STREQ(buf, "ゴースト");
}

}  // namespace
}  // namespace vh
