#include "features/narrowing.hpp"
#include "text/numbers.hpp"
#include "ui/caption_progress.hpp"
#include "ui/commands.hpp"
#include "ui/fields.hpp"
#include "ui/platform.hpp"

namespace vh {

namespace {
NarrowingRequest read_narrowing_request() {
    NarrowingRequest r;
    for (int i = 0; i < 6; ++i) r.min_ivs[i] = read_decimal_clamped(100 + i, 3, 0, 31);
    // Read signed so that a negative entry becomes 0, as a number below the range.
    r.max_low = clamp_int(read_hex_signed(106, 4), 0, 0xFFFF);
    r.max_frames = read_decimal_clamped(107, 4, 0, 2500);
    r.nature = read_selection(300) - 1;
    r.sync = read_check(900);
    r.shiny = read_check(902);
    r.tid = read_id16(108);
    r.sid = read_id16(109);
    r.fixed_shiny = read_check(907);
    r.reverse = read_selection(302) == 0;
    r.hp_type = read_selection(303) - 1;
    r.min_power = read_decimal_clamped(150, 4, 30, 70);
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
    if (ok) platform::set_caption("Varnholt");
    return ok;
}

}  // namespace vh
