// Lenient number reading of field and file texts: leading white space, an
// optional sign, digits up to the first other character; no digits reads 0.
// Values that do not fit saturate (as the C library's strtol and strtoul do),
// so long digit strings never overflow.
#pragma once
#include <cstdint>
#include <string_view>

namespace vh {

// Decimal, saturated to the signed 32-bit range.
std::int32_t parse_decimal(std::string_view text);
// Hexadecimal with an optional "0x" after the sign; a minus sign negates the
// value modulo 2^32; saturated to 0xFFFFFFFF.
std::uint32_t parse_hex_unsigned(std::string_view text);
// Hexadecimal with an optional "0x" after the sign, saturated to the signed
// 32-bit range.
std::int32_t parse_hex_signed(std::string_view text);
// A decimal real number (fraction and exponent allowed); no number reads 0.0.
double parse_real(std::string_view text);

constexpr int clamp_int(int v, int lo, int hi) { return v < lo ? lo : (v > hi ? hi : v); }

}  // namespace vh
