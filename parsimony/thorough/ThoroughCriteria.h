#pragma once
// The thorough search's scorer for data coded under several criteria: the
// irreversible characters counted Camin-Sokal on their path sets (through
// TThoroughScorer), the others by the reversible kernels; the lengths add.
//
// A move's length splits in both parts: Camin-Sokal as TThoroughScorer
// splits it (pruned tree + inside the clipped part + regraft), the
// reversible part as rest + clipped part + join cost of the clipped part's
// edge set (which, unlike Camin-Sokal's root set, depends on where the part
// is rooted). So every move is priced without evaluating the moved tree.
//
//   TCriteriaScoringData data(coding, missing, weights);   // once per run
//   TCriteriaThoroughScorer scorer(data);                  // one per thread
//   scorer.BuildByAddition(rng);
//   scorer.Climb(TSwapRule::Tbr, rng, &stop);
#include <memory>
#include <optional>

#include "parsimony/length/CriteriaCoding.h"
#include "parsimony/length/PackedStates.h"
#include "parsimony/length/ReversibleField.h"
#include "parsimony/thorough/ThoroughScorer.h"
#include "parsimony/thorough/ThoroughScoring.h"

// What every thread's scorer shares: the packed Camin-Sokal part, the
// reversible field under the run's own weights.
struct TCriteriaScoringData {
    TCriteriaScoringData(const TCriteriaCoding& coding, bool missing, std::vector<int> weights);
    const TCriteriaCoding* Coding;
    bool Missing;
    int Objects = 0;
    std::vector<int> Weights;  // the run's own, per character 1..C; empty: all 1
    int CaminSokalCount = 0;
    TPackedField Packed;  // the irreversible characters
    TPackedLayout Layout;
    std::vector<int> CaminSokalWeights;     // in their own numbering
    std::optional<TReversibleField> Field;  // the others, under Weights
};

class TCriteriaThoroughScorer final : public TThoroughScoring {
public:
    explicit TCriteriaThoroughScorer(const TCriteriaScoringData& data);
    ~TCriteriaThoroughScorer() override;

    void SetCharacterWeights(const std::vector<int>& weights) override;
    void Load(const TCompactTree& tree) override;
    const TCompactTree& Tree() const override { return T; }
    std::int64_t Length() const override { return L; }
    // Empty: reversible changes are ambiguous on a branch.
    std::vector<std::int64_t> BranchFits() const override { return {}; }
    std::int64_t FullLength(const TCompactTree& tree) override;
    bool BuildByAddition(TRandom& rng, const std::atomic<bool>* stop = nullptr) override;
    int Climb(TSwapRule rule, TRandom& rng, const std::atomic<bool>* stop) override;
    void SetAcceptance(std::function<bool(const TCompactTree&)> accept) override
    {
        Accept = std::move(accept);
    }
    // The clipped part keeps its rooting (Reroot all -1): the reversible
    // join cost depends on the rooting.
    TClipMoves AllMoves(int clip) override;
    TClipMoves AllMovesBelow(int clip, int top) override;
    int Mismatches() const override { return MismatchCount; }

private:
    struct TWeighted;
    void Evaluate();
    bool TryClip(int clip, TSwapRule rule);
    // Unlinks the clip (its sibling takes its parent's place) and readies
    // the reversible sets of both parts; returns the length of the rest.
    std::int64_t Detach(int clip, bool rerootings);
    void Attach(int clip);
    std::vector<int> Below(int root) const;

    const TCriteriaScoringData* D;
    std::optional<TThoroughScorer> Cs;  // none without irreversible characters
    std::unique_ptr<TReversibleScorer> BaseRev;
    TReversibleScorer* Rev = nullptr;               // the one of the current weights
    std::vector<std::unique_ptr<TWeighted>> Cache;  // reweighted fields, recent last
    TCompactTree T;
    std::int64_t L = 0, CsL = 0;
    int MismatchCount = 0;
    bool UpPassKept = false;  // Rev keeps the up pass of T (see KeepUpPass)
    std::function<bool(const TCompactTree&)> Accept;
    // Scratch of one clip.
    int Parent = -1, Sibling = -1, Grand = -1;
};

// The tree rooted on the branch above tip (0-based vertex), its clades
// otherwise the same; as it is when it has fewer than three tips.
TCompactTree RootedAtTip(const TCompactTree& tree, int tip);

// A scorer maker for a coding: Camin-Sokal alone (TThoroughScorer) when no
// character is reversible, else TCriteriaThoroughScorer. data must outlive
// the scorers.
TScoringMaker CriteriaScoringMaker(const TCriteriaScoringData& data);
