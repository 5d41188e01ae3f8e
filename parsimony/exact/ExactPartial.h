#pragma once
// A partial tree of the exact search: the objects placed so far as a rooted
// binary tree with the node sets of an exact field, the length, and the steps
// of every place where the next object could join.
//
//   TPartialTree t(field);
//   t.Start(a, b);                        // a and b below the root
//   t.ScorePlaces(x);                     // length after x joins above each vertex
//   for (int v : t.Places()) t.Length() + t.Delta(v);
//   u.CopyFrom(t); u.Insert(v, x);        // a child of the search
//
// Vertices: tip k (0..Tips()-1) holds the k-th placed object; internal nodes
// are numbered from Objects() up in the order they were made.
#include <array>
#include <cstdint>
#include <vector>

#include "parsimony/exact/ExactField.h"

class TPartialTree {
public:
    explicit TPartialTree(const TExactField& field);

    void Start(int objectA, int objectB);
    void CopyFrom(const TPartialTree& other);
    // Object x joins above vertex v (a tip or node, the root included).
    void Insert(int v, int x);

    int Tips() const { return M; }
    int Root() const { return RootVertex; }
    std::int64_t Length() const { return TreeLength; }
    int TipObject(int tip) const { return Objects[static_cast<size_t>(tip)]; }
    int Parent(int v) const { return Up[static_cast<size_t>(v)]; }

    // The 2m-1 places in a fixed order: tips, then nodes.
    const std::vector<int>& Places() const { return PlaceList; }
    // Fills Delta for every place; x is not in the tree yet.
    void ScorePlaces(int x);
    std::int64_t Delta(int v) const { return Deltas[static_cast<size_t>(v)]; }

    // The fewest steps of the bits in mask (all bits when null) that x adds
    // at any place; conflict (if given) receives the bits that x's cheapest
    // place by all bits puts steps on below the new node.
    std::int64_t CheapestPlace(int x, const std::uint64_t* mask, std::uint64_t* conflict);

    // Bits with at least one step (ones) and at least two (twos).
    void CountSteps(std::uint64_t* ones, std::uint64_t* twos) const;
    // The clades (objects o as bit o-1, the root's included) of the tree
    // after x joins above v, sorted ascending: the tree's canonical key.
    void CladesWith(int v, int x, std::vector<std::uint64_t>& out) const;
    // The clades of this tree, sorted.
    void Clades(std::vector<std::uint64_t>& out) const;

private:
    std::uint64_t* Set(int v) { return &S[static_cast<size_t>(v) * static_cast<size_t>(W)]; }
    std::uint64_t* DataMask(int v) { return &Ms[static_cast<size_t>(v) * static_cast<size_t>(W)]; }
    const std::uint64_t* Set(int v) const
    {
        return &S[static_cast<size_t>(v) * static_cast<size_t>(W)];
    }
    const std::uint64_t* DataMask(int v) const
    {
        return &Ms[static_cast<size_t>(v) * static_cast<size_t>(W)];
    }
    void BuildPlaces();
    void InnerPreOrder();  // Pre: the inner vertices from the root down

    const TExactField* Field;
    int N;  // objects of the field
    int W;
    int M = 0;  // tips placed
    int RootVertex = -1;
    std::int64_t TreeLength = 0;
    std::vector<int> Objects;              // per tip
    std::vector<int> Up;                   // per vertex, -1 for the root
    std::vector<std::array<int, 2>> Down;  // per node
    std::vector<std::uint64_t> S, Ms;      // per vertex: states and data mask
    std::vector<std::int64_t> K;           // per node: steps on its two child branches
    std::vector<int> PlaceList;
    // Scratch of ScorePlaces.
    std::vector<std::uint64_t> Added;
    std::vector<std::int64_t> H, Deltas;
    std::vector<int> Pre;
    std::vector<std::uint64_t> AllBits;
};
