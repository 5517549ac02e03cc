#include "text/numbers.hpp"

#include <cstdlib>
#include <cstring>

namespace vh {

namespace {

constexpr bool is_blank(char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }

constexpr int digit_value(char c, int base) {
    int v = -1;
    if (c >= '0' && c <= '9') v = c - '0';
    else if (c >= 'a' && c <= 'f') v = c - 'a' + 10;
    else if (c >= 'A' && c <= 'F') v = c - 'A' + 10;
    return v < base ? v : -1;
}

struct Scan {
    bool negative = false;
    bool overflow = false;   // the magnitude exceeded `cap`
    std::uint64_t magnitude = 0;
};

// Reads sign and digits; the magnitude stops growing once it passes `cap`.
Scan scan(std::string_view t, int base, std::uint64_t cap) {
    Scan s;
    std::size_t i = 0;
    while (i < t.size() && is_blank(t[i])) ++i;
    if (i < t.size() && (t[i] == '+' || t[i] == '-')) s.negative = t[i++] == '-';
    // "0x" counts as a prefix only when a digit follows; otherwise the 0 is the number.
    if (base == 16 && i + 2 < t.size() && t[i] == '0' && (t[i + 1] == 'x' || t[i + 1] == 'X') &&
        digit_value(t[i + 2], 16) >= 0)
        i += 2;
    for (; i < t.size(); ++i) {
        const int d = digit_value(t[i], base);
        if (d < 0) break;
        if (!s.overflow) {
            s.magnitude = s.magnitude * base + d;
            if (s.magnitude > cap) s.overflow = true;
        }
    }
    return s;
}

std::int32_t to_signed(const Scan& s) {
    constexpr std::uint64_t kMaxPos = 0x7FFFFFFF, kMaxNeg = 0x80000000;
    if (s.negative) {
        if (s.overflow || s.magnitude >= kMaxNeg) return INT32_MIN;
        return -static_cast<std::int32_t>(s.magnitude);
    }
    if (s.overflow || s.magnitude > kMaxPos) return INT32_MAX;
    return static_cast<std::int32_t>(s.magnitude);
}

}  // namespace

std::int32_t parse_decimal(std::string_view text) { return to_signed(scan(text, 10, 0xFFFFFFFFull)); }

std::int32_t parse_hex_signed(std::string_view text) { return to_signed(scan(text, 16, 0xFFFFFFFFull)); }

std::uint32_t parse_hex_unsigned(std::string_view text) {
    const Scan s = scan(text, 16, 0xFFFFFFFFull);
    if (s.overflow) return 0xFFFFFFFFu;
    const auto v = static_cast<std::uint32_t>(s.magnitude);
    return s.negative ? 0u - v : v;
}

double parse_real(std::string_view text) {
    char buf[256];
    const std::size_t n = text.size() < sizeof buf - 1 ? text.size() : sizeof buf - 1;
    std::memcpy(buf, text.data(), n);
    buf[n] = '\0';
    return std::strtod(buf, nullptr);
}

}  // namespace vh
