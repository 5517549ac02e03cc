// The main window's identity and size.
#pragma once

namespace vh {

inline constexpr const char* kWindowClassName = "Varnholt ver1.07";
inline constexpr const char* kWindowCaption = "Varnholt";
inline constexpr int kWindowWidth = 800;
inline constexpr int kWindowHeight = 600;

}  // namespace vh
