// The platform-neutral parts of the main window's life: what happens on
// creation, on the first paint, and on every paint.
#pragma once

namespace vh {

inline constexpr const char* kWindowClassName = "Varnholt ver1.07";
inline constexpr const char* kWindowCaption = "Varnholt";
inline constexpr int kWindowWidth = 800;
inline constexpr int kWindowHeight = 600;

// Window creation: loads the species table from the working directory.
void on_window_create();
// First paint: creates every control, then reads the settings file.
void create_window_contents();
// Every paint (after the white fill): dividers, labels and results.
void paint_window();
// The result part of the paint alone: candidate rows, boot/load lines and
// the ideal roaming count.
void paint_results();

}  // namespace vh
