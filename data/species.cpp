#include "data/species.hpp"

#include <cstring>
#include <string_view>

#include "data/data_file.hpp"
#include "data/line_reader.hpp"
#include "text/numbers.hpp"

namespace vh {

SpeciesTable g_species;

namespace {

void parse_record(const Line& line, SpeciesRecord& r) {
    std::memset(&r, 0, sizeof r);
    const char* p = line.bytes;
    const char* const end = line.bytes + line.size;
    for (int f = 0; f < 6; ++f) {
        const char* comma = static_cast<const char*>(std::memchr(p, ',', static_cast<std::size_t>(end - p)));
        r.base[f] = parse_decimal(std::string_view(p, static_cast<std::size_t>((comma ? comma : end) - p)));
        if (!comma) return;  // fewer than six commas: later fields 0, empty name
        p = comma + 1;
    }
    const char* nul = static_cast<const char*>(std::memchr(p, '\0', static_cast<std::size_t>(end - p)));
    const std::size_t n = static_cast<std::size_t>((nul ? nul : end) - p);
    std::memcpy(r.name, p, n);  // n <= kLineContentMax - 6 < sizeof r.name
    r.name[n] = '\0';
}

template <class Source>
void parse_lines(Source& file, SpeciesTable& table) {
    std::memset(&table, 0, sizeof table);
    LimitedBytes src(file, kSpeciesFileMax);
    Line line;
    for (int i = 0; i < kSpeciesCount && read_line(src, line); ++i) parse_record(line, table.records[i]);
}

}  // namespace

void parse_species(const char* bytes, std::size_t size, SpeciesTable& table) {
    MemoryBytes src(bytes, size);
    parse_lines(src, table);
}

void parse_species_stream(std::FILE* f, SpeciesTable& table) {
    FileBytes src(f);
    parse_lines(src, table);
}

void load_species_table(SpeciesTable& table, const char* path) {
    // Binary mode: line ends are handled by the line reader, alike everywhere.
    std::FILE* f = open_data_file(path);
    if (!f) {
        std::memset(&table, 0, sizeof table);
        return;
    }
    parse_species_stream(f, table);
    std::fclose(f);
}

int find_species_by_name(const SpeciesTable& table, const char* name, std::size_t size) {
    if (size > kTypedNameMax) return -1;
    int found = -1;
    for (int i = 0; i < kSpeciesCount; ++i) {
        const char* stored = table.records[i].name;
        if (std::strlen(stored) == size && std::memcmp(stored, name, size) == 0) found = i;
    }
    return found;
}

}  // namespace vh
