#include "ui/controls.hpp"

#include <cstdio>

#include "engine/names.hpp"
#include "ui/platform.hpp"

namespace vh {

namespace {

using K = ControlKind;

using namespace field_value;

constexpr ControlSpec kTable[kControlCount] = {
#define VARNHOLT_CONTROL_ROW(constant, id, cls, kind, text, x, y, w, h, commands, cli_name, value, what) \
    {constant, cls, K::kind, text, x, y, w, h, commands, cli_name, value, what},
    VARNHOLT_CONTROLS(VARNHOLT_CONTROL_ROW)
#undef VARNHOLT_CONTROL_ROW
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
        case kNarrowNature:
        case kListNature:
            add(id, "指定無し");
            add_names(id, nature_names, kNatureCount, add);
            break;
        case kNarrowMode:
            add(id, "逆処理");
            add(id, "順処理");
            break;
        case kNarrowHpType:
            add(id, "指定無し");
            add_names(id, hidden_power_type_names, kHiddenPowerTypeCount, add);
            break;
        case kCandidateNature: add_names(id, nature_names, kNatureCount, add); break;
        case kDirection: add(id, "以降"); break;
        case kCheckDog1:
        case kCheckDog2: add_routes(id, kDogRouteCount, dog_number, add); break;
        case kCheckLati: add_routes(id, kLatiRouteCount, lati_number, add); break;
        case kCheckSyncNature:
            add(id, "シンクロ無し");
            add_names(id, nature_names, kNatureCount, add);
            break;
        default: break;
    }
}

ControlSpec adoption_button(int n) {
    return {kAdoptFirstId + n, "button", K::kPlain, "採用", 185, 375 + 25 * n, 45, 22,
            kNoCommand, nullptr, kNoValue, nullptr};
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
