#include "encoding/sjis_utf8.hpp"

#include <iconv.h>

#include <cerrno>
#include <string_view>
#include <vector>

namespace vh::encoding {

namespace {

// Converts; on an unconvertible or incomplete sequence either fails or, with
// `replace`, puts '?' for one input byte (one character of UTF-8) and goes on.
std::optional<std::string> convert(const char* to, const char* from, const std::string& in, bool replace) {
    iconv_t cd = iconv_open(to, from);
    const bool from_utf8 = std::string_view(from) == "UTF-8";
    if (cd == reinterpret_cast<iconv_t>(-1)) return std::nullopt;
    std::string out;
    std::vector<char> buf(in.size() * 4 + 16);
    char* src = const_cast<char*>(in.data());
    std::size_t src_left = in.size();
    bool ok = true;
    while (src_left > 0) {
        char* dst = buf.data();
        std::size_t dst_left = buf.size();
        const std::size_t r = iconv(cd, &src, &src_left, &dst, &dst_left);
        out.append(buf.data(), dst - buf.data());
        if (r != static_cast<std::size_t>(-1)) break;
        if (errno == E2BIG) continue;
        if (!replace) {
            ok = false;
            break;
        }
        out.push_back('?');
        ++src;
        --src_left;
        // One mark for a whole UTF-8 character, not one per byte.
        if (from_utf8)
            while (src_left > 0 && (static_cast<unsigned char>(*src) & 0xC0) == 0x80) {
                ++src;
                --src_left;
            }
    }
    iconv_close(cd);
    if (!ok) return std::nullopt;
    return out;
}

}  // namespace

std::optional<std::string> utf8_to_sjis(const std::string& utf8) { return convert("CP932", "UTF-8", utf8, false); }

std::string utf8_to_sjis_lossy(const std::string& utf8) {
    return convert("CP932", "UTF-8", utf8, true).value_or(std::string());
}

std::string sjis_to_utf8(const std::string& sjis) {
    return convert("UTF-8", "CP932", sjis, true).value_or(std::string());
}

}  // namespace vh::encoding
