// The program's entry point and its one window over FLTK: the main window
// paints the labels and results behind its controls, walks the focus chain
// with Tab, and leaves Enter and Escape alone.
// The program's headers come before the toolkit's, whose X11 headers define
// macros such as Status.
#include "ui/frontend.hpp"

#include <FL/Fl.H>
#include <FL/Fl_Double_Window.H>
#include <FL/fl_draw.H>

#include "ui/fltk/fltk_window.hpp"

namespace {

using namespace vh;

class MainWindow : public Fl_Double_Window {
public:
    MainWindow() : Fl_Double_Window(kWindowWidth, kWindowHeight, kWindowCaption) {}

    // The whole window on a full repaint; otherwise only the controls that
    // changed, over what the back buffer already holds.
    void draw() override {
        if (damage() & ~FL_DAMAGE_CHILD) {
            fl_color(FL_WHITE);
            fl_rectf(0, 0, w(), h());
            if (controls_exist()) paint_window();
        }
        draw_children();
    }

    // Keys that no control took: Tab and Shift+Tab walk the children in
    // creation order (the toolkit's own navigation); the arrow keys do not
    // move the focus, and Enter and Escape do nothing (Escape would close).
    int handle(int event) override {
        if (event == FL_KEYBOARD || event == FL_SHORTCUT) {
            switch (Fl::event_key()) {
                case FL_Escape:
                case FL_Enter:
                case FL_KP_Enter:
                case FL_Left:
                case FL_Right:
                case FL_Up:
                case FL_Down: return 1;
                default: break;
            }
        }
        return Fl_Double_Window::handle(event);
    }
};

// The close box (or the window manager's close) ends the program; Escape does not.
void on_close(Fl_Widget* w, void*) {
    if (Fl::event() == FL_SHORTCUT && Fl::event_key() == FL_Escape) return;
    w->hide();
}

}  // namespace

int main() {
    start_stopwatch_thread();
    fltk::set_window_thread();
    Fl::lock();  // from here the stopwatch thread may set its display's text
    fltk::use_japanese_font();
    fltk::install_event_filter();
    Fl::visible_focus(1);

    auto* window = new MainWindow;
    window->end();
    window->xclass("varnholt");
    window->callback(on_close);
    fltk::g_main = window;
    on_window_create();
    create_window_contents();
    window->show();
    Fl::run();
    // The stopwatch thread may still be running; it ends with the process. The
    // lock stays held, so it cannot touch a control past this point.
    return 0;
}
