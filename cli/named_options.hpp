// Friendlier named options per feature, mapped onto the same control fields
// as the ID=TEXT steps: `varnholt-cli list --seed 12345678 --frames 3`.
#pragma once
#include <string>
#include <vector>

namespace vh::cli {

struct NamedCommand {
    const char* name;   // list, narrow, candidates, boot-load, check
    int button;         // the command pressed after the options are set
    const char* summary;
};

const std::vector<NamedCommand>& named_commands();
const NamedCommand* find_named_command(const std::string& name);

// Expands `NAME --option value ...` into ID=TEXT steps followed by
// `press BUTTON`. Returns false with `error` set on an unknown option or a
// missing value.
bool expand_named(const NamedCommand& cmd, const std::vector<std::string>& args, std::size_t& i,
                  std::vector<std::string>& steps, std::string& error);

// Help text listing every named command and option.
std::string named_help();

}  // namespace vh::cli
