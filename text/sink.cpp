#include "text/sink.hpp"

#include <cstdarg>
#include <cstring>

#include "text/format.hpp"

namespace vh {

void put_raw(TextSink& sink, const char* bytes, std::size_t n) {
    std::size_t start = 0;
    for (std::size_t i = 0; i < n; ++i) {
        if (bytes[i] != '\n') continue;
        if (i > start) sink.write(bytes + start, i - start);
        sink.write("\r\n", 2);
        start = i + 1;
    }
    if (n > start) sink.write(bytes + start, n - start);
}

void put_text(TextSink& sink, const char* fmt, ...) {
    TextBuffer buf;
    va_list ap;
    va_start(ap, fmt);
    const std::size_t n = format_text(buf, fmt, ap);
    va_end(ap);
    put_raw(sink, buf, n);
}

void FileSink::fail() {
    failed_ = true;
    stop();
}

void FileSink::write(const char* bytes, std::size_t n) {
    if (stopped()) return;
    if (used_ + n > sizeof buf_) {
        if (!flush()) return;
        if (n > sizeof buf_) {
            if (std::fwrite(bytes, 1, n, f_) != n) fail();
            return;
        }
    }
    std::memcpy(buf_ + used_, bytes, n);
    used_ += n;
}

// After a stop, whether by a failed write or a cancel, nothing more is written.
bool FileSink::flush() {
    if (!stopped() && used_ && std::fwrite(buf_, 1, used_, f_) != used_) fail();
    used_ = 0;
    return !failed_;
}

}  // namespace vh
