#include "features/frame_list.hpp"

#include "engine/names.hpp"
#include "engine/output_run.hpp"

namespace vh {

namespace {

struct Frame {
    std::uint32_t pid;
    Ivs ivs;
};

// The creature of frame f: the fixed shiny creature reads from output f on
// (the earlier seed value the high one), ordinary generation from f + 1 on.
Frame frame_creature(OutputRun& run, long f, const FrameListRequest& req) {
    const auto o = [&](long i) { return run(f + i); };
    if (req.fixed_shiny) {
        const Creature c = fixed_shiny_creature(o, req.tid, req.sid, false);
        return {c.pid, ivs_from_words(c.first_word, c.second_word)};
    }
    const Encounter e = encounter_pid(o, req.nature, req.sync, kUnbounded);
    return {e.pid, ivs_from_words(o(e.iv_pos), o(e.iv_pos + 1))};
}

bool passes(const Frame& fr, const FrameListRequest& req) {
    if (!req.all_natures && req.nature != kNoNature && nature_of(fr.pid) != req.nature) return false;
    for (int i = 0; i < 6; ++i)
        if (fr.ivs[i] < req.min_ivs[i]) return false;
    return !req.shiny_only || is_shiny(fr.pid, req.tid, req.sid);
}

}  // namespace

void write_frame_list(const FrameListRequest& req, TextSink& out) {
    put_text(out, "消費数,seed,性格値,性格,H,A,B,S,C,D,特性,性別値,めざパ,威力\n");
    OutputRun run;
    run.start(req.seed);
    // The fixed shiny creature's nature ends a frame whatever "all natures" says.
    const bool nature_drop = req.fixed_shiny && fixed_shiny_nature_tested(req.nature, req.tid, req.sid);
    std::uint32_t state = req.seed;  // the state after f steps
    for (long f = 0; f < req.frames && !out.stopped(); ++f, state = next_seed(state)) {
        const Frame fr = frame_creature(run, f, req);
        if (nature_drop && nature_of(fr.pid) != req.nature) continue;
        if (!passes(fr, req)) continue;
        char nature[256] = "", type[256] = "";
        nature_name(nature_of(fr.pid), nature);
        hidden_power_type_name(hidden_power_type(fr.ivs), type);
        put_text(out, "%ld,0x%08X,0x%08X,%s,%d,%d,%d,%d,%d,%d,%d,%d,%s,%d\n", f, state, fr.pid, nature, fr.ivs[0],
                 fr.ivs[1], fr.ivs[2], fr.ivs[3], fr.ivs[4], fr.ivs[5], ability_slot(fr.pid), gender_value(fr.pid), type,
                 hidden_power_power(fr.ivs));
    }
}

}  // namespace vh
