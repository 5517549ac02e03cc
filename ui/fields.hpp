// Reading a command's inputs from the controls: each text is cut to the
// field's byte limit, then read leniently (text/numbers.hpp).
#pragma once
#include <cstddef>
#include <cstdint>

namespace vh {

inline constexpr std::size_t kTextLimit = 255;  // texts read whole

struct FieldText {
    char bytes[256];
    std::size_t size;
};

FieldText read_text(int id, std::size_t limit = kTextLimit);
std::int32_t read_decimal(int id, std::size_t limit);
std::int32_t read_decimal_clamped(int id, std::size_t limit, int lo, int hi);
std::uint16_t read_id16(int id);  // 5 characters, decimal, low 16 bits
std::uint32_t read_hex_unsigned(int id, std::size_t limit);
std::int32_t read_hex_signed(int id, std::size_t limit);
double read_real(int id, std::size_t limit);
int read_selection(int id);  // selected item index
bool read_check(int id);

}  // namespace vh
