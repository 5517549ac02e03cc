#include "features/boot_load.hpp"

#include <cmath>

namespace vh {

namespace {

using i64 = std::int64_t;

// Everything below is computed in 64 bits: for the values the stopwatch and
// the game produce every intermediate fits 32 bits, and then the results are
// those of 32-bit arithmetic; far outside that range nothing overflows.

// Seconds in whole hundredths, truncated toward zero; a value beyond the
// 32-bit range is clamped to it, and a text that is not a number gives 0.
i64 hundredths_of(double seconds) {
    const double h = seconds * 100.0;
    if (std::isnan(h)) return 0;
    if (h >= 2147483647.0) return 2147483647;
    if (h <= -2147483648.0) return -2147483647 - 1;
    return static_cast<i64>(h);
}

// Whether day `d` ends month `m`: short months have no day 31, and February
// always has 28 days.
bool month_ends(i64 m, i64 d) {
    if (m == 2 && d >= 29) return true;
    return d == 31 && (m == 2 || m == 4 || m == 6 || m == 9 || m == 11);
}

struct Duration {
    i64 ts;  // whole seconds
    i64 f;   // hundredths left over
};

struct LoadTime {
    i64 minute;
    i64 hundredths;  // within the minute
};

// Whether date (m, d) can be met: the minute-plus-second sum that gives the
// top byte, split so that the boot falls at second 15 when it can, and a boot
// that does not fall before midnight.
bool try_date(i64 m, i64 d, i64 top, i64 hour, Duration dur, LoadTime& out) {
    const i64 r = top - m * d;
    i64 sigma;
    if (r >= 0 && r <= 118) sigma = r;
    else if (r + 256 >= 0 && r + 256 <= 118) sigma = r + 256;
    else return false;
    const i64 w = (dur.ts + 15) % 60;
    i64 minute, second;
    if (sigma > w + 59) {
        minute = 59;
        second = sigma - 59;
    } else if (sigma >= w) {
        minute = sigma - w;
        second = w;
    } else {
        minute = 0;
        second = sigma;
    }
    const i64 p = 100 * second + dur.f;
    if (360000 * hour + 6000 * minute + p < 100 * dur.ts) return false;
    out = {minute, p};
    return true;
}

// Days before this one never give a top byte in a month other than 0: the
// product month x day would lie outside -118 .. 511. Months before -118 have
// no such day from day 1 on. Both bounds only skip dates that fail, so a far
// negative start date costs no more than a near one.
constexpr i64 kFirstUsefulDay = -512;
constexpr i64 kFirstUsefulMonth = -118;

// The first accepted date on or after (month, day), in calendar order.
bool search_dates(i64 month, i64 day, i64 top, i64 hour, Duration dur, i64& found_m, i64& found_d, LoadTime& load) {
    for (i64 m = month; m <= 12; ++m) {
        i64 d = m == month ? day : 1;
        if (m == 0) {
            // Month 0 gives the same top byte on every day: only its first day can be the first accepted.
            if (d <= 31 && try_date(m, d, top, hour, dur, load)) {
                found_m = m;
                found_d = d;
                return true;
            }
            continue;
        }
        if (d < kFirstUsefulDay) d = kFirstUsefulDay;
        for (; d <= 31 && !month_ends(m, d); ++d) {
            if (try_date(m, d, top, hour, dur, load)) {
                found_m = m;
                found_d = d;
                return true;
            }
        }
        if (m < kFirstUsefulMonth - 1) m = kFirstUsefulMonth - 1;
    }
    return false;
}

}  // namespace

void compute_boot_load(const BootLoadInputs& in, BootLoadResult& result) {
    const i64 t_meas = hundredths_of(in.seconds);
    const i64 top = in.target >> 24;
    const i64 hour = (in.target >> 16) & 0xFFu;
    const i64 d_target = in.target & 0xFFFFu;

    result.load_hour = static_cast<std::int32_t>(hour);
    result.result_day = -1;
    // Only the first direction entry ("on or after") exists.
    if (in.direction != 0) return;

    const i64 tq = t_meas + ((d_target - in.measured_delay) * 100) / 60;
    const Duration dur{tq / 100, tq - 100 * (tq / 100)};

    i64 m = 0, d = -1;
    LoadTime load{};
    if (in.start_month > 12 || !search_dates(in.start_month, in.start_day, top, hour, dur, m, d, load)) {
        // Nothing found: month 0, day -1 and a boot and load at 0:00 (load
        // hour still the target's), whatever an earlier press had found.
        result.result_month = 0;
        result.result_day = -1;
        result.boot_month = 0;
        result.boot_day = -1;
        result.load_minute = 0;
        result.load_hundredths = 0;
        result.boot_hour = result.boot_minute = result.boot_second = 0;
        result.shown = true;
        return;
    }
    result.result_month = static_cast<std::int32_t>(m);
    result.result_day = static_cast<std::int32_t>(d);
    result.load_minute = static_cast<std::int32_t>(load.minute);
    result.load_hundredths = static_cast<std::int32_t>(load.hundredths);
    result.boot_month = result.result_month;
    result.boot_day = result.result_day;
    const i64 boot = 360000 * hour + 6000 * load.minute + load.hundredths - 100 * dur.ts;
    result.boot_hour = static_cast<std::int32_t>(boot / 360000);
    result.boot_minute = static_cast<std::int32_t>((boot % 360000) / 6000);
    result.boot_second = static_cast<std::int32_t>((boot % 6000) / 100);
    result.shown = true;
}

}  // namespace vh
