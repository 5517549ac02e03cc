// The settings file "config.txt": two lines that pre-fill the measured
// seconds (edit 144) and the measured delay (edit 145).
#pragma once
#include <cstddef>

namespace vh {

inline constexpr const char* kSettingsFile = "config.txt";

struct Settings {
    bool found = false;      // the file could be opened
    char seconds[256] = "";  // line 1, without its line feed
    char delay[256] = "";    // line 2, without its line feed
};

Settings parse_settings(const char* bytes, std::size_t size);
Settings read_settings_file(const char* path = kSettingsFile);

}  // namespace vh
