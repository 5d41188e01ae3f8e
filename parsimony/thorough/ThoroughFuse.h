#pragma once
// Tree fusing and tree drift (Goloboff 1999) for the driven thorough search.
// Both work only through the scorer's moves and full evaluations, so they
// hold for any scorer with that interface.
//
//   std::int64_t len = FuseInto(scorer, tree, len, other);  // shorter or same
//   TTreeDrift drift(make, weights, characters);   // make: a TScoringMaker
//   drift.Run(scorer, rng, settings, &stop);  // scorer's tree drifts
//
// Fusing: a subtree of `into` is replaced by the subtree of `from` over the
// same objects whenever the whole tree, scored from scratch, gets shorter.
// Drift: TBR moves to trees no better, accepted when the length grows by at
// most MaxSteps, with a chance that falls with the relative fit difference
// (F - C) / F, F the steps of the characters that favour the current tree and
// C those of the characters that favour the new one (counted over groups of
// characters, which can only make it larger).
#include <atomic>
#include <cstdint>
#include <vector>

#include "parsimony/Random.h"
#include "parsimony/thorough/ThoroughScorer.h"

// The better of the trees reached by fusing `from` into `into`; `length` is
// the full length of `into`. Returns the new length (never longer).
std::int64_t FuseInto(TThoroughScoring& scorer, TCompactTree& into, std::int64_t length,
                      const TCompactTree& from);

struct TDriftSettings {
    int MaxSteps = 2;     // longest a drifted tree may get per move
    double MaxRfd = 0.1;  // worse moves with a larger relative fit difference are refused
    int Moves = 20;       // moves to no shorter trees per drift cycle
};

class TTreeDrift {
public:
    // Helpers from make; weights: the run's own per character (1..characters).
    TTreeDrift(const TScoringMaker& make, const std::vector<int>& weights, int characters);
    // Camin-Sokal on a packed field (packed and layout must outlive the drift).
    TTreeDrift(const TPackedField& packed, const TPackedLayout& layout,
               const std::vector<int>& weights, bool missing);
    // Drifts the scorer's tree; the scorer ends on the drifted tree. Returns
    // the moves taken.
    int Run(TThoroughScoring& scorer, TRandom& rng, const TDriftSettings& settings,
            const std::atomic<bool>* stop);
    // Relative fit difference of b against a (0 when b is no longer), over
    // groups of characters.
    double RelativeFitDifference(const TCompactTree& a, const TCompactTree& b);
    int Mismatches() const { return MismatchCount; }

private:
    void Group(const std::vector<int>& weights, int characters, const std::vector<int>* widths);
    std::unique_ptr<TThoroughScoring> HelperA, HelperB;
    static constexpr int DriftGroups = 16;
    std::vector<std::vector<int>> Single;  // per group of characters: those alone
    int MismatchCount = 0;
};
