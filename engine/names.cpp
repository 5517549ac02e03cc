#include "engine/names.hpp"

#include <cstring>

namespace vh {

const char* const nature_names[kNatureCount] = {
    "がんばりや", "さみしがり", "ゆうかん", "いじっぱり", "やんちゃ",
    "ずぶとい",   "すなお",     "のんき",   "わんぱく",   "のうてんき",
    "おくびょう", "せっかち",   "まじめ",   "ようき",     "むじゃき",
    "ひかえめ",   "おっとり",   "れいせい", "てれや",     "うっかりや",
    "おだやか",   "おとなしい", "なまいき", "しんちょう", "きまぐれ",
};

const char* const hidden_power_type_names[kHiddenPowerTypeCount] = {
    "かくとう", "ひこう", "どく", "じめん", "いわ",     "むし",   "ゴースト", "はがね",
    "ほのお",   "みず",   "くさ", "でんき", "エスパー", "こおり", "ドラゴン", "あく",
};

namespace {
void copy_name(const char* const* table, int count, int index, char (&buf)[256]) {
    if (index < 0 || index >= count) return;
    std::strncpy(buf, table[index], sizeof buf - 1);
    buf[sizeof buf - 1] = '\0';
}
}  // namespace

void nature_name(int index, char (&buf)[256]) { copy_name(nature_names, kNatureCount, index, buf); }
void hidden_power_type_name(int index, char (&buf)[256]) {
    copy_name(hidden_power_type_names, kHiddenPowerTypeCount, index, buf);
}

}  // namespace vh
