#include "reference/seed_candidates_reference.hpp"

#include "engine/lcg.hpp"

namespace vh::reference {

std::vector<std::uint32_t> find_seed_candidates_literal(const SeedCandidateRequest& req) {
    std::vector<std::uint32_t> found;
    const int H = req.ivs[0], A = req.ivs[1], B = req.ivs[2];
    const int S = req.ivs[3], C = req.ivs[4], D = req.ivs[5];
    for (std::uint32_t t = 0; t <= 1; ++t) {
        for (std::uint32_t low = 0; low <= 65535; ++low) {
            const std::uint32_t w1 = t * 32768 + static_cast<std::uint32_t>(B * 1024 + A * 32 + H);
            const std::uint32_t s = (w1 << 16) | low;
            const std::uint16_t w2 = output_of(next_seed(s));
            if ((w2 & 31) != S || ((w2 >> 5) & 31) != C || ((w2 >> 10) & 31) != D) continue;
            const std::uint32_t s1 = prev_seed(s);
            const std::uint32_t s2 = prev_seed(s1);
            const std::uint32_t pid = std::uint32_t{output_of(s1)} * 65536 + output_of(s2);
            if (static_cast<int>(pid % 25) != req.nature) continue;
            std::uint32_t c = s2;
            for (int j = 1; j <= 1001; ++j) {
                c = prev_seed(c);
                if (static_cast<int>((c >> 16) & 0xFF) == req.hour && (c & 0xFFFF) < 0x1000) found.push_back(c);
            }
        }
    }
    return found;
}

}  // namespace vh::reference
