#include <cstring>

#include "features/check_list.hpp"
#include "ui/app_state.hpp"
#include "ui/commands.hpp"
#include "ui/controls.hpp"
#include "ui/fields.hpp"

namespace vh {

namespace {
CheckListRequest read_check_list_request() {
    CheckListRequest r;
    r.target = read_hex_unsigned(kTargetSeed, kTextLimit);
    r.consumption = read_decimal(kCheckCount, 4);
    const FieldText name = read_text(kCheckSpecies, kTypedNameMax);
    std::memcpy(r.species_name, name.bytes, name.size + 1);
    r.species_name_size = name.size;
    r.level = read_decimal(kCheckLevel, 4);
    r.dog1_prev = read_selection(kCheckDog1) - 1;
    r.dog2_prev = read_selection(kCheckDog2) - 1;
    r.lati_prev = read_selection(kCheckLati) - 1;
    r.sync_nature = read_selection(kCheckSyncNature) - 1;
    return r;
}
}  // namespace

// The kept values change only when the file was written, so the painted
// ideal roaming count always belongs to the last "zure.txt".
bool command_check_list() {
    const CheckListRequest req = read_check_list_request();
    const CheckListKept before{g_app.ideal_roaming, g_app.species_index};
    CheckListKept after = before;
    const bool ok = write_and_open(kCheckListFile, [&](TextSink& out) {
        after = before;
        CancellableSink watched(out);
        write_check_list(req, g_species, after, watched);
    });
    if (ok) {
        g_app.ideal_roaming = after.ideal_roaming;
        g_app.species_index = after.species_index;
    }
    return ok;
}

}  // namespace vh
