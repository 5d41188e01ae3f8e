#pragma once
// A set of objects 1..N for any N: the groups of trees past the 255 objects
// a TInclusion holds (consensus and support of big trees).
//
//   TObjectSet g(objectCount);
//   g.Include(7);
//   bool nested = g.IsSubsetOf(h);
#include <bit>
#include <cstdint>
#include <vector>

class TObjectSet {
public:
    TObjectSet() = default;
    explicit TObjectSet(int objectCount)
        : Words(static_cast<size_t>(objectCount < 0 ? 0 : objectCount / 64 + 1), 0)
    {
    }
    void Include(int o) { Words[static_cast<size_t>(o) >> 6] |= std::uint64_t{1} << (o & 63); }
    bool Contains(int o) const
    {
        const size_t w = static_cast<size_t>(o) >> 6;
        return o >= 0 && w < Words.size() && (Words[w] >> (o & 63)) & 1;
    }
    int Count() const
    {
        int n = 0;
        for (std::uint64_t w : Words) n += std::popcount(w);
        return n;
    }
    bool IsEmpty() const
    {
        for (std::uint64_t w : Words)
            if (w) return false;
        return true;
    }
    bool IsSubsetOf(const TObjectSet& other) const
    {
        for (size_t i = 0; i < Words.size(); ++i)
            if (Words[i] & ~(i < other.Words.size() ? other.Words[i] : 0)) return false;
        return true;
    }
    bool Intersects(const TObjectSet& other) const
    {
        for (size_t i = 0; i < Words.size() && i < other.Words.size(); ++i)
            if (Words[i] & other.Words[i]) return true;
        return false;
    }
    TObjectSet& operator|=(const TObjectSet& other)
    {
        for (size_t i = 0; i < Words.size() && i < other.Words.size(); ++i)
            Words[i] |= other.Words[i];
        return *this;
    }
    // The smallest object in one set but not the other (-1: none).
    int FirstDifference(const TObjectSet& other) const
    {
        for (size_t i = 0; i < Words.size(); ++i)
            if (const std::uint64_t d = Words[i] ^ (i < other.Words.size() ? other.Words[i] : 0))
                return static_cast<int>(i * 64) + std::countr_zero(d);
        return -1;
    }
    bool operator==(const TObjectSet& other) const { return Words == other.Words; }
    bool operator<(const TObjectSet& other) const { return Words < other.Words; }

private:
    std::vector<std::uint64_t> Words;
};
