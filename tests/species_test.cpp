// The species file reader and the find-by-name lookup.
#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cstdio>
#include <cstring>
#include <random>
#include <string>

#include "data/species.hpp"
#include "test_support.hpp"

namespace vh {
namespace {

SpeciesTable& parsed(const std::string& bytes) {
    static SpeciesTable t;
    std::memset(&t, 0x5A, sizeof t);  // anything left unset would show
    parse_species(bytes.data(), bytes.size(), t);
    return t;
}

std::vector<std::int32_t> stats(const SpeciesRecord& r) { return {r.base, r.base + 6}; }
using V = std::vector<std::int32_t>;

bool is_empty_record(const SpeciesRecord& r) { return stats(r) == V(6, 0) && r.name[0] == '\0'; }

TEST(SpeciesFile, FieldsReadLeniently) {
    const SpeciesTable& t = parsed(
        "45,49,49,45,65,65,ふしぎ\n"
        "  45, 49,\t49 ,45x,+65,-65,空白\n"
        ",,7,,,,空欄\n"
        "99999999999,-99999999999,0x10,12abc,- 3,3-,大きい\n");
    EXPECT_EQ(stats(t.records[0]), (V{45, 49, 49, 45, 65, 65}));
    EXPECT_STREQ(t.records[0].name, "ふしぎ");
    EXPECT_EQ(stats(t.records[1]), (V{45, 49, 49, 45, 65, -65}));
    EXPECT_EQ(stats(t.records[2]), (V{0, 0, 7, 0, 0, 0}));
    EXPECT_EQ(stats(t.records[3]), (V{INT32_MAX, INT32_MIN, 0, 12, 0, 3}));
}

TEST(SpeciesFile, NameIsEverythingAfterTheSixthComma) {
    const SpeciesTable& t = parsed("1,2,3,4,5,6, a,b ,\n1,2,3,4,5,6,\n1,2,3,4,5,6,a\rb\n");
    EXPECT_STREQ(t.records[0].name, " a,b ,");
    EXPECT_STREQ(t.records[1].name, "");
    EXPECT_STREQ(t.records[2].name, "a\rb");  // a lone CR is part of the name
}

TEST(SpeciesFile, LineEndsAndTheLastLineReadAlike) {
    const std::string lf = "1,2,3,4,5,6,いち\n7,8,9,10,11,12,に\n";
    std::string crlf = "1,2,3,4,5,6,いち\r\n7,8,9,10,11,12,に\r\n";
    const SpeciesTable a = parsed(lf);
    EXPECT_EQ(std::memcmp(&a, &parsed(crlf), sizeof a), 0);
    EXPECT_EQ(std::memcmp(&a, &parsed(lf.substr(0, lf.size() - 1)), sizeof a), 0);      // no final LF
    EXPECT_EQ(std::memcmp(&a, &parsed(crlf.substr(0, crlf.size() - 2)), sizeof a), 0);  // no final CR LF
    EXPECT_STREQ(a.records[1].name, "に");
    // A final CR without LF is not a line end.
    EXPECT_STREQ(parsed("1,2,3,4,5,6,x\r").records[0].name, "x\r");
}

TEST(SpeciesFile, ShortEmptyAndLongFiles) {
    const SpeciesTable& empty = parsed("");
    for (const auto& r : empty.records) EXPECT_TRUE(is_empty_record(r));

    // Records past the last line are empty, not copies of it.
    const SpeciesTable& two = parsed("1,1,1,1,1,1,a\n2,2,2,2,2,2,b\n");
    EXPECT_STREQ(two.records[1].name, "b");
    for (int i = 2; i < kSpeciesCount; ++i) EXPECT_TRUE(is_empty_record(two.records[i])) << i;

    std::string many;
    for (int i = 0; i < 600; ++i) many += std::to_string(i) + ",0,0,0,0,0,n" + std::to_string(i) + "\n";
    const SpeciesTable& t = parsed(many);
    EXPECT_EQ(t.records[492].base[0], 492);
    EXPECT_STREQ(t.records[492].name, "n492");
}

TEST(SpeciesFile, LinesWithFewerThanSixCommas) {
    const SpeciesTable& t = parsed("10,20,30\n10,20,30,40,50,60\n\nnocomma\n5,5,5,5,5,5,next\n");
    EXPECT_EQ(stats(t.records[0]), (V{10, 20, 30, 0, 0, 0}));
    EXPECT_EQ(stats(t.records[1]), (V{10, 20, 30, 40, 50, 60}));
    for (int i : {0, 1, 2, 3}) EXPECT_STREQ(t.records[i].name, "") << i;
    EXPECT_TRUE(is_empty_record(t.records[2]));
    EXPECT_TRUE(is_empty_record(t.records[3]));
    EXPECT_STREQ(t.records[4].name, "next");  // nothing carries over to the next line
}

// A line longer than the line buffer keeps its first 254 bytes; the rest is
// skipped, so the following record still comes from the following line.
TEST(SpeciesFile, OverlongLineIsCutAndLaterLinesStayAligned) {
    const std::string prefix = "1,2,3,4,5,6,";
    const std::string fits = prefix + std::string(254 - prefix.size(), 'a');
    const std::string longer = prefix + std::string(1000, 'b');
    const SpeciesTable& t = parsed(fits + "\r\n" + longer + "\n" + "7,7,7,7,7,7,after\n");
    EXPECT_EQ(std::strlen(t.records[0].name), 254 - prefix.size());
    EXPECT_EQ(std::string(t.records[1].name), std::string(254 - prefix.size(), 'b'));
    EXPECT_STREQ(t.records[2].name, "after");
    EXPECT_EQ(t.records[2].base[0], 7);
    // Over-long digits inside a field saturate instead of overflowing.
    const SpeciesTable& d = parsed(std::string(300, '9') + ",1,1,1,1,1,x\n");
    EXPECT_EQ(d.records[0].base[0], INT32_MAX);
}

TEST(SpeciesFile, NulAndOddBytes) {
    const char raw[] = "1,2\0003,4,5,6,7,ab\0cd\n\xff\x81,9,9,9,9,9,\x82\xa0\x1a\n";
    const SpeciesTable& t = parsed(std::string(raw, sizeof raw - 1));
    EXPECT_EQ(stats(t.records[0]), (V{1, 2, 4, 5, 6, 7}));  // the NUL ends the digits of its field
    EXPECT_STREQ(t.records[0].name, "ab");                  // and ends the name
    EXPECT_EQ(stats(t.records[1]), (V{0, 9, 9, 9, 9, 9}));
    EXPECT_STREQ(t.records[1].name, "\x82\xa0\x1a");
}

// The file reader gives the same table as the memory reader, and a missing
// file gives empty records.
TEST(SpeciesFile, LoadingFromFiles) {
    test::ScratchDir dir;
    std::mt19937 rng(1);
    for (int round = 0; round < 20; ++round) {
        std::string bytes;
        const int n = static_cast<int>(rng() % 3000);
        const char alphabet[] = "0123456789,,,,\n\n\r -+a\x82\xa0";
        for (int i = 0; i < n; ++i) bytes += alphabet[rng() % (sizeof alphabet - 1)];
        test::write_file("zarbel.dat", bytes);
        static SpeciesTable from_file;
        std::memset(&from_file, 0x11, sizeof from_file);
        load_species_table(from_file, "zarbel.dat");
        ASSERT_EQ(std::memcmp(&from_file, &parsed(bytes), sizeof from_file), 0) << round;
    }
    static SpeciesTable missing;
    std::memset(&missing, 0x11, sizeof missing);
    load_species_table(missing, "no-such-file.dat");
    for (const auto& r : missing.records) EXPECT_TRUE(is_empty_record(r));
}

TEST(SpeciesLookup, WholeNamesAndTheLastEqualRecord) {
    std::string file = "1,1,1,1,1,1,ピカ\n2,2,2,2,2,2,ピカピカ\n3,3,3,3,3,3,ピカ\n4,4,4,4,4,4,0123456789\n"
                       "5,5,5,5,5,5,01234567890\n";
    const SpeciesTable& t = parsed(file);
    const auto find = [&](const std::string& n) { return find_species_by_name(t, n.data(), n.size()); };
    EXPECT_EQ(find("ピカ"), 2);
    EXPECT_EQ(find("ピカピカ"), 1);
    EXPECT_EQ(find("ピ"), -1);            // a prefix is not the name
    EXPECT_EQ(find("ピカピカピ"), -1);
    EXPECT_EQ(find("0123456789"), 3);     // ten bytes: found
    EXPECT_EQ(find("01234567890"), -1);   // eleven bytes can never be typed
    EXPECT_EQ(find(std::string("ピカ\0", 5)), -1);
    // An empty typed name equals the empty names of the records past the end.
    EXPECT_EQ(find(""), kSpeciesCount - 1);
}

// The sample file shipped beside the program: 493 lines, each a distinct
// name that can be typed into the species field.
TEST(SpeciesFile, SampleFileIsComplete) {
    const std::string bytes = test::read_file(std::filesystem::path(VARNHOLT_GOLDEN_DIR) / "../../sample/zarbel.dat");
    EXPECT_EQ(std::count(bytes.begin(), bytes.end(), '\n'), kSpeciesCount);
    const SpeciesTable& t = parsed(bytes);
    for (int i = 0; i < kSpeciesCount; ++i) {
        const std::size_t n = std::strlen(t.records[i].name);
        ASSERT_GT(n, 0u) << i;
        EXPECT_EQ(find_species_by_name(t, t.records[i].name, n), i);
        for (std::int32_t b : t.records[i].base) EXPECT_GT(b, 0) << i;
    }
}

}  // namespace
}  // namespace vh
