// The calibration commands: the initial-seed candidate search with its
// adoption buttons and the boot and load time.
#include <cstdio>

#include "features/boot_load.hpp"
#include "features/seed_candidates.hpp"
#include "text/numbers.hpp"
#include "ui/app_state.hpp"
#include "ui/commands.hpp"
#include "ui/controls.hpp"
#include "ui/fields.hpp"
#include "ui/platform.hpp"

namespace vh {

namespace {

SeedCandidateRequest read_candidate_request() {
    SeedCandidateRequest r;
    for (int i = 0; i < 6; ++i) r.ivs[i] = read_decimal_clamped(kCandidateIvH + i, 2, 0, 31);
    r.nature = clamp_int(read_selection(kCandidateNature), 0, 24);
    const int hour = read_decimal(kCandidateHour, 2);
    r.hour = hour < 0 ? 0 : hour;
    return r;
}

BootLoadInputs read_boot_load_inputs() {
    BootLoadInputs in;
    in.seconds = read_real(kMeasuredSeconds, kTextLimit);
    in.measured_delay = read_hex_signed(kMeasuredDelay, kTextLimit);
    in.target = read_hex_unsigned(kTargetSeed, kTextLimit);
    in.start_month = read_decimal(kStartMonth, kTextLimit);
    in.start_day = read_decimal(kStartDay, kTextLimit);
    in.direction = read_selection(kDirection);
    return in;
}

}  // namespace

void command_seed_candidates() {
    // Every adoption button goes first, whatever the last search left, so
    // the buttons present are always exactly those of this search.
    for (int n = 0; n < kMaxCandidates; ++n) platform::destroy_control(kAdoptFirstId + n);
    g_app.candidates = CandidateList{};
    const CandidateList found = find_seed_candidates(read_candidate_request());
    g_app.candidates = found;
    for (int n = 0; n < found.count; ++n) platform::create_control(adoption_button(n));
}

void command_adopt(int n) {
    if (n < 0 || n >= g_app.candidates.count) return;
    const FieldText reading = read_text(kStopwatchDisplay, kTextLimit);
    platform::set_text(kMeasuredSeconds, reading.bytes);
    char delay[8];
    std::snprintf(delay, sizeof delay, "%04X", static_cast<unsigned>(g_app.candidates.seeds[n] & 0xFFFFu));
    platform::set_text(kMeasuredDelay, delay);
}

void command_boot_load() { compute_boot_load(read_boot_load_inputs(), g_app.boot_load); }

}  // namespace vh
