// What a front end calls in: a window system's main loop (ui/win32) or the
// headless command line. The calls out, to the window system, are in
// ui/platform.hpp.
//
// Threads: start_stopwatch_thread() starts the only other thread; every
// other call here belongs to the window thread. The stopwatch thread itself
// calls out only through platform::set_text (the stopwatch display),
// platform::clock_ms and platform::sleep_1ms.
#pragma once
#include "ui/window.hpp"

namespace vh {

// At start, before the window exists: starts the stopwatch thread (detached;
// it ends with the process).
void start_stopwatch_thread();

// Window creation: loads the species table from the working directory.
void on_window_create();
// First paint, when controls_exist() is false: creates every control, then
// reads the settings file.
void create_window_contents();
bool controls_exist();

// Every paint, after the white fill: dividers, labels and results.
void paint_window();
// The result part of the paint alone: candidate rows, boot/load lines and
// the ideal roaming count.
void paint_results();

// A command: the control ID of the pressed control. Runs it to completion
// and requests the repaint where the command asks for one. Returns false
// when the command's result file could not be written.
bool dispatch_command(int id);

}  // namespace vh
