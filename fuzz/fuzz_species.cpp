// Fuzzes the species file reader: any bytes give a table of terminated names
// no longer than a line can hold, the file reader gives the same table as the
// memory reader, and a lookup only ever returns a record of that name.
#include <cstdint>
#include <cstdio>
#include <cstring>

#include "data/line_reader.hpp"
#include "data/species.hpp"

namespace {
vh::SpeciesTable g_from_memory, g_from_file;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const char* bytes = reinterpret_cast<const char*>(data);
    vh::parse_species(bytes, size, g_from_memory);
    for (const vh::SpeciesRecord& r : g_from_memory.records)
        if (std::strlen(r.name) > vh::kLineContentMax - 6) __builtin_trap();

    if (size > 0) {
        std::FILE* f = fmemopen(const_cast<char*>(bytes), size, "rb");
        if (!f) __builtin_trap();
        std::memset(&g_from_file, 0xA5, sizeof g_from_file);
        vh::parse_species_stream(f, g_from_file);
        std::fclose(f);
        if (std::memcmp(&g_from_memory, &g_from_file, sizeof g_from_file) != 0) __builtin_trap();
    }

    // The input's first bytes as a typed name.
    const std::size_t n = size < 12 ? size : 12;
    const int found = vh::find_species_by_name(g_from_memory, bytes, n);
    if (found >= 0) {
        const char* name = g_from_memory.records[found].name;
        if (n > vh::kTypedNameMax || std::strlen(name) != n || std::memcmp(name, bytes, n) != 0) __builtin_trap();
        for (int i = found + 1; i < vh::kSpeciesCount; ++i)
            if (std::strlen(g_from_memory.records[i].name) == n &&
                std::memcmp(g_from_memory.records[i].name, bytes, n) == 0)
                __builtin_trap();  // a later equal record must win
    }
    return 0;
}
