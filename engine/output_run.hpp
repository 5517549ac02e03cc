// The run of generator outputs of one start state, produced on demand and
// kept: out(0) is the start state's own high half and out(k) the k-th
// output after it. The first kSeedRunSize outputs are kept in a table, so a
// reader that goes back to an earlier index pays nothing; outputs past the
// table are stepped on from its last state as they are asked for, so a
// reader that needs them is never cut short.
#pragma once
#include <cstdint>

#include "engine/lcg.hpp"

namespace vh {

// Outputs 0 .. kSeedRunSize-1 of a start state are kept.
inline constexpr int kSeedRunSize = 20000;

class OutputRun {
public:
    void start(std::uint32_t state) {
        state_ = state;
        out_[0] = output_of(state);
        filled_ = 1;
        far_index_ = 0;
    }
    // The same run when the states 1 .. n steps after `state` are already
    // known (n at least 1): their outputs are taken as they are.
    void start(std::uint32_t state, const std::uint32_t* after, int n) {
        out_[0] = output_of(state);
        for (int k = 1; k <= n; ++k) out_[k] = output_of(after[k - 1]);
        state_ = after[n - 1];
        filled_ = n + 1;
        far_index_ = 0;
    }
    std::uint16_t operator()(long k) {
        for (; filled_ <= k; ++filled_) {
            if (filled_ == kSeedRunSize) return far(k);
            state_ = next_seed(state_);
            out_[filled_] = output_of(state_);
        }
        return out_[k];
    }
    // Outputs 0 .. k, all produced (k below kSeedRunSize).
    const std::uint16_t* through(long k) {
        (*this)(k);
        return out_;
    }

private:
    // An output past the table, stepped on from the last one asked for, or
    // from the table's last state when the reader went back.
    [[gnu::noinline]] std::uint16_t far(long k) {
        (*this)(kSeedRunSize - 1);
        if (far_index_ == 0 || k < far_index_) {
            far_index_ = kSeedRunSize - 1;
            far_state_ = state_;
        }
        for (; far_index_ < k; ++far_index_) far_state_ = next_seed(far_state_);
        return output_of(far_state_);
    }

    std::uint32_t state_ = 0;  // the state of output filled_ - 1
    long filled_ = 0;
    long far_index_ = 0;  // 0 until an output past the table is asked for
    std::uint32_t far_state_ = 0;
    std::uint16_t out_[kSeedRunSize];
};

}  // namespace vh
