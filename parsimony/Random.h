#pragma once
// The random numbers of one search: a 64-bit Mersenne Twister and our own
// unbiased bounded draw, so a seed gives the same run with every library.
#include <cstdint>
#include <random>

class TRandom {
public:
    explicit TRandom(std::uint64_t seed = 0) : Engine(seed) {}
    void Seed(std::uint64_t seed) { Engine.seed(seed); }

    // A uniformly distributed integer 0..n-1 (n >= 1): multiply and reject.
    std::uint64_t Below(std::uint64_t n)
    {
        std::uint64_t x = Engine();
        unsigned __int128 m = static_cast<unsigned __int128>(x) * n;
        std::uint64_t low = static_cast<std::uint64_t>(m);
        if (low < n) {
            const std::uint64_t threshold = (0 - n) % n;
            while (low < threshold) {
                x = Engine();
                m = static_cast<unsigned __int128>(x) * n;
                low = static_cast<std::uint64_t>(m);
            }
        }
        return static_cast<std::uint64_t>(m >> 64);
    }
    int Below(int n) { return static_cast<int>(Below(static_cast<std::uint64_t>(n))); }

private:
    std::mt19937_64 Engine;
};

// A seed from the clock, for runs without a given seed.
std::uint64_t ClockSeed();
