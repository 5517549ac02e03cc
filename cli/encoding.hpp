// Conversions between the terminal's UTF-8 and the program's Shift-JIS.
#pragma once
#include <optional>
#include <string>

namespace vh::cli {

std::optional<std::string> utf8_to_sjis(const std::string& utf8);
std::string sjis_to_utf8(const std::string& sjis);  // undecodable bytes become '?'

}  // namespace vh::cli
