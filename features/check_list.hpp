// The check list: for a target initial seed and its 16 neighbours (target-16
// to target+16 in steps of 2), the routes the roaming creatures move to and
// the encounter met after a given count of generator outputs.
#pragma once
#include <cstddef>
#include <cstdint>

#include "data/species.hpp"
#include "engine/creature.hpp"
#include "text/sink.hpp"

namespace vh {

inline constexpr const char* kCheckListFile = "zure.txt";
inline constexpr int kNoRoute = -1;
inline constexpr int kCheckWindowSeeds = 17;
inline constexpr int kPreparedOutputs = 10;  // outputs prepared per seed for the route draws

struct CheckListRequest {
    std::uint32_t target = 0;
    std::int32_t consumption = 0;  // outputs consumed at the target, roaming included
    char species_name[kTypedNameMax + 1] = "";
    std::size_t species_name_size = 0;
    std::int32_t level = 0;
    // Previous routes (route table indices) or kNoRoute; an index outside its
    // table counts as kNoRoute. The second dog only takes part with the first.
    int dog1_prev = kNoRoute;
    int dog2_prev = kNoRoute;
    int lati_prev = kNoRoute;
    int sync_nature = kNoNature;  // 0-24, or kNoNature (so is anything outside 0-24)
};

// What the window keeps between runs.
struct CheckListKept {
    int ideal_roaming = -1;  // roamer consumption of the last target that had rows
    int species_index = 0;   // the record of the last successful name lookup
};

// Looks the species up, then writes the header and, when the whole seed
// window lies in the 32-bit range (targets 0x10 to 0xFFFFFFEF), one row per
// seed in ascending order, and stores the target's roamer consumption as
// the ideal roaming count. A row whose encounter frame (consumption - ideal
// roaming count + the seed's own roamer consumption) would lie before the
// initial seed has "-" in the nature and the six stat fields. Ends early
// once `out` is stopped.
void write_check_list(const CheckListRequest& req, const SpeciesTable& species, CheckListKept& kept,
                      TextSink& out);

// The window's seeds in ascending order and, for each, the states 1 to 10
// steps after it, the later seeds' from the earlier ones' by the 2 x a^n
// increments.
struct RoamerStates {
    std::uint32_t seed[kCheckWindowSeeds];
    std::uint32_t after[kCheckWindowSeeds][kPreparedOutputs];  // after[k][n-1]: n steps after seed[k]
};
// Requires target in 0x10 .. 0xFFFFFFEF.
void prepare_roamer_states(std::uint32_t target, RoamerStates& states);

// The six stats H, A, B, S, C, D of a creature, nature effect included,
// computed wide enough for any 32-bit base stat and level.
struct Stats {
    std::int64_t v[6];
};
Stats creature_stats(const Ivs& ivs, const std::int32_t (&base)[6], std::int32_t level, int nature);

}  // namespace vh
