// The window-system interface over Win32. The program's texts are Shift-JIS;
// they reach the window system as UTF-16 through text_win32.hpp, so the
// window reads the same on any system locale. Controls are kept by control
// ID in one fixed table.
#include <windows.h>
#include <mmsystem.h>

#include <cstdlib>

#include "ui/controls.hpp"
#include "ui/platform.hpp"
#include "ui/win32/text_win32.hpp"
#include "ui/win32/win32_window.hpp"

#ifndef VARNHOLT_AUTO_SCROLL
#define VARNHOLT_AUTO_SCROLL 0
#endif

namespace vh {

namespace {

// Control IDs run up to the last adoption button.
constexpr int kMaxId = kAdoptFirstId + kMaxCandidates;
// Written by the window thread only; the stopwatch thread reads the handle of
// its display, which exists before the first start request can be made.
HWND g_controls[kMaxId] = {};

HWND control(int id) { return id >= 0 && id < kMaxId ? g_controls[id] : nullptr; }

}  // namespace

namespace platform {

void create_control(const ControlSpec& spec) {
    if (spec.id < 0 || spec.id >= kMaxId) return;
    const DWORD style = control_style(spec.kind, VARNHOLT_AUTO_SCROLL != 0);
    const win32::WideText cls = win32::widen(spec.cls);
    const win32::WideText text = win32::widen(spec.text);
    HWND h = CreateWindowExW(0, cls.text, text.text, style, spec.x, spec.y, spec.w, spec.h, win32::g_main,
                             reinterpret_cast<HMENU>(static_cast<INT_PTR>(spec.id)), win32::g_instance, nullptr);
    if (HFONT font = win32::text_font(); h && font) SendMessageW(h, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    g_controls[spec.id] = h;
}

void destroy_control(int id) {
    HWND h = control(id);
    if (!h) return;
    DestroyWindow(h);
    g_controls[id] = nullptr;
}

std::size_t get_text(int id, char* buf, std::size_t limit) {
    buf[0] = '\0';
    HWND h = control(id);
    return h ? win32::read_window_text(h, buf, limit) : 0;
}

void set_text(int id, const char* text) {
    if (HWND h = control(id)) SetWindowTextW(h, win32::widen(text).text);
}

void add_item(int id, const char* text) {
    if (HWND h = control(id)) SendMessageW(h, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(win32::widen(text).text));
}

int selected_item(int id) {
    HWND h = control(id);
    return h ? static_cast<int>(SendMessageW(h, CB_GETCURSEL, 0, 0)) : -1;
}

void select_item(int id, int index) {
    if (HWND h = control(id)) SendMessageW(h, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
}

bool is_checked(int id) {
    HWND h = control(id);
    return h && SendMessageW(h, BM_GETCHECK, 0, 0) == BST_CHECKED;
}

void set_caption(const char* text) { SetWindowTextW(win32::g_main, win32::widen(text).text); }

// A caption update goes through the window manager; a few a second are plenty.
std::uint32_t caption_interval_ms() { return 50; }

void request_repaint() { InvalidateRect(win32::g_main, nullptr, FALSE); }

void draw_text(int x, int y, const char* text, std::size_t len) {
    if (!win32::g_paint_dc) return;
    if (HFONT font = win32::text_font()) SelectObject(win32::g_paint_dc, font);
    const win32::WideText wide = win32::widen(text, len);
    TextOutW(win32::g_paint_dc, x, y, wide.text, wide.size);
}

void draw_line(int x0, int y0, int x1, int y1) {
    if (!win32::g_paint_dc) return;
    MoveToEx(win32::g_paint_dc, x0, y0, nullptr);
    LineTo(win32::g_paint_dc, x1, y1);
}

std::uint32_t clock_ms() { return timeGetTime(); }

void sleep_1ms() { Sleep(1); }

// The command interpreter opens the file with the viewer associated with its
// type; the bare name is relative to the working directory.
void open_with_viewer(const char* file_name) { std::system(file_name); }

// Escape cancels. Only key presses are looked at, at most every 20 ms: the
// first pending key press is taken when it is Escape (whichever control has
// the focus); it and every other message otherwise stay queued for the
// message loop, which handles them after the feature, so nothing else is
// dispatched in the middle of one. Looking at the queue also keeps the
// system from taking the window for one that does not respond.
bool cancel_requested() {
    static DWORD last = 0;
    const DWORD now = timeGetTime();
    if (now - last < 20) return false;
    last = now;
    MSG msg;
    if (!PeekMessageW(&msg, nullptr, WM_KEYDOWN, WM_KEYDOWN, PM_NOREMOVE | PM_NOYIELD)) return false;
    if (msg.wParam != VK_ESCAPE) return false;
    PeekMessageW(&msg, nullptr, WM_KEYDOWN, WM_KEYDOWN, PM_REMOVE | PM_NOYIELD);
    return true;
}

}  // namespace platform

}  // namespace vh
