// Fuzzes the settings file reader: any bytes give two terminated texts no
// longer than a line can hold, without line feeds, and the file reader gives
// the same texts as the memory reader.
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <initializer_list>

#include "data/line_reader.hpp"
#include "data/settings.hpp"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const char* bytes = reinterpret_cast<const char*>(data);
    const vh::Settings s = vh::parse_settings(bytes, size);
    if (!s.found) __builtin_trap();
    for (const char* text : {s.seconds, s.delay})
        if (std::strlen(text) > vh::kLineContentMax || std::strchr(text, '\n')) __builtin_trap();

    if (size > 0) {
        std::FILE* f = fmemopen(const_cast<char*>(bytes), size, "rb");
        if (!f) __builtin_trap();
        const vh::Settings t = vh::parse_settings_stream(f);
        std::fclose(f);
        if (std::strcmp(s.seconds, t.seconds) != 0 || std::strcmp(s.delay, t.delay) != 0) __builtin_trap();
    }
    return 0;
}
