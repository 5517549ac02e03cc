// The fixed control table of the main window. Creation runs from this one
// table, so its order is also the Tab order.
#pragma once
#include <cstdint>
#include <span>

#include "features/routes.hpp"

namespace vh {

enum class ControlKind : std::uint8_t {
    kEdit,           // single-line edit field
    kCombo,          // drop-down list with tab stop
    kComboNoTab,     // drop-down list without tab stop
    kCheck,          // auto check box
    kPushBordered,   // push button with border
    kPush,           // push button
    kPlain,          // plain push button or static text
    kDisplay,        // the stopwatch display (static text)
};

struct ControlSpec {
    int id;
    const char* cls;
    ControlKind kind;
    const char* text;
    int x, y, w, h;
};

inline constexpr int kControlCount = 60;
inline constexpr std::uint32_t kAutoScrollStyle = 0x80;  // ES_AUTOHSCROLL on edits, SS_NOPREFIX on the display

std::span<const ControlSpec> control_table();
const ControlSpec* find_control(int id);
// The window style of a control; `auto_scroll` selects the auto-scroll build.
std::uint32_t control_style(ControlKind kind, bool auto_scroll);

// Combo box items in order; calls `add` for each. Route texts are formatted here.
void for_each_combo_item(int id, void (*add)(int id, const char* text));

// Adoption buttons: one per candidate n (0-based), IDs 1001 .. 1010.
inline constexpr int kAdoptFirstId = 1001;
inline constexpr int kMaxCandidates = 10;
ControlSpec adoption_button(int n);

// Creates every control in table order, fills and selects the combo boxes.
// The settings file and the kept results are the caller's (see ui/frontend.hpp).
void create_all_controls();

}  // namespace vh
