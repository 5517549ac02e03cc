// Where a narrow (code page 932) read of a window's text into a bounded
// buffer cuts the text. The window layer reads texts as UTF-16 and converts
// them itself; these rules keep the bytes it hands on equal to those of a
// narrow read. Both were measured with GetWindowTextA under code page 932:
// an edit control cuts at the byte limit, even between the two bytes of a
// double-byte character; other windows (static texts) keep whole characters
// only. Pure functions, no window system needed.
#pragma once
#include <cstddef>

namespace vh::win32 {

// The first byte of a double-byte character in code page 932.
constexpr bool is_cp932_lead_byte(unsigned char c) { return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC); }

// Bytes kept of `size` bytes of text read with room for `limit` bytes.
constexpr std::size_t edit_text_cut(std::size_t size, std::size_t limit) { return size < limit ? size : limit; }

constexpr std::size_t whole_char_text_cut(const char* text, std::size_t size, std::size_t limit) {
    if (size <= limit) return size;
    std::size_t kept = 0;
    for (;;) {
        const std::size_t next = kept + (is_cp932_lead_byte(static_cast<unsigned char>(text[kept])) ? 2 : 1);
        if (next > limit) return kept;
        kept = next;
    }
}

}  // namespace vh::win32
