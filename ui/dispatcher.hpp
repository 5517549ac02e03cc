// The command dispatcher: a command is the control ID of the pressed control.
#pragma once

namespace vh {

// Runs the command; requests the repaint where the command asks for one.
// Returns false when the command's result file could not be written.
bool dispatch_command(int id);

}  // namespace vh
