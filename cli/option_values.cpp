#include "cli/option_values.hpp"

#include <cstdio>
#include <cstdlib>

#include "encoding/sjis_utf8.hpp"

namespace vh::cli {

using encoding::sjis_to_utf8;
using encoding::utf8_to_sjis;

namespace {

bool is_digits(const std::string& s, bool hex) {
    if (s.empty()) return false;
    for (char c : s) {
        const bool digit = c >= '0' && c <= '9';
        const bool letter = (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
        if (!digit && !(hex && letter)) return false;
    }
    return true;
}

// A decimal number in [lo, hi], digits only.
bool read_decimal(const std::string& s, int lo, int hi, int& out) {
    if (!is_digits(s, false) || s.size() > 9) return false;
    out = std::atoi(s.c_str());
    return out >= lo && out <= hi;
}

std::vector<std::string>* g_collecting = nullptr;
void collect(int, const char* text) { g_collecting->emplace_back(text); }

std::string upper(std::string s) {
    for (char& c : s)
        if (c >= 'a' && c <= 'f') c = static_cast<char>(c - 'a' + 'A');
    return s;
}

std::string range(int lo, int hi) { return std::to_string(lo) + "-" + std::to_string(hi); }

// The numbers that select items, as "0-24", or the route numbers listed.
std::string item_numbers(const ControlSpec& field) {
    const std::vector<std::string> items = combo_items(field.id);
    std::vector<int> numbers;
    for (std::size_t i = 0; i < items.size(); ++i)
        if (const int n = item_number(field, static_cast<int>(i)); n >= 0) numbers.push_back(n);
    if (numbers.empty()) return "";
    // Runs of consecutive numbers as "29-39, 42-46".
    std::string s;
    for (std::size_t k = 0; k < numbers.size();) {
        std::size_t end = k;
        while (end + 1 < numbers.size() && numbers[end + 1] == numbers[end] + 1) ++end;
        if (!s.empty()) s += ", ";
        s += end > k ? range(numbers[k], numbers[end]) : std::to_string(numbers[k]);
        k = end + 1;
    }
    return s;
}

}  // namespace

std::vector<std::string> combo_items(int id) {
    std::vector<std::string> items;
    g_collecting = &items;
    for_each_combo_item(id, collect);
    g_collecting = nullptr;
    return items;
}

int item_number(const ControlSpec& field, int index) {
    switch (field.value.numbering) {
        case ItemNumber::kIndex: return index;
        case ItemNumber::kAfterNone: return index - 1;
        case ItemNumber::kRoute: {
            const std::vector<std::string> items = combo_items(field.id);
            int n = -1;
            char suffix[16] = "";
            if (std::sscanf(items[index].c_str(), "%d%15s", &n, suffix) == 2 && n > 0) return n;
            return -1;
        }
    }
    return -1;
}

std::string value_help(const ControlSpec& field) {
    const FieldValue& v = field.value;
    switch (v.kind) {
        case ValueKind::kHex: return "1-" + std::to_string(v.hi) + " hexadecimal digits, 0x allowed";
        case ValueKind::kDecimal: return range(v.lo, v.hi);
        case ValueKind::kSix: return "each " + range(v.lo, v.hi);
        case ValueKind::kSeconds: return "seconds, such as 31.25";
        case ValueKind::kName: return "at most " + std::to_string(v.hi) + " Shift-JIS bytes";
        case ValueKind::kItem: return "a name or " + item_numbers(field);
        case ValueKind::kFlag:
        case ValueKind::kNone: break;
    }
    return "";
}

bool check_value(const ControlSpec& field, const std::string& value, std::vector<std::string>& texts,
                 std::string& error) {
    const FieldValue& v = field.value;
    const std::string quoted = "'" + value + "'";
    texts.clear();
    switch (v.kind) {
        case ValueKind::kHex: {
            const bool prefixed = value.size() > 2 && value[0] == '0' && (value[1] == 'x' || value[1] == 'X');
            const std::string digits = prefixed ? value.substr(2) : value;
            if (!is_digits(digits, true) || digits.size() > static_cast<std::size_t>(v.hi)) break;
            texts.push_back(upper(digits));
            return true;
        }
        case ValueKind::kDecimal: {
            int n;
            if (!read_decimal(value, v.lo, v.hi, n)) break;
            texts.push_back(std::to_string(n));
            return true;
        }
        case ValueKind::kSix: {
            std::size_t start = 0;
            for (int k = 0; k < 6; ++k) {
                const std::size_t comma = value.find(',', start);
                int n;
                if ((comma == std::string::npos) != (k == 5) ||
                    !read_decimal(value.substr(start, comma - start), v.lo, v.hi, n)) {
                    error = quoted + " is not six values " + range(v.lo, v.hi) + " separated by commas";
                    return false;
                }
                texts.push_back(std::to_string(n));
                start = comma + 1;
            }
            return true;
        }
        case ValueKind::kSeconds: {
            const std::size_t dot = value.find('.');
            const std::string whole = value.substr(0, dot);
            const bool fraction_ok = dot == std::string::npos || is_digits(value.substr(dot + 1), false);
            if (!is_digits(whole, false) || !fraction_ok || whole.size() > 9 || std::atoi(whole.c_str()) >= v.hi) break;
            texts.push_back(value);
            return true;
        }
        case ValueKind::kName: {
            const auto sjis = utf8_to_sjis(value);
            if (!sjis || sjis->empty() || sjis->size() > static_cast<std::size_t>(v.hi)) break;
            texts.push_back(value);
            return true;
        }
        case ValueKind::kItem: {
            const std::vector<std::string> items = combo_items(field.id);
            const auto sjis = utf8_to_sjis(value);
            int n = -1;
            const bool number = read_decimal(value, 0, 99999, n);
            for (std::size_t i = 0; i < items.size(); ++i) {
                const bool by_name = sjis && *sjis == items[i];
                if (by_name || (number && item_number(field, static_cast<int>(i)) == n)) {
                    texts.push_back(std::to_string(i));
                    return true;
                }
            }
            break;
        }
        case ValueKind::kFlag:
        case ValueKind::kNone: break;
    }
    error = quoted + " is not " + value_help(field);
    return false;
}

}  // namespace vh::cli
