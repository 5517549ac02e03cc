// Byte sinks for result files. Every line is formatted into a 256-byte
// buffer and each "\n" is written as CR LF on every platform.
#pragma once
#include <atomic>
#include <cstddef>
#include <cstdio>
#include <string>

namespace vh {

// A sink is stopped once a write to it failed or its run was cancelled.
// Whoever produces into it checks stopped() between slices of work and ends
// promptly: after a stop no more rows are written and no progress is shown.
// stopped() and stop() may be called from any thread.
class TextSink {
public:
    virtual ~TextSink() = default;
    virtual void write(const char* bytes, std::size_t n) = 0;
    bool stopped() const { return stopped_.load(std::memory_order_relaxed); }
    void stop() { stopped_.store(true, std::memory_order_relaxed); }

private:
    std::atomic<bool> stopped_{false};
};

// printf-style; the text is bounded to 256 bytes with its terminator, then
// written with "\n" turned into CR LF.
[[gnu::format(printf, 2, 3)]] void put_text(TextSink& sink, const char* fmt, ...);
// Writes bytes as they are, with "\n" turned into CR LF.
void put_raw(TextSink& sink, const char* bytes, std::size_t n);

class StringSink final : public TextSink {
public:
    void write(const char* bytes, std::size_t n) override {
        if (!stopped()) text.append(bytes, n);
    }
    std::string text;
};

// Buffered writing to a file opened by the caller; remembers any failure.
// failed() tells a failed write or flush from a stop by a cancel.
class FileSink final : public TextSink {
public:
    explicit FileSink(std::FILE* f) : f_(f) {}
    ~FileSink() override { flush(); }
    void write(const char* bytes, std::size_t n) override;
    bool flush();
    bool failed() const { return failed_; }

private:
    void fail();
    std::FILE* f_;
    std::size_t used_ = 0;
    bool failed_ = false;
    char buf_[1 << 16];
};

}  // namespace vh
