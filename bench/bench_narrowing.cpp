// Timing of the initial-seed narrowing: the fast search and the literal
// reference on the same requests, each writing "syokiseed.txt".
//
//   bench_narrowing [--no-literal] [--threads N] [--only ROW] [--way WAY]
//
// The peak memory shown is the process's so far (getrusage); --only runs
// one row (numbered from 0) so that its peak is its own. --way makes the
// fast search take one way in forward processing (replay, pass-set, words,
// groups or first; chosen by default), to compare the ways on the same rows;
// the literal check still holds for every way. A way that does not apply to
// a row leaves it to a replay: the pass set beyond its capacity and the first
// creatures without a power or type filter to the frame-by-frame replay, the
// words and the groups with one likewise, the groups without a wanted nature
// or with shiny to the replay from the words.
//
// Where the literal reference takes minutes, it is timed once on a slice of
// the request (fewer combinations or fewer low halves) and its time scaled
// by the size of the whole request; the output says so on that line. The
// fast search also runs on the slice, and both files must be identical.
#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <thread>

#include "features/narrowing.hpp"
#include "reference/narrowing_reference.hpp"
// The reference lives in the test tree; it is compiled into this program too.
#include "reference/narrowing_reference.cpp"
#include "text/result_file.hpp"

namespace {

using namespace vh;
using Clock = std::chrono::steady_clock;

struct Caption {
    char latest[256] = "";
    long count = 0;
    void operator()(const char* t) {
        std::strncpy(latest, t, sizeof latest - 1);
        ++count;
    }
};

// The file's size and a 64-bit hash of its bytes (FNV-1a), read in pieces
// so that the program's peak memory stays that of the search.
std::string digest_of(const char* name) {
    std::uint64_t h = 1469598103934665603ull;
    long size = 0;
    long lines = 0;
    if (std::FILE* f = std::fopen(name, "rb")) {
        static char buf[1 << 16];
        std::size_t n;
        while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) {
            for (std::size_t i = 0; i < n; ++i) {
                h = (h ^ static_cast<unsigned char>(buf[i])) * 1099511628211ull;
                lines += buf[i] == '\n';
            }
            size += static_cast<long>(n);
        }
        std::fclose(f);
    }
    char out[96];
    std::snprintf(out, sizeof out, "%ld %ld %016llx", lines, size, static_cast<unsigned long long>(h));
    return out;
}

double seconds_since(Clock::time_point t0) {
    return std::chrono::duration<double>(Clock::now() - t0).count();
}

struct Timed {
    double seconds;
    std::string file;
    long texts;
};

using ForwardWay = NarrowingTestHook::ForwardWay;
ForwardWay forced_way = ForwardWay::kChosen;
struct NamedWay {
    const char* name;
    ForwardWay way;
};
constexpr NamedWay kWays[] = {{"chosen", ForwardWay::kChosen},          {"replay", ForwardWay::kReplayEverySeed},
                              {"pass-set", ForwardWay::kPassSet},       {"words", ForwardWay::kReplayFromWords},
                              {"groups", ForwardWay::kNatureGroups},    {"first", ForwardWay::kFirstCreatures}};

Timed time_fast(const NarrowingRequest& req, int threads) {
    NarrowingTestHook hook;
    hook.forward_way = forced_way;
    NarrowingOptions opt;
    opt.threads = threads;
    opt.test_hook = &hook;
    Caption caption;
    const auto t0 = Clock::now();
    write_result_file(kNarrowingFile, [&](TextSink& out) { run_narrowing(req, caption, out, opt); });
    const double s = seconds_since(t0);
    return {s, digest_of(kNarrowingFile), caption.count};
}

Timed time_literal(const NarrowingRequest& req) {
    Caption caption;
    const auto t0 = Clock::now();
    write_result_file(kNarrowingFile, [&](TextSink& out) {
        reference::narrowing(req, [&](const char* t) { caption(t); }, out);
    });
    const double s = seconds_since(t0);
    return {s, digest_of(kNarrowingFile), caption.count};
}

long rows_of(const std::string& digest) { return std::atol(digest.c_str()) - 1; }
long bytes_of(const std::string& digest) { return std::atol(digest.c_str() + digest.find(' ') + 1); }

long peak_kib() {
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return u.ru_maxrss;
}

struct Workload {
    const char* name;
    NarrowingRequest req;
    const char* target;
    // The slice the literal reference runs on, and the whole request's size
    // relative to it; scale 0 runs the literal on the whole request.
    NarrowingRequest slice;
    double scale;
    const char* slice_name;
};

NarrowingRequest mins(int v) {
    NarrowingRequest r;
    r.min_ivs = {v, v, v, v, v, v};
    return r;
}

}  // namespace

