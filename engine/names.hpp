// Nature and hidden-power type names (Shift-JIS bytes).
#pragma once
#include <cstddef>

namespace vh {

inline constexpr int kNatureCount = 25;
inline constexpr int kHiddenPowerTypeCount = 16;

extern const char* const nature_names[kNatureCount];
extern const char* const hidden_power_type_names[kHiddenPowerTypeCount];

// Copy the name into a 256-byte text buffer; an index outside the table
// leaves the buffer unchanged.
void nature_name(int index, char (&buf)[256]);
void hidden_power_type_name(int index, char (&buf)[256]);

}  // namespace vh
