// One routine per command: read the feature's inputs from the controls, run
// the feature, and deliver its result (file, caption or kept record).
// A routine returns false when its result file could not be written; the
// caption then says so.
#pragma once

namespace vh {

bool command_narrowing();       // kNarrowButton
bool command_frame_list();      // kListButton
void command_stopwatch();       // kStopwatchButton
void command_seed_candidates(); // kCandidatesButton
void command_boot_load();       // kBootLoadButton
bool command_check_list();      // kCheckListButton
void command_adopt(int n);      // adoption button n (kAdoptFirstId + n)

// Writes a result file through `body`, then opens it with the viewer. When
// the file cannot be created or written, the caption reports it, nothing is
// opened, and false is returned.
template <class Body>
bool write_and_open(const char* name, Body&& body);

}  // namespace vh

#include "ui/result_delivery.hpp"
