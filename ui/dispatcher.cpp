#include "ui/commands.hpp"
#include "ui/controls.hpp"
#include "ui/frontend.hpp"
#include "ui/platform.hpp"

namespace vh {

bool dispatch_command(int id) {
    bool ok = true;
    switch (id) {
        case kNarrowButton: ok = command_narrowing(); break;
        case kListButton: ok = command_frame_list(); break;
        case kStopwatchButton: command_stopwatch(); break;
        case kCandidatesButton:
            command_seed_candidates();
            platform::request_repaint();
            break;
        case kBootLoadButton:
            command_boot_load();
            platform::request_repaint();
            break;
        case kCheckListButton:
            ok = command_check_list();
            platform::request_repaint();
            break;
        default: break;
    }
    if (id >= kAdoptFirstId && id < kAdoptFirstId + kMaxCandidates) command_adopt(id - kAdoptFirstId);
    return ok;
}

}  // namespace vh
