// A run of generator outputs produced on demand and kept: out(0) is the
// start state's own high half and out(k) the k-th output after it. It holds
// up to kSeedRunSize outputs (the seed run's capacity); readers bound their
// indices by that or less.
#pragma once
#include <cstdint>

#include "engine/lcg.hpp"
#include "engine/seed_run.hpp"

namespace vh {

class OutputRun {
public:
    void start(std::uint32_t state) {
        state_ = state;
        out_[0] = output_of(state);
        filled_ = 1;
    }
    std::uint16_t operator()(long k) {
        for (; filled_ <= k; ++filled_) {
            state_ = next_seed(state_);
            out_[filled_] = output_of(state_);
        }
        return out_[k];
    }
    // Outputs 0 .. k, all produced.
    const std::uint16_t* through(long k) {
        (*this)(k);
        return out_;
    }

private:
    std::uint32_t state_ = 0;
    long filled_ = 0;
    std::uint16_t out_[kSeedRunSize];
};

}  // namespace vh
