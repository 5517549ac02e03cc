// The frame list: what every frame of one initial seed produces.
#pragma once
#include <cstdint>

#include "engine/creature.hpp"
#include "text/sink.hpp"

namespace vh {

inline constexpr const char* kFrameListFile = "list.txt";

struct FrameListRequest {
    std::uint32_t seed = 0;
    int frames = 0;             // frames 0 .. frames-1 are examined
    Ivs min_ivs{};              // H, A, B, S, C, D
    int nature = kNoNature;     // wanted nature or kNoNature
    bool sync = false;
    bool shiny_only = false;
    std::uint16_t tid = 0;
    std::uint16_t sid = 0;
    bool all_natures = false;
    bool fixed_shiny = false;
};

// Writes the header and one row per listed frame; ends early once `out` is
// stopped.
void write_frame_list(const FrameListRequest& req, TextSink& out);

}  // namespace vh
