// Conversions between UTF-8 (terminals, desktop toolkits) and the program's
// Shift-JIS (code page 932), for the front ends that meet the outside world.
#pragma once
#include <optional>
#include <string>

namespace vh::encoding {

// Fails on text that has no Shift-JIS form.
std::optional<std::string> utf8_to_sjis(const std::string& utf8);
// As a narrow-text window call does: what has no Shift-JIS form becomes '?'.
std::string utf8_to_sjis_lossy(const std::string& utf8);
std::string sjis_to_utf8(const std::string& sjis);  // undecodable bytes become '?'

}  // namespace vh::encoding
