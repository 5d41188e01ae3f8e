#pragma once
// The tree length as the evolutionary search asks for it. The fast scoring
// (here) and the literal definition (library varno_parsimony_reference, for
// tests and benchmarks) sit behind one interface, chosen once per search;
// both must give the same lengths, insertion points and swap lengths.
//
//   std::unique_ptr<TSearchScorer> scorer = MakeFastScorer(field, objects, characters, true);
//   scorer->Evaluate(tree);                          // derived fields, fits, Fitness
//   TInsertionPoint at = scorer->BestInsertion(tree, object);  // where the next object goes
//   scorer->StartSwapping(slots);                    // then, for each population slot k:
//   scorer->Remember(k, tree);                       //   its tree as it stands
//   tree0.Fitness = scorer->SwapLength(k, tree0, swap);  // slot k's tree after the swap
//   scorer->EndSwapping();
//
// One scorer per thread: implementations keep scratch buffers.
#include <cstdint>
#include <functional>
#include <memory>

#include "parsimony/length/MakeTree.h"

// The two parts a branch swap exchanged (tip or node numbers).
struct TSwapParts {
    int NumA = 0;
    bool TipA = true;
    int NumB = 0;
    bool TipB = true;
};

class TSearchScorer {
public:
    virtual ~TSearchScorer() = default;

    // The scoring rule: the missing-data rule (true) or the plain one.
    virtual bool MissingData() const = 0;

    // Every derived field, the fits and Fitness of the tree under the rule.
    virtual void Evaluate(TTree& tree) = 0;

    // Where `object` joins a tree of m tips: tried above tips 1..m, then
    // nodes 1..m-1; the first shortest place wins.
    virtual TInsertionPoint BestInsertion(const TTree& tree, int object) = 0;

    // Swap scoring over population slots 0..slotCount-1.
    virtual void StartSwapping(int slotCount) = 0;
    virtual void Remember(int slot, const TTree& tree) = 0;
    // The length of slot's remembered tree after the swap; `swapped` is that
    // tree with the swap applied (its parent links; derived fields stale).
    virtual std::int64_t SwapLength(int slot, TTree& swapped, const TSwapParts& swap) = 0;
    virtual void EndSwapping() = 0;
};

// Makes the scorer of a search from the coded characters (objects and
// characters 1-based) and the rule.
using TScorerFactory = std::function<std::unique_ptr<TSearchScorer>(
    const TSField& charField, int objectCount, int characterCount, bool missingData)>;

// Bit-packed sets, incremental insertion and swap scoring: for real runs.
std::unique_ptr<TSearchScorer> MakeFastScorer(const TSField& charField, int objectCount,
                                              int characterCount, bool missingData);
