// Strict reading of a named option's value against what its field means
// (ui/controls.hpp, the value column). A value that passes becomes the text
// that the field reads as exactly that value; the window's lenient reading
// of typed text is left to the `ID=TEXT` steps.
#pragma once
#include <string>
#include <vector>

#include "ui/controls.hpp"

namespace vh::cli {

// The text to type into `field` (the first of six for kSix, one text per
// field, in `texts`), or false with `error` saying what was wrong with it.
bool check_value(const ControlSpec& field, const std::string& value, std::vector<std::string>& texts,
                 std::string& error);

// What the value is, for --help: "1-8 hexadecimal digits", "a name or 0-24".
std::string value_help(const ControlSpec& field);

// The drop-down's items, Shift-JIS, and the number that selects item i
// (-1 for an item that only its name selects).
std::vector<std::string> combo_items(int id);
int item_number(const ControlSpec& field, int index);

}  // namespace vh::cli
