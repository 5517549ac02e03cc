// The states carrying a given first individual-value word whose successor
// carries a passing second word, found by scanning all 65536 low halves of
// the state at once instead of looking up each passing second word
// (find_iv_lows): where thousands of second words pass for one first word,
// one scan of simple vector arithmetic costs less than that many lookups.
#pragma once
#include <cstdint>

#include "features/narrowing_internal.hpp"

namespace vh::narrowing {

// What a second word must hold: S, C and D of at least the minimums, and
// the pattern of their lowest two bits, S & 3 | (C & 3) << 2 | (D & 3) << 4,
// set in `patterns`.
struct SecondWordTest {
    int min_s = 0, min_c = 0, min_d = 0;
    std::uint64_t patterns = ~std::uint64_t{0};
};

// The second-word test for the first word with values h, a, b: the
// request's minimums, and the patterns that pass power and type with the
// first word's.
SecondWordTest second_word_test(const Search& search, int h, int a, int b);

// Room for the low halves of a scan: the vectors store eight at a time.
inline constexpr int kScanLowsRoom = 65536 + 8;

// The low halves l, ascending, for which the state first15 << 16 | l (bit
// 15 of the first word moves only bit 31 of the successor, which no value
// reads) has a successor whose output's bits 0-14 pass `test`; written to
// `lows` (room for kScanLowsRoom), their count returned.
int second_word_lows(Vectors vectors, std::uint16_t first15, const SecondWordTest& test, std::uint16_t* lows);

}  // namespace vh::narrowing
