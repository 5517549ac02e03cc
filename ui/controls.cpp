#include "ui/controls.hpp"

#include <cstdio>

#include "engine/names.hpp"
#include "ui/platform.hpp"

namespace vh {

namespace {

using K = ControlKind;

constexpr ControlSpec kTable[kControlCount] = {
    // narrowing panel
    {100, "Edit", K::kEdit, "0", 78, 24, 20, 22},
    {101, "Edit", K::kEdit, "0", 118, 24, 20, 22},
    {102, "Edit", K::kEdit, "0", 158, 24, 20, 22},
    {103, "Edit", K::kEdit, "0", 198, 24, 20, 22},
    {104, "Edit", K::kEdit, "0", 238, 24, 20, 22},
    {105, "Edit", K::kEdit, "0", 278, 24, 20, 22},
    {300, "combobox", K::kCombo, "", 55, 49, 120, 350},
    {108, "Edit", K::kEdit, "", 170, 115, 60, 22},
    {109, "Edit", K::kEdit, "", 320, 115, 60, 22},
    {106, "Edit", K::kEdit, "1000", 150, 145, 40, 22},
    {107, "Edit", K::kEdit, "300", 330, 145, 40, 22},
    {900, "Button", K::kCheck, "シンクロ", 180, 50, 100, 25},
    {902, "Button", K::kCheck, "色違い", 10, 115, 100, 25},
    {200, "Button", K::kPushBordered, "計算", 240, 180, 100, 25},
    {907, "Button", K::kCheck, "赤ギャラ", 10, 180, 100, 25},
    {302, "combobox", K::kComboNoTab, "", 120, 180, 100, 350},
    {303, "combobox", K::kCombo, "", 65, 83, 120, 350},
    {150, "Edit", K::kEdit, "30", 200, 84, 24, 22},
    // list panel
    {116, "Edit", K::kEdit, "", 500, 24, 96, 22},
    {110, "Edit", K::kEdit, "0", 478, 49, 20, 22},
    {111, "Edit", K::kEdit, "0", 518, 49, 20, 22},
    {112, "Edit", K::kEdit, "0", 558, 49, 20, 22},
    {113, "Edit", K::kEdit, "0", 598, 49, 20, 22},
    {114, "Edit", K::kEdit, "0", 638, 49, 20, 22},
    {115, "Edit", K::kEdit, "0", 678, 49, 20, 22},
    {301, "combobox", K::kCombo, "", 455, 74, 120, 350},
    {901, "Button", K::kCheck, "シンクロ", 580, 75, 100, 25},
    {904, "Button", K::kCheck, "全性格出力", 680, 75, 100, 25},
    {903, "Button", K::kCheck, "色違い", 410, 110, 100, 25},
    {908, "Button", K::kCheck, "赤ギャラ", 410, 170, 100, 25},
    {118, "Edit", K::kEdit, "", 570, 110, 60, 22},
    {119, "Edit", K::kEdit, "", 720, 110, 60, 22},
    {117, "Edit", K::kEdit, "5000", 410, 140, 40, 22},
    {202, "Button", K::kPushBordered, "リスト出力", 580, 170, 100, 25},
    // measurement panel
    {930, "static", K::kDisplay, "0", 20, 274, 60, 22},
    {210, "Button", K::kPlain, "起動", 100, 274, 100, 25},
    {133, "Edit", K::kEdit, "", 95, 309, 20, 22},
    {134, "Edit", K::kEdit, "", 135, 309, 20, 22},
    {135, "Edit", K::kEdit, "", 175, 309, 20, 22},
    {136, "Edit", K::kEdit, "", 215, 309, 20, 22},
    {137, "Edit", K::kEdit, "", 255, 309, 20, 22},
    {138, "Edit", K::kEdit, "", 295, 309, 20, 22},
    {132, "Edit", K::kEdit, "", 200, 339, 24, 22},
    {310, "combobox", K::kCombo, "", 50, 338, 120, 350},
    {211, "Button", K::kPush, "初期seed計算", 270, 339, 120, 25},
    // target-seed panel
    {140, "Edit", K::kEdit, "", 520, 250, 96, 22},
    {142, "Edit", K::kEdit, "9", 490, 279, 24, 22},
    {143, "Edit", K::kEdit, "12", 540, 279, 24, 22},
    {311, "combobox", K::kCombo, "", 600, 279, 100, 350},
    {144, "Edit", K::kEdit, "", 420, 309, 100, 22},
    {145, "Edit", K::kEdit, "", 600, 309, 48, 22},
    {212, "Button", K::kPush, "計算", 680, 309, 100, 25},
    {146, "Edit", K::kEdit, "", 420, 420, 36, 22},
    {147, "Edit", K::kEdit, "zarbel名", 550, 420, 90, 22},
    {148, "Edit", K::kEdit, "", 670, 420, 36, 22},
    {312, "combobox", K::kCombo, "", 450, 449, 120, 350},
    {313, "combobox", K::kCombo, "", 450, 479, 120, 350},
    {314, "combobox", K::kCombo, "", 650, 449, 120, 350},
    {213, "Button", K::kPush, "初期seed確認リスト", 580, 510, 180, 25},
    {315, "combobox", K::kCombo, "", 420, 510, 120, 350},
};

void add_names(int id, const char* const* names, int count, void (*add)(int, const char*)) {
    for (int i = 0; i < count; ++i) add(id, names[i]);
}

void add_routes(int id, int count, int (*number)(int), void (*add)(int, const char*)) {
    add(id, "無し");
    char buf[256];
    for (int i = 0; i < count; ++i) {
        std::snprintf(buf, sizeof buf, "%d番道路", number(i));
        add(id, buf);
    }
}

int dog_number(int i) { return dog_route_number(i); }
int lati_number(int i) { return lati_route_number(i); }

}  // namespace

std::span<const ControlSpec> control_table() { return kTable; }

const ControlSpec* find_control(int id) {
    for (const ControlSpec& c : kTable)
        if (c.id == id) return &c;
    return nullptr;
}

std::uint32_t control_style(ControlKind kind, bool auto_scroll) {
    const std::uint32_t extra = auto_scroll ? kAutoScrollStyle : 0;
    switch (kind) {
        case K::kEdit: return 0x50810000u | extra;
        case K::kCombo: return 0x50A10003u;
        case K::kComboNoTab: return 0x50A00003u;
        case K::kCheck: return 0x50000003u;
        case K::kPushBordered: return 0x50810000u;
        case K::kPush: return 0x50010000u;
        case K::kPlain: return 0x50000000u;
        case K::kDisplay: return 0x50000000u | extra;
    }
    return 0;
}

void for_each_combo_item(int id, void (*add)(int id, const char* text)) {
    switch (id) {
        case 300:
        case 301:
            add(id, "指定無し");
            add_names(id, nature_names, kNatureCount, add);
            break;
        case 302:
            add(id, "逆処理");
            add(id, "順処理");
            break;
        case 303:
            add(id, "指定無し");
            add_names(id, hidden_power_type_names, kHiddenPowerTypeCount, add);
            break;
        case 310: add_names(id, nature_names, kNatureCount, add); break;
        case 311: add(id, "以降"); break;
        case 312:
        case 313: add_routes(id, kDogRouteCount, dog_number, add); break;
        case 314: add_routes(id, kLatiRouteCount, lati_number, add); break;
        case 315:
            add(id, "シンクロ無し");
            add_names(id, nature_names, kNatureCount, add);
            break;
        default: break;
    }
}

ControlSpec adoption_button(int n) {
    return {kAdoptFirstId + n, "button", K::kPlain, "採用", 185, 375 + 25 * n, 45, 22};
}

void create_all_controls() {
    for (const ControlSpec& c : kTable) {
        platform::create_control(c);
        if (c.kind == K::kCombo || c.kind == K::kComboNoTab) {
            for_each_combo_item(c.id, platform::add_item);
            platform::select_item(c.id, 0);
        }
    }
}

}  // namespace vh
