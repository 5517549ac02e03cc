// The initial-seed narrowing exactly as its algorithm is written, one
// trial and one step at a time, with its own creature arithmetic, names and
// header rule: the yardstick for the fast search and the creature model.
#pragma once
#include <functional>

#include "features/narrowing.hpp"

namespace vh::reference {

// `forward_table` as in NarrowingOptions.
void narrowing(const NarrowingRequest& req, const std::function<void(const char*)>& progress, TextSink& out,
               int forward_table = kSeedRunSize);

}  // namespace vh::reference
