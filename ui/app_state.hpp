// What the main window keeps between commands and paints.
#pragma once
#include "features/boot_load.hpp"
#include "features/seed_candidates.hpp"

namespace vh {

struct AppState {
    bool controls_created = false;
    CandidateList candidates;
    BootLoadResult boot_load;
    int ideal_roaming = -1;  // painted when 0 or more
    int species_index = 0;
};

extern AppState g_app;

}  // namespace vh
