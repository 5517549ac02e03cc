// Boot and load time: the worked dates, the month ends, the split of the
// minute-plus-second sum, and a literal 32-bit walk over the dates that the
// 64-bit one must equal wherever the 32-bit one is defined.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <limits>
#include <random>

#include "features/boot_load.hpp"

namespace vh {
namespace {

// Calibration of the worked examples: 30.00 s produced delay 0x05F0.
BootLoadInputs worked(std::uint32_t target, int month = 9, int day = 12) {
    BootLoadInputs in;
    in.seconds = 30.00;
    in.measured_delay = 0x05F0;
    in.target = target;
    in.start_month = month;
    in.start_day = day;
    return in;
}

BootLoadResult run(const BootLoadInputs& in) {
    BootLoadResult r;
    compute_boot_load(in, r);
    return r;
}

struct Times {
    int month, day, boot_h, boot_m, boot_s, load_h, load_m, load_hundredths;
    friend bool operator==(const Times&, const Times&) = default;
};

Times times_of(const BootLoadResult& r) {
    EXPECT_EQ(r.boot_month, r.result_month);
    EXPECT_EQ(r.boot_day, r.result_day);
    return {r.result_month, r.result_day, r.boot_hour, r.boot_minute, r.boot_second,
            r.load_hour, r.load_minute, r.load_hundredths};
}

std::ostream& operator<<(std::ostream& o, const Times& t) {
    return o << t.month << "/" << t.day << " boot " << t.boot_h << ":" << t.boot_m << ":" << t.boot_s << " load "
             << t.load_h << ":" << t.load_m << ":" << t.load_hundredths;
}

// The date walk exactly as written, in 32-bit arithmetic, leaving the
// fields of an unaccepted search as they fall.
void literal32(const BootLoadInputs& in, BootLoadResult& r) {
    const std::int32_t tm = static_cast<std::int32_t>(in.seconds * 100.0);
    const std::int32_t a = static_cast<std::int32_t>(in.target >> 24);
    const std::int32_t h = static_cast<std::int32_t>((in.target >> 16) & 0xFF);
    const std::int32_t dt = static_cast<std::int32_t>(in.target & 0xFFFF);
    r.load_hour = h;
    r.result_day = -1;
    if (in.direction != 0) return;
    const std::int32_t tq = tm + ((dt - in.measured_delay) * 100) / 60;
    const std::int32_t ts = tq / 100, f = tq - 100 * ts;
    std::int32_t n = r.load_minute, p = r.load_hundredths;
    if (in.start_month <= 12) {
        bool done = false;
        for (std::int32_t m = in.start_month; m <= 12 && !done; ++m) {
            for (std::int32_t d = m == in.start_month ? in.start_day : 1; d <= 31; ++d) {
                if ((m == 2 || m == 4 || m == 6 || m == 9 || m == 11) && d == 31) break;
                if (m == 2 && d >= 29) break;
                std::int32_t sigma = a - m * d;
                if (!(sigma >= 0 && sigma <= 118)) {
                    sigma += 256;
                    if (!(sigma >= 0 && sigma <= 118)) continue;
                }
                const std::int32_t w = (ts + 15) % 60;
                std::int32_t s;
                if (sigma > w + 59) n = 59, s = sigma - 59;
                else if (sigma >= w) n = sigma - w, s = w;
                else n = 0, s = sigma;
                p = 100 * s + f;
                if (360000 * h + 6000 * n + p >= 100 * ts) {
                    r.result_month = m;
                    r.result_day = d;
                    done = true;
                    break;
                }
            }
        }
    }
    r.load_minute = n;
    r.load_hundredths = p;
    r.boot_month = r.result_month;
    r.boot_day = r.result_day;
    const std::int32_t b = 360000 * h + 6000 * n + p - 100 * ts;
    r.boot_hour = b / 360000;
    r.boot_minute = (b % 360000) / 6000;
    r.boot_second = (b % 6000) / 100;
    r.shown = true;
}

TEST(BootLoad, WorkedExamples) {
    EXPECT_EQ(times_of(run(worked(0xA0140650u))), (Times{9, 12, 20, 6, 15, 20, 6, 4660}));
    EXPECT_EQ(times_of(run(worked(0x6C140650u))), (Times{9, 12, 19, 59, 29, 20, 0, 60}));
    EXPECT_EQ(times_of(run(worked(0x5A0A0650u))), (Times{9, 26, 10, 59, 22, 10, 59, 5360}));
    EXPECT_EQ(times_of(run(worked(0x6C000650u))), (Times{9, 28, 0, 59, 22, 0, 59, 5360}));
    // February 29 is passed over; 3/14 gives the sum 118.
    EXPECT_EQ(times_of(run(worked(0xA0140650u, 2, 29))), (Times{3, 14, 20, 59, 28, 20, 59, 5960}));
    EXPECT_TRUE(run(worked(0xA0140650u)).shown);
}

TEST(BootLoad, MonthEndsAndStartDays) {
    // A start day above 31 passes over the whole start month.
    const BootLoadResult next_month = run(worked(0x20140650u, 1, 32));  // 32 = 2 x 16
    EXPECT_EQ(next_month.result_month, 2);
    EXPECT_EQ(next_month.result_day, 1);
    // February 30 moves straight to March 1 and April 31 to May 2, although
    // 2 x 30 and 4 x 31 would meet these top bytes exactly (sum 0).
    const BootLoadResult march = run(worked(0x3C140650u, 2, 30));
    EXPECT_EQ(march.result_month, 3);
    EXPECT_EQ(march.result_day, 1);
    const BootLoadResult may = run(worked(0x7C140650u, 4, 31));  // 5/1 gives 119, too much
    EXPECT_EQ(may.result_month, 5);
    EXPECT_EQ(may.result_day, 2);
    // June, September and November end at 30 as well; other months run to 31.
    EXPECT_EQ(run(worked(0xBA140650u, 6, 31)).result_month, 7);   // 186 = 6 x 31
    EXPECT_EQ(run(worked(0x17140650u, 9, 31)).result_month, 10);  // 279 mod 256 = 23
    EXPECT_EQ(run(worked(0x55140650u, 11, 31)).result_month, 12); // 341 mod 256 = 85
    const BootLoadResult oct31 = run(worked(0x36140650u, 10, 31));  // 310 mod 256 = 54
    EXPECT_EQ(oct31.result_month, 10);
    EXPECT_EQ(oct31.result_day, 31);
    // February 28 is still a date.
    const BootLoadResult feb28 = run(worked(0x38140650u, 2, 28));  // 56 = 2 x 28
    EXPECT_EQ(feb28.result_month, 2);
    EXPECT_EQ(feb28.result_day, 28);
}

TEST(BootLoad, TopByteWrapAndSplitOfTheSum) {
    // 12/31: m x d = 372; top byte 0x74 (116) gives r = -256, sigma 0 by the wrap.
    const BootLoadResult wrap = run(worked(0x74140650u, 12, 31));
    EXPECT_EQ(wrap.result_month, 12);
    EXPECT_EQ(wrap.result_day, 31);
    EXPECT_EQ(wrap.load_minute, 0);
    EXPECT_EQ(wrap.load_hundredths, 60);
    // 12/31 with top byte 0 gives r + 256 = -116: not accepted, nothing later.
    EXPECT_EQ(run(worked(0x00140650u, 12, 31)).result_day, -1);
    // w = 46 here. sigma = w: minute 0, second w; w + 59: minute 59, second w;
    // w + 60: minute 59, second w + 1. On 1/1 sigma = top byte - 1.
    const BootLoadResult at_w = run(worked(std::uint32_t{47} << 24 | 0x140650u, 1, 1));
    EXPECT_EQ(at_w.load_minute, 0);
    EXPECT_EQ(at_w.load_hundredths, 4660);
    EXPECT_EQ(at_w.boot_second, 15);
    const BootLoadResult top_mid = run(worked(std::uint32_t{47 + 59} << 24 | 0x140650u, 1, 1));
    EXPECT_EQ(top_mid.load_minute, 59);
    EXPECT_EQ(top_mid.load_hundredths, 4660);
    const BootLoadResult above = run(worked(std::uint32_t{47 + 60} << 24 | 0x140650u, 1, 1));
    EXPECT_EQ(above.load_minute, 59);
    EXPECT_EQ(above.load_hundredths, 4760);
}

TEST(BootLoad, MeasuredTimeAndDelayDifference) {
    // 2.01 s is 200 hundredths: with equal delays, load - boot = 2 s exactly.
    BootLoadInputs in = worked(0xA0140650u);
    in.seconds = 2.01;
    in.measured_delay = 0x0650;
    BootLoadResult r = run(in);
    ASSERT_EQ(r.result_day, 12);
    const int load = r.load_hour * 360000 + r.load_minute * 6000 + r.load_hundredths;
    const int boot = r.boot_hour * 360000 + r.boot_minute * 6000 + r.boot_second * 100;
    EXPECT_EQ(load - boot, 200);
    // A difference of -1 count shortens 2.00 s by one hundredth (-100 / 60 = -1).
    in.seconds = 2.00;
    in.measured_delay = 0x0651;
    r = run(in);
    EXPECT_EQ(r.load_hundredths % 100, 99);
}

TEST(BootLoad, NoDateFoundPaintsTheSameWhateverCameBefore) {
    BootLoadResult r = run(worked(0xA0140650u));
    compute_boot_load(worked(0x00140650u, 12, 31), r);
    const BootLoadResult fresh = run(worked(0x00140650u, 12, 31));
    EXPECT_EQ(times_of(r), times_of(fresh));
    EXPECT_EQ(times_of(fresh), (Times{0, -1, 0, 0, 0, 20, 0, 0}));
    EXPECT_TRUE(fresh.shown);
    // A start month above 12 searches nothing.
    EXPECT_EQ(times_of(run(worked(0xA0140650u, 13, 1))), (Times{0, -1, 0, 0, 0, 20, 0, 0}));
    // A direction other than the first changes only the hour and the day.
    BootLoadResult other = run(worked(0xA0140650u));
    BootLoadInputs in = worked(0x6C0A0650u);
    in.direction = 1;
    compute_boot_load(in, other);
    EXPECT_EQ(other.load_hour, 10);
    EXPECT_EQ(other.result_day, -1);
    EXPECT_EQ(other.result_month, 9);
    EXPECT_EQ(other.load_minute, 6);
    EXPECT_EQ(other.boot_day, 12);
}

TEST(BootLoad, FarOutInputsStayDefinedAndQuick) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    const std::int32_t lo = std::numeric_limits<std::int32_t>::min(), hi = std::numeric_limits<std::int32_t>::max();
    for (double seconds : {nan, inf, -inf, 1e300, -1e300, 21474836.47, 30.0})
        for (std::int32_t delay : {lo, hi, 0})
            for (std::int32_t month : {lo, -1, 0, 1, 12, hi})
                for (std::int32_t day : {lo, -1, 0, 31, hi}) {
                    BootLoadInputs in{seconds, delay, 0x6C000650u, month, day, 0};
                    const BootLoadResult r = run(in);
                    EXPECT_TRUE(r.shown);
                    if (r.result_day == -1) continue;
                    // An accepted date boots on the same date, at or after midnight.
                    EXPECT_GE(r.boot_hour, 0);
                    EXPECT_GE(r.boot_minute, 0);
                    EXPECT_GE(r.boot_second, 0);
                }
    // Month 0 gives the same top byte every day: a far negative start day is the date.
    const BootLoadResult zero = run(BootLoadInputs{30.0, 0x05F0, 0x6C140650u, 0, lo, 0});
    EXPECT_EQ(zero.result_month, 0);
    EXPECT_EQ(zero.result_day, lo);
}

TEST(BootLoad, EqualsTheLiteralWalkInTheUsualRange) {
    std::mt19937 rng(99);
    for (int i = 0; i < 3000; ++i) {
        BootLoadInputs in;
        in.seconds = static_cast<int>(rng() % 200000) / 100.0;
        in.measured_delay = static_cast<std::int32_t>(rng() % 0x10000);
        in.target = rng();
        if (i % 4 == 0) {
            // Dates far before the year, walked in full by the literal version.
            in.start_month = -static_cast<std::int32_t>(rng() % 3000);
            in.start_day = -static_cast<std::int32_t>(rng() % 3000);
        } else {
            in.start_month = static_cast<std::int32_t>(rng() % 16) - 1;
            in.start_day = static_cast<std::int32_t>(rng() % 36) - 2;
        }
        BootLoadResult want, got;
        literal32(in, want);
        compute_boot_load(in, got);
        ASSERT_EQ(got.result_day, want.result_day) << i;
        if (want.result_day == -1) continue;
        ASSERT_EQ(times_of(got), times_of(want)) << i;
    }
}

}  // namespace
}  // namespace vh
