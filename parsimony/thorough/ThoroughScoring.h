#pragma once
// What the thorough search, tree fusing and drift ask of a scorer, so that
// one search serves every criterion: TThoroughScorer counts Camin-Sokal on
// the packed path sets (the hot path, whose inner loops stay free of virtual
// calls), TCriteriaThoroughScorer adds the reversible characters of a
// TCriteriaCoding. Virtual at the level of a whole climb or build only.
//
//   std::unique_ptr<TThoroughScoring> scorer = make();   // a TScoringMaker
//   scorer->BuildByAddition(rng);
//   scorer->Climb(TSwapRule::Tbr, rng, &stop);
//   scorer->SetCharacterWeights(ratchetWeights);  // then {} for the run's own
#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "parsimony/Random.h"
#include "parsimony/thorough/ThoroughTree.h"

enum class TSwapRule { Spr, Tbr };

class TThoroughScoring {
public:
    virtual ~TThoroughScoring() = default;

    // Weights per character (index 1..C in the data's numbering) for every
    // later evaluation; empty: the run's own weights. The current tree is
    // evaluated again.
    virtual void SetCharacterWeights(const std::vector<int>& weights) = 0;

    // Takes the tree and evaluates it.
    virtual void Load(const TCompactTree& tree) = 0;
    virtual const TCompactTree& Tree() const = 0;
    virtual std::int64_t Length() const = 0;
    // Steps on the branch above every vertex (0 for the root); empty when
    // the criteria leave them ambiguous.
    virtual std::vector<std::int64_t> BranchFits() const = 0;
    // A full evaluation of any tree; the loaded tree stays as it is.
    virtual std::int64_t FullLength(const TCompactTree& tree) = 0;

    // A new tree over all objects, added in random order, each in its best
    // place (ties drawn at random). False when *stop ended it early.
    virtual bool BuildByAddition(TRandom& rng, const std::atomic<bool>* stop = nullptr) = 0;
    // Hill climbing by SPR or TBR; an improving move is taken at once.
    // Returns the moves taken; stops early when *stop becomes true.
    virtual int Climb(TSwapRule rule, TRandom& rng, const std::atomic<bool>* stop) = 0;
    // Trees a climb may move to; empty: every tree. Only improving moves are
    // checked, the shortest first.
    virtual void SetAcceptance(std::function<bool(const TCompactTree&)> accept) = 0;

    // Every move of one clip at once: length of the pruned tree, regraft
    // cost above every vertex of the pruned tree (-1 elsewhere) and length
    // inside the clipped part rooted above each of its vertices other than
    // its root (-1 elsewhere; all -1 where the regraft cost depends on the
    // rooting, so that only the clipped part's own rooting is offered).
    struct TClipMoves {
        std::int64_t PrunedLength = 0;
        std::vector<std::int64_t> Regraft, Reroot;
    };
    virtual TClipMoves AllMoves(int clip) = 0;
    // The same with regraft costs only at `top` and below it (-1 elsewhere);
    // top is a vertex outside the clipped part (the clip's parent stands for
    // its sibling, which takes its place). A sector's search needs no more.
    virtual TClipMoves AllMovesBelow(int clip, int top) { return AllMoves(clip); }
    // The tree after clipping `clip`, rooting the clipped part on the branch
    // above `rerootAt` (a vertex inside it; its root or a child of it keeps
    // the rooting) and regrafting above `regraftAbove`.
    static void ApplyMove(TCompactTree& tree, int clip, int rerootAt, int regraftAbove);

    // Accepted moves whose predicted length differed from the full
    // evaluation (always 0 unless the incremental counts are wrong).
    virtual int Mismatches() const = 0;
};

// Makes a scorer for one thread, already weighted with the run's own weights.
using TScoringMaker = std::function<std::unique_ptr<TThoroughScoring>()>;
