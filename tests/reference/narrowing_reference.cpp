#include "reference/narrowing_reference.hpp"

#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <vector>

#include "engine/lcg.hpp"
#include "reference/name_tables.hpp"

// Only the generator step is shared with the code under test: the creature
// arithmetic, the names and the header rule are written out here again.
namespace vh::reference {

namespace {

constexpr int kNone = -1;

struct Creature {
    std::uint32_t pid = 0;
    int iv[6] = {};  // H, A, B, S, C, D
};

// H, A, B in bits 0-4, 5-9, 10-14 of the first word; S, C, D likewise of the second.
void decode_words(std::uint32_t first, std::uint32_t second, int (&iv)[6]) {
    for (int k = 0; k < 3; ++k) {
        iv[k] = static_cast<int>(first >> (5 * k) & 31);
        iv[3 + k] = static_cast<int>(second >> (5 * k) & 31);
    }
}

int hidden_type(const int (&v)[6]) {
    const int sum = v[0] % 2 + 2 * (v[1] % 2) + 4 * (v[2] % 2) + 8 * (v[3] % 2) + 16 * (v[4] % 2) + 32 * (v[5] % 2);
    return 15 * sum / 63;
}

int hidden_power(const int (&v)[6]) {
    const int sum = v[0] / 2 % 2 + 2 * (v[1] / 2 % 2) + 4 * (v[2] / 2 % 2) + 8 * (v[3] / 2 % 2) +
                    16 * (v[4] / 2 % 2) + 32 * (v[5] / 2 % 2);
    return 40 * sum / 63 + 30;
}

bool shiny(std::uint32_t p, std::uint32_t tid, std::uint32_t sid) {
    return (((p >> 16) ^ (p & 0xFFFF) ^ tid ^ sid) & 0xFFFF) < 8;
}

// r[3] .. r[15] are the bit outputs; a and b the high and low seed values.
std::uint32_t locked_pid(std::uint32_t tid, std::uint32_t sid, std::uint32_t a, std::uint32_t b,
                         const std::uint32_t (&r)[16]) {
    std::uint32_t high = a & 7, low = b & 7;
    for (int e = 3; e <= 15; ++e) {
        const std::uint32_t bit = r[e] & 1;
        low |= bit << e;
        high |= (((tid ^ sid) >> e & 1) == 0 ? bit : 1 - bit) << e;
    }
    return high * 65536 + low;
}

enum class Outcome { kCreature, kNatureFailed, kBeyondKnown };

// Ordinary generation on o(1), o(2), ... of a frame; o(i) is negative where
// output i is not known.
template <class O>
Outcome ordinary(const O& o, int wanted, bool sync, Creature& c) {
    if (o(1) < 0) return Outcome::kBeyondKnown;
    long n = o(1) % 25, i = 2;
    if (sync && wanted != kNone && o(1) % 2 == 0) {
        n = wanted;
    } else if (sync && wanted != kNone) {
        if (o(2) < 0) return Outcome::kBeyondKnown;
        n = o(2) % 25, i = 3;
    }
    if (wanted != kNone && n != wanted) return Outcome::kNatureFailed;
    for (;; i += 2) {
        // A pair is only taken when both individual-value words after it are known.
        if (o(i + 3) < 0) return Outcome::kBeyondKnown;
        const std::uint32_t p = static_cast<std::uint32_t>(o(i + 1)) * 65536 + static_cast<std::uint32_t>(o(i));
        if (static_cast<long>(p % 25) == n) {
            c.pid = p;
            decode_words(static_cast<std::uint32_t>(o(i + 2)), static_cast<std::uint32_t>(o(i + 3)), c.iv);
            return Outcome::kCreature;
        }
    }
}

void write_line(TextSink& out, const char* fmt, ...) __attribute__((format(printf, 2, 3)));
void write_line(TextSink& out, const char* fmt, ...) {
    char buf[256];
    va_list ap;
    va_start(ap, fmt);
    std::vsnprintf(buf, sizeof buf, fmt, ap);
    va_end(ap);
    out.write(buf, std::strlen(buf));
}

void row_with_nature(TextSink& out, std::uint32_t r, int f, const Creature& c) {
    write_line(out, "%08X,%d,%s,%d,%d,%d,%d,%d,%d,%s,%d\r\n", r, f, kNatureNames[c.pid % 25], c.iv[0], c.iv[1],
               c.iv[2], c.iv[3], c.iv[4], c.iv[5], kTypeNames[hidden_type(c.iv)], hidden_power(c.iv));
}

// The acceptance test's four steps; the first two end a forward seed.
enum class Verdict { kPass, kPowerOrType, kValueOrShiny };

Verdict accept(const NarrowingRequest& req, const Creature& c) {
    if (hidden_power(c.iv) < req.min_power) return Verdict::kPowerOrType;
    if (req.hp_type != kNone && hidden_type(c.iv) != req.hp_type) return Verdict::kPowerOrType;
    for (int i = 0; i < 6; ++i)
        if (c.iv[i] < req.min_ivs[i]) return Verdict::kValueOrShiny;
    if (req.shiny && !shiny(c.pid, req.tid, req.sid)) return Verdict::kValueOrShiny;
    return Verdict::kPass;
}

bool nature_dropped(const NarrowingRequest& req, std::uint32_t pid) {
    return req.nature != kNone && (req.tid != 0 || req.sid != 0) && pid % 25 != static_cast<std::uint32_t>(req.nature);
}

// Positions -4899 .. +101 relative to the matching state s.
constexpr int kBack = 4899;
constexpr int kAhead = 101;

void reverse(const NarrowingRequest& req, const std::function<void(const char*)>& progress, TextSink& out,
             int& count) {
    static std::uint32_t state[kBack + kAhead + 1];
    static long output[kBack + kAhead + 1];
    const auto at = [](int pos) { return pos + kBack; };
    const auto& m = req.min_ivs;
    for (int h = m[0]; h <= 31; ++h)
        for (int a = m[1]; a <= 31; ++a)
            for (int b = m[2]; b <= 31; ++b)
                for (int s_ = m[3]; s_ <= 31; ++s_)
                    for (int c = m[4]; c <= 31; ++c)
                        for (int d = m[5]; d <= 31; ++d) {
                            char buf[256];
                            std::snprintf(buf, sizeof buf, "逆処理:%d-%d-%d-%d-%d-%d　候補:%d個", h, a, b, s_, c, d,
                                          count);
                            progress(buf);
                            const int combo[6] = {h, a, b, s_, c, d};
                            if (hidden_power(combo) < req.min_power) continue;
                            if (req.hp_type != kNone && hidden_type(combo) != req.hp_type) continue;
                            for (std::uint32_t n = 0; n <= 1; ++n)
                                for (std::uint32_t low = 0; low <= 65535; ++low) {
                                    const std::uint32_t s = (n * 32768 + b * 1024 + a * 32 + h) * 65536 + low;
                                    const std::uint32_t s1 = next_seed(s);
                                    const std::uint32_t v = output_of(s1);
                                    if ((v & 31) != static_cast<std::uint32_t>(s_) ||
                                        ((v >> 5) & 31) != static_cast<std::uint32_t>(c) ||
                                        ((v >> 10) & 31) != static_cast<std::uint32_t>(d))
                                        continue;
                                    state[at(0)] = s;
                                    state[at(1)] = s1;
                                    for (int k = 2; k <= kAhead; ++k) state[at(k)] = next_seed(state[at(k - 1)]);
                                    for (int k = 0; k <= kAhead; ++k) output[at(k)] = output_of(state[at(k)]);
                                    for (int j = 1; j <= kBack; ++j) {
                                        state[at(-j)] = prev_seed(state[at(-j + 1)]);
                                        output[at(-j)] = output_of(state[at(-j)]);
                                        const std::uint32_t r = state[at(-j)];
                                        if ((r >> 16 & 0xFF) > 23 || static_cast<int>(r & 0xFFFF) > req.max_low)
                                            continue;
                                        // Output t of r stands at position t - j.
                                        if (req.fixed_shiny) {
                                            const int f = j - 15;
                                            if (f < 0 || f > req.max_frames) continue;
                                            std::uint32_t bits[16] = {};
                                            for (int e = 3; e <= 15; ++e)
                                                bits[e] = static_cast<std::uint32_t>(output[at(f + e - 1 - j)]);
                                            const std::uint32_t pid = locked_pid(
                                                req.tid, req.sid, static_cast<std::uint32_t>(output[at(f + 1 - j)]),
                                                static_cast<std::uint32_t>(output[at(f - j)]), bits);
                                            if (nature_dropped(req, pid)) continue;
                                            write_line(out, "%08X,%d,%d,%d,%d,%d,%d,%d,%s,%d\r\n", r, f, h, a, b, s_,
                                                       c, d, kTypeNames[hidden_type(combo)], hidden_power(combo));
                                            ++count;
                                            continue;
                                        }
                                        for (int f = 0; f <= req.max_frames; ++f) {
                                            const auto o = [&](long i) {
                                                const long pos = f + i - j;
                                                return pos > kAhead ? -1L : output[at(static_cast<int>(pos))];
                                            };
                                            Creature cr;
                                            const Outcome g = ordinary(o, req.nature, req.sync, cr);
                                            if (g == Outcome::kBeyondKnown) break;
                                            if (g == Outcome::kNatureFailed) continue;
                                            if (accept(req, cr) != Verdict::kPass) continue;
                                            row_with_nature(out, r, f, cr);
                                            ++count;
                                            break;
                                        }
                                    }
                                }
                        }
}

void forward(const NarrowingRequest& req, const std::function<void(const char*)>& progress, TextSink& out,
             int& count, int table) {
    std::vector<long> output;
    for (int hour = 0; hour <= 23; ++hour) {
        char buf[256];
        std::snprintf(buf, sizeof buf, "順処理:%d時計算中　候補:%d個", hour, count);
        progress(buf);
        for (std::uint32_t low = 0; low <= static_cast<std::uint32_t>(req.max_low); ++low)
            for (std::uint32_t top = 0; top <= 255; ++top) {
                const std::uint32_t r = top * 16777216 + static_cast<std::uint32_t>(hour) * 65536 + low;
                std::uint32_t state = r;
                output.assign(1, output_of(r));
                // Output t of r, stepped as far as asked within the table.
                const auto o = [&](long t) {
                    if (t >= table) return -1L;
                    while (static_cast<long>(output.size()) <= t) output.push_back(output_of(state = next_seed(state)));
                    return output[static_cast<std::size_t>(t)];
                };
                for (int f = 0; f <= req.max_frames; ++f) {
                    Creature cr;
                    if (req.fixed_shiny) {
                        if (o(f + 16) < 0) continue;
                        std::uint32_t bits[16] = {};
                        for (int e = 3; e <= 15; ++e) bits[e] = static_cast<std::uint32_t>(o(f + e - 1));
                        cr.pid = locked_pid(req.tid, req.sid, static_cast<std::uint32_t>(o(f)),
                                            static_cast<std::uint32_t>(o(f + 1)), bits);
                        decode_words(static_cast<std::uint32_t>(o(f + 15)), static_cast<std::uint32_t>(o(f + 16)),
                                     cr.iv);
                        if (nature_dropped(req, cr.pid)) continue;
                    } else if (ordinary([&](long i) { return o(f + i); }, req.nature, req.sync, cr) !=
                               Outcome::kCreature) {
                        continue;
                    }
                    const Verdict v = accept(req, cr);
                    if (v == Verdict::kPowerOrType) break;
                    if (v == Verdict::kValueOrShiny) continue;
                    row_with_nature(out, r, f, cr);
                    ++count;
                    break;
                }
            }
    }
}

}  // namespace

void narrowing(const NarrowingRequest& req, const std::function<void(const char*)>& progress, TextSink& out,
               int forward_table) {
    // The header follows the rows: only reverse processing of the fixed
    // shiny creature writes rows without the nature.
    if (req.reverse && req.fixed_shiny)
        write_line(out, "初期seed,消費数,H,A,B,S,C,D,めざパ,威力\r\n");
    else
        write_line(out, "初期seed,消費数,性格,H,A,B,S,C,D,めざパ,威力\r\n");
    int count = 0;
    if (req.reverse)
        reverse(req, progress, out, count);
    else
        forward(req, progress, out, count, forward_table);
}

}  // namespace vh::reference
