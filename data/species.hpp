// The species table: 493 records of six base stats and a name, read once at
// start from "zarbel.dat".
//
// File format: one species per line, record i from line i+1; lines after the
// 493rd are ignored. A line is six fields, each closed by a comma (H, A, B,
// S, C, D), then the name up to the line end (LF or CR LF). A field reads as
// a lenient decimal (leading blanks, a sign, digits up to the first other
// byte; no digits reads 0; values beyond the 32-bit range saturate). Every
// byte after the sixth comma belongs to the name, commas and spaces included.
//
// Files that do not follow it still give defined records:
// - a missing or empty file, and every record past the file's last line:
//   zero stats and an empty name;
// - a line with fewer than six commas: the text after its last comma (or the
//   whole line) is the field being read, the fields after it are 0 and the
//   name is empty;
// - a line longer than kLineContentMax bytes: its first kLineContentMax bytes
//   are used and the rest is skipped, so record i still comes from line i+1;
// - a last line without a line feed reads like any other line;
// - only the first kSpeciesFileMax bytes are read; what follows counts as
//   the end of the file;
// - a file that is no plain file (a named pipe, a device) reads as missing;
// - a NUL byte ends a number field's digits like any other non-digit, and
//   ends the name (the rest of that line's name is dropped); other bytes are
//   kept as they are.
#pragma once
#include <cstddef>
#include <cstdint>
#include <cstdio>

namespace vh {

inline constexpr int kSpeciesCount = 493;
inline constexpr const char* kSpeciesFile = "zarbel.dat";
// A typed species name is read with this limit; longer names are never found.
inline constexpr std::size_t kTypedNameMax = 10;
// Bytes read at most: far more than 493 lines of 255 bytes.
inline constexpr std::size_t kSpeciesFileMax = std::size_t{1} << 20;

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
// The same from an open file (read from its current position, not closed).
void parse_species_stream(std::FILE* f, SpeciesTable& table);
// Reads `path` into the table; a missing file gives zero stats and empty names.
void load_species_table(SpeciesTable& table, const char* path = kSpeciesFile);
// Index of the last record whose whole name equals the `size` bytes at
// `name`, or -1; a name longer than kTypedNameMax bytes gives -1.
int find_species_by_name(const SpeciesTable& table, const char* name, std::size_t size);

}  // namespace vh
