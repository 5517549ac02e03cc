// Date, boot time and load time that reach a target initial seed, from one
// calibration (a measured boot-to-load time and the delay count it produced).
#pragma once
#include <cstdint>

namespace vh {

struct BootLoadInputs {
    double seconds = 0.0;            // measured boot-to-load time
    std::int32_t measured_delay = 0;  // delay count that time produced
    std::uint32_t target = 0;         // target initial seed
    std::int32_t start_month = 0;
    std::int32_t start_day = 0;
    int direction = 0;                // selected entry of the search direction list
};

struct BootLoadResult {
    bool shown = false;
    std::int32_t boot_month = 0, boot_day = 0;
    std::int32_t result_month = 0, result_day = 0;
    std::int32_t load_hour = 0, load_minute = 0, load_hundredths = 0;
    std::int32_t boot_hour = 0, boot_minute = 0, boot_second = 0;
};

void compute_boot_load(const BootLoadInputs& in, BootLoadResult& result);

}  // namespace vh
