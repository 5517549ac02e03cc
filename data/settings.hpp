// The settings file "config.txt": two lines that pre-fill the measured
// seconds (edit 144) and the measured delay (edit 145).
//
// Each line is taken as it stands, without its line end (LF, or CR LF on any
// platform); nothing else is trimmed or parsed. A line longer than
// kLineContentMax bytes keeps its first kLineContentMax bytes. A NUL byte
// ends the field's text. A file with fewer than two lines leaves the field of
// each missing line empty; lines after the second are ignored. Only the
// first kSettingsFileMax bytes are read, and a file that is no plain file (a
// named pipe, a device) reads as missing.
#pragma once
#include <cstddef>
#include <cstdio>

namespace vh {

inline constexpr const char* kSettingsFile = "config.txt";
// Bytes read at most: far more than two lines of 255 bytes.
inline constexpr std::size_t kSettingsFileMax = 1 << 16;

struct Settings {
    bool found = false;      // the file could be opened
    char seconds[256] = "";  // line 1, without its line feed
    char delay[256] = "";    // line 2, without its line feed
};

// The settings of file bytes (`found` is set: the bytes are the file).
Settings parse_settings(const char* bytes, std::size_t size);
// The same from an open file (read from its current position, not closed).
Settings parse_settings_stream(std::FILE* f);
Settings read_settings_file(const char* path = kSettingsFile);

}  // namespace vh
