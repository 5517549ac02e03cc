// Placeholder until the calibration features land.
#include "ui/commands.hpp"
namespace vh {
void command_seed_candidates() {}
void command_boot_load() {}
void command_adopt(int) {}
}  // namespace vh
