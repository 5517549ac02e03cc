#include <FL/Fl.H>
#include <FL/Fl_Window.H>

#include "ui/frontend.hpp"
#include "ui/fltk/fltk_window.hpp"

namespace vh::fltk {

namespace {

bool g_busy = false;
bool g_close_requested = false;
// Escape pressed while a command runs; what a cancellable command would poll.
bool g_escape_pressed = false;

bool is_user_input(int event) {
    switch (event) {
        case FL_PUSH:
        case FL_RELEASE:
        case FL_DRAG:
        case FL_MOUSEWHEEL:
        case FL_KEYBOARD:
        case FL_KEYUP:
        case FL_SHORTCUT:
        case FL_PASTE:
        case FL_DND_ENTER:
        case FL_DND_DRAG:
        case FL_DND_LEAVE:
        case FL_DND_RELEASE: return true;
        default: return false;
    }
}

int filter_event(int event, Fl_Window* window) {
    if (g_busy) {
        if (event == FL_CLOSE) {
            g_close_requested = true;
            return 1;
        }
        if (is_user_input(event)) {
            if (event == FL_KEYBOARD && Fl::event_key() == FL_Escape) g_escape_pressed = true;
            return 1;
        }
    }
    return Fl::handle_(event, window);
}

}  // namespace

bool escape_pressed() { return g_escape_pressed; }

void install_event_filter() { Fl::event_dispatch(filter_event); }

void run_command(int id) {
    if (g_busy) return;  // input is held back while a command runs
    g_busy = true;
    g_escape_pressed = false;
    dispatch_command(id);
    g_busy = false;
    if (g_close_requested && g_main) g_main->hide();
}

void pump_events() {
    if (g_busy) Fl::check();
}

}  // namespace vh::fltk
