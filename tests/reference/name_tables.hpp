// The nature and hidden-power type names, typed out again for the literal
// references so that they share no table with the code they check.
#pragma once

namespace vh::reference {

inline const char* const kNatureNames[25] = {
    "がんばりや", "さみしがり", "ゆうかん", "いじっぱり", "やんちゃ", "ずぶとい", "すなお", "のんき", "わんぱく",
    "のうてんき", "おくびょう", "せっかち", "まじめ", "ようき", "むじゃき", "ひかえめ", "おっとり", "れいせい",
    "てれや", "うっかりや", "おだやか", "おとなしい", "なまいき", "しんちょう", "きまぐれ"};

inline const char* const kTypeNames[16] = {"かくとう", "ひこう", "どく", "じめん", "いわ", "むし",
                                           "ゴースト", "はがね", "ほのお", "みず", "くさ", "でんき",
                                           "エスパー", "こおり", "ドラゴン", "あく"};

}  // namespace vh::reference
