#include "features/frame_list.hpp"
#include "text/numbers.hpp"
#include "ui/commands.hpp"
#include "ui/fields.hpp"

namespace vh {

namespace {
FrameListRequest read_frame_list_request() {
    FrameListRequest r;
    r.seed = read_hex_unsigned(116, 8);
    r.frames = read_decimal(117, 4);
    if (r.frames < 0) r.frames = 0;
    for (int i = 0; i < 6; ++i) r.min_ivs[i] = read_decimal_clamped(110 + i, 3, 0, 31);
    r.nature = read_selection(301) - 1;
    r.sync = read_check(901);
    r.shiny_only = read_check(903);
    r.tid = read_id16(118);
    r.sid = read_id16(119);
    r.all_natures = read_check(904);
    r.fixed_shiny = read_check(908);
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
