#pragma once
// Scoring a branch swap on a population tree without evaluating the whole
// tree: only the nodes above the two swapped parts change, so only their sets
// are recomputed; every other node keeps the sets remembered for its slot.
// Gives exactly the length a full evaluation gives.
#include <array>
#include <cstdint>
#include <vector>

#include "parsimony/length/PackedStates.h"

class TSwapScorer {
public:
    TSwapScorer(const TPackedField& field, bool missingData, int slotCount);

    // Evaluates the tree and remembers its node sets for the slot; returns its length.
    std::int64_t Remember(int slot, const TTree& tree);
    // The length of the slot's remembered tree after part a and part b (tip
    // or node numbers; neither above the other, not sisters) trade parents.
    std::int64_t SwapLength(int slot, int numA, bool tipA, int numB, bool tipB);

private:
    struct TSlot {
        std::vector<std::uint64_t> S, M;           // per node vertex
        std::vector<std::int64_t> K;               // per node: steps on its two child branches
        std::vector<int> Parent;                   // per vertex, -1 for the root
        std::vector<std::array<int, 2>> Children;  // per node vertex
        std::vector<int> TipObject;                // per tip
        std::int64_t Length = 0;
    };
    size_t Vertex(int num, bool isTip) const
    {
        return isTip ? static_cast<size_t>(num) : static_cast<size_t>(MaxTips + num);
    }
    const std::uint64_t* SetOf(const TSlot& slot, int v) const;
    const std::uint64_t* MaskOf(const TSlot& slot, int v) const;

    const TPackedField* Field;
    bool Missing;
    int W;
    int MaxTips;
    std::vector<TSlot> Slots;
    std::vector<std::uint64_t> NewS, NewM;  // scratch: changed node sets
    std::vector<unsigned> Stamp;            // scratch: which nodes changed in this call
    unsigned Call = 0;
    std::vector<int> Order, Second;
};
