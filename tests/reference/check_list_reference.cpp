#include "reference/check_list_reference.hpp"

#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <vector>

#include "engine/lcg.hpp"
#include "reference/name_tables.hpp"

namespace vh::reference {

namespace {

// o_j of a seed, j >= 1, grown one step at a time as far as asked.
struct Outputs {
    explicit Outputs(std::uint32_t s) : states{s} {}
    std::uint32_t o(long j) {
        while (static_cast<long>(states.size()) <= j) states.push_back(next_seed(states.back()));
        return states[static_cast<std::size_t>(j)] >> 16;
    }
    std::vector<std::uint32_t> states;
};

long long stat(int iv, std::int32_t base, std::int32_t level, int add) {
    const __int128 v = (static_cast<__int128>(iv) + 2 * static_cast<__int128>(base)) * level / 100 + add;
    return static_cast<long long>(v);
}

std::string crlf(const char* line) { return std::string(line) + "\r\n"; }

// snprintf into a 256-byte text, as every formatted text of the list is.
void format(char (&dst)[256], const char* fmt, ...) {
    char buf[256];
    va_list ap;
    va_start(ap, fmt);
    std::vsnprintf(buf, sizeof buf, fmt, ap);
    va_end(ap);
    std::memcpy(dst, buf, sizeof buf);
}

}  // namespace

std::string check_list(const CheckListRequest& req, const SpeciesTable& species, CheckListKept& kept) {
    for (int i = 0; i < kSpeciesCount; ++i) {
        const char* name = species.records[i].name;
        if (req.species_name_size <= 10 && std::strlen(name) == req.species_name_size &&
            std::memcmp(name, req.species_name, req.species_name_size) == 0)
            kept.species_index = i;
    }
    if (kept.species_index < 0 || kept.species_index >= kSpeciesCount) kept.species_index = 0;
    const SpeciesRecord& rec = species.records[kept.species_index];

    const int p1 = req.dog1_prev >= 0 && req.dog1_prev <= 15 ? req.dog1_prev : -1;
    const int p2 = req.dog2_prev >= 0 && req.dog2_prev <= 15 ? req.dog2_prev : -1;
    const int p3 = req.lati_prev >= 0 && req.lati_prev <= 24 ? req.lati_prev : -1;
    const int w = req.sync_nature >= 0 && req.sync_nature <= 24 ? req.sync_nature : -1;

    char head[256], tmp[256];
    format(head, "初期seed,");
    if (p1 >= 0) {
        format(tmp, "%s犬1,", head);
        std::strcpy(head, tmp);
        if (p2 >= 0) {
            format(tmp, "%s犬2,", head);
            std::strcpy(head, tmp);
        }
    }
    if (p3 >= 0) {
        format(tmp, "%sラティ,", head);
        std::strcpy(head, tmp);
    }
    format(tmp, "%s性格,H,A,B,S,C,D", head);
    std::string file = crlf(tmp);

    const long long target = req.target;
    if (target - 16 < 0 || target + 16 > 0xFFFFFFFFLL) return file;

    struct Slot {
        long c = 0;
        int r1 = 0, r2 = 0, r3 = 0;
    } slots[17];
    for (long long s = target - 16; s <= target + 16; s += 2) {
        const int k = static_cast<int>((target - s + 16) / 2);
        Outputs out(static_cast<std::uint32_t>(s));
        long c = 0;
        if (p1 >= 0) {
            c = 1;
            while (out.o(c) % 16 == static_cast<std::uint32_t>(p1)) c = c + 1;
            slots[k].r1 = out.o(c) % 16;
            if (p2 >= 0) {
                c = c + 1;
                while (out.o(c) % 16 == static_cast<std::uint32_t>(p2)) c = c + 1;
                slots[k].r2 = out.o(c) % 16;
            }
        }
        if (p3 >= 0) {
            c = c + 1;
            while (out.o(c) % 25 == static_cast<std::uint32_t>(p3)) c = c + 1;
            slots[k].r3 = out.o(c) % 25;
        }
        slots[k].c = c;
        if (s == target) kept.ideal_roaming = static_cast<int>(c);
    }

    for (long long s = target - 16; s <= target + 16; s += 2) {
        const Slot& sl = slots[(target - s + 16) / 2];
        char row[256];
        format(row, "%08X,", static_cast<unsigned>(s));
        const auto add_route = [&](int number) {
            char text[256];
            format(text, "%d番道路", number);
            format(tmp, "%s%s,", row, text);
            std::strcpy(row, tmp);
        };
        if (p1 >= 0) add_route(sl.r1 <= 10 ? sl.r1 + 29 : sl.r1 + 31);
        if (p1 >= 0 && p2 >= 0) add_route(sl.r2 <= 10 ? sl.r2 + 29 : sl.r2 + 31);
        if (p3 >= 0) add_route(sl.r3 <= 21 ? sl.r3 + 1 : 2 * sl.r3 - 20);

        const long long n = static_cast<long long>(req.consumption) - kept.ideal_roaming + sl.c;
        if (n < 0) {
            format(tmp, "%s-,-,-,-,-,-,-", row);
            file += crlf(tmp);
            continue;
        }
        // o_(n+i) for i >= 1, stepping from s.
        std::uint32_t st = static_cast<std::uint32_t>(s);
        for (long long i = 0; i < n; ++i) st = next_seed(st);
        std::vector<std::uint32_t> o{0};
        const auto at = [&](std::size_t i) {
            while (o.size() <= i) o.push_back((st = next_seed(st)) >> 16);
            return o[i];
        };
        std::size_t pos;
        std::uint32_t nature;
        if (w >= 0) {
            if (at(1) % 2 == 0) nature = static_cast<std::uint32_t>(w), pos = 2;
            else nature = at(2) % 25, pos = 3;
        } else {
            nature = at(1) % 25, pos = 2;
        }
        while (((at(pos + 1) << 16) | at(pos)) % 25 != nature) pos += 2;
        const std::uint32_t a = at(pos + 2), b = at(pos + 3);
        const int iv[6] = {static_cast<int>(a & 31), static_cast<int>((a >> 5) & 31), static_cast<int>((a >> 10) & 31),
                           static_cast<int>(b & 31), static_cast<int>((b >> 5) & 31), static_cast<int>((b >> 10) & 31)};
        long long v[6];
        v[0] = stat(iv[0], rec.base[0], req.level, 0) + req.level + 10;
        for (int x = 1; x < 6; ++x) v[x] = stat(iv[x], rec.base[x], req.level, 5);
        const int up = static_cast<int>(nature) / 5, down = static_cast<int>(nature) % 5;
        if (up != down) {
            v[1 + up] = static_cast<long long>(static_cast<double>(v[1 + up]) * 1.1);
            v[1 + down] = static_cast<long long>(static_cast<double>(v[1 + down]) * 0.9);
        }
        format(tmp, "%s%s,%lld,%lld,%lld,%lld,%lld,%lld", row, kNatureNames[nature], v[0], v[1], v[2], v[3], v[4],
                      v[5]);
        file += crlf(tmp);
    }
    return file;
}

}  // namespace vh::reference
