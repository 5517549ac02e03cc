#include "engine/state_recovery.hpp"

#include "engine/lcg.hpp"

namespace vh {

namespace {

constexpr std::uint32_t kMask31 = 0x7FFFFFFFu;

// Low halves ordered by their product (kMul x low) mod 2^Bits, grouped by
// the product's bits 16 and up; `start[b] .. start[b+1]` are bucket b's entries.
template <int Bits>
struct ProductTable {
    static constexpr std::uint32_t kMask = Bits == 32 ? 0xFFFFFFFFu : (1u << Bits) - 1;
    static constexpr int kBuckets = 1 << (Bits - 16);
    std::uint32_t start[kBuckets + 1];
    std::uint16_t low[65536];

    static std::uint32_t bucket_of(std::uint32_t l) { return ((kMul * l) & kMask) >> 16; }

    ProductTable() {
        static std::uint32_t count[kBuckets];
        for (std::uint32_t l = 0; l < 65536; ++l) ++count[bucket_of(l)];
        start[0] = 0;
        for (int b = 0; b < kBuckets; ++b) start[b + 1] = start[b] + count[b];
        static std::uint32_t fill[kBuckets];
        for (int b = 0; b < kBuckets; ++b) fill[b] = start[b];
        for (std::uint32_t l = 0; l < 65536; ++l) low[fill[bucket_of(l)]++] = static_cast<std::uint16_t>(l);
    }

    // The low halves whose product lies in [window, window + 65536) mod 2^Bits,
    // ascending; at most `cap` of them.
    int lows_in(std::uint32_t window, std::uint16_t* lows, int cap) const {
        int n = 0;
        const int b0 = static_cast<int>(window >> 16);
        for (int k = 0; k < 2; ++k) {
            const int b = (b0 + k) & (kBuckets - 1);
            for (std::uint32_t i = start[b]; i < start[b + 1]; ++i) {
                const std::uint16_t l = low[i];
                if ((((kMul * l) - window) & kMask) < 65536u && n < cap) lows[n++] = l;
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
};

template <int Bits>
const ProductTable<Bits>& product_table() {
    static const ProductTable<Bits> table;
    return table;
}

}  // namespace

int find_iv_lows(std::uint16_t first15, std::uint16_t second15, std::uint16_t (&lows)[kMaxIvLows]) {
    // successor = kMul * (first << 16) + kAdd + kMul * low; its bits 16-30 must be second15.
    const std::uint32_t base = kMul * (std::uint32_t{first15 & 0x7FFFu} << 16) + kAdd;
    const std::uint32_t window = ((std::uint32_t{second15 & 0x7FFFu} << 16) - base) & kMask31;
    return product_table<31>().lows_in(window, lows, kMaxIvLows);
}

int find_pair_states(std::uint16_t first, std::uint16_t second, std::uint32_t (&states)[kMaxPairStates]) {
    // successor = kMul * (first << 16) + kAdd + kMul * low; its bits 16-31 must be second.
    const std::uint32_t base = kMul * (std::uint32_t{first} << 16) + kAdd;
    const std::uint32_t window = (std::uint32_t{second} << 16) - base;
    std::uint16_t lows[kMaxPairStates];
    const int n = product_table<32>().lows_in(window, lows, kMaxPairStates);
    for (int i = 0; i < n; ++i) states[i] = std::uint32_t{first} << 16 | lows[i];
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
