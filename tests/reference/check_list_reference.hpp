// A literal, slow check list: every seed's outputs stepped one by one from
// the seed itself, the header and rows built step by step as the algorithm
// reads, the stats in 128-bit arithmetic.
#pragma once
#include <string>

#include "features/check_list.hpp"

namespace vh::reference {

// Returns the file's bytes (CR LF line ends) and updates `kept` the same way.
std::string check_list(const CheckListRequest& req, const SpeciesTable& species, CheckListKept& kept);

}  // namespace vh::reference
