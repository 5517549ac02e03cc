// Placeholder until the check list lands.
#include "ui/commands.hpp"
namespace vh {
bool command_check_list() { return true; }
}  // namespace vh
