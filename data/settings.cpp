#include "data/settings.hpp"

#include <cstring>

#include "data/data_file.hpp"
#include "data/line_reader.hpp"

namespace vh {

namespace {

// The field's text is a terminated string, so it ends at a NUL byte.
void take_line(const Line& line, char (&field)[256]) {
    const std::size_t n = std::strlen(line.bytes);  // <= line.size <= kLineContentMax
    std::memcpy(field, line.bytes, n);
    field[n] = '\0';
}

template <class Source>
Settings parse_lines(Source& file) {
    LimitedBytes src(file, kSettingsFileMax);
    Settings s;
    s.found = true;
    Line line;
    if (!read_line(src, line)) return s;
    take_line(line, s.seconds);
    if (!read_line(src, line)) return s;
    take_line(line, s.delay);
    return s;
}

}  // namespace

Settings parse_settings(const char* bytes, std::size_t size) {
    MemoryBytes src(bytes, size);
    return parse_lines(src);
}

Settings parse_settings_stream(std::FILE* f) {
    FileBytes src(f);
    return parse_lines(src);
}

Settings read_settings_file(const char* path) {
    std::FILE* f = open_data_file(path);
    if (!f) return {};
    const Settings s = parse_settings_stream(f);
    std::fclose(f);
    return s;
}

}  // namespace vh
