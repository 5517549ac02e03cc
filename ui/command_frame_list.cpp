#include "features/frame_list.hpp"
#include "text/numbers.hpp"
#include "ui/commands.hpp"
#include "ui/controls.hpp"
#include "ui/fields.hpp"

namespace vh {

namespace {
FrameListRequest read_frame_list_request() {
    FrameListRequest r;
    r.seed = read_hex_unsigned(kListSeed, 8);
    r.frames = read_decimal(kListFrames, 4);
    if (r.frames < 0) r.frames = 0;
    for (int i = 0; i < 6; ++i) r.min_ivs[i] = read_decimal_clamped(kListMinH + i, 3, 0, 31);
    r.nature = read_selection(kListNature) - 1;
    r.sync = read_check(kListSync);
    r.shiny_only = read_check(kListShiny);
    r.tid = read_id16(kListTid);
    r.sid = read_id16(kListSid);
    r.all_natures = read_check(kListAllNatures);
    r.fixed_shiny = read_check(kListFixedShiny);
    return r;
}
}  // namespace

bool command_frame_list() {
    const FrameListRequest req = read_frame_list_request();
    return write_and_open(kFrameListFile, [&](TextSink& out) {
        CancellableSink watched(out);
        write_frame_list(req, watched);
    });
}

}  // namespace vh
