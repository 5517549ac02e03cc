// Initial-seed candidates of one hour from a creature's individual values
// and nature, for calibrating the delay count.
#pragma once
#include <cstdint>

#include "engine/creature.hpp"

namespace vh {

inline constexpr int kCandidateCapacity = 10;

struct SeedCandidateRequest {
    Ivs ivs{};       // H, A, B, S, C, D, each 0..31
    int nature = 0;  // 0..24
    int hour = 0;    // 0..99, matched against bits 16-23
};

struct CandidateList {
    int count = 0;
    std::uint32_t seeds[kCandidateCapacity] = {};
};

CandidateList find_seed_candidates(const SeedCandidateRequest& req);

}  // namespace vh
