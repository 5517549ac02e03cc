#include "cli/help.hpp"

#include "encoding/sjis_utf8.hpp"
#include "cli/named_options.hpp"
#include "ui/controls.hpp"

namespace vh::cli {

using encoding::sjis_to_utf8;
using encoding::utf8_to_sjis;

namespace {

constexpr const char* kIntro =
    "usage: varnholt-cli [STEP ...]\n"
    "\n"
    "Runs the main window without a screen: the same controls, read by the same\n"
    "code, and the same commands. At start it reads zarbel.dat and config.txt\n"
    "from the working directory, as the window does; when one is missing or\n"
    "unreadable it says so on standard error, at the first command that uses it.\n"
    "Steps run left to right.\n"
    "\n"
    "Named commands set a panel's fields, then press its button. Each value is\n"
    "checked first; a value an option does not take stops the run (exit 2).\n"
    "Options left out keep the field as it is (at start, the window's text).\n";

constexpr const char* kRawSteps =
    "Steps by control ID, as typed into the window (read leniently: cut to the\n"
    "field's length, reading stops at the first character that does not fit):\n"
    "  ID=TEXT      type TEXT into edit field ID (UTF-8, stored as Shift-JIS)\n"
    "  ID=on|off    tick or clear check box ID\n"
    "  ID=N         select item N (0-based, as listed) of drop-down ID\n"
    "  press ID     press button ID\n"
    "  show ID      print the text, check state (on/off) or selected item\n"
    "               (index and text) of control ID\n"
    "  wait MS      sleep MS milliseconds (the stopwatch keeps running)\n";

constexpr const char* kOutput =
    "Output: list.txt, syokiseed.txt and zure.txt are written to the working\n"
    "directory exactly as the window writes them (Shift-JIS, CR LF; read them\n"
    "with iconv -f CP932 -t UTF-8), and one line on standard error names each\n"
    "file written and its rows. After a command that repaints the window, the\n"
    "texts it would paint go to standard output, one per line; the stopwatch\n"
    "command prints its reading. Caption texts (progress) go to standard error.\n"
    "All output is UTF-8.\n"
    "\n"
    "Ctrl-C (SIGINT) or SIGTERM cancels a running command as Escape does in\n"
    "the window: the earlier result file stays as it was.\n"
    "\n"
    "Exit status: 0 on success; 1 when a result file, standard output or\n"
    "standard error could not be written; 2 on a usage error or a value that a\n"
    "named option does not take; 128 + the signal number (130 for SIGINT, 143\n"
    "for SIGTERM) when cancelled by a signal.\n"
    "\n"
    "Examples:\n"
    "  varnholt-cli list --seed 12345678 --frames 3\n";

// The field list: for each command, the IDs of the inputs it reads.
std::string field_list() {
    std::string h = "Control IDs, by the command that reads them:\n";
    for (const ControlSpec& b : control_table()) {
        if (!b.cli_name || b.value.kind != ValueKind::kNone || b.kind == ControlKind::kDisplay) continue;
        std::string line = "  " + std::string(b.cli_name) + " (press " + std::to_string(b.id) + "):";
        std::size_t line_start = 0;
        for (const ControlSpec& f : control_table()) {
            if (f.id == b.id || !(f.commands & b.commands) || !f.what) continue;
            std::string entry = std::to_string(f.id);
            if (f.value.kind == ValueKind::kSix) entry.append("-").append(std::to_string(f.id + 5));
            entry.append(" ").append(f.what);
            if (line.size() - line_start + entry.size() > 76) {
                line += "\n   ";
                line_start = line.size() - 3;
            }
            line.append(" ").append(entry).append(",");
        }
        line.back() = '\n';
        h += line;
    }
    const ControlSpec& display = *find_control(kStopwatchDisplay);
    h += "  " + std::to_string(display.id) + ": " + display.what + "; " + std::to_string(kAdoptFirstId) + "-" +
         std::to_string(kAdoptFirstId + kMaxCandidates - 1) + ": the 採用 buttons of candidates 1-" +
         std::to_string(kMaxCandidates) + "\n";
    return sjis_to_utf8(h);
}

}  // namespace

std::string help_text() {
    const std::string raw_example = "  varnholt-cli " + std::to_string(kListSeed) + "=12345678 " +
                                    std::to_string(kListFrames) + "=3 press " + std::to_string(kListButton) + "\n";
    return std::string(kIntro) + "\n" + named_help() +
           "\nNames of drop-down items (UTF-8; the number before a name, or a route's own\n"
           "number, selects it too):\n" +
           names_help() + "\n" + kRawSteps + "\n" + field_list() + "\n" + kOutput + raw_example;
}


}  // namespace vh::cli
