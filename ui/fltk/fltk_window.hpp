// State of the FLTK window shared by the entry point, the platform functions
// and the command runner.
#pragma once
#include <FL/Enumerations.H>

class Fl_Window;

namespace vh::fltk {

// The main window: parent of every control, target of repaints and captions.
inline Fl_Window* g_main = nullptr;

// Every text, painted or in a control, is drawn in one Japanese-capable face.
inline constexpr Fl_Font kFont = FL_FREE_FONT;
inline constexpr Fl_Fontsize kFontSize = 13;
// Height of a closed drop-down list (the table gives the height with the list open).
inline constexpr int kChoiceHeight = 22;

// Binds kFont to a face that has the Japanese glyphs.
void use_japanese_font();
// Remembers the calling thread as the window's thread; texts set from any
// other thread go through the toolkit's lock.
void set_window_thread();

// Runs a command to its end on the window thread. While it runs, the window
// keeps repainting where it is pumped (pump_events) but takes no input: clicks
// and keys are dropped, a close request is carried out when the command ends.
void run_command(int id);
// Handles pending window events, with input held back; only while a command runs.
void pump_events();
// Whether Escape was pressed since the running command began.
bool escape_pressed();
// Installs the filter that holds input back while a command runs.
void install_event_filter();

}  // namespace vh::fltk
