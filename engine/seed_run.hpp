// The shared run of consecutive generator states with their outputs.
#pragma once
#include <cstdint>

#include "engine/lcg.hpp"

namespace vh {

inline constexpr int kSeedRunSize = 20000;

struct SeedRun {
    std::uint32_t state[kSeedRunSize];
    std::uint16_t out[kSeedRunSize];
};

// The one run the features share (a fixed global table).
extern SeedRun g_seed_run;

// state[0] = start, state[k] = next_seed(state[k-1]) for k < count.
void fill_forward(SeedRun& run, std::uint32_t start, int count = kSeedRunSize);
// state[0] = start, state[k] = prev_seed(state[k-1]) for k < count.
void fill_backward(SeedRun& run, std::uint32_t start, int count = kSeedRunSize);

// Outputs of a forward run by index, also past the end of the table: the
// outputs beyond it are stepped on demand from the last state, without
// allocation, so a personality search is never cut short.
class ForwardOutputs {
public:
    explicit ForwardOutputs(const SeedRun& run) : run_(run) {}
    std::uint16_t operator()(long k) const {
        if (k < kSeedRunSize) return run_.out[k];
        if (k < far_index_ || far_index_ < kSeedRunSize) {
            far_index_ = kSeedRunSize - 1;
            far_state_ = run_.state[kSeedRunSize - 1];
        }
        while (far_index_ < k) {
            far_state_ = next_seed(far_state_);
            ++far_index_;
        }
        return output_of(far_state_);
    }

private:
    const SeedRun& run_;
    mutable long far_index_ = 0;
    mutable std::uint32_t far_state_ = 0;
};

}  // namespace vh
