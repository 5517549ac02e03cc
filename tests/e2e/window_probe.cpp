// window-probe.exe: looks into the running main window from outside, for the
// end-to-end test. It finds the window by its class name and reads its child
// controls through messages, as any other program on the desktop could.
//   window-probe layout [auto]   the live controls against the control table
//   window-probe focus           control ID of the control with the focus
//   window-probe text ID         a control's text, as hex bytes
//   window-probe settext ID HEX  sets a control's text (WM_SETTEXT) from hex bytes
//   window-probe acp             the system's ANSI code page (needs no window)
//   window-probe check ID        1 when check box ID is ticked, else 0
//   window-probe buttons         the adoption buttons: ID x y w h style text(hex)
//   window-probe rects           x y w h of every child window as it shows
//   window-probe render FILE     opens a window of the main window's
//                                size and paints each line "x y text(hex)" of FILE
//                                (and each line "L x0 y0 x1 y1" as a line)
//                                with the device context's defaults and the font
//                                the window layer picks, as the main window
//                                paints; the window is named "probe-render" once
//                                its first paint is done; it closes after 30 s
// Texts cross as UTF-16, converted with code page 932 whatever the system's
// code page. Exit status 0 on success, 1 on a mismatch, 2 when the window is missing.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "ui/controls.hpp"
#include "ui/win32/text_win32.hpp"
#include "ui/window.hpp"

