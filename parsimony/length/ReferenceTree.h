#pragma once
// The tree length computed literally: every node's set is the intersection
// over its object list, every fit a symmetric difference. Slow; kept to check
// the fast scoring against and to measure it.
#include "parsimony/length/MakeTree.h"
#include "parsimony/length/SearchScorer.h"

// Node and tip states of the last evaluation, indexed [tip or node][character].
struct TReferenceStates {
    std::vector<TIncArr> Tips;
    std::vector<TIncArr> Nodes;
};

// Derived fields, fits and Fitness exactly as defined; returns the states.
TReferenceStates ReferenceEvaluateTree(TTree& tree, const TSField& charField, bool missingData);

// Steps of character c counted with the missing-data rule on the given states,
// then a fresh evaluation with the missing-data rule.
double ReferenceComputeCharSteps(TTree& tree, int c, const TSField& charField,
                                 const TReferenceStates& states);

// The search's scorer on the literal definition: every insertion point and
// every swapped tree is evaluated in full, as written.
//   TParsimonySearch search(field, objects, characters, settings, MakeReferenceScorer);
std::unique_ptr<TSearchScorer> MakeReferenceScorer(const TSField& charField, int objectCount,
                                                   int characterCount, bool missingData);
