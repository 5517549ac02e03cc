#include "ui/fields.hpp"

#include <string_view>

#include "text/numbers.hpp"
#include "ui/platform.hpp"

namespace vh {

FieldText read_text(int id, std::size_t limit) {
    FieldText t;
    if (limit > kTextLimit) limit = kTextLimit;
    t.size = platform::get_text(id, t.bytes, limit);
    return t;
}

namespace {
std::string_view view(const FieldText& t) { return {t.bytes, t.size}; }
}  // namespace

std::int32_t read_decimal(int id, std::size_t limit) { return parse_decimal(view(read_text(id, limit))); }

std::int32_t read_decimal_clamped(int id, std::size_t limit, int lo, int hi) {
    return clamp_int(read_decimal(id, limit), lo, hi);
}

std::uint16_t read_id16(int id) { return static_cast<std::uint16_t>(read_decimal(id, 5)); }

std::uint32_t read_hex_unsigned(int id, std::size_t limit) { return parse_hex_unsigned(view(read_text(id, limit))); }

std::int32_t read_hex_signed(int id, std::size_t limit) { return parse_hex_signed(view(read_text(id, limit))); }

double read_real(int id, std::size_t limit) { return parse_real(view(read_text(id, limit))); }

int read_selection(int id) {
    const int sel = platform::selected_item(id);
    return sel < 0 ? 0 : sel;
}

bool read_check(int id) { return platform::is_checked(id); }

}  // namespace vh