namespace {

using namespace vh;

HWND g_main = nullptr;
int g_mismatches = 0;

std::string hex(const std::string& s) {
    std::string out;
    char b[4];
    for (unsigned char c : s) {
        std::snprintf(b, sizeof b, "%02x", c);
        out += b;
    }
    return out.empty() ? "-" : out;
}

std::string narrow(const wchar_t* wide, LRESULT units) {
    char buf[2048] = "";
    const int len = units > 0 ? WideCharToMultiByte(win32::kTextCodePage, 0, wide, static_cast<int>(units), buf,
                                                    sizeof buf, nullptr, nullptr)
                              : 0;
    return std::string(buf, len > 0 ? static_cast<std::size_t>(len) : 0);
}

std::string window_text(HWND h) {
    wchar_t wide[1024] = L"";
    return narrow(wide, SendMessageW(h, WM_GETTEXT, 1024, reinterpret_cast<LPARAM>(wide)));
}

std::vector<std::string> combo_items(HWND h) {
    std::vector<std::string> items;
    const LRESULT count = SendMessageW(h, CB_GETCOUNT, 0, 0);
    for (LRESULT i = 0; i < count; ++i) {
        wchar_t wide[256] = L"";
        const LRESULT n = SendMessageW(h, CB_GETLBTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(wide));
        items.push_back(narrow(wide, n));
    }
    return items;
}

std::string unhex(const char* hexed) {
    std::string bytes;
    for (std::size_t i = 0; hexed[i] && hexed[i + 1]; i += 2) {
        const char pair[3] = {hexed[i], hexed[i + 1], 0};
        bytes += static_cast<char>(std::strtoul(pair, nullptr, 16));
    }
    return bytes;
}

RECT client_rect_of(HWND h) {
    RECT r{};
    GetWindowRect(h, &r);
    MapWindowPoints(HWND_DESKTOP, g_main, reinterpret_cast<POINT*>(&r), 2);
    return r;
}

HWND child(int id) { return GetDlgItem(g_main, id); }

template <class A, class B>
void expect_eq(int id, const char* what, const A& got, const B& want) {
    if (got == want) return;
    ++g_mismatches;
    std::printf("control %d: %s differs\n", id, what);
}

void expect_text(int id, const std::string& got, const std::string& want) {
    if (got == want) return;
    ++g_mismatches;
    std::printf("control %d: text %s, want %s\n", id, hex(got).c_str(), hex(want).c_str());
}

std::vector<std::string> g_expected_items;
void collect_item(int, const char* text) { g_expected_items.emplace_back(text); }

// Children in Z order, which is their creation order and the Tab order.
std::vector<HWND> children() {
    std::vector<HWND> out;
    for (HWND h = GetWindow(g_main, GW_CHILD); h; h = GetWindow(h, GW_HWNDNEXT)) out.push_back(h);
    return out;
}

int layout(bool auto_scroll) {
    const std::vector<HWND> kids = children();
    const auto table = control_table();
    if (kids.size() != table.size()) {
        std::printf("%zu child windows, want %zu\n", kids.size(), table.size());
        ++g_mismatches;
    }
    for (std::size_t i = 0; i < table.size() && i < kids.size(); ++i) {
        const ControlSpec& c = table[i];
        HWND h = kids[i];
        const int id = GetDlgCtrlID(h);
        if (id != c.id) {
            std::printf("child %zu has ID %d, want %d\n", i + 1, id, c.id);
            ++g_mismatches;
            continue;
        }
        char cls[64] = "";
        GetClassNameA(h, cls, sizeof cls);
        if (lstrcmpiA(cls, c.cls) != 0) {
            std::printf("control %d: class %s, want %s\n", c.id, cls, c.cls);
            ++g_mismatches;
        }
        // Edit fields and combo boxes take WS_BORDER (and WS_VSCROLL) off their
        // style when they are created and draw the border themselves.
        const DWORD style = static_cast<DWORD>(GetWindowLongA(h, GWL_STYLE));
        const DWORD created = control_style(c.kind, auto_scroll);
        const bool combo = c.kind == ControlKind::kCombo || c.kind == ControlKind::kComboNoTab;
        DWORD want_style = created;
        if (c.kind == ControlKind::kEdit) want_style &= ~static_cast<DWORD>(WS_BORDER);
        if (combo) want_style &= ~static_cast<DWORD>(WS_BORDER | WS_VSCROLL);
        const LONG ex = GetWindowLongA(h, GWL_EXSTYLE);
        if (style != want_style) {
            std::printf("control %d: style %08lX, want %08lX\n", c.id, static_cast<unsigned long>(style),
                        static_cast<unsigned long>(want_style));
            ++g_mismatches;
        }
        if (ex != 0) {
            std::printf("control %d: extended style %08lX\n", c.id, static_cast<unsigned long>(ex));
            ++g_mismatches;
        }
        RECT r = client_rect_of(h);
        if (combo) {
            // The created height is the box together with its opened list.
            // Some window systems report the dropped rectangle as the box's
            // top with the list's height; both readings are accepted.
            RECT dropped{};
            SendMessageA(h, CB_GETDROPPEDCONTROLRECT, 0, reinterpret_cast<LPARAM>(&dropped));
            MapWindowPoints(HWND_DESKTOP, g_main, reinterpret_cast<POINT*>(&dropped), 2);
            const LONG box = r.bottom - r.top;
            r.bottom = dropped.bottom;
            if (r.bottom - r.top + box == c.h) r.bottom += box;
        }
        if (r.left != c.x || r.top != c.y || r.right - r.left != c.w || r.bottom - r.top != c.h) {
            std::printf("control %d: at %ld,%ld size %ldx%ld, want %d,%d size %dx%d\n", c.id, r.left, r.top,
                        r.right - r.left, r.bottom - r.top, c.x, c.y, c.w, c.h);
            ++g_mismatches;
        }
        if (combo) {
            g_expected_items.clear();
            for_each_combo_item(c.id, collect_item);
            const std::vector<std::string> items = combo_items(h);
            expect_eq(c.id, "item count", items.size(), g_expected_items.size());
            for (std::size_t k = 0; k < items.size() && k < g_expected_items.size(); ++k)
                expect_text(c.id, items[k], g_expected_items[k]);
            expect_eq(c.id, "selection", SendMessageA(h, CB_GETCURSEL, 0, 0), LRESULT{0});
        } else if (c.id != 144 && c.id != 145) {  // those two come from the settings file
            expect_text(c.id, window_text(h), c.text);
        }
        if (c.kind == ControlKind::kCheck) expect_eq(c.id, "check state", SendMessageA(h, BM_GETCHECK, 0, 0), LRESULT{0});
    }
    expect_text(0, window_text(g_main), kWindowCaption);
    RECT wr{};
    GetWindowRect(g_main, &wr);
    if (wr.right - wr.left != kWindowWidth || wr.bottom - wr.top != kWindowHeight) {
        std::printf("main window %ldx%ld, want %dx%d\n", wr.right - wr.left, wr.bottom - wr.top, kWindowWidth,
                    kWindowHeight);
        ++g_mismatches;
    }
    const DWORD main_style = static_cast<DWORD>(GetWindowLongA(g_main, GWL_STYLE));
    if ((main_style & WS_OVERLAPPEDWINDOW) != WS_OVERLAPPEDWINDOW) {
        std::printf("main window style %08lX lacks WS_OVERLAPPEDWINDOW\n", static_cast<unsigned long>(main_style));
        ++g_mismatches;
    }
    std::printf("%zu controls checked, %d mismatches\n", kids.size(), g_mismatches);
    return g_mismatches == 0 ? 0 : 1;
}

int focus() {
    // Answered only when the window thread takes messages again, so this
    // also waits for a running command to end.
    SendMessageTimeoutW(g_main, WM_NULL, 0, 0, SMTO_NORMAL, 120000, nullptr);
    GUITHREADINFO info{};
    info.cbSize = sizeof info;
    const DWORD thread = GetWindowThreadProcessId(g_main, nullptr);
    if (!GetGUIThreadInfo(thread, &info)) return 1;
    HWND h = info.hwndFocus;
    // The focus may sit in a part of a control (the edit of a combo box).
    while (h && GetParent(h) && GetParent(h) != g_main) h = GetParent(h);
    std::printf("%d\n", h ? GetDlgCtrlID(h) : 0);
    return 0;
}

int rects() {
    for (HWND h : children()) {
        const RECT r = client_rect_of(h);
        std::printf("%ld %ld %ld %ld\n", r.left, r.top, r.right - r.left, r.bottom - r.top);
    }
    return 0;
}

int buttons() {
    for (HWND h : children()) {
        const int id = GetDlgCtrlID(h);
        if (id < 1000) continue;
        const RECT r = client_rect_of(h);
        std::printf("%d %ld %ld %ld %ld %08lX %s\n", id, r.left, r.top, r.right - r.left, r.bottom - r.top,
                    static_cast<unsigned long>(GetWindowLongA(h, GWL_STYLE)), hex(window_text(h)).c_str());
    }
    return 0;
}

struct Painted {
    int x, y;
    std::string text;
    bool line = false;
    int x1 = 0, y1 = 0;
};
std::vector<Painted> g_painted;

LRESULT CALLBACK render_proc(HWND h, UINT msg, WPARAM w, LPARAM l) {
    if (msg == WM_PAINT) {
        PAINTSTRUCT ps;
        HDC dc = BeginPaint(h, &ps);
        Rectangle(dc, -1, -1, 801, 701);
        if (HFONT font = win32::text_font()) SelectObject(dc, font);
        for (const Painted& p : g_painted) {
            if (p.line) {
                MoveToEx(dc, p.x, p.y, nullptr);
                LineTo(dc, p.x1, p.y1);
            } else {
                const win32::WideText wide = win32::widen(p.text.data(), p.text.size());
                TextOutW(dc, p.x, p.y, wide.text, wide.size);
            }
        }
        EndPaint(h, &ps);
        SetWindowTextA(h, "probe-render");
        return 0;
    }
    if (msg == WM_TIMER || msg == WM_DESTROY) {
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcA(h, msg, w, l);
}

int render(const char* path) {
    std::FILE* f = std::fopen(path, "rb");
    if (!f) return 2;
    char line[1200];
    while (std::fgets(line, sizeof line, f)) {
        int x = 0, y = 0;
        Painted line_item{};
        if (std::sscanf(line, "L %d %d %d %d", &line_item.x, &line_item.y, &line_item.x1, &line_item.y1) == 4) {
            line_item.line = true;
            g_painted.push_back(line_item);
            continue;
        }
        char hexed[1100] = "";
        if (std::sscanf(line, "%d %d %1099s", &x, &y, hexed) != 3) continue;
        g_painted.push_back({x, y, unhex(hexed)});
    }
    std::fclose(f);
    HINSTANCE instance = GetModuleHandleA(nullptr);
    WNDCLASSEXA wc{};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = render_proc;
    wc.hInstance = instance;
    wc.hbrBackground = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
    wc.lpszClassName = "probe-render";
    if (!RegisterClassExA(&wc)) return 1;
    HWND h = CreateWindowExA(0, "probe-render", "probe-render (painting)", WS_OVERLAPPEDWINDOW, CW_USEDEFAULT,
                             CW_USEDEFAULT, kWindowWidth, kWindowHeight, nullptr, nullptr, instance, nullptr);
    if (!h) return 1;
    ShowWindow(h, SW_SHOW);
    UpdateWindow(h);
    SetTimer(h, 1, 30000, nullptr);
    MSG msg;
    while (GetMessageA(&msg, nullptr, 0, 0) > 0) DispatchMessageA(&msg);
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc > 2 && std::strcmp(argv[1], "render") == 0) return render(argv[2]);
    if (argc > 1 && std::strcmp(argv[1], "acp") == 0) {
        std::printf("%u\n", GetACP());
        return 0;
    }
    g_main = FindWindowA(kWindowClassName, nullptr);
    if (!g_main) {
        std::printf("no window of class %s\n", kWindowClassName);
        return 2;
    }
    const std::string cmd = argc > 1 ? argv[1] : "";
    if (cmd == "layout") return layout(argc > 2 && std::strcmp(argv[2], "auto") == 0);
    if (cmd == "focus") return focus();
    if (cmd == "buttons") return buttons();
    if (cmd == "rects") return rects();
    if (cmd == "settext" && argc > 3) {
        HWND h = child(std::atoi(argv[2]));
        const std::string bytes = unhex(argv[3]);
        const win32::WideText wide = win32::widen(bytes.data(), bytes.size());
        return h && SendMessageW(h, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(wide.text)) ? 0 : 1;
    }
    if ((cmd == "text" || cmd == "check") && argc > 2) {
        HWND h = child(std::atoi(argv[2]));
        if (!h) return 1;
        if (cmd == "text") std::printf("%s\n", hex(window_text(h)).c_str());
        else std::printf("%d\n", SendMessageA(h, BM_GETCHECK, 0, 0) == BST_CHECKED ? 1 : 0);
        return 0;
    }
    std::printf("usage: window-probe layout [auto] | focus | text ID | settext ID HEX | check ID | buttons | rects |"
                " render FILE | acp\n");
    return 2;
}
