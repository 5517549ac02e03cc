// Named commands: `varnholt-cli list --seed 12345678 --frames 3`. The
// commands and their options come from the control table (ui/controls.hpp):
// a button's command-line name is a command, and the inputs its command reads
// are that command's options. Every value is checked against what its field
// means before anything runs.
#pragma once
#include <string>
#include <vector>

#include "cli/steps.hpp"

namespace vh::cli {

// Whether `word` names a command.
bool is_named_command(const std::string& word);

// Expands the command at args[i] and its options into steps, leaving i on
// its last argument. Returns false with a one-line `error` naming the
// command and the option that was wrong.
bool expand_named(const std::vector<std::string>& args, std::size_t& i, std::vector<Step>& steps, std::string& error);

// --help: the named commands with their options, and the drop-down names.
std::string named_help();
std::string names_help();

}  // namespace vh::cli
