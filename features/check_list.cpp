#include "features/check_list.hpp"

#include <array>
#include <cstdarg>
#include <cstdio>
#include <cstring>

#include "engine/lcg.hpp"
#include "engine/names.hpp"
#include "engine/output_run.hpp"
#include "features/routes.hpp"

namespace vh {

namespace {

// 2 x a^n for n = 1 .. 10: two seeds 2 apart stay 2 x a^n apart n steps later.
constexpr std::array<std::uint32_t, kPreparedOutputs> make_increments() {
    std::array<std::uint32_t, kPreparedOutputs> inc{};
    for (int n = 1; n <= kPreparedOutputs; ++n) inc[n - 1] = 2u * jump(static_cast<std::uint64_t>(n)).mul;
    return inc;
}
constexpr auto kIncrements = make_increments();

// One route draw: the next output, skipping every one that gives `prev` again.
// Each taken or skipped output adds one to the consumption `c`.
int draw_route(OutputRun& o, long& c, int routes, int prev) {
    ++c;
    while (o(c) % routes == prev) ++c;
    return o(c) % routes;
}

struct Slot {
    long consumption = 0;
    int dog1 = 0, dog2 = 0, lati = 0;  // route indices
};

// Appends formatted text to a terminated 256-byte line, bounded like every text.
[[gnu::format(printf, 2, 3)]] void append(char (&line)[256], const char* fmt, ...) {
    const std::size_t used = std::strlen(line);
    va_list ap;
    va_start(ap, fmt);
    std::vsnprintf(line + used, sizeof line - used, fmt, ap);
    va_end(ap);
}

// (iv + 2 base) x level / 100, truncated, without the product overflowing:
// with v = 100 q + r (r taking v's sign), q x level and r x level share a sign,
// so the truncated quotient is q x level + r x level / 100.
std::int64_t scaled(int iv, std::int32_t base, std::int32_t level) {
    const std::int64_t v = iv + 2 * static_cast<std::int64_t>(base);
    return v / 100 * level + v % 100 * level / 100;
}

// The nature factors as products in double precision truncated toward zero;
// for any 32-bit raw value the conversion to double is exact.
std::int64_t raised(std::int64_t raw) { return static_cast<std::int64_t>(static_cast<double>(raw) * 1.1); }
std::int64_t lowered(std::int64_t raw) { return static_cast<std::int64_t>(static_cast<double>(raw) * 0.9); }

}  // namespace

Stats creature_stats(const Ivs& ivs, const std::int32_t (&base)[6], std::int32_t level, int nature) {
    Stats s;
    s.v[0] = scaled(ivs[0], base[0], level) + level + 10;
    for (int x = 1; x < 6; ++x) s.v[x] = scaled(ivs[x], base[x], level) + 5;
    const int up = nature / 5, down = nature % 5;  // positions among A, B, S, C, D
    if (nature >= 0 && nature < kNatureCount && up != down) {
        s.v[1 + up] = raised(s.v[1 + up]);
        s.v[1 + down] = lowered(s.v[1 + down]);
    }
    return s;
}

void prepare_roamer_states(std::uint32_t target, RoamerStates& st) {
    st.seed[0] = target - 16;
    std::uint32_t s = st.seed[0];
    for (int n = 0; n < kPreparedOutputs; ++n) st.after[0][n] = s = next_seed(s);
    for (int k = 1; k < kCheckWindowSeeds; ++k) {
        st.seed[k] = st.seed[k - 1] + 2;
        for (int n = 0; n < kPreparedOutputs; ++n) st.after[k][n] = st.after[k - 1][n] + kIncrements[n];
    }
}

void write_check_list(const CheckListRequest& req, const SpeciesTable& species, CheckListKept& kept,
                      TextSink& out) {
    const int found = find_species_by_name(species, req.species_name, req.species_name_size);
    if (found >= 0) kept.species_index = found;
    if (kept.species_index < 0 || kept.species_index >= kSpeciesCount) kept.species_index = 0;
    const SpeciesRecord& rec = species.records[kept.species_index];

    const int dog1 = req.dog1_prev >= 0 && req.dog1_prev < kDogRouteCount ? req.dog1_prev : kNoRoute;
    const int dog2 = dog1 != kNoRoute && req.dog2_prev >= 0 && req.dog2_prev < kDogRouteCount ? req.dog2_prev : kNoRoute;
    const int lati = req.lati_prev >= 0 && req.lati_prev < kLatiRouteCount ? req.lati_prev : kNoRoute;
    const int sync = req.sync_nature >= 0 && req.sync_nature < kNatureCount ? req.sync_nature : kNoNature;

    char line[256] = "初期seed,";
    if (dog1 != kNoRoute) append(line, "犬1,");
    if (dog2 != kNoRoute) append(line, "犬2,");
    if (lati != kNoRoute) append(line, "ラティ,");
    append(line, "性格,H,A,B,S,C,D");
    put_text(out, "%s\n", line);

    if (req.target < 16u || req.target > 0xFFFFFFEFu) return;

    RoamerStates st;
    prepare_roamer_states(req.target, st);
    OutputRun run;
    Slot slots[kCheckWindowSeeds];
    for (int k = 0; k < kCheckWindowSeeds; ++k) {
        // o_j of the seed is run(j): o_1 .. o_10 from the prepared states,
        // later outputs stepped on from the tenth.
        run.start(st.seed[k], st.after[k], kPreparedOutputs);
        Slot& sl = slots[k];
        if (dog1 != kNoRoute) sl.dog1 = draw_route(run, sl.consumption, kDogRouteCount, dog1);
        if (dog2 != kNoRoute) sl.dog2 = draw_route(run, sl.consumption, kDogRouteCount, dog2);
        if (lati != kNoRoute) sl.lati = draw_route(run, sl.consumption, kLatiRouteCount, lati);
    }
    constexpr int kTargetSlot = kCheckWindowSeeds / 2;
    kept.ideal_roaming = static_cast<int>(slots[kTargetSlot].consumption);

    for (int k = 0; k < kCheckWindowSeeds && !out.stopped(); ++k) {
        const Slot& sl = slots[k];
        line[0] = '\0';
        append(line, "%08X,", st.seed[k]);
        if (dog1 != kNoRoute) append(line, "%d番道路,", dog_route_number(sl.dog1));
        if (dog2 != kNoRoute) append(line, "%d番道路,", dog_route_number(sl.dog2));
        if (lati != kNoRoute) append(line, "%d番道路,", lati_route_number(sl.lati));
        const std::int64_t frame = std::int64_t{req.consumption} - kept.ideal_roaming + sl.consumption;
        if (frame < 0) {
            put_text(out, "%s-,-,-,-,-,-,-\n", line);
            continue;
        }
        // o_i counted from the encounter frame is run(i).
        run.start(advance(st.seed[k], static_cast<std::uint64_t>(frame)));
        const auto o = [&](long i) { return run(i); };
        const Encounter e = encounter_pid(o, sync, sync != kNoNature, kUnbounded);
        const int nature = nature_of(e.pid);
        const Stats s = creature_stats(ivs_from_words(o(e.iv_pos), o(e.iv_pos + 1)), rec.base, req.level, nature);
        char name[256] = "";
        nature_name(nature, name);
        put_text(out, "%s%s,%lld,%lld,%lld,%lld,%lld,%lld\n", line, name, static_cast<long long>(s.v[0]),
                 static_cast<long long>(s.v[1]), static_cast<long long>(s.v[2]), static_cast<long long>(s.v[3]),
                 static_cast<long long>(s.v[4]), static_cast<long long>(s.v[5]));
    }
}

}  // namespace vh
