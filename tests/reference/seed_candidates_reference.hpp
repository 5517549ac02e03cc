// The candidate search as a literal scan: every one of the 131072 states
// whose high half can be the first individual-value word is stepped and
// tested, and every match is kept (no capacity).
#pragma once
#include <cstdint>
#include <vector>

#include "features/seed_candidates.hpp"

namespace vh::reference {

std::vector<std::uint32_t> find_seed_candidates_literal(const SeedCandidateRequest& req);

}  // namespace vh::reference
