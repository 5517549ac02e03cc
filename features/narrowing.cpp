#include "features/narrowing.hpp"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <iterator>

#include "engine/names.hpp"
#include "engine/state_recovery.hpp"
#include "features/narrowing_internal.hpp"
#include "text/numbers.hpp"

namespace vh {

NarrowingRequest clamped(const NarrowingRequest& in) {
    NarrowingRequest r = in;
    for (int& v : r.min_ivs) v = clamp_int(v, 0, 31);
    r.max_low = clamp_int(r.max_low, 0, 0xFFFF);
    r.max_frames = clamp_int(r.max_frames, 0, kMostFrames);
    if (r.nature < 0 || r.nature >= kNatureCount) r.nature = kNoNature;
    if (r.hp_type < 0 || r.hp_type >= kHiddenPowerTypeCount) r.hp_type = -1;
    r.min_power = clamp_int(r.min_power, 30, 70);
    return r;
}

bool rows_have_nature(const NarrowingRequest& req) { return !(req.fixed_shiny && req.reverse); }

void run_narrowing(const NarrowingRequest& request, ProgressRef progress, TextSink& out,
                   const NarrowingOptions& options) {
    narrowing::Search search;
    search.req = clamped(request);
    int threads = options.threads;
    if (threads <= 0) threads = static_cast<int>(std::thread::hardware_concurrency());
    search.threads = clamp_int(threads, 1, narrowing::kMaxThreads);
    const NarrowingTestHook hook = options.test_hook ? *options.test_hook : NarrowingTestHook{};
    // The fixed shiny creature reads 17 outputs from its frame on. Reverse
    // processing reads no table: its bound is +101 after the match.
    search.table = search.req.reverse ? kSeedRunSize : clamp_int(hook.forward_table, 20, kSeedRunSize);
    search.forward_way = hook.forward_way;
    search.reverse_way = hook.reverse_way;
    if (hook.row_buffer != 0) search.row_buffer = hook.row_buffer;
    if (hook.combo_block != 0) search.combo_block = hook.combo_block;
    narrowing::set_request_tests(search);
    search.vectors = std::min(narrowing::processor_vectors(), hook.vector_bits >= 512   ? narrowing::Vectors::k512
                                                             : hook.vector_bits >= 256 ? narrowing::Vectors::k256
                                                                                       : narrowing::Vectors::kNone);

    if (rows_have_nature(search.req))
        put_text(out, "初期seed,消費数,性格,H,A,B,S,C,D,めざパ,威力\n");
    else
        put_text(out, "初期seed,消費数,H,A,B,S,C,D,めざパ,威力\n");
    if (search.req.reverse)
        narrowing::run_reverse(search, progress, out);
    else
        narrowing::run_forward(search, progress, out);
}

namespace narrowing {

bool fixed_shiny_nature_passes(const NarrowingRequest& req, std::uint32_t s, bool later_is_high) {
    // The sequence's frame begins 15 steps before s: its o(i) is the output
    // at position i - 15, each state by its own jump back (no chain).
    std::uint16_t from_frame[15];
    for (int i = 0; i < 15; ++i) from_frame[i] = output_of(kBackwardColumns.mul[15 - i] * s + kBackwardColumns.add[15 - i]);
    const auto o = [&](long i) { return from_frame[i]; };
    return nature_of(fixed_shiny_pid(o, req.tid, req.sid, later_is_high)) == req.nature;
}

void set_request_tests(Search& search) {
    const NarrowingRequest& req = search.req;
    search.sync_nature = req.sync && req.nature != kNoNature;
    search.shiny_nature_check = fixed_shiny_nature_tested(req.nature, req.tid, req.sid);
    search.hp_filter = req.min_power > 30 || req.hp_type != -1;
    std::fill(std::begin(search.hp_passing), std::end(search.hp_passing), std::uint64_t{0});
    for (unsigned p = 0; p < 4096; ++p) {
        Ivs low_bits{};
        for (unsigned i = 0; i < 6; ++i) low_bits[i] = static_cast<int>(p >> (2 * i) & 3u);
        if (power_and_type_pass(req, low_bits)) search.hp_passing[p >> 6] |= std::uint64_t{1} << (p & 63);
    }
}

Vectors processor_vectors() {
#if defined(__GNUC__) && (defined(__x86_64__) || defined(__i386__))
    static const Vectors has = [] {
        __builtin_cpu_init();
        if (!__builtin_cpu_supports("avx2")) return Vectors::kNone;
        return __builtin_cpu_supports("avx512bw") && __builtin_cpu_supports("avx512vl") &&
                       __builtin_cpu_supports("avx512vbmi")
                   ? Vectors::k512
                   : Vectors::k256;
    }();
    return has;
#else
    return Vectors::kNone;
#endif
}

namespace {

char* put_str(char* p, const char* s) {
    const std::size_t n = std::strlen(s);
    std::memcpy(p, s, n);
    return p + n;
}

char* put_dec(char* p, long v) {
    if (v < 0) {
        *p++ = '-';
        v = -v;
    }
    char tmp[24];
    int n = 0;
    do {
        tmp[n++] = static_cast<char>('0' + v % 10);
        v /= 10;
    } while (v != 0);
    while (n > 0) *p++ = tmp[--n];
    return p;
}

// Row texts are put together from fixed-size slots, each copied whole and
// followed by the next: the bytes of a slot past its text lie under the
// text that follows, or past the row's end within kMaxRowBytes.
template <int N, int Slot>
struct SlotTexts {
    char text[N][Slot];
    std::uint8_t size[N];
    char* put(char* p, int i) const {
        std::memcpy(p, text[i], Slot);
        return p + size[i];
    }
};

// Two hexadecimal digits per byte value.
constexpr SlotTexts<256, 2> make_hex_pairs() {
    SlotTexts<256, 2> t{};
    constexpr char digits[] = "0123456789ABCDEF";
    for (int v = 0; v < 256; ++v) {
        t.text[v][0] = digits[v >> 4];
        t.text[v][1] = digits[v & 15];
        t.size[v] = 2;
    }
    return t;
}
constexpr SlotTexts<256, 2> kHexPairs = make_hex_pairs();

char* put_hex8(char* p, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) std::memcpy(p + 2 * i, kHexPairs.text[(v >> (24 - 8 * i)) & 0xFFu], 2);
    return p + 8;
}

// A decimal number and its comma: the six values (0 .. 31) and frames.
template <int N, int Slot>
constexpr SlotTexts<N, Slot> make_numbers() {
    SlotTexts<N, Slot> t{};
    for (int v = 0; v < N; ++v) {
        char digits[Slot] = {};
        int n = 0;
        int rest = v;
        do {
            digits[n++] = static_cast<char>('0' + rest % 10);
            rest /= 10;
        } while (rest != 0);
        for (int i = 0; i < n; ++i) t.text[v][i] = digits[n - 1 - i];
        t.text[v][n] = ',';
        t.size[v] = static_cast<std::uint8_t>(n + 1);
    }
    return t;
}
constexpr auto kValueTexts = make_numbers<32, 4>();
constexpr auto kFrameTexts = make_numbers<kMostFrames + 1, 8>();

char* put_frame(char* p, int frame) {
    if (frame < 0 || frame > kMostFrames) {
        p = put_dec(p, frame);
        *p++ = ',';
        return p;
    }
    return kFrameTexts.put(p, frame);
}

// A name of a fixed list and its comma.
template <int N>
SlotTexts<N, 16> name_texts(const char* const (&list)[N]) {
    SlotTexts<N, 16> t{};
    for (int i = 0; i < N; ++i) {
        const std::size_t n = std::strlen(list[i]);
        std::memcpy(t.text[i], list[i], n);
        t.text[i][n] = ',';
        t.size[i] = static_cast<std::uint8_t>(n + 1);
    }
    return t;
}

const SlotTexts<kNatureCount, 16>& nature_texts() {
    static const SlotTexts<kNatureCount, 16> texts = name_texts(nature_names);
    return texts;
}

// The end of a row, hidden power type name, its power and CR LF, by the
// lowest two bits of the six values, which alone decide them.
const SlotTexts<4096, 16>& hidden_power_texts() {
    static const SlotTexts<4096, 16> texts = [] {
        SlotTexts<4096, 16> t{};
        for (int pattern = 0; pattern < 4096; ++pattern) {
            Ivs iv{};
            for (int i = 0; i < 6; ++i) iv[i] = (pattern >> (2 * i)) & 3;
            char* p = t.text[pattern];
            const char* name = hidden_power_type_names[hidden_power_type(iv)];
            const std::size_t n = std::strlen(name);
            std::memcpy(p, name, n);
            p += n;
            *p++ = ',';
            p = put_dec(p, hidden_power_power(iv));
            *p++ = '\r';
            *p++ = '\n';
            t.size[pattern] = static_cast<std::uint8_t>(p - t.text[pattern]);
        }
        return t;
    }();
    return texts;
}

char* put_ivs_and_power(char* p, std::uint16_t w1, std::uint16_t w2) {
    const Ivs iv = ivs_from_words(w1, w2);
    for (int i = 0; i < 6; ++i) p = kValueTexts.put(p, iv[i]);
    return hidden_power_texts().put(p, static_cast<int>(hidden_power_pattern(w1, w2)));
}

}  // namespace

char* format_row_with_nature(char* p, std::uint32_t seed, int frame, std::uint32_t pid, std::uint16_t w1,
                             std::uint16_t w2) {
    p = put_hex8(p, seed);
    *p++ = ',';
    p = put_frame(p, frame);
    p = nature_texts().put(p, static_cast<int>(nature_of(pid)));
    return put_ivs_and_power(p, w1, w2);
}

char* format_row_without_nature(char* p, std::uint32_t seed, int frame, std::uint16_t w1, std::uint16_t w2) {
    p = put_hex8(p, seed);
    *p++ = ',';
    p = put_frame(p, frame);
    return put_ivs_and_power(p, w1, w2);
}

void format_reverse_progress(char (&buf)[256], const int (&combo)[6], long count) {
    char* p = put_str(buf, "逆処理:");
    for (int i = 0; i < 6; ++i) {
        if (i) *p++ = '-';
        p = put_dec(p, combo[i]);
    }
    p = put_str(p, "　候補:");
    p = put_dec(p, count);
    p = put_str(p, "個");
    *p = '\0';
}

void format_forward_progress(char (&buf)[256], int hour, long count) {
    char* p = put_str(buf, "順処理:");
    p = put_dec(p, hour);
    p = put_str(p, "時計算中　候補:");
    p = put_dec(p, count);
    p = put_str(p, "個");
    *p = '\0';
}

bool combo_passes(const Search& search, const int (&v)[6]) {
    const Ivs iv{v[0], v[1], v[2], v[3], v[4], v[5]};
    if (hidden_power_power(iv) < search.req.min_power) return false;
    return search.req.hp_type == -1 || hidden_power_type(iv) == search.req.hp_type;
}

std::uint64_t combo_total(const Search& search) {
    std::uint64_t n = 1;
    for (int m : search.req.min_ivs) n *= static_cast<std::uint64_t>(32 - m);
    return n;
}

std::uint64_t combo_passing(const Search& search) {
    // count[i][b] : values of stat i at least its minimum whose lowest two bits are b.
    std::uint64_t count[6][4] = {};
    for (int i = 0; i < 6; ++i)
        for (int v = search.req.min_ivs[i]; v <= 31; ++v) ++count[i][v & 3];
    std::uint64_t total = 0;
    for (int odd = 0; odd < 64; ++odd)
        for (int two = 0; two < 64; ++two) {
            if (40 * two / 63 + 30 < search.req.min_power) continue;
            if (search.req.hp_type != -1 && 15 * odd / 63 != search.req.hp_type) continue;
            std::uint64_t n = 1;
            for (int i = 0; i < 6; ++i) n *= count[i][((odd >> i) & 1) | (((two >> i) & 1) << 1)];
            total += n;
        }
    return total;
}

void collect_matches(const Search& search, std::uint64_t& next_combo, ComboOdometer& odo, std::uint64_t limit,
                     MatchList& list) {
    list.combo.clear();
    list.begin.clear();
    list.states.clear();
    std::vector<std::uint32_t> words;  // first15 << 16 | second15
    const std::uint64_t total = combo_total(search);
    const auto add = [&](const int (&v)[6]) {
        words.push_back(std::uint32_t{iv_word(v[0], v[1], v[2])} << 16 | iv_word(v[3], v[4], v[5]));
    };
    while (next_combo < total && list.combo.size() < limit) {
        if (combo_passes(search, odo.v)) {
            list.combo.push_back(next_combo);
            add(odo.v);
        }
        odo.next();
        ++next_combo;
    }
    const std::size_t n = list.combo.size();
    list.begin.assign(n + 1, 0);
    const int threads = search.threads;
    const auto part = [&](int t) { return n * static_cast<std::size_t>(t) / static_cast<std::size_t>(threads); };
    run_workers(threads, [&](int t) {
        std::uint16_t lows[kMaxIvLows];
        for (std::size_t i = part(t); i < part(t + 1); ++i)
            list.begin[i + 1] = 2 * static_cast<std::uint32_t>(find_iv_lows(
                                        static_cast<std::uint16_t>(words[i] >> 16),
                                        static_cast<std::uint16_t>(words[i] & 0xFFFFu), lows));
    });
    for (std::size_t i = 0; i < n; ++i) list.begin[i + 1] += list.begin[i];
    list.states.resize(list.begin[n]);
    run_workers(threads, [&](int t) {
        for (std::size_t i = part(t); i < part(t + 1); ++i) {
            const IvStates st = find_iv_states(static_cast<std::uint16_t>(words[i] >> 16),
                                               static_cast<std::uint16_t>(words[i] & 0xFFFFu));
            std::uint32_t at = list.begin[i];
            for (int k = 0; k < st.count; ++k) list.states[at++] = st.states[k];
        }
    });
}

}  // namespace narrowing
}  // namespace vh
