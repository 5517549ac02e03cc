// varnholt-cli --help: the named commands, the drop-down names, the raw
// steps and the control IDs, made from the control table.
#pragma once
#include <string>

namespace vh::cli {

std::string help_text();  // UTF-8

}  // namespace vh::cli
