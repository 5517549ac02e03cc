#include <gtest/gtest.h>

#include <string>

#include "ui/win32/text_cut.hpp"

namespace vh::win32 {
namespace {

// What GetWindowTextA(window, buffer, limit + 1) returned under code page 932
// for these texts, from an edit control and from a static text.
struct NarrowRead {
    const char* text;
    std::size_t limit;
    const char* edit;
    const char* other;
};

constexpr NarrowRead kMeasured[] = {
    {"aあ", 0, "", ""},
    {"aあ", 1, "a", "a"},
    {"aあ", 2, "a\x82", "a"},
    {"aあ", 3, "aあ", "aあ"},
    {"aaあ", 3, "aa\x82", "aa"},
    {"あい", 1, "\x82", ""},
    {"あい", 2, "あ", "あ"},
    {"あい", 3, "あ\x82", "あ"},
    {"aあいb", 4, "aあ\x82", "aあ"},
    {"aあいb", 5, "aあい", "aあい"},
    {"ｱあ", 2, "ｱ\x82", "ｱ"},  // a half-width katakana is one byte
};

TEST(TextCut, MatchesNarrowReadsAtEveryLimit) {
    for (const NarrowRead& m : kMeasured) {
        const std::string text = m.text;
        SCOPED_TRACE(text + " limit " + std::to_string(m.limit));
        EXPECT_EQ(text.substr(0, edit_text_cut(text.size(), m.limit)), m.edit);
        EXPECT_EQ(text.substr(0, whole_char_text_cut(text.data(), text.size(), m.limit)), m.other);
    }
}

}  // namespace
}  // namespace vh::win32
