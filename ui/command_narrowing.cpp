#include "features/narrowing.hpp"
#include "text/numbers.hpp"
#include "ui/caption_progress.hpp"
#include "ui/commands.hpp"
#include "ui/controls.hpp"
#include "ui/fields.hpp"
#include "ui/platform.hpp"
#include "ui/window.hpp"

namespace vh {

namespace {
NarrowingRequest read_narrowing_request() {
    NarrowingRequest r;
    for (int i = 0; i < 6; ++i) r.min_ivs[i] = read_decimal_clamped(kNarrowMinH + i, 3, 0, 31);
    // Read signed so that a negative entry becomes 0, as a number below the range.
    r.max_low = clamp_int(read_hex_signed(kNarrowMaxLow, 4), 0, 0xFFFF);
    r.max_frames = read_decimal_clamped(kNarrowMaxFrames, 4, 0, 2500);
    r.nature = read_selection(kNarrowNature) - 1;
    r.sync = read_check(kNarrowSync);
    r.shiny = read_check(kNarrowShiny);
    r.tid = read_id16(kNarrowTid);
    r.sid = read_id16(kNarrowSid);
    r.fixed_shiny = read_check(kNarrowFixedShiny);
    r.reverse = read_selection(kNarrowMode) == 0;
    r.hp_type = read_selection(kNarrowHpType) - 1;
    r.min_power = read_decimal_clamped(kNarrowMinPower, 4, 30, 70);
    return r;
}
}  // namespace

bool command_narrowing() {
    const NarrowingRequest req = read_narrowing_request();
    CaptionProgress caption;
    const bool ok = write_and_open(kNarrowingFile, [&](TextSink& out) {
        run_narrowing(req, caption, out);
        // A cancel seen by the progress always stops the file from taking its place.
        if (!caption.poll()) out.stop();
        if (!out.stopped()) caption.finish();
    });
    if (ok) platform::set_caption(kWindowCaption);
    return ok;
}

}  // namespace vh
