#include "cli/named_options.hpp"

#include <cstring>

namespace vh::cli {

namespace {

enum class Shape {
    kText,     // the value is typed into the field
    kFlag,     // no value: ticks the check box
    kSix,      // "H,A,B,S,C,D" into six consecutive fields
    kItem,     // the value is a combo item index
};

struct NamedOption {
    const char* command;
    const char* name;
    int id;
    Shape shape;
    const char* help;
};

constexpr NamedOption kOptions[] = {
    {"list", "--seed", 116, Shape::kText, "initial seed, hexadecimal"},
    {"list", "--frames", 117, Shape::kText, "number of frames"},
    {"list", "--min", 110, Shape::kSix, "minimum values H,A,B,S,C,D"},
    {"list", "--nature", 301, Shape::kItem, "nature item (0 none, 1-25 natures)"},
    {"list", "--sync", 901, Shape::kFlag, "synchronize"},
    {"list", "--shiny", 903, Shape::kFlag, "shiny frames only"},
    {"list", "--all-natures", 904, Shape::kFlag, "list every nature"},
    {"list", "--fixed-shiny", 908, Shape::kFlag, "fixed shiny creature"},
    {"list", "--tid", 118, Shape::kText, "trainer ID"},
    {"list", "--sid", 119, Shape::kText, "secret ID"},
    {"narrow", "--min", 100, Shape::kSix, "minimum values H,A,B,S,C,D"},
    {"narrow", "--max-low", 106, Shape::kText, "maximum low half, hexadecimal"},
    {"narrow", "--max-frames", 107, Shape::kText, "maximum frames"},
    {"narrow", "--nature", 300, Shape::kItem, "nature item (0 none, 1-25 natures)"},
    {"narrow", "--sync", 900, Shape::kFlag, "synchronize"},
    {"narrow", "--shiny", 902, Shape::kFlag, "shiny only"},
    {"narrow", "--tid", 108, Shape::kText, "trainer ID"},
    {"narrow", "--sid", 109, Shape::kText, "secret ID"},
    {"narrow", "--fixed-shiny", 907, Shape::kFlag, "fixed shiny creature"},
    {"narrow", "--mode", 302, Shape::kItem, "0 reverse, 1 forward processing"},
    {"narrow", "--hp-type", 303, Shape::kItem, "hidden power type item (0 none, 1-16 types)"},
    {"narrow", "--min-power", 150, Shape::kText, "minimum hidden power"},
    {"candidates", "--ivs", 133, Shape::kSix, "individual values H,A,B,S,C,D"},
    {"candidates", "--nature", 310, Shape::kItem, "nature item (0-24)"},
    {"candidates", "--hour", 132, Shape::kText, "hour of the initial seed"},
    {"boot-load", "--target", 140, Shape::kText, "target initial seed, hexadecimal"},
    {"boot-load", "--month", 142, Shape::kText, "start month"},
    {"boot-load", "--day", 143, Shape::kText, "start day"},
    {"boot-load", "--seconds", 144, Shape::kText, "measured seconds"},
    {"boot-load", "--delay", 145, Shape::kText, "measured delay, hexadecimal"},
    {"check", "--target", 140, Shape::kText, "target initial seed, hexadecimal"},
    {"check", "--count", 146, Shape::kText, "consumption count"},
    {"check", "--species", 147, Shape::kText, "species name"},
    {"check", "--level", 148, Shape::kText, "level"},
    {"check", "--dog1", 312, Shape::kItem, "previous route item of the first dog (0 none)"},
    {"check", "--dog2", 313, Shape::kItem, "previous route item of the second dog (0 none)"},
    {"check", "--lati", 314, Shape::kItem, "previous route item of the third roamer (0 none)"},
    {"check", "--sync-nature", 315, Shape::kItem, "synchronize nature item (0 none)"},
};

}  // namespace

const std::vector<NamedCommand>& named_commands() {
    static const std::vector<NamedCommand> commands = {
        {"list", 202, "frame list (list.txt)"},
        {"narrow", 200, "initial-seed narrowing (syokiseed.txt)"},
        {"candidates", 211, "initial-seed candidates of an hour"},
        {"boot-load", 212, "boot and load time for a target seed"},
        {"check", 213, "check list (zure.txt)"},
    };
    return commands;
}

const NamedCommand* find_named_command(const std::string& name) {
    for (const NamedCommand& c : named_commands())
        if (name == c.name) return &c;
    return nullptr;
}

bool expand_named(const NamedCommand& cmd, const std::vector<std::string>& args, std::size_t& i,
                  std::vector<std::string>& steps, std::string& error) {
    while (i + 1 < args.size() && args[i + 1].rfind("--", 0) == 0) {
        const std::string& opt = args[++i];
        const NamedOption* found = nullptr;
        for (const NamedOption& o : kOptions)
            if (std::strcmp(o.command, cmd.name) == 0 && opt == o.name) found = &o;
        if (!found) {
            error = std::string(cmd.name) + " has no option " + opt;
            return false;
        }
        if (found->shape == Shape::kFlag) {
            steps.push_back(std::to_string(found->id) + "=on");
            continue;
        }
        if (i + 1 >= args.size()) {
            error = opt + " needs a value";
            return false;
        }
        const std::string& value = args[++i];
        if (found->shape != Shape::kSix) {
            steps.push_back(std::to_string(found->id) + "=" + value);
            continue;
        }
        std::size_t start = 0;
        for (int k = 0; k < 6; ++k) {
            const std::size_t comma = value.find(',', start);
            if ((comma == std::string::npos) != (k == 5)) {
                error = opt + " takes six values separated by commas";
                return false;
            }
            steps.push_back(std::to_string(found->id + k) + "=" + value.substr(start, comma - start));
            start = comma + 1;
        }
    }
    steps.push_back("press");
    steps.push_back(std::to_string(cmd.button));
    return true;
}

std::string named_help() {
    std::string h = "Named commands (set the fields, then press the button):\n";
    for (const NamedCommand& c : named_commands()) {
        h += "  " + std::string(c.name) + ": " + c.summary + "\n";
        for (const NamedOption& o : kOptions) {
            if (std::strcmp(o.command, c.name) != 0) continue;
            std::string left = std::string("    ") + o.name + (o.shape == Shape::kFlag ? "" : " V");
            left.resize(24, ' ');
            h += left + o.help + " (field " + std::to_string(o.id) + ")\n";
        }
    }
    h += "Example: varnholt-cli list --seed 12345678 --frames 3\n";
    return h;
}

}  // namespace vh::cli