int main(int argc, char** argv) {
    bool literal = true;
    int threads = 0;
    int only = -1;  // one workload by its row number (from 0), for its own peak memory
    for (int i = 1; i < argc; ++i) {
        if (!std::strcmp(argv[i], "--no-literal")) literal = false;
        else if (!std::strcmp(argv[i], "--threads") && i + 1 < argc) threads = std::atoi(argv[++i]);
        else if (!std::strcmp(argv[i], "--only") && i + 1 < argc) only = std::atoi(argv[++i]);
        else if (!std::strcmp(argv[i], "--way") && i + 1 < argc) {
            const char* name = argv[++i];
            const NamedWay* named = std::find_if(std::begin(kWays), std::end(kWays),
                                                 [&](const NamedWay& w) { return !std::strcmp(w.name, name); });
            if (named == std::end(kWays)) {
                std::fprintf(stderr, "unknown way: %s (one of:", name);
                for (const NamedWay& w : kWays) std::fprintf(stderr, " %s", w.name);
                std::fprintf(stderr, ")\n");
                return 2;
            }
            forced_way = named->way;
        }
    }
    const auto dir = std::filesystem::temp_directory_path() / ("bench-narrowing-" + std::to_string(getpid()));
    std::filesystem::create_directories(dir);
    std::filesystem::current_path(dir);

    std::vector<Workload> w;
    {
        NarrowingRequest r = mins(28);
        w.push_back({"reverse, minimums 28", r, "30 ms", r, 0, ""});
    }
    {
        NarrowingRequest r = mins(25);
        NarrowingRequest s = r;
        s.min_ivs[0] = s.min_ivs[1] = 31;  // 2401 of the 117649 combinations
        w.push_back({"reverse, minimums 25", r, "0.5 s", s, 49.0, "H, A minimum 31: 1/49 of the combinations"});
    }
    {
        NarrowingRequest r = mins(28);
        r.sync = true;
        r.nature = 15;
        w.push_back({"reverse, minimums 28, sync, nature 15", r, "30 ms", r, 0, ""});
    }
    {
        NarrowingRequest r = mins(31);
        r.reverse = false;
        r.max_low = 0x100;
        NarrowingRequest s = r;
        s.max_low = 0x10;
        w.push_back({"forward, minimums 31, low half <= 0x100", r, "0.1 s", s, 257.0 / 17.0,
                     "low half <= 0x10: 17 of 257 low halves"});
    }
    {
        NarrowingRequest r = mins(31);
        r.reverse = false;
        NarrowingRequest s = r;
        s.max_low = 0x20;
        w.push_back({"forward, minimums 31, default bounds", r, "1 s", s, 4097.0 / 33.0,
                     "low half <= 0x20: 33 of 4097 low halves"});
    }
    {
        NarrowingRequest r = mins(28);
        r.reverse = false;
        NarrowingRequest s = r;
        s.max_low = 0x20;
        w.push_back({"forward, minimums 28, default bounds", r, "3 s", s, 4097.0 / 33.0,
                     "low half <= 0x20: 33 of 4097 low halves"});
    }
    {
        NarrowingRequest r = mins(0);
        r.reverse = false;
        r.max_low = 0;
        r.max_frames = 5;
        w.push_back({"forward, low half 0, frames 5, minimums 0", r, "not slower", r, 0, ""});
    }

    // The requests players run when they hunt a shiny creature or accept
    // values below perfect; the literal reference runs on 17 of the 4097
    // low halves (forward) or on 1/1728 of the combinations (reverse).
    const auto forward_slice = [](NarrowingRequest r) {
        r.max_low = 0x10;
        return r;
    };
    constexpr double kForwardScale = 4097.0 / 17.0;
    const char* forward_slice_name = "low half <= 0x10: 17 of 4097 low halves";
    // A forward request timed whole, its literal reference on the slice.
    const auto add_forward = [&](const char* name, const NarrowingRequest& r, const char* target) {
        w.push_back({name, r, target, forward_slice(r), kForwardScale, forward_slice_name});
    };
    const auto forward_minimums = [&](int m) {
        NarrowingRequest r = mins(m);
        r.reverse = false;
        return r;
    };
    NarrowingRequest shiny;
    shiny.reverse = false;
    shiny.shiny = true;
    shiny.tid = 12345;
    shiny.sid = 54321;
    add_forward("forward, shiny 12345/54321", shiny, "< 1 s");
    {
        NarrowingRequest r = shiny;
        r.nature = 13;
        r.sync = true;
        add_forward("forward, shiny, nature 13, sync", r, "< 1 s");
    }
    {
        NarrowingRequest r = shiny;
        r.min_ivs = {20, 20, 20, 20, 20, 20};
        add_forward("forward, shiny, minimums 20", r, "< 1 s");
    }
    {
        NarrowingRequest r;
        r.reverse = false;
        r.nature = 13;
        r.sync = true;
        r.min_ivs = {25, 0, 25, 25, 25, 25};
        add_forward("forward, nature 13, sync, minimums 25,0,25..", r, "< 1 s");
    }
    // Random requests of the sweeps that took over 1 s, each with a power or
    // type filter: few creatures pass it, so most seeds end at their first
    // creature; most pass it, with tight minimums (or one rare value); or
    // about half, with a wanted nature without synchronize or loose minimums
    // on the second word.
    struct Filtered {
        const char* name;
        std::array<int, 6> mins;
        int nature;
        bool sync;
        int type;
        int power;
    };
    const Filtered filtered[] = {
        {"forward, type 7, minimums 2,7,3,11,4,16", {2, 7, 3, 11, 4, 16}, kNoNature, false, 7, 30},
        {"forward, power 59, minimums 9,7,26,20,7,15", {9, 7, 26, 20, 7, 15}, kNoNature, false, -1, 59},
        {"forward, nature 17, type 10, power 51", {2, 0, 2, 3, 3, 0}, 17, false, 10, 51},
        {"forward, nature 23, sync, type 5", {16, 5, 9, 4, 12, 0}, 23, true, 5, 30},
        {"forward, power 40, minimums 20", {20, 20, 20, 20, 20, 20}, kNoNature, false, -1, 40},
        {"forward, nature 5, sync, power 40, min 18", {18, 18, 18, 18, 18, 18}, 5, true, -1, 40},
        {"forward, nature 14, sync, power 56", {10, 12, 11, 16, 16, 10}, 14, true, -1, 56},
        {"forward, nature 22, power 49, min 14,17,6..", {14, 17, 6, 13, 18, 16}, 22, false, -1, 49},
        {"forward, nature 7, power 63, min 9,11,8..", {9, 11, 8, 13, 2, 14}, 7, false, -1, 63},
        {"forward, power 49, minimums 1,31,19,10,5,8", {1, 31, 19, 10, 5, 8}, kNoNature, false, -1, 49},
        {"forward, power 43, minimums 25,17,3,28,0,6", {25, 17, 3, 28, 0, 6}, kNoNature, false, -1, 43},
    };
    for (const Filtered& f : filtered) {
        NarrowingRequest r;
        r.reverse = false;
        r.min_ivs = f.mins;
        r.nature = f.nature;
        r.sync = f.sync;
        r.hp_type = f.type;
        r.min_power = f.power;
        add_forward(f.name, r, "< 1 s");
    }
    add_forward("forward, minimums 20 (9M rows)", forward_minimums(20), "300 MB/s");
    {
        NarrowingRequest r = mins(20);
        r.shiny = true;
        r.tid = 12345;
        r.sid = 54321;
        NarrowingRequest s = r;
        s.min_ivs[0] = s.min_ivs[1] = s.min_ivs[2] = 31;
        w.push_back({"reverse, shiny 12345/54321, minimums 20", r, "< 2 s", s, 1728.0,
                     "H, A, B minimum 31: 1/1728 of the combinations"});
    }
    add_forward("forward, minimums 0 (every seed, 25M rows)", forward_minimums(0), "300 MB/s");
    // Between the two: too many passing frames for the pass set's memory,
    // each seed replayed from its passing words.
    add_forward("forward, minimums 17 (21M rows)", forward_minimums(17), "300 MB/s");
    // Nearer the crossing to frame by frame: rows later than at 12, a
    // replay from the words longer than at 17.
    add_forward("forward, minimums 15 (24M rows)", forward_minimums(15), "300 MB/s");
    // Rows within a few frames: each seed replayed frame by frame.
    add_forward("forward, minimums 12 (25M rows)", forward_minimums(12), "300 MB/s");
    // A wanted nature with loose minimums: too many passing pairs of words
    // for a pass set to pay, each seed replayed from the words after pairs
    // of the nature (without synchronize, frame by frame at minimums 0), or
    // where few pairs of words pass the 256 seeds of a low half at once
    // (with synchronize, at minimums 17 also instead of the pass set).
    {
        NarrowingRequest r = forward_minimums(10);
        r.nature = 3;
        add_forward("forward, nature 3, minimums 10 (13M rows)", r, "300 MB/s");
        r.min_ivs = {};
        add_forward("forward, nature 3, minimums 0 (25M rows)", r, "300 MB/s");
        r = forward_minimums(15);
        r.nature = 3;
        r.sync = true;
        add_forward("forward, nature 3, sync, minimums 15 (6.5M rows)", r, "300 MB/s");
        r.min_ivs = forward_minimums(17).min_ivs;
        add_forward("forward, nature 3, sync, minimums 17 (3.3M rows)", r, "300 MB/s");
    }
    // The fixed shiny creature: its frames taken from the passing words.
    {
        NarrowingRequest r = forward_minimums(20);
        r.fixed_shiny = true;
        add_forward("forward, fixed shiny, minimums 20 (14M rows)", r, "300 MB/s");
        // With IDs (here 1 and 2) the nature is tested: a bit per frame that
        // the 256 seeds of a low half share. With a type, each seed ends at
        // its first frame of the nature.
        r.tid = 1;
        r.sid = 2;
        r.nature = 3;
        r.min_ivs = forward_minimums(12).min_ivs;
        add_forward("forward, fixed shiny, nature 3, min 12 (13M)", r, "300 MB/s");
        r.min_ivs = {};
        r.hp_type = 5;
        add_forward("forward, fixed shiny, nature 3, type 5 (2M)", r, "300 MB/s");
    }

    std::printf("threads: %d (hardware %u); every time is the whole run with syokiseed.txt written\n",
                threads == 0 ? static_cast<int>(std::min(8u, std::max(1u, std::thread::hardware_concurrency())))
                             : threads,
                std::thread::hardware_concurrency());
    std::printf("%-44s %8s %10s %12s %9s  %-10s %s\n", "workload", "rows", "fast", "literal", "ratio", "target",
                "literal measured");
    bool all_same = true;
    for (std::size_t wi = 0; wi < w.size(); ++wi) {
        const Workload& x = w[wi];
        if (only >= 0 && static_cast<std::size_t>(only) != wi) continue;
        // Best of three fast runs.
        Timed fast = time_fast(x.req, threads);
        for (int i = 0; i < 2; ++i) {
            Timed again = time_fast(x.req, threads);
            if (again.file != fast.file) all_same = false;
            if (again.seconds < fast.seconds) fast.seconds = again.seconds;
        }
        const long peak = peak_kib();
        const double megabytes = static_cast<double>(bytes_of(fast.file)) / 1e6;
        if (!literal) {
            std::printf("%-44s %8ld %8.1fms %12s %9s  %-10s %.0f MB/s; peak %ld KiB\n", x.name, rows_of(fast.file),
                        fast.seconds * 1e3, "-", "-", x.target, megabytes / fast.seconds, peak);
            std::fflush(stdout);
            continue;
        }
        double lit_seconds;
        std::string how;
        if (x.scale == 0) {
            Timed lit = time_literal(x.req);
            if (x.req.max_low == 0 && x.req.max_frames == 5) {  // milliseconds: best of three
                for (int i = 0; i < 2; ++i) lit.seconds = std::min(lit.seconds, time_literal(x.req).seconds);
                how = "whole request, best of 3";
            } else {
                how = "whole request, once";
            }
            lit_seconds = lit.seconds;
            const bool same = lit.file == fast.file && lit.texts == fast.texts;
            all_same &= same;
            how += same ? ", same bytes" : ", FILES DIFFER";
        } else {
            Timed lit = time_literal(x.slice);
            const Timed fs = time_fast(x.slice, threads);
            const bool same = lit.file == fs.file && lit.texts == fs.texts;
            all_same &= same;
            lit_seconds = lit.seconds * x.scale;
            char buf[256];
            std::snprintf(buf, sizeof buf, "once on a slice (%s), %.1f s scaled x%.1f%s", x.slice_name, lit.seconds,
                          x.scale, same ? ", same bytes on the slice" : ", SLICE FILES DIFFER");
            how = buf;
        }
        char lit_text[32];
        if (lit_seconds < 1)
            std::snprintf(lit_text, sizeof lit_text, "%.1fms", lit_seconds * 1e3);
        else
            std::snprintf(lit_text, sizeof lit_text, "%.2fs", lit_seconds);
        std::printf("%-44s %8ld %8.1fms %12s %8.1fx  %-10s %s; %.0f MB/s; peak so far %ld KiB\n", x.name,
                    rows_of(fast.file), fast.seconds * 1e3, lit_text, lit_seconds / fast.seconds, x.target, how.c_str(),
                    megabytes / fast.seconds, peak);
        std::fflush(stdout);
    }
    std::printf("peak resident set of the whole run: %ld KiB\n", peak_kib());
    std::filesystem::current_path(std::filesystem::temp_directory_path());
    std::filesystem::remove_all(dir);
    if (!all_same) {
        std::printf("OUTPUTS DIFFER\n");
        return 1;
    }
    return 0;
}
