// The window-system interface over FLTK 1.3. The core's texts are Shift-JIS;
// the toolkit's are UTF-8, converted at this boundary. Controls are kept by
// control ID in one fixed table and are children of the main window in
// creation order, which is the toolkit's Tab order.
#include <FL/Fl.H>
#include <FL/Fl_Box.H>
#include <FL/Fl_Button.H>
#include <FL/Fl_Check_Button.H>
#include <FL/Fl_Choice.H>
#include <FL/Fl_Input.H>
#include <FL/Fl_Window.H>
#include <FL/fl_draw.H>
#include <spawn.h>
#include <sys/wait.h>
#include <time.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <thread>

#include "encoding/sjis_utf8.hpp"
#include "ui/controls.hpp"
#include "ui/fltk/fltk_window.hpp"
#include "ui/platform.hpp"

extern char** environ;

namespace vh {

namespace {

// A drop-down list that, focused, also steps through its items with the
// arrow keys, Home and End, as a drop-down list of the desktop does.
class Choice : public Fl_Choice {
public:
    using Fl_Choice::Fl_Choice;

    int handle(int event) override {
        if (event == FL_KEYBOARD && Fl::focus() == this && size() > 1) {
            const int last = size() - 2;  // size() counts the terminating item
            int to = value();
            switch (Fl::event_key()) {
                case FL_Up: to = to > 0 ? to - 1 : 0; break;
                case FL_Down: to = to < last ? to + 1 : last; break;
                case FL_Home: to = 0; break;
                case FL_End: to = last; break;
                default: return Fl_Choice::handle(event);
            }
            value(to);
            return 1;
        }
        return Fl_Choice::handle(event);
    }
};

// Control IDs run up to the last adoption button.
constexpr int kMaxId = kAdoptFirstId + kMaxCandidates;
// Written by the window thread; read by the stopwatch thread under the
// toolkit's lock, which the window thread holds whenever it is not waiting.
Fl_Widget* g_controls[kMaxId] = {};
ControlKind g_kinds[kMaxId] = {};

std::thread::id g_window_thread;

Fl_Widget* control(int id) { return id >= 0 && id < kMaxId ? g_controls[id] : nullptr; }

std::string to_utf8(const char* sjis, std::size_t len) { return encoding::sjis_to_utf8(std::string(sjis, len)); }
std::string to_utf8(const char* sjis) { return to_utf8(sjis, std::strlen(sjis)); }

// A menu item's text is a path in the toolkit ('/' separates levels, '\\'
// escapes, '&' marks a shortcut, '_' a divider): all are taken literally here.
// ('|' separates items only in the one-argument add(), which is not used.)
std::string literal_menu_text(const std::string& text) {
    std::string out;
    for (char c : text) {
        if (c == '/' || c == '\\' || c == '_') out.push_back('\\');
        if (c == '&') out.push_back('&');
        out.push_back(c);
    }
    return out;
}

void on_press(Fl_Widget*, void* id) { fltk::run_command(static_cast<int>(reinterpret_cast<std::intptr_t>(id))); }

Fl_Widget* make_widget(const ControlSpec& spec) {
    using K = ControlKind;
    switch (spec.kind) {
        case K::kEdit: {
            auto* in = new Fl_Input(spec.x, spec.y, spec.w, spec.h);
            in->textfont(fltk::kFont);
            in->textsize(fltk::kFontSize);
            in->when(FL_WHEN_NEVER);
            in->value(to_utf8(spec.text).c_str());
            return in;
        }
        case K::kCombo:
        case K::kComboNoTab: {
            auto* ch = new Choice(spec.x, spec.y, spec.w, fltk::kChoiceHeight);
            ch->textfont(fltk::kFont);
            ch->textsize(fltk::kFontSize);
            ch->when(FL_WHEN_NEVER);
            if (spec.kind == K::kComboNoTab) ch->clear_visible_focus();
            return ch;
        }
        case K::kCheck: {
            auto* cb = new Fl_Check_Button(spec.x, spec.y, spec.w, spec.h);
            cb->clear_visible_focus();
            cb->when(FL_WHEN_NEVER);
            return cb;
        }
        case K::kDisplay: {
            auto* box = new Fl_Box(FL_FLAT_BOX, spec.x, spec.y, spec.w, spec.h, nullptr);
            box->color(FL_WHITE);
            box->align(FL_ALIGN_LEFT | FL_ALIGN_INSIDE | FL_ALIGN_TOP);
            return box;
        }
        case K::kPushBordered:
        case K::kPush:
        case K::kPlain: {
            auto* b = new Fl_Button(spec.x, spec.y, spec.w, spec.h);
            if (spec.kind == K::kPlain) b->clear_visible_focus();
            b->callback(on_press, reinterpret_cast<void*>(static_cast<std::intptr_t>(spec.id)));
            return b;
        }
    }
    return nullptr;
}

// Sets a control's text: an edit field's contents, any other control's caption.
void apply_text(int id, const std::string& utf8) {
    Fl_Widget* w = control(id);
    if (!w) return;
    if (g_kinds[id] == ControlKind::kEdit)
        static_cast<Fl_Input*>(w)->value(utf8.c_str());
    else
        w->copy_label(utf8.c_str());
    w->redraw();
}

}  // namespace

namespace fltk {

void use_japanese_font() {
#ifdef __APPLE__
    // The system's text drawing finds Japanese glyphs for any face.
    Fl::set_font(kFont, FL_HELVETICA);
#else
    // Xft draws every glyph from the one face it opens: name faces that have
    // them. The leading blank is the toolkit's mark for the regular style.
    Fl::set_font(kFont, " IPAGothic,Noto Sans CJK JP,sans");
#endif
}

void set_window_thread() { g_window_thread = std::this_thread::get_id(); }

}  // namespace fltk

namespace platform {

void create_control(const ControlSpec& spec) {
    if (spec.id < 0 || spec.id >= kMaxId || !fltk::g_main) return;
    Fl_Widget* w = make_widget(spec);
    if (!w) return;
    w->labelfont(fltk::kFont);
    w->labelsize(fltk::kFontSize);
    if (spec.kind != ControlKind::kEdit) w->copy_label(to_utf8(spec.text).c_str());
    fltk::g_main->add(w);
    w->redraw();
    g_controls[spec.id] = w;
    g_kinds[spec.id] = spec.kind;
}

void destroy_control(int id) {
    Fl_Widget* w = control(id);
    if (!w) return;
    g_controls[id] = nullptr;
    fltk::g_main->remove(w);
    fltk::g_main->redraw();
    Fl::delete_widget(w);
}

std::size_t get_text(int id, char* buf, std::size_t limit) {
    buf[0] = '\0';
    Fl_Widget* w = control(id);
    if (!w) return 0;
    const char* utf8 = g_kinds[id] == ControlKind::kEdit ? static_cast<Fl_Input*>(w)->value() : w->label();
    const std::string sjis = encoding::utf8_to_sjis_lossy(utf8 ? utf8 : "");
    const std::size_t n = sjis.size() < limit ? sjis.size() : limit;
    std::memcpy(buf, sjis.data(), n);
    buf[n] = '\0';
    return n;
}

void set_text(int id, const char* text) {
    const std::string utf8 = to_utf8(text);
    if (std::this_thread::get_id() == g_window_thread) {
        apply_text(id, utf8);
        return;
    }
    // From the stopwatch thread: under the lock, then wake the window thread
    // to show it.
    Fl::lock();
    apply_text(id, utf8);
    Fl::unlock();
    Fl::awake();
}

void add_item(int id, const char* text) {
    Fl_Widget* w = control(id);
    if (!w) return;
    static_cast<Fl_Choice*>(w)->add(literal_menu_text(to_utf8(text)).c_str(), 0, nullptr, nullptr, 0);
}

int selected_item(int id) {
    Fl_Widget* w = control(id);
    return w ? static_cast<Fl_Choice*>(w)->value() : -1;
}

void select_item(int id, int index) {
    if (Fl_Widget* w = control(id)) static_cast<Fl_Choice*>(w)->value(index);
}

bool is_checked(int id) {
    Fl_Widget* w = control(id);
    return w && static_cast<Fl_Check_Button*>(w)->value() != 0;
}

void set_caption(const char* text) {
    if (!fltk::g_main) return;
    fltk::g_main->copy_label(to_utf8(text).c_str());
    // A command in progress shows its caption (and whatever else changed) now.
    fltk::pump_events();
}

// Escape cancels: pending window events are handled (input held back, an
// Escape press remembered) at most every 20 ms, which also keeps the window
// painted while a search runs.
bool cancel_requested() {
    static std::uint32_t last = 0;
    const std::uint32_t now = clock_ms();
    if (now - last >= 20) {
        last = now;
        fltk::pump_events();
    }
    return fltk::escape_pressed();
}

// Each caption goes through the window manager; a few a second are plenty.
std::uint32_t caption_interval_ms() { return 50; }

void request_repaint() {
    if (fltk::g_main) fltk::g_main->redraw();
}

// Only inside the main window's draw(), where the toolkit's drawing calls apply.
void draw_text(int x, int y, const char* text, std::size_t len) {
    const std::string utf8 = to_utf8(text, len);
    fl_font(fltk::kFont, fltk::kFontSize);
    fl_color(FL_BLACK);
    fl_draw(utf8.c_str(), x, y + fl_height() - fl_descent());
}

void draw_line(int x0, int y0, int x1, int y1) {
    fl_color(FL_BLACK);
    fl_line_style(FL_SOLID, 1);
    fl_line(x0, y0, x1, y1);
}

std::uint32_t clock_ms() {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<std::uint32_t>(now.tv_sec) * 1000u + static_cast<std::uint32_t>(now.tv_nsec / 1000000);
}

void sleep_1ms() {
    const timespec pause{0, 1000000};
    nanosleep(&pause, nullptr);
}

// The desktop's opener shows the file with the viewer for its type; the
// window does not wait for it. A helper thread reaps the opener when it ends.
void open_with_viewer(const char* file_name) {
#ifdef __APPLE__
    const char* opener = "open";
#else
    const char* opener = "xdg-open";
#endif
    char* argv[] = {const_cast<char*>(opener), const_cast<char*>(file_name), nullptr};
    pid_t pid = 0;
    if (posix_spawnp(&pid, opener, nullptr, nullptr, argv, environ) != 0) {
        std::fprintf(stderr, "varnholt: cannot start %s\n", opener);
        return;
    }
    std::thread([pid] { waitpid(pid, nullptr, 0); }).detach();
}

}  // namespace platform

}  // namespace vh
