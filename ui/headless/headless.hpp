// The headless window: controls held in memory, for the command-line front
// end and the tests. Beyond the window-system interface it lets a caller
// look at what a window would show.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "ui/controls.hpp"

namespace vh::headless {

// Forgets every control and record of the last session.
void reset();

bool exists(int id);
ControlKind kind(int id);
std::string text(int id);
std::vector<std::string> items(int id);
// As a user would: types the text into an edit field, ticks a check box or
// selects an item. Returns false when the control does not take that.
bool set_field(int id, const std::string& text);
bool set_check(int id, bool on);
bool select(int id, int index);

// What the window showed or did since the last take_*.
std::vector<std::string> take_captions();
std::vector<std::string> take_painted();  // texts drawn, in order
std::vector<std::string> take_opened();   // files handed to the viewer
bool take_repaint_request();

// When set, each caption is also written to this callback as it arrives.
void on_caption(void (*sink)(const char* text));

// A manual clock for tests: clock_ms() then returns the set value and
// sleep_1ms() advances it by 1.
void use_manual_clock(bool on);
void set_clock(std::uint32_t ms);

// The answer of cancel_requested() until changed; reset() clears it. Only
// stores to a lock-free atomic, so a signal handler may call it.
void set_cancel(bool on);

// Ids of the controls in creation order.
std::vector<int> control_ids();

}  // namespace vh::headless
