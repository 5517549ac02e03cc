// The window-system interface: all that the platform-neutral user interface
// (control creation, dispatcher, paint, stopwatch) asks of a window system.
// Implemented once for Win32 (ui/win32) and once headless (ui/headless), the
// latter serving the command-line front end and the tests. What a front end
// calls in is in ui/frontend.hpp.
//
// Every call comes from the window thread, except set_text (the stopwatch
// display), clock_ms and sleep_1ms, which the stopwatch thread calls too.
#pragma once
#include <cstddef>
#include <cstdint>

namespace vh {
struct ControlSpec;
}

namespace vh::platform {

// Controls, by control ID.
void create_control(const ControlSpec& spec);
void destroy_control(int id);
// Copies at most `limit` bytes of the text into `buf` (which holds limit + 1)
// and terminates it; returns the number of bytes copied.
std::size_t get_text(int id, char* buf, std::size_t limit);
void set_text(int id, const char* text);
void add_item(int id, const char* text);
int selected_item(int id);
void select_item(int id, int index);
bool is_checked(int id);

// The main window.
void set_caption(const char* text);
std::uint32_t caption_interval_ms();  // least time between progress captions; 0 shows every one
void request_repaint();               // the whole client area, without erasing
void draw_text(int x, int y, const char* text, std::size_t len);
void draw_line(int x0, int y0, int x1, int y1);

// Time and the desktop.
std::uint32_t clock_ms();  // wrapping millisecond clock
void sleep_1ms();
void open_with_viewer(const char* file_name);  // returns when the viewer call returns

// Whether the user asked to cancel the running feature (Escape in the window,
// an interrupt or terminate signal without one). Asked on the window thread
// between slices of work; cheap enough to ask often.
bool cancel_requested();

}  // namespace vh::platform
