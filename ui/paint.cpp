#include <cstdarg>
#include <cstdio>
#include <cstring>

#include "text/format.hpp"
#include "ui/app_state.hpp"
#include "ui/platform.hpp"
#include "ui/frontend.hpp"

namespace vh {

namespace {

struct Label {
    int x, y;
    const char* text;
};

// Labels of each panel in paint order (top-left corner of the text).
constexpr Label kNarrowingLabels[] = {
    {0, 0, "初期seed絞り込み"}, {10, 25, "個体値:"}, {66, 25, "H"}, {106, 25, "A"}, {146, 25, "B"},
    {186, 25, "S"}, {226, 25, "C"}, {266, 25, "D"}, {306, 25, "以上"}, {10, 52, "性格:"},
    {10, 145, "下位2byte最大値:0x"}, {220, 145, "最大消費回数:"}, {120, 115, "表ID:"}, {270, 115, "裏ID:"},
    {10, 85, "めざパ:"}, {230, 85, "以上"},
};
constexpr Label kListLabels[] = {
    {401, 0, "リスト出力"}, {410, 25, "初期seed:0x"}, {410, 50, "個体値:"}, {466, 50, "H"}, {506, 50, "A"},
    {546, 50, "B"}, {586, 50, "S"}, {626, 50, "C"}, {666, 50, "D"}, {706, 50, "以上"}, {410, 77, "性格:"},
    {450, 140, "回まで出力"}, {520, 110, "表ID:"}, {670, 110, "裏ID:"},
};
constexpr Label kMeasurementLabels[] = {
    {0, 250, "起動→ロードフレーム測定"}, {10, 310, "個体値:"}, {80, 310, "H"}, {120, 310, "A"}, {160, 310, "B"},
    {200, 310, "S"}, {240, 310, "C"}, {280, 310, "D"}, {10, 340, "性格"}, {230, 340, "時"},
    {10, 375, "初期seed候補:"},
};
constexpr Label kTargetLabels[] = {
    {401, 250, "狙う初期seed:0x"}, {520, 280, "月"}, {570, 280, "日"}, {520, 310, "秒で下位0x"},
};
constexpr Label kCheckListLabels[] = {
    {460, 420, "個消費"}, {650, 420, "Lv"}, {410, 450, "犬1:"}, {410, 480, "犬2:"}, {590, 450, "ラティ:"},
};

template <std::size_t N>
void draw_labels(const Label (&labels)[N]) {
    for (const Label& l : labels) platform::draw_text(l.x, l.y, l.text, std::strlen(l.text));
}

[[gnu::format(printf, 3, 4)]] void draw_formatted(int x, int y, const char* fmt, ...) {
    TextBuffer buf;
    va_list ap;
    va_start(ap, fmt);
    const std::size_t n = format_text(buf, fmt, ap);
    va_end(ap);
    platform::draw_text(x, y, buf, n);
}

void paint_candidate_rows() {
    for (int i = 0; i < g_app.candidates.count; ++i)
        draw_formatted(114, 375 + 25 * i, "%08X", g_app.candidates.seeds[i]);
}

void paint_boot_load() {
    const BootLoadResult& r = g_app.boot_load;
    if (!r.shown) return;
    draw_formatted(410, 350, "起動:%d月%d日%d時%d分%d秒", r.boot_month, r.boot_day, r.boot_hour, r.boot_minute,
                   r.boot_second);
    draw_formatted(410, 380, "ロード:%d月%d日%d時%d分%.2f秒", r.result_month, r.result_day, r.load_hour,
                   r.load_minute, r.load_hundredths / 100.0);
}

void paint_ideal_roaming() {
    if (g_app.ideal_roaming >= 0) draw_formatted(600, 480, "理想徘徊消費:%d回", g_app.ideal_roaming);
}

}  // namespace

void paint_window() {
    platform::draw_line(400, 0, 400, 800);
    draw_labels(kNarrowingLabels);
    draw_labels(kListLabels);
    platform::draw_line(0, 249, 800, 249);
    draw_labels(kMeasurementLabels);
    paint_candidate_rows();
    draw_labels(kTargetLabels);
    paint_boot_load();
    draw_labels(kCheckListLabels);
    paint_ideal_roaming();
}

void paint_results() {
    paint_candidate_rows();
    paint_boot_load();
    paint_ideal_roaming();
}

}  // namespace vh
