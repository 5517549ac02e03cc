#include "reference/narrowing_reference.hpp"

#include <cstdio>
#include <vector>

#include "engine/lcg.hpp"
#include "engine/names.hpp"

namespace vh::reference {

namespace {

bool valid_seed(std::uint32_t r, int max_low) {
    return ((r >> 16) & 0xFFu) <= 23u && static_cast<int>(r & 0xFFFFu) <= max_low;
}

void row_with_nature(TextSink& out, std::uint32_t r, int f, std::uint32_t pid, const Ivs& iv) {
    char nature[256] = "", type[256] = "";
    nature_name(nature_of(pid), nature);
    hidden_power_type_name(hidden_power_type(iv), type);
    put_text(out, "%08X,%d,%s,%d,%d,%d,%d,%d,%d,%s,%d\n", r, f, nature, iv[0], iv[1], iv[2], iv[3], iv[4], iv[5], type,
             hidden_power_power(iv));
}

void row_without_nature(TextSink& out, std::uint32_t r, int f, const Ivs& iv) {
    char type[256] = "";
    hidden_power_type_name(hidden_power_type(iv), type);
    put_text(out, "%08X,%d,%d,%d,%d,%d,%d,%d,%s,%d\n", r, f, iv[0], iv[1], iv[2], iv[3], iv[4], iv[5], type,
             hidden_power_power(iv));
}

// Positions -4899 .. +101 relative to the matching state s.
constexpr int kBack = 4899;
constexpr int kAhead = 101;

void reverse(const NarrowingRequest& req, const std::function<void(const char*)>& progress, TextSink& out,
             int& count) {
    static std::uint32_t state[kBack + kAhead + 1];
    static std::uint16_t output[kBack + kAhead + 1];
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
                            const Ivs combo{h, a, b, s_, c, d};
                            if (hidden_power_power(combo) < req.min_power) continue;
                            if (req.hp_type != -1 && hidden_power_type(combo) != req.hp_type) continue;
                            for (std::uint32_t n = 0; n < 2; ++n)
                                for (std::uint32_t low = 0; low < 65536; ++low) {
                                    const std::uint32_t s =
                                        ((n * 32768 + b * 1024 + a * 32 + h) << 16) + low;
                                    const std::uint32_t s1 = next_seed(s);
                                    const std::uint32_t v = output_of(s1);
                                    if ((v & 31) != static_cast<std::uint32_t>(s_) ||
                                        ((v >> 5) & 31) != static_cast<std::uint32_t>(c) ||
                                        ((v >> 10) & 31) != static_cast<std::uint32_t>(d))
                                        continue;
                                    state[at(0)] = s;
                                    output[at(0)] = output_of(s);
                                    state[at(1)] = s1;
                                    output[at(1)] = output_of(s1);
                                    for (int k = 2; k <= kAhead; ++k) {
                                        state[at(k)] = next_seed(state[at(k - 1)]);
                                        output[at(k)] = output_of(state[at(k)]);
                                    }
                                    for (int j = 1; j <= kBack; ++j) {
                                        state[at(-j)] = prev_seed(state[at(-j + 1)]);
                                        output[at(-j)] = output_of(state[at(-j)]);
                                        const std::uint32_t r = state[at(-j)];
                                        if (!valid_seed(r, req.max_low)) continue;
                                        if (req.fixed_shiny) {
                                            const int f = j - 15;
                                            if (f < 0 || f > req.max_frames) continue;
                                            if (req.nature != kNoNature && (req.tid != 0 || req.sid != 0)) {
                                                std::uint16_t bits[13];
                                                for (int e = 0; e < 13; ++e) bits[e] = output[at(-13 + e)];
                                                const std::uint32_t pid = shiny_locked_pid(
                                                    req.tid, req.sid, output[at(-14)], output[at(-15)], bits);
                                                if (nature_of(pid) != req.nature) continue;
                                            }
                                            row_without_nature(out, r, f, combo);
                                            ++count;
                                            continue;
                                        }
                                        for (int f = 0; f <= req.max_frames; ++f) {
                                            // o(i) is output f + i of r, at position f + i - j.
                                            const auto o = [&](long i) {
                                                return output[at(static_cast<int>(f + i - j))];
                                            };
                                            const long last = kAhead - (f - j);
                                            const Encounter e = encounter_pid(o, req.nature, req.sync, last, true);
                                            if (e.status == Encounter::kOutOfRange) break;
                                            if (e.status == Encounter::kNatureFailed) continue;
                                            const Ivs iv = ivs_from_words(o(e.iv_pos), o(e.iv_pos + 1));
                                            if (hidden_power_power(iv) < req.min_power) continue;
                                            if (req.hp_type != -1 && hidden_power_type(iv) != req.hp_type) continue;
                                            bool low_iv = false;
                                            for (int i = 0; i < 6; ++i) low_iv |= iv[i] < req.min_ivs[i];
                                            if (low_iv) continue;
                                            if (req.shiny && !is_shiny(e.pid, req.tid, req.sid)) continue;
                                            row_with_nature(out, r, f, e.pid, iv);
                                            ++count;
                                            break;
                                        }
                                    }
                                }
                        }
}

void forward(const NarrowingRequest& req, const std::function<void(const char*)>& progress, TextSink& out,
             int& count, int table) {
    std::vector<std::uint32_t> state_table(table);
    std::vector<std::uint16_t> output_table(table);
    std::uint32_t* const state = state_table.data();
    std::uint16_t* const output = output_table.data();
    for (int hour = 0; hour <= 23; ++hour) {
        char buf[256];
        std::snprintf(buf, sizeof buf, "順処理:%d時計算中　候補:%d個", hour, count);
        progress(buf);
        for (int low = 0; low <= req.max_low; ++low)
            for (std::uint32_t top = 0; top <= 255; ++top) {
                const std::uint32_t r = top << 24 | static_cast<std::uint32_t>(hour) << 16 | low;
                int filled = 1;
                state[0] = r;
                output[0] = output_of(r);
                // Extends the table up to index k; false when k is past its end.
                const auto need = [&](long k) {
                    if (k >= table) return false;
                    for (; filled <= k; ++filled) {
                        state[filled] = next_seed(state[filled - 1]);
                        output[filled] = output_of(state[filled]);
                    }
                    return true;
                };
                for (int f = 0; f <= req.max_frames; ++f) {
                    std::uint32_t pid;
                    Ivs iv;
                    if (req.fixed_shiny) {
                        if (!need(f + 16)) continue;
                        std::uint16_t bits[13];
                        for (int e = 0; e < 13; ++e) bits[e] = output[f + 2 + e];
                        pid = shiny_locked_pid(req.tid, req.sid, output[f], output[f + 1], bits);
                        iv = ivs_from_words(output[f + 15], output[f + 16]);
                        if (req.nature != kNoNature && (req.tid != 0 || req.sid != 0) &&
                            nature_of(pid) != req.nature)
                            continue;
                    } else {
                        const auto o = [&](long i) {
                            need(f + i);
                            return output[f + i];
                        };
                        const Encounter e = encounter_pid(o, req.nature, req.sync, table - 1 - f, true);
                        if (e.status != Encounter::kOk) continue;
                        pid = e.pid;
                        iv = ivs_from_words(o(e.iv_pos), o(e.iv_pos + 1));
                    }
                    if (hidden_power_power(iv) < req.min_power) break;
                    if (req.hp_type != -1 && hidden_power_type(iv) != req.hp_type) break;
                    bool low_iv = false;
                    for (int i = 0; i < 6; ++i) low_iv |= iv[i] < req.min_ivs[i];
                    if (low_iv) continue;
                    if (req.shiny && !is_shiny(pid, req.tid, req.sid)) continue;
                    row_with_nature(out, r, f, pid, iv);
                    ++count;
                    break;
                }
            }
    }
}

}  // namespace

void narrowing(const NarrowingRequest& req, const std::function<void(const char*)>& progress, TextSink& out,
               int forward_table) {
    if (rows_have_nature(req))
        put_text(out, "初期seed,消費数,性格,H,A,B,S,C,D,めざパ,威力\n");
    else
        put_text(out, "初期seed,消費数,H,A,B,S,C,D,めざパ,威力\n");
    int count = 0;
    if (req.reverse)
        reverse(req, progress, out, count);
    else
        forward(req, progress, out, count, forward_table);
}

}  // namespace vh::reference
