#pragma once
// The part of a packed field that the exact search works on, and the lower
// bound it prunes with.
//
// Every state bit scores on its own: on a rooted tree its steps are the number
// of largest clades whose objects with data all hold the bit (the root's set
// is free). So a bit that no object holds, or that every object with data
// holds, costs nothing on any tree, and a bit held by a single object costs
// one step on every tree. Only the remaining bits take part in the search;
// the others add a constant.
//
//   TExactField f(packed, missingData);      // f.Constant + search length = tree length
//   f.States(o), f.Mask(o)                   // objects 1..f.Objects(), f.Words() words each
//   TGroupBound bound(f);                    // groups of mutually incompatible bits
//   bound.Extra(ones, twos)                  // steps still to come (see below)
#include <cstdint>
#include <vector>

#include "parsimony/length/PackedStates.h"

class TExactField {
public:
    TExactField() = default;
    // missingData: a "?" set is skipped; otherwise it counts as holding no
    // state (the plain rule), which the mask then marks as data.
    TExactField(const TPackedField& packed, bool missingData);

    int Objects() const { return ObjectCount; }
    int Words() const { return WordCount; }
    int Bits() const { return BitCount; }
    std::int64_t Constant() const { return ConstantSteps; }
    const std::uint64_t* States(int object) const { return &S[Index(object)]; }
    const std::uint64_t* Mask(int object) const { return &M[Index(object)]; }
    // Objects holding bit b and objects with data for it (bit o-1 for object o).
    std::uint64_t Holders(int b) const { return HolderSets[static_cast<size_t>(b)]; }
    std::uint64_t WithData(int b) const { return DataSets[static_cast<size_t>(b)]; }

private:
    size_t Index(int object) const
    {
        return static_cast<size_t>(object) * static_cast<size_t>(WordCount);
    }
    int ObjectCount = 0;
    int WordCount = 1;
    int BitCount = 0;
    std::int64_t ConstantSteps = 0;
    std::vector<std::uint64_t> S, M;
    std::vector<std::uint64_t> HolderSets, DataSets;
};

// True when bits a and b cannot both cost one step on the same tree: some
// object holds both, one holds a and surely lacks b, one holds b and surely
// lacks a.
bool IncompatibleBits(const TExactField& field, int a, int b);

// A lower bound on the steps a partial tree's completions still add. Each bit
// costs at least one step in the end; within a group of mutually incompatible
// bits at most one can end with a single step.
//   ones: bits with at least one step on the partial tree; twos: at least two.
//   Extra = (bits without a step) + sum over groups of (bits below two steps - 1).
class TGroupBound {
public:
    TGroupBound() = default;
    // useGroups false: only the bits without a step.
    TGroupBound(const TExactField& field, bool useGroups);

    // Bits in skip (if given) are left out.
    std::int64_t Extra(const std::uint64_t* ones, const std::uint64_t* twos,
                       const std::uint64_t* skip = nullptr) const;
    int GroupCount() const { return static_cast<int>(Groups.size()) / std::max(W, 1); }
    // Extra on an empty tree: the bound on every tree's length (less Constant).
    std::int64_t TreeBound() const;

private:
    int W = 1;
    std::vector<std::uint64_t> Used;    // W words: the bits of the field
    std::vector<std::uint64_t> Groups;  // W words per group of two or more bits
    std::vector<std::uint64_t> None;
};
