#include "cli/named_options.hpp"

#include <algorithm>
#include <map>

#include "cli/data_files.hpp"
#include "encoding/sjis_utf8.hpp"
#include "cli/option_values.hpp"
#include "data/species.hpp"

namespace vh::cli {

using encoding::sjis_to_utf8;
using encoding::utf8_to_sjis;

namespace {

// Commands that are not a table button of their own.
constexpr const char* kAdoptCommand = "adopt";
constexpr const char* kAdoptOption = "--candidate";
constexpr const char* kStopwatchOption = "--ms";
constexpr int kStopwatchMaxMs = 3600000;

bool is_button(const ControlSpec& c) {
    return c.cli_name && (c.kind == ControlKind::kPush || c.kind == ControlKind::kPushBordered ||
                          c.kind == ControlKind::kPlain);
}

const ControlSpec* find_command(const std::string& name) {
    for (const ControlSpec& c : control_table())
        if (is_button(c) && name == c.cli_name) return &c;
    return nullptr;
}

bool is_option_of(const ControlSpec& field, const ControlSpec& command) {
    return field.value.kind != ValueKind::kNone && field.cli_name && (field.commands & command.commands);
}

const ControlSpec* find_option(const ControlSpec& command, const std::string& name) {
    for (const ControlSpec& c : control_table())
        if (is_option_of(c, command) && name == c.cli_name) return &c;
    return nullptr;
}

bool read_count(const std::string& s, int lo, int hi, int& out) {
    if (s.empty() || s.size() > 9 || s.find_first_not_of("0123456789") != std::string::npos) return false;
    out = std::stoi(s);
    return out >= lo && out <= hi;
}

// The options of the commands that are not "set the fields, press".
bool expand_special(const std::string& cmd, const std::string& opt, const std::string& value, std::vector<Step>& steps,
                    std::string& error) {
    int n;
    if (cmd == kAdoptCommand && opt == kAdoptOption) {
        if (!read_count(value, 1, kMaxCandidates, n)) {
            error = "'" + value + "' is not 1-" + std::to_string(kMaxCandidates);
            return false;
        }
        steps.push_back({Step::kAdopt, n, ""});
        return true;
    }
    if (!read_count(value, 0, kStopwatchMaxMs, n)) {
        error = "'" + value + "' is not 0-" + std::to_string(kStopwatchMaxMs) + " milliseconds";
        return false;
    }
    steps.push_back({Step::kPress, kStopwatchButton, ""});
    steps.push_back({Step::kAwaitStopwatch, n / 10, ""});
    steps.push_back({Step::kPress, kStopwatchButton, ""});
    steps.push_back({Step::kShow, kStopwatchDisplay, ""});
    return true;
}

const char* special_option(const std::string& cmd) {
    if (cmd == kAdoptCommand) return kAdoptOption;
    if (cmd == find_control(kStopwatchButton)->cli_name) return kStopwatchOption;
    return nullptr;
}

bool check_species(const std::string& utf8, std::string& error) {
    const std::string sjis = utf8_to_sjis(utf8).value_or("");
    if (find_species_by_name(g_species, sjis.data(), sjis.size()) >= 0) return true;
    error = "no species '" + utf8 + "' in " + kSpeciesFile;
    if (const std::string problem = data_file_problem(kSpeciesFile); !problem.empty()) error += std::string(" (") + kSpeciesFile + " " + problem + ")";
    return false;
}

std::string pad(std::string s, std::size_t width) {
    s.resize(s.size() < width ? width : s.size() + 1, ' ');
    return s;
}

}  // namespace

bool is_named_command(const std::string& word) { return word == kAdoptCommand || find_command(word); }

bool expand_named(const std::vector<std::string>& args, std::size_t& i, std::vector<Step>& steps, std::string& error) {
    const std::string cmd = args[i];
    const ControlSpec* button = find_command(cmd);
    const char* special = special_option(cmd);
    bool special_given = false;
    while (i + 1 < args.size() && args[i + 1].rfind("--", 0) == 0) {
        const std::string& opt = args[++i];
        const ControlSpec* field = button ? find_option(*button, opt) : nullptr;
        const bool is_special = special && opt == special;
        if (!field && !is_special) {
            error = cmd + " has no option " + opt;
            return false;
        }
        if (field && field->value.kind == ValueKind::kFlag) {
            steps.push_back({Step::kSet, field->id, "on"});
            continue;
        }
        if (i + 1 >= args.size()) {
            error = cmd + " " + opt + " needs a value";
            return false;
        }
        const std::string& value = args[++i];
        std::string why;
        if (is_special) {
            special_given = true;
            if (!expand_special(cmd, opt, value, steps, why)) {
                error = cmd + " " + opt + ": " + why;
                return false;
            }
            continue;
        }
        std::vector<std::string> texts;
        if (!check_value(*field, value, texts, why) ||
            (field->value.kind == ValueKind::kName && !check_species(value, why))) {
            error = cmd + " " + opt + ": " + why;
            return false;
        }
        for (std::size_t k = 0; k < texts.size(); ++k)
            steps.push_back({Step::kSet, field->id + static_cast<int>(k), texts[k]});
    }
    if (special) {
        if (!special_given) {
            error = cmd + " needs " + special;
            return false;
        }
        return true;
    }
    steps.push_back({Step::kPress, button->id, ""});
    return true;
}

std::string named_help() {
    std::string h;
    for (const ControlSpec& b : control_table()) {
        if (!is_button(b)) continue;
        h += "  " + std::string(b.cli_name) + ": " + b.what + "\n";
        for (const ControlSpec& f : control_table()) {
            if (!is_option_of(f, b)) continue;
            const char* arg = f.value.kind == ValueKind::kFlag ? "" : f.value.kind == ValueKind::kSix ? " H,A,B,S,C,D" : " V";
            const std::string help = value_help(f);
            h += pad("    " + std::string(f.cli_name) + arg, 26) + f.what + (help.empty() ? "" : " (" + help + ")") + "\n";
        }
        if (b.id == kStopwatchButton)
            h += pad(std::string("    ") + kStopwatchOption + " MS", 26) +
                 "start, stop when the display shows MS milliseconds;\n" + pad("", 26) + "prints the reading\n";
    }
    h += std::string("  ") + kAdoptCommand + ": copies the stopwatch reading and a candidate's delay count into\n" +
         "          the boot-load fields (--seconds, --delay), as its 採用 button does\n" +
         pad(std::string("    ") + kAdoptOption + " N", 26) + "candidate N (1-" + std::to_string(kMaxCandidates) +
         ") of the last candidates search\n";
    return sjis_to_utf8(h);
}

std::string names_help() {
    // One line per list of numbered names, with the options that take it;
    // items without a number (the "none" items) are chosen by name.
    std::map<std::string, std::string> lists;  // numbered names -> options
    std::vector<std::string> order;
    std::vector<std::string> unnumbered;
    for (const ControlSpec& c : control_table()) {
        if (c.value.kind != ValueKind::kItem) continue;
        const std::vector<std::string> items = combo_items(c.id);
        std::string names;
        for (std::size_t i = 0; i < items.size(); ++i) {
            const int n = item_number(c, static_cast<int>(i));
            if (n < 0) {
                if (std::find(unnumbered.begin(), unnumbered.end(), items[i]) == unnumbered.end())
                    unnumbered.push_back(items[i]);
                continue;
            }
            const bool named_by_number = c.value.numbering == ItemNumber::kRoute;
            const std::string entry = (named_by_number ? std::string() : std::to_string(n) + " ") + items[i];
            // Shift-JIS bytes count about as wide as they show.
            const std::size_t line = names.size() - (names.rfind('\n') == std::string::npos ? 0 : names.rfind('\n'));
            names += names.empty() ? "" : line + entry.size() > 70 ? ",\n    " : ", ";
            names += entry;
        }
        if (!lists.count(names)) order.push_back(names);
        std::string& options = lists[names];
        if (options.find(c.cli_name) != std::string::npos) continue;
        if (!options.empty()) options += ' ';
        options += c.cli_name;
    }
    std::string h;
    for (const std::string& names : order) h += "  " + lists[names] + ":\n    " + names + "\n";
    h += "  by name only:";
    for (const std::string& name : unnumbered) h += " " + name;
    h += "\n";
    return sjis_to_utf8(h);
}

}  // namespace vh::cli
