// The Win32 layer's text boundary. The program's texts are code page 932
// bytes; the window system is spoken to in UTF-16 (the "W" calls), so what a
// window shows does not depend on the system's own code page. Every text
// crosses here, converted explicitly with code page 932.
#pragma once
#include <windows.h>

#include <cstddef>

namespace vh::win32 {

inline constexpr UINT kTextCodePage = 932;

// A text of up to 256 bytes as UTF-16, terminated (a character is never
// fewer bytes than UTF-16 units).
struct WideText {
    wchar_t text[257];
    int size;
};
WideText widen(const char* text, std::size_t len);
WideText widen(const char* text);

// A window's text as a narrow read with room for `limit` bytes gives it: in
// code page 932, cut as that window's class cuts (text_cut.hpp). `buf` holds
// limit + 1 bytes and is terminated; returns the bytes kept.
std::size_t read_window_text(HWND h, char* buf, std::size_t limit);

// The font for the controls and the painted texts. Null where the system's
// default font shows Japanese (always on a code page 932 system): then the
// defaults are left as they are. Otherwise a font with Japanese glyphs, of
// the default one's height and average width. Chosen once, on first use.
HFONT text_font();

}  // namespace vh::win32
