#include "data/settings.hpp"
#include "data/species.hpp"
#include "ui/app_state.hpp"
#include "ui/controls.hpp"
#include "ui/frontend.hpp"
#include "ui/platform.hpp"

namespace vh {

AppState g_app;

void on_window_create() {
    g_app.controls_created = false;
    load_species_table(g_species);
}

void create_window_contents() {
    g_app.controls_created = true;
    g_app.ideal_roaming = -1;
    create_all_controls();
    const Settings s = read_settings_file();
    if (!s.found) return;
    platform::set_text(kMeasuredSeconds, s.seconds);
    platform::set_text(kMeasuredDelay, s.delay);
}

bool controls_exist() { return g_app.controls_created; }

}  // namespace vh
