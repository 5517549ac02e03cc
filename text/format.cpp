#include "text/format.hpp"

#include <cstdio>

namespace vh {

std::size_t format_text(TextBuffer& buf, const char* fmt, va_list ap) {
    const int n = std::vsnprintf(buf, sizeof buf, fmt, ap);
    if (n < 0) {
        buf[0] = '\0';
        return 0;
    }
    return n > static_cast<int>(sizeof buf) - 1 ? sizeof buf - 1 : static_cast<std::size_t>(n);
}

}  // namespace vh
