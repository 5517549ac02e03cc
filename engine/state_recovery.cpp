#include "engine/state_recovery.hpp"

#include "engine/lcg.hpp"

namespace vh {

namespace {

constexpr std::uint32_t kMask31 = 0x7FFFFFFFu;
constexpr int kBuckets = 1 << 15;  // products mod 2^31, bucketed by bits 16-30

// Low halves ordered by their product (kMul x low) mod 2^31, grouped by
// bucket; `start[b] .. start[b+1]` are bucket b's entries.
struct ProductTable {
    std::uint32_t start[kBuckets + 1];
    std::uint16_t low[65536];

    ProductTable() {
        static std::uint32_t count[kBuckets];
        for (std::uint32_t l = 0; l < 65536; ++l) ++count[((kMul * l) & kMask31) >> 16];
        start[0] = 0;
        for (int b = 0; b < kBuckets; ++b) start[b + 1] = start[b] + count[b];
        std::uint32_t fill[kBuckets];
        for (int b = 0; b < kBuckets; ++b) fill[b] = start[b];
        for (std::uint32_t l = 0; l < 65536; ++l) low[fill[((kMul * l) & kMask31) >> 16]++] = static_cast<std::uint16_t>(l);
    }
};

const ProductTable& product_table() {
    static const ProductTable table;
    return table;
}

}  // namespace

int find_iv_lows(std::uint16_t first15, std::uint16_t second15, std::uint16_t (&lows)[kMaxIvLows]) {
    const ProductTable& t = product_table();
    // successor = kMul * (first << 16) + kAdd + kMul * low; its bits 16-30 must be second15.
    const std::uint32_t base = kMul * (std::uint32_t{first15 & 0x7FFFu} << 16) + kAdd;
    const std::uint32_t window = ((std::uint32_t{second15 & 0x7FFFu} << 16) - base) & kMask31;
    int n = 0;
    const int b0 = static_cast<int>(window >> 16);
    for (int k = 0; k < 2; ++k) {
        const int b = (b0 + k) & (kBuckets - 1);
        for (std::uint32_t i = t.start[b]; i < t.start[b + 1]; ++i) {
            const std::uint16_t l = t.low[i];
            if (((((kMul * l) & kMask31) - window) & kMask31) < 65536u && n < kMaxIvLows) lows[n++] = l;
        }
    }
    // At most a handful: insertion sort into ascending order.
    for (int i = 1; i < n; ++i)
        for (int j = i; j > 0 && lows[j - 1] > lows[j]; --j) {
            const std::uint16_t tmp = lows[j];
            lows[j] = lows[j - 1];
            lows[j - 1] = tmp;
        }
    return n;
}

IvStates find_iv_states(std::uint16_t first15, std::uint16_t second15) {
    std::uint16_t lows[kMaxIvLows];
    const int n = find_iv_lows(first15, second15, lows);
    IvStates r;
    for (std::uint32_t bit15 = 0; bit15 < 2; ++bit15)
        for (int i = 0; i < n; ++i)
            r.states[r.count++] = ((bit15 << 15 | (first15 & 0x7FFFu)) << 16) | lows[i];
    return r;
}

}  // namespace vh
