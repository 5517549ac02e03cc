// The calibration commands: the initial-seed candidate search with its
// adoption buttons (211, 1001-1010) and the boot and load time (212).
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

constexpr int kStopwatchDisplay = 930;
constexpr int kSecondsField = 144;
constexpr int kDelayField = 145;

SeedCandidateRequest read_candidate_request() {
    SeedCandidateRequest r;
    for (int i = 0; i < 6; ++i) r.ivs[i] = read_decimal_clamped(133 + i, 2, 0, 31);
    r.nature = clamp_int(read_selection(310), 0, 24);
    const int hour = read_decimal(132, 2);
    r.hour = hour < 0 ? 0 : hour;
    return r;
}

BootLoadInputs read_boot_load_inputs() {
    BootLoadInputs in;
    in.seconds = read_real(kSecondsField, kTextLimit);
    in.measured_delay = read_hex_signed(kDelayField, kTextLimit);
    in.target = read_hex_unsigned(140, kTextLimit);
    in.start_month = read_decimal(142, kTextLimit);
    in.start_day = read_decimal(143, kTextLimit);
    in.direction = read_selection(311);
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
    platform::set_text(kSecondsField, reading.bytes);
    char delay[8];
    std::snprintf(delay, sizeof delay, "%04X", static_cast<unsigned>(g_app.candidates.seeds[n] & 0xFFFFu));
    platform::set_text(kDelayField, delay);
}

void command_boot_load() { compute_boot_load(read_boot_load_inputs(), g_app.boot_load); }

}  // namespace vh
