#include "ui/commands.hpp"
#include "ui/controls.hpp"
#include "ui/frontend.hpp"
#include "ui/platform.hpp"

namespace vh {

bool dispatch_command(int id) {
    bool ok = true;
    switch (id) {
        case 200: ok = command_narrowing(); break;
        case 202: ok = command_frame_list(); break;
        case 210: command_stopwatch(); break;
        case 211:
            command_seed_candidates();
            platform::request_repaint();
            break;
        case 212:
            command_boot_load();
            platform::request_repaint();
            break;
        case 213:
            ok = command_check_list();
            platform::request_repaint();
            break;
        default: break;
    }
    if (id >= kAdoptFirstId && id < kAdoptFirstId + kMaxCandidates) command_adopt(id - kAdoptFirstId);
    return ok;
}

}  // namespace vh
