// Times the candidate search against the literal 131072-state scan on the
// same requests (built from random initial seeds and frames, so that most
// have candidates) and checks that both give the same lists.
#include <cstdio>
#include <cstdlib>
#include <random>
#include <thread>
#include <vector>

#include "engine/creature.hpp"
#include "engine/lcg.hpp"
#include "features/seed_candidates.hpp"
#include "reference/seed_candidates_reference.hpp"
// The reference lives with the tests; it is compiled into this program too.
#include "reference/seed_candidates_reference.cpp"

namespace {

using namespace vh;
using Clock = std::chrono::steady_clock;

std::vector<SeedCandidateRequest> make_requests(int n) {
    std::mt19937 rng(12345);
    std::vector<SeedCandidateRequest> out;
    for (int i = 0; i < n; ++i) {
        const std::uint32_t hour = rng() % 24;
        const std::uint32_t c = (rng() & 0xFF000000u) | hour << 16 | (rng() & 0x0FFFu);
        const std::uint32_t s2 = advance(c, rng() % 1001 + 1);
        const std::uint32_t s1 = next_seed(s2), s = next_seed(s1);
        SeedCandidateRequest r;
        r.ivs = ivs_from_words(output_of(s), output_of(next_seed(s)));
        r.nature = nature_of(make_pid(output_of(s2), output_of(s1)));
        r.hour = static_cast<int>(hour);
        out.push_back(r);
    }
    return out;
}

double seconds_since(Clock::time_point t0) {
    return std::chrono::duration<double>(Clock::now() - t0).count();
}

}  // namespace

int main(int argc, char** argv) {
    const int n = argc > 1 && std::atoi(argv[1]) > 0 ? std::atoi(argv[1]) : 2000;
    const std::vector<SeedCandidateRequest> reqs = make_requests(n);

    // The first search builds the recovery's product table once; timed apart.
    const auto tw = Clock::now();
    (void)find_seed_candidates(reqs.front());
    const double warm_s = seconds_since(tw);

    std::vector<CandidateList> fast(reqs.size());
    const auto t0 = Clock::now();
    for (std::size_t i = 0; i < reqs.size(); ++i) fast[i] = find_seed_candidates(reqs[i]);
    const double fast_s = seconds_since(t0);

    std::vector<std::vector<std::uint32_t>> literal(reqs.size());
    const auto t1 = Clock::now();
    for (std::size_t i = 0; i < reqs.size(); ++i) literal[i] = reference::find_seed_candidates_literal(reqs[i]);
    const double literal_s = seconds_since(t1);

    int mismatches = 0;
    long found = 0;
    for (std::size_t i = 0; i < reqs.size(); ++i) {
        std::vector<std::uint32_t> want = literal[i];
        if (want.size() > static_cast<std::size_t>(kCandidateCapacity)) want.resize(kCandidateCapacity);
        mismatches += std::vector<std::uint32_t>(fast[i].seeds, fast[i].seeds + fast[i].count) != want;
        found += fast[i].count;
    }
    std::printf("requests %d, candidates found %ld, mismatches %d\n", n, found, mismatches);
    std::printf("first search (builds the table): %.3f ms\n", warm_s * 1e3);
    std::printf("fast:    %10.3f ms total, %9.3f us per search\n", fast_s * 1e3, fast_s * 1e6 / n);
    std::printf("literal: %10.3f ms total, %9.3f us per search\n", literal_s * 1e3, literal_s * 1e6 / n);
    std::printf("ratio literal/fast: %.1f\n", fast_s > 0 ? literal_s / fast_s : 0.0);
    return mismatches == 0 ? 0 : 1;
}
