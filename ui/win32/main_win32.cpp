// The program's entry point and its one window: window class, main window,
// message loop with dialog-style keyboard handling, and the window procedure.
#include <windows.h>
#include <mmsystem.h>

#include "ui/frontend.hpp"
#include "ui/win32/text_win32.hpp"
#include "ui/win32/win32_window.hpp"

namespace {

using namespace vh;

// The 1 ms timer period is requested once at start, so that Sleep(1) in the
// stopwatch thread means about a millisecond, and released exactly once.
bool g_timer_period_held = false;

void hold_timer_period() { g_timer_period_held = timeBeginPeriod(1) == TIMERR_NOERROR; }

void release_timer_period() {
    if (!g_timer_period_held) return;
    g_timer_period_held = false;
    timeEndPeriod(1);
}

void paint(HWND hwnd) {
    if (!controls_exist()) create_window_contents();
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(hwnd, &ps);
    win32::g_paint_dc = dc;
    // Whitens the whole client area; the outline lies outside it.
    Rectangle(dc, -1, -1, 801, 701);
    if (controls_exist()) paint_window();
    win32::g_paint_dc = nullptr;
    EndPaint(hwnd, &ps);
}

LRESULT CALLBACK window_proc(HWND hwnd, UINT msg, WPARAM wparam, LPARAM lparam) {
    switch (msg) {
        case WM_CREATE:
            win32::g_main = hwnd;
            on_window_create();
            return 0;
        case WM_PAINT:
            paint(hwnd);
            return 0;
        case WM_CLOSE:
            release_timer_period();
            DestroyWindow(hwnd);
            return 0;
        case WM_DESTROY:
            release_timer_period();
            PostQuitMessage(0);
            return 0;
        case WM_COMMAND:
            dispatch_command(LOWORD(wparam));
            return 0;
        default:
            return DefWindowProcW(hwnd, msg, wparam, lparam);
    }
}

bool register_window_class(HINSTANCE instance, const wchar_t* class_name) {
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    wc.style = CS_HREDRAW | CS_VREDRAW;
    wc.lpfnWndProc = window_proc;
    wc.hInstance = instance;
    // IDI_APPLICATION and IDC_ARROW are resource numbers, the same for either form.
    wc.hIcon = static_cast<HICON>(LoadImageW(nullptr, reinterpret_cast<LPCWSTR>(IDI_APPLICATION), IMAGE_ICON, 0, 0,
                                             LR_SHARED | LR_DEFAULTSIZE));
    wc.hIconSm = wc.hIcon;
    wc.hCursor = static_cast<HCURSOR>(LoadImageW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW), IMAGE_CURSOR, 0, 0,
                                                 LR_SHARED | LR_DEFAULTSIZE));
    wc.hbrBackground = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
    wc.lpszClassName = class_name;
    return RegisterClassExW(&wc) != 0;
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int show) {
    hold_timer_period();
    start_stopwatch_thread();
    win32::g_instance = instance;
    const win32::WideText class_name = win32::widen(kWindowClassName);
    if (!register_window_class(instance, class_name.text)) {
        release_timer_period();
        return 0;
    }
    HWND hwnd = CreateWindowExW(0, class_name.text, win32::widen(kWindowCaption).text, WS_OVERLAPPEDWINDOW,
                                CW_USEDEFAULT, CW_USEDEFAULT, kWindowWidth, kWindowHeight, nullptr, nullptr, instance,
                                nullptr);
    if (!hwnd) {
        release_timer_period();
        return 0;
    }
    ShowWindow(hwnd, show);
    UpdateWindow(hwnd);

    MSG msg{};
    for (;;) {
        const BOOL got = GetMessageW(&msg, nullptr, 0, 0);
        if (got == 0 || got == -1) break;
        if (IsDialogMessageW(hwnd, &msg)) continue;
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    release_timer_period();
    // The stopwatch thread is detached and ends with the process.
    return static_cast<int>(msg.wParam);
}
