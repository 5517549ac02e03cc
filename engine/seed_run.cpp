#include "engine/seed_run.hpp"

namespace vh {

SeedRun g_seed_run;

namespace {
template <std::uint32_t (*Step)(std::uint32_t)>
void fill(SeedRun& run, std::uint32_t start, int count) {
    if (count > kSeedRunSize) count = kSeedRunSize;
    std::uint32_t s = start;
    for (int k = 0; k < count; ++k) {
        if (k) s = Step(s);
        run.state[k] = s;
        run.out[k] = output_of(s);
    }
}
}  // namespace

void fill_forward(SeedRun& run, std::uint32_t start, int count) { fill<next_seed>(run, start, count); }
void fill_backward(SeedRun& run, std::uint32_t start, int count) { fill<prev_seed>(run, start, count); }

}  // namespace vh
