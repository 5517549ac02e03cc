// The species table: 493 records of six base stats and a name, read once at
// start from "zarbel.dat".
#pragma once
#include <cstddef>
#include <cstdint>

namespace vh {

inline constexpr int kSpeciesCount = 493;
inline constexpr const char* kSpeciesFile = "zarbel.dat";

struct SpeciesRecord {
    std::int32_t base[6];  // H, A, B, S, C, D
    char name[256];        // terminated byte string
};

struct SpeciesTable {
    SpeciesRecord records[kSpeciesCount];
};

extern SpeciesTable g_species;

// Parses file bytes into the table; every record gets defined values.
void parse_species(const char* bytes, std::size_t size, SpeciesTable& table);
// Reads `path` into the table; a missing file gives zero stats and empty names.
void load_species_table(SpeciesTable& table, const char* path = kSpeciesFile);
// Index of the last record whose whole name equals `name`, or -1.
int find_species_by_name(const SpeciesTable& table, const char* name, std::size_t size);

}  // namespace vh
