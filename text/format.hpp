// Bounded formatting: every formatted text goes into a 256-byte buffer.
#pragma once
#include <cstdarg>
#include <cstddef>

namespace vh {

using TextBuffer = char[256];

// vsnprintf into `buf`; returns the length of the (possibly cut) text.
std::size_t format_text(TextBuffer& buf, const char* fmt, va_list ap);

}  // namespace vh
