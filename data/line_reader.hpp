// Reading the data files line by line, the same way from memory and from a
// file and on every platform: a line ends at a line feed, and a carriage
// return right before it belongs to the line end (so CR LF and LF files read
// alike); a lone carriage return is an ordinary byte. A line keeps at most
// kLineContentMax bytes, what a 256-byte line buffer holds beside its line
// feed and terminator; the rest of a longer line is skipped, so the next read
// always starts at the next line of the file.
#pragma once
#include <cstddef>
#include <cstdio>

namespace vh {

inline constexpr std::size_t kLineContentMax = 254;

struct Line {
    char bytes[kLineContentMax + 1];  // terminated; may hold NUL bytes before `size`
    std::size_t size = 0;
    bool cut = false;  // the line was longer than kLineContentMax
};

// Byte sources: get() returns the next byte (0-255) or -1 at the end;
// peek() returns it without taking it.
class MemoryBytes {
public:
    MemoryBytes(const char* bytes, std::size_t size) : p_(bytes), end_(bytes + size) {}
    int get() { return p_ < end_ ? static_cast<unsigned char>(*p_++) : -1; }
    int peek() const { return p_ < end_ ? static_cast<unsigned char>(*p_) : -1; }

private:
    const char* p_;
    const char* end_;
};

class FileBytes {
public:
    explicit FileBytes(std::FILE* f) : f_(f) {}
    int get() { return std::getc(f_); }
    int peek() {
        const int c = std::getc(f_);
        if (c != EOF) std::ungetc(c, f_);
        return c;
    }

private:
    std::FILE* f_;
};

// A source that ends after `limit` bytes of another, so that a reader takes
// a bounded amount from a file of any size.
template <class Source>
class LimitedBytes {
public:
    LimitedBytes(Source& src, std::size_t limit) : src_(src), left_(limit) {}
    int get() {
        if (left_ == 0) return -1;
        --left_;
        return src_.get();
    }
    int peek() { return left_ == 0 ? -1 : src_.peek(); }

private:
    Source& src_;
    std::size_t left_;
};

// Reads the next line. Returns false, with an empty line, when the source is
// at its end; a last line without a line feed is still a line.
template <class Source>
bool read_line(Source& src, Line& line) {
    line.size = 0;
    line.cut = false;
    bool any = false;
    for (;;) {
        int c = src.get();
        if (c < 0) break;
        any = true;
        if (c == '\n') break;
        if (c == '\r' && src.peek() == '\n') {
            src.get();
            break;
        }
        if (line.size < kLineContentMax)
            line.bytes[line.size++] = static_cast<char>(c);
        else
            line.cut = true;
    }
    line.bytes[line.size] = '\0';
    return any;
}

}  // namespace vh
