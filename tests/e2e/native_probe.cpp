// The native window test's probe, two tools in one program:
//   native-probe render ITEMS  opens a window "probe-render" of the main
//                              window's size and paints, with the platform's
//                              own drawing calls, the lines "L x0 y0 x1 y1" and
//                              texts "x y HEX" (Shift-JIS bytes in hex) of file ITEMS;
//   native-probe close WINDOW  asks a window to close, as a window manager's
//                              close box does (WM_DELETE_WINDOW).
#include "ui/platform.hpp"
#include "ui/window.hpp"

#include <FL/Fl.H>
#include <FL/Fl_Double_Window.H>
#include <FL/fl_draw.H>
#include <X11/Xatom.h>
#include <X11/Xlib.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "ui/fltk/fltk_window.hpp"

namespace {

struct Item {
    bool line;
    int x0, y0, x1, y1;
    std::string text;
};

std::vector<Item> read_items(const char* path) {
    std::vector<Item> items;
    std::ifstream in(path);
    std::string row;
    while (std::getline(in, row)) {
        std::istringstream fields(row);
        Item it{};
        if (row.rfind("L ", 0) == 0) {
            std::string tag;
            fields >> tag >> it.x0 >> it.y0 >> it.x1 >> it.y1;
            it.line = true;
        } else {
            std::string hex;
            fields >> it.x0 >> it.y0 >> hex;
            for (std::size_t i = 0; i + 1 < hex.size(); i += 2)
                it.text.push_back(static_cast<char>(std::stoi(hex.substr(i, 2), nullptr, 16)));
        }
        items.push_back(it);
    }
    return items;
}

class RenderWindow : public Fl_Double_Window {
public:
    explicit RenderWindow(std::vector<Item> items)
        : Fl_Double_Window(vh::kWindowWidth, vh::kWindowHeight, "probe-render"), items_(std::move(items)) {}

    void draw() override {
        fl_color(FL_WHITE);
        fl_rectf(0, 0, w(), h());
        for (const Item& it : items_) {
            if (it.line)
                vh::platform::draw_line(it.x0, it.y0, it.x1, it.y1);
            else
                vh::platform::draw_text(it.x0, it.y0, it.text.data(), it.text.size());
        }
    }

private:
    std::vector<Item> items_;
};

int render(const char* items) {
    vh::fltk::use_japanese_font();
    auto* window = new RenderWindow(read_items(items));
    window->end();
    window->show();
    return Fl::run();
}

int close_window(const char* id) {
    Display* d = XOpenDisplay(nullptr);
    if (!d) return 1;
    XEvent ev{};
    ev.xclient.type = ClientMessage;
    ev.xclient.window = static_cast<Window>(std::strtoul(id, nullptr, 0));
    ev.xclient.message_type = XInternAtom(d, "WM_PROTOCOLS", False);
    ev.xclient.format = 32;
    ev.xclient.data.l[0] = static_cast<long>(XInternAtom(d, "WM_DELETE_WINDOW", False));
    ev.xclient.data.l[1] = CurrentTime;
    XSendEvent(d, ev.xclient.window, False, NoEventMask, &ev);
    XCloseDisplay(d);
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    const std::string what = argc == 3 ? argv[1] : "";
    if (what == "render") return render(argv[2]);
    if (what == "close") return close_window(argv[2]);
    std::fputs("usage: native-probe render ITEMS | close WINDOW\n", stderr);
    return 2;
}
