// The fixed control table of the main window. Creation runs from this one
// table, so its order is also the Tab order. Every control is named here,
// once: its ID constant, its place, which commands read it, and the name and
// meaning under which the command line sets it.
#pragma once
#include <cstdint>
#include <span>

#include "features/routes.hpp"

namespace vh {

enum class ControlKind : std::uint8_t {
    kEdit,           // single-line edit field
    kCombo,          // drop-down list with tab stop
    kComboNoTab,     // drop-down list without tab stop
    kCheck,          // auto check box
    kPushBordered,   // push button with border
    kPush,           // push button
    kPlain,          // plain push button or static text
    kDisplay,        // the stopwatch display (static text)
};

// The commands, one bit each. A button carries its own; an input carries
// those of the commands that read it.
enum CommandSet : std::uint8_t {
    kNoCommand = 0,
    kByNarrowing = 1,
    kByFrameList = 2,
    kByCandidates = 4,
    kByBootLoad = 8,
    kByCheckList = 16,
    kByStopwatch = 32,
};

// What an input's text means, so that a caller can check a value before
// typing it. The window itself reads every field leniently.
enum class ValueKind : std::uint8_t {
    kNone,     // not an input
    kFlag,     // check box
    kHex,      // 1 to `hi` hexadecimal digits, optional 0x
    kDecimal,  // decimal number from `lo` to `hi`
    kSix,      // this field and the next five (H, A, B, S, C, D), each as kDecimal
    kSeconds,  // seconds with an optional fraction, below `hi`
    kName,     // text of at most `hi` Shift-JIS bytes
    kItem,     // drop-down item, by its text or by number (see ItemNumber)
};

// How a number names a drop-down item.
enum class ItemNumber : std::uint8_t {
    kIndex,      // number n is item n
    kAfterNone,  // item 0 is "none"; number n is item n + 1 (nature 0-24, type 0-15)
    kRoute,      // number n is the item "n番道路"
};

struct FieldValue {
    ValueKind kind = ValueKind::kNone;
    int lo = 0, hi = 0;
    ItemNumber numbering = ItemNumber::kIndex;
};

// The values of the table's value column.
namespace field_value {
inline constexpr FieldValue kNoValue{};
inline constexpr FieldValue kFlag{ValueKind::kFlag};
constexpr FieldValue hex(int digits) { return {ValueKind::kHex, 0, digits}; }
constexpr FieldValue decimal(int lo, int hi) { return {ValueKind::kDecimal, lo, hi}; }
constexpr FieldValue six(int lo, int hi) { return {ValueKind::kSix, lo, hi}; }
constexpr FieldValue seconds(int below) { return {ValueKind::kSeconds, 0, below}; }
constexpr FieldValue name(int bytes) { return {ValueKind::kName, 0, bytes}; }
constexpr FieldValue item(ItemNumber n) { return {ValueKind::kItem, 0, 0, n}; }
}  // namespace field_value

// The table, one row per control in creation order:
// X(constant, ID, class, kind, initial text, x, y, w, h,
//   commands, command-line name, value, what it is)
// A button's command-line name is its command's; an input's is its option
// (nullptr for the five fields that follow a kSix field).
#define VARNHOLT_CONTROLS(X)                                                                                        \
    /* narrowing panel */                                                                                          \
    X(kNarrowMinH, 100, "Edit", kEdit, "0", 78, 24, 20, 22, kByNarrowing, "--min", six(0, 31),                     \
      "minimum individual values")                                                                     \
    X(kNarrowMinA, 101, "Edit", kEdit, "0", 118, 24, 20, 22, kByNarrowing, nullptr, kNoValue, nullptr)             \
    X(kNarrowMinB, 102, "Edit", kEdit, "0", 158, 24, 20, 22, kByNarrowing, nullptr, kNoValue, nullptr)             \
    X(kNarrowMinS, 103, "Edit", kEdit, "0", 198, 24, 20, 22, kByNarrowing, nullptr, kNoValue, nullptr)             \
    X(kNarrowMinC, 104, "Edit", kEdit, "0", 238, 24, 20, 22, kByNarrowing, nullptr, kNoValue, nullptr)             \
    X(kNarrowMinD, 105, "Edit", kEdit, "0", 278, 24, 20, 22, kByNarrowing, nullptr, kNoValue, nullptr)             \
    X(kNarrowNature, 300, "combobox", kCombo, "", 55, 49, 120, 350, kByNarrowing, "--nature",                       \
      item(ItemNumber::kAfterNone), "nature")                                                                      \
    X(kNarrowTid, 108, "Edit", kEdit, "", 170, 115, 60, 22, kByNarrowing, "--tid", decimal(0, 65535), "trainer ID") \
    X(kNarrowSid, 109, "Edit", kEdit, "", 320, 115, 60, 22, kByNarrowing, "--sid", decimal(0, 65535), "secret ID")  \
    X(kNarrowMaxLow, 106, "Edit", kEdit, "1000", 150, 145, 40, 22, kByNarrowing, "--max-low", hex(4),              \
      "largest delay count (low half)")                                                               \
    X(kNarrowMaxFrames, 107, "Edit", kEdit, "300", 330, 145, 40, 22, kByNarrowing, "--max-frames",                 \
      decimal(0, 2500), "largest frame")                                                                           \
    X(kNarrowSync, 900, "Button", kCheck, "シンクロ", 180, 50, 100, 25, kByNarrowing, "--sync", kFlag,             \
      "synchronize")                                                                                               \
    X(kNarrowShiny, 902, "Button", kCheck, "色違い", 10, 115, 100, 25, kByNarrowing, "--shiny", kFlag, "shiny only") \
    X(kNarrowButton, 200, "Button", kPushBordered, "計算", 240, 180, 100, 25, kByNarrowing, "narrow", kNoValue,     \
      "initial-seed narrowing, written to syokiseed.txt")                                                          \
    X(kNarrowFixedShiny, 907, "Button", kCheck, "赤ギャラ", 10, 180, 100, 25, kByNarrowing, "--fixed-shiny", kFlag, \
      "fixed shiny creature")                                                                                      \
    X(kNarrowMode, 302, "combobox", kComboNoTab, "", 120, 180, 100, 350, kByNarrowing, "--mode",                   \
      item(ItemNumber::kIndex), "processing")                                                                      \
    X(kNarrowHpType, 303, "combobox", kCombo, "", 65, 83, 120, 350, kByNarrowing, "--hp-type",                     \
      item(ItemNumber::kAfterNone), "hidden power type")                                                           \
    X(kNarrowMinPower, 150, "Edit", kEdit, "30", 200, 84, 24, 22, kByNarrowing, "--min-power", decimal(30, 70),    \
      "minimum hidden power")                                                                                      \
    /* list panel */                                                                                               \
    X(kListSeed, 116, "Edit", kEdit, "", 500, 24, 96, 22, kByFrameList, "--seed", hex(8),                          \
      "initial seed")                                                                                 \
    X(kListMinH, 110, "Edit", kEdit, "0", 478, 49, 20, 22, kByFrameList, "--min", six(0, 31),                      \
      "minimum individual values")                                                                     \
    X(kListMinA, 111, "Edit", kEdit, "0", 518, 49, 20, 22, kByFrameList, nullptr, kNoValue, nullptr)               \
    X(kListMinB, 112, "Edit", kEdit, "0", 558, 49, 20, 22, kByFrameList, nullptr, kNoValue, nullptr)               \
    X(kListMinS, 113, "Edit", kEdit, "0", 598, 49, 20, 22, kByFrameList, nullptr, kNoValue, nullptr)               \
    X(kListMinC, 114, "Edit", kEdit, "0", 638, 49, 20, 22, kByFrameList, nullptr, kNoValue, nullptr)               \
    X(kListMinD, 115, "Edit", kEdit, "0", 678, 49, 20, 22, kByFrameList, nullptr, kNoValue, nullptr)               \
    X(kListNature, 301, "combobox", kCombo, "", 455, 74, 120, 350, kByFrameList, "--nature",                       \
      item(ItemNumber::kAfterNone), "nature")                                                                      \
    X(kListSync, 901, "Button", kCheck, "シンクロ", 580, 75, 100, 25, kByFrameList, "--sync", kFlag, "synchronize") \
    X(kListAllNatures, 904, "Button", kCheck, "全性格出力", 680, 75, 100, 25, kByFrameList, "--all-natures", kFlag, \
      "list every nature")                                                                                         \
    X(kListShiny, 903, "Button", kCheck, "色違い", 410, 110, 100, 25, kByFrameList, "--shiny", kFlag,              \
      "shiny frames only")                                                                                         \
    X(kListFixedShiny, 908, "Button", kCheck, "赤ギャラ", 410, 170, 100, 25, kByFrameList, "--fixed-shiny", kFlag, \
      "fixed shiny creature")                                                                                      \
    X(kListTid, 118, "Edit", kEdit, "", 570, 110, 60, 22, kByFrameList, "--tid", decimal(0, 65535), "trainer ID")  \
    X(kListSid, 119, "Edit", kEdit, "", 720, 110, 60, 22, kByFrameList, "--sid", decimal(0, 65535), "secret ID")   \
    X(kListFrames, 117, "Edit", kEdit, "5000", 410, 140, 40, 22, kByFrameList, "--frames", decimal(0, 9999),       \
      "number of frames")                                                                                          \
    X(kListButton, 202, "Button", kPushBordered, "リスト出力", 580, 170, 100, 25, kByFrameList, "list", kNoValue,  \
      "frame list, written to list.txt")                                                                           \
    /* measurement panel */                                                                                        \
    X(kStopwatchDisplay, 930, "static", kDisplay, "0", 20, 274, 60, 22, kNoCommand, nullptr, kNoValue,             \
      "stopwatch reading, seconds")                                                                                \
    X(kStopwatchButton, 210, "Button", kPlain, "起動", 100, 274, 100, 25, kByStopwatch, "stopwatch", kNoValue,     \
      "boot-to-load stopwatch")                                                                                    \
    X(kCandidateIvH, 133, "Edit", kEdit, "", 95, 309, 20, 22, kByCandidates, "--ivs", six(0, 31),                  \
      "individual values")                                                                             \
    X(kCandidateIvA, 134, "Edit", kEdit, "", 135, 309, 20, 22, kByCandidates, nullptr, kNoValue, nullptr)          \
    X(kCandidateIvB, 135, "Edit", kEdit, "", 175, 309, 20, 22, kByCandidates, nullptr, kNoValue, nullptr)          \
    X(kCandidateIvS, 136, "Edit", kEdit, "", 215, 309, 20, 22, kByCandidates, nullptr, kNoValue, nullptr)          \
    X(kCandidateIvC, 137, "Edit", kEdit, "", 255, 309, 20, 22, kByCandidates, nullptr, kNoValue, nullptr)          \
    X(kCandidateIvD, 138, "Edit", kEdit, "", 295, 309, 20, 22, kByCandidates, nullptr, kNoValue, nullptr)          \
    X(kCandidateHour, 132, "Edit", kEdit, "", 200, 339, 24, 22, kByCandidates, "--hour", decimal(0, 23),           \
      "hour the game was loaded")                                                                                  \
    X(kCandidateNature, 310, "combobox", kCombo, "", 50, 338, 120, 350, kByCandidates, "--nature",                 \
      item(ItemNumber::kIndex), "nature")                                                                          \
    X(kCandidatesButton, 211, "Button", kPush, "初期seed計算", 270, 339, 120, 25, kByCandidates, "candidates",     \
      kNoValue, "initial-seed candidates of an hour, painted with their numbers")                                  \
    /* target-seed panel */                                                                                        \
    X(kTargetSeed, 140, "Edit", kEdit, "", 520, 250, 96, 22, kByBootLoad | kByCheckList, "--target", hex(8),       \
      "target initial seed")                                                                          \
    X(kStartMonth, 142, "Edit", kEdit, "9", 490, 279, 24, 22, kByBootLoad, "--month", decimal(1, 12),              \
      "first month searched")                                                                                      \
    X(kStartDay, 143, "Edit", kEdit, "12", 540, 279, 24, 22, kByBootLoad, "--day", decimal(1, 31),                 \
      "first day searched")                                                                                        \
    X(kDirection, 311, "combobox", kCombo, "", 600, 279, 100, 350, kByBootLoad, "--direction",                     \
      item(ItemNumber::kIndex), "search direction")                                                                \
    X(kMeasuredSeconds, 144, "Edit", kEdit, "", 420, 309, 100, 22, kByBootLoad, "--seconds", seconds(100000),      \
      "measured boot-to-load seconds")                                                                             \
    X(kMeasuredDelay, 145, "Edit", kEdit, "", 600, 309, 48, 22, kByBootLoad, "--delay", hex(4),                    \
      "delay count that time gave")                                                                   \
    X(kBootLoadButton, 212, "Button", kPush, "計算", 680, 309, 100, 25, kByBootLoad, "boot-load", kNoValue,        \
      "boot and load time that reach the target, painted")                                                         \
    X(kCheckCount, 146, "Edit", kEdit, "", 420, 420, 36, 22, kByCheckList, "--count", decimal(0, 9999),            \
      "frames consumed before the encounter")                                                                      \
    X(kCheckSpecies, 147, "Edit", kEdit, "zarbel名", 550, 420, 90, 22, kByCheckList, "--species", name(10),        \
      "species name as in zarbel.dat")                                                                             \
    X(kCheckLevel, 148, "Edit", kEdit, "", 670, 420, 36, 22, kByCheckList, "--level", decimal(1, 100), "level")    \
    X(kCheckDog1, 312, "combobox", kCombo, "", 450, 449, 120, 350, kByCheckList, "--dog1",                         \
      item(ItemNumber::kRoute), "previous route of the first dog")                                                 \
    X(kCheckDog2, 313, "combobox", kCombo, "", 450, 479, 120, 350, kByCheckList, "--dog2",                         \
      item(ItemNumber::kRoute), "previous route of the second dog")                                                \
    X(kCheckLati, 314, "combobox", kCombo, "", 650, 449, 120, 350, kByCheckList, "--lati",                         \
      item(ItemNumber::kRoute), "previous route of the third roamer")                                              \
    X(kCheckListButton, 213, "Button", kPush, "初期seed確認リスト", 580, 510, 180, 25, kByCheckList, "check",      \
      kNoValue, "check list, written to zure.txt")                                                                 \
    X(kCheckSyncNature, 315, "combobox", kCombo, "", 420, 510, 120, 350, kByCheckList, "--sync-nature",            \
      item(ItemNumber::kAfterNone), "nature of a synchronizing lead")

enum ControlId : int {
#define VARNHOLT_CONTROL_ID(constant, id, ...) constant = id,
    VARNHOLT_CONTROLS(VARNHOLT_CONTROL_ID)
#undef VARNHOLT_CONTROL_ID
};

struct ControlSpec {
    int id;
    const char* cls;
    ControlKind kind;
    const char* text;
    int x, y, w, h;
    std::uint8_t commands;  // CommandSet
    const char* cli_name;   // command or option name on the command line, or nullptr
    FieldValue value;
    const char* what;       // in a few English words, or nullptr
};

#define VARNHOLT_CONTROL_ONE(...) +1
inline constexpr int kControlCount = 0 VARNHOLT_CONTROLS(VARNHOLT_CONTROL_ONE);
#undef VARNHOLT_CONTROL_ONE
inline constexpr std::uint32_t kAutoScrollStyle = 0x80;  // ES_AUTOHSCROLL on edits, SS_NOPREFIX on the display

std::span<const ControlSpec> control_table();
const ControlSpec* find_control(int id);
// The window style of a control; `auto_scroll` selects the auto-scroll build.
std::uint32_t control_style(ControlKind kind, bool auto_scroll);

// Combo box items in order; calls `add` for each. Route texts are formatted here.
void for_each_combo_item(int id, void (*add)(int id, const char* text));

// Adoption buttons: one per candidate n (0-based), IDs 1001 .. 1010.
inline constexpr int kAdoptFirstId = 1001;
inline constexpr int kMaxCandidates = 10;
ControlSpec adoption_button(int n);

// Creates every control in table order, fills and selects the combo boxes.
// The settings file and the kept results are the caller's (see ui/frontend.hpp).
void create_all_controls();

}  // namespace vh
