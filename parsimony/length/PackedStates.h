#pragma once
// The fast tree length: every object's sets of all characters packed into one
// bit vector (each state of a character one bit), node sets built bottom-up
// from the children with word-wise operations, and insertion points scored
// incrementally. Gives exactly the lengths of the literal definition.
#include <cstdint>
#include <vector>

#include "parsimony/length/MakeTree.h"

// The characters of a coded field packed per object. Besides the states, a
// "has data" mask marks the bits of every character whose set is not empty;
// the missing-data rule needs it to skip "?" sets.
class TPackedField {
public:
    TPackedField() = default;
    TPackedField(const TSField& charField, int objectCount, int characterCount);

    int Words() const { return WordCount; }
    int ObjectCount() const { return Objects; }
    const std::uint64_t* States(int object) const { return StateBits.data() + Index(object); }
    const std::uint64_t* Mask(int object) const { return MaskBits.data() + Index(object); }

private:
    size_t Index(int object) const
    {
        return static_cast<size_t>(object) * static_cast<size_t>(WordCount);
    }
    int WordCount = 1;
    int Objects = 0;
    std::vector<std::uint64_t> StateBits;  // object-major, WordCount words each
    std::vector<std::uint64_t> MaskBits;
};

// Scores trees of one packed field under one rule. Works on the parent links
// only; keeps scratch buffers between calls, so one scorer per thread.
class TTreeScorer {
public:
    TTreeScorer(const TPackedField& field, bool missingData);

    bool MissingData() const { return Missing; }

    // Length of the tree of tips 1..tipCount and nodes 1..tipCount-1, from
    // the parent links alone: for loops that only compare lengths.
    std::int64_t Length(const TTree& tree, int tipCount);
    // Every derived field, the fits and Fitness of the tree under the rule.
    void Evaluate(TTree& tree);
    // Tries object `object` above every tip 1..m and node 1..m-1 of a tree of
    // m tips and returns the first shortest place in that order.
    TInsertionPoint BestInsertion(const TTree& tree, int tipCount, int object);

private:
    template <bool MissingRule>
    std::int64_t Score(const TTree& tree, int tipCount);
    template <bool MissingRule>
    TInsertionPoint Insert(const TTree& tree, int tipCount, int object);
    void BuildOrder(const TTree& tree, int tipCount);
    size_t Vertex(int num, bool isTip) const
    {
        return isTip ? static_cast<size_t>(num) : static_cast<size_t>(MaxTips + num);
    }
    std::uint64_t* NodeS(size_t v) { return S.data() + v * static_cast<size_t>(W); }
    std::uint64_t* NodeM(size_t v) { return M.data() + v * static_cast<size_t>(W); }

    const TPackedField* Field;
    bool Missing;
    int W;
    int MaxTips;
    std::vector<std::uint64_t> S, M,
        SAdded;  // per vertex: states, has-data mask, states with the new object
    std::vector<const std::uint64_t*> SPtr, MPtr;  // per vertex: where its sets live
    std::vector<std::array<int, 2>> Children;      // per node: child vertices
    std::vector<int> Parent;                       // per vertex: parent vertex, -1 for the root
    std::vector<int> PreOrder;                     // node vertices, root first
    std::vector<std::int64_t> K;                   // per node: fits of its two children
    std::vector<std::int64_t> H;                   // per vertex: change above it when inserting
};
