#pragma once
// A set of state indices 0..255: one character's states on an object's path.
#include <array>
#include <bit>
#include <cstdint>

using TIntNum = std::uint8_t;

class TInclusion {
public:
    static constexpr int Capacity = 256;

    constexpr TInclusion() = default;

    // Members outside 0..255 cannot be represented and are ignored.
    constexpr void Include(int k)
    {
        if (k >= 0 && k < Capacity) Words[k >> 6] |= std::uint64_t{1} << (k & 63);
    }
    constexpr void Exclude(int k)
    {
        if (k >= 0 && k < Capacity) Words[k >> 6] &= ~(std::uint64_t{1} << (k & 63));
    }
    constexpr bool Contains(int k) const
    {
        return k >= 0 && k < Capacity && (Words[k >> 6] >> (k & 63)) & 1;
    }
    constexpr bool IsEmpty() const { return (Words[0] | Words[1] | Words[2] | Words[3]) == 0; }
    constexpr int Count() const
    {
        return std::popcount(Words[0]) + std::popcount(Words[1]) + std::popcount(Words[2]) +
               std::popcount(Words[3]);
    }
    // True when every member of this set is a member of other.
    constexpr bool IsSubsetOf(const TInclusion& other) const
    {
        for (int i = 0; i < 4; ++i)
            if (Words[i] & ~other.Words[i]) return false;
        return true;
    }

    friend constexpr TInclusion operator|(TInclusion a, const TInclusion& b) { return a |= b; }
    friend constexpr TInclusion operator&(TInclusion a, const TInclusion& b) { return a &= b; }
    friend constexpr TInclusion operator-(TInclusion a, const TInclusion& b) { return a -= b; }
    friend constexpr TInclusion operator^(TInclusion a, const TInclusion& b) { return a ^= b; }
    constexpr TInclusion& operator|=(const TInclusion& b)
    {
        for (int i = 0; i < 4; ++i) Words[i] |= b.Words[i];
        return *this;
    }
    constexpr TInclusion& operator&=(const TInclusion& b)
    {
        for (int i = 0; i < 4; ++i) Words[i] &= b.Words[i];
        return *this;
    }
    constexpr TInclusion& operator-=(const TInclusion& b)
    {
        for (int i = 0; i < 4; ++i) Words[i] &= ~b.Words[i];
        return *this;
    }
    constexpr TInclusion& operator^=(const TInclusion& b)
    {
        for (int i = 0; i < 4; ++i) Words[i] ^= b.Words[i];
        return *this;
    }
    friend constexpr bool operator==(const TInclusion&, const TInclusion&) = default;

    constexpr std::uint64_t Word(int i) const { return Words[i]; }

private:
    std::array<std::uint64_t, 4> Words{};
};

// Number of members of s not greater than n; 0 for the empty set.
int CountInclusion(const TInclusion& s, int n);
