#pragma once
// Tree length and branch swapping for the thorough search, on trees of any
// size (TCompactTree). Camin-Sokal counts on the packed path sets, exactly as
// TTreeScorer counts them, optionally with a weight per character.
//
// A clipped subtree meets the rest of the tree only through its root's sets,
// and those do not depend on where the subtree is rooted (a node's set is the
// intersection over the objects below it). So a TBR move's length splits into
//   length of the pruned tree + length inside the rerooted subtree
//                             + cost of regrafting its root set above a vertex,
// and the best move for one clip is the best rerooting plus the best regraft.
// Regraft costs come from one walk down the pruned tree with a running count
// that never decreases, so whole parts of the tree are skipped once that count
// reaches the best move so far.
//
//   TThoroughScorer scorer(packed, true);
//   scorer.BuildByAddition(rng);              // random addition sequence
//   scorer.Climb(TSwapRule::Tbr, rng, &stop);  // TBR to a local optimum
//   std::int64_t length = scorer.Length();
//
// One scorer per thread: it keeps its tree and scratch buffers.
#include <atomic>
#include <cstdint>
#include <functional>
#include <vector>

#include "parsimony/Random.h"
#include "parsimony/length/PackedStates.h"
#include "parsimony/thorough/ThoroughScoring.h"
#include "parsimony/thorough/ThoroughTree.h"

// Where each character's states lie in the packed bits: the layout of
// TPackedField (first bit and number of bits, index 1..characterCount).
struct TPackedLayout {
    std::vector<int> Offset, Width;
    int Words = 1;
};
TPackedLayout PackedLayout(const TSField& charField, int objectCount, int characterCount);

// Per-bit weights kept as bit planes: bit b weighs sum of 2^j over the planes
// j that hold it. Built from one weight per character (0..255).
struct TBitWeights {
    int Planes = 0;                   // 0: every bit weighs 1
    std::vector<std::uint64_t> Bits;  // max(2, Planes) * words
};
TBitWeights WeightsFromCharacters(const TPackedLayout& layout, const std::vector<int>& weights);

class TThoroughScorer final : public TThoroughScoring {
public:
    // layout and baseWeights (per character 1..C) serve SetCharacterWeights;
    // without a layout every character weighs 1 there.
    TThoroughScorer(const TPackedField& field, bool missingData,
                    const TPackedLayout* layout = nullptr,
                    const std::vector<int>& baseWeights = {});

    // Weights for every later evaluation (nullptr or no planes: all 1). The
    // current tree is evaluated again.
    void SetWeights(const TBitWeights* weights);
    void SetCharacterWeights(const std::vector<int>& weights) override;

    // Takes the tree and evaluates it.
    void Load(const TCompactTree& tree) override;
    const TCompactTree& Tree() const override { return T; }
    std::int64_t Length() const override { return L; }
    // Steps on the branch above every vertex (0 for the root).
    std::vector<std::int64_t> BranchFits() const override;
    // A full evaluation of any tree with the scorer's rule and weights; the
    // loaded tree stays as it is.
    std::int64_t FullLength(const TCompactTree& tree) override;

    // A new tree over all objects, added in random order, each in its best
    // place (ties drawn at random). False when *stop ended it early (the
    // tree is then incomplete and must not be used).
    bool BuildByAddition(TRandom& rng, const std::atomic<bool>* stop = nullptr) override;

    // Hill climbing: every clip, every regraft (and under TBR every rooting
    // of the clipped part); an improving move is taken at once. Returns the
    // moves taken; stops early when *stop becomes true.
    int Climb(TSwapRule rule, TRandom& rng, const std::atomic<bool>* stop) override;

    // Trees a climb may move to; empty: every tree. Bremer support climbs
    // among the trees without a group this way. Only improving moves are
    // checked, the shortest first; the current tree is not checked.
    void SetAcceptance(std::function<bool(const TCompactTree&)> accept) override
    {
        Accept = std::move(accept);
    }

    // Every move of one clip at once, for checking (see TThoroughScoring);
    // under Camin-Sokal the regraft cost does not depend on the rooting.
    TClipMoves AllMoves(int clip) override;
    TClipMoves AllMovesBelow(int clip, int top) override;

    int Mismatches() const override { return MismatchCount; }

private:
    template <bool Missing, bool Weighted>
    void Evaluate();
    template <bool Missing, bool Weighted>
    std::int64_t Combine(const std::uint64_t* s1, const std::uint64_t* m1, const std::uint64_t* s2,
                         const std::uint64_t* m2, std::uint64_t* s, std::uint64_t* m) const;
    template <bool Missing, bool Weighted>
    std::int64_t Prune(int clip);
    void Restore();
    template <bool Missing, bool Weighted, typename F>
    void Regraft(int root, const std::uint64_t* sx, const std::uint64_t* mx, std::int64_t& bound,
                 F&& found);
    // Regraft's walk down from start, whose count is g.
    template <bool Missing, bool Weighted, typename F>
    void RegraftWalk(int start, std::int64_t g, const std::uint64_t* sx, const std::uint64_t* mx,
                     std::int64_t& bound, F&& found);
    template <bool Missing, bool Weighted, typename F>
    void Reroot(int clip, F&& found);
    template <bool Missing, bool Weighted, typename F>
    void RegraftBelow(int top, const std::uint64_t* sx, const std::uint64_t* mx, F&& found);
    template <bool Missing, bool Weighted>
    bool TryClip(int clip, TSwapRule rule);
    template <bool Missing, bool Weighted>
    bool TryClipChecked(int clip, TSwapRule rule);
    template <bool Missing, bool Weighted>
    bool Build(TRandom& rng, const std::atomic<bool>* stop);
    template <bool Missing, bool Weighted>
    std::int64_t Steps(const std::uint64_t* child, const std::uint64_t* parent) const;
    template <bool Missing, bool Weighted>
    void RecomputeUp(int v);
    template <bool Missing, bool Weighted>
    int ClimbWith(TSwapRule rule, TRandom& rng, const std::atomic<bool>* stop);
    void EvaluateAny();

    std::uint64_t* SetS(int v)
    {
        return S.data() + static_cast<size_t>(v) * static_cast<size_t>(W);
    }
    std::uint64_t* SetM(int v)
    {
        return M.data() + static_cast<size_t>(v) * static_cast<size_t>(W);
    }

    const TPackedField* Field;
    const TPackedLayout* Layout;
    TBitWeights Base;  // the run's own weights
    bool MissingRule;
    int W;
    int N;  // objects
    TBitWeights Weights;
    TCompactTree T;
    std::int64_t L = 0;
    std::vector<std::uint64_t> S, M;  // per vertex sets
    std::vector<std::int64_t> K;      // per inner vertex: steps on its two child branches
    std::vector<std::int64_t> Sub;    // per vertex: length inside its subtree
    std::vector<int> Order;           // scratch: postorder
    // Pruning scratch: vertices whose sets were overwritten, and their old values.
    struct TSaved {
        int Vertex;
        std::int64_t K;
    };
    std::vector<TSaved> Saved;
    std::vector<std::uint64_t> SavedBits;
    int PrunedParent = -1, PrunedSibling = -1, PrunedGrand = -1, PrunedRoot = -1;
    std::vector<std::uint64_t> U, UM;  // rerooting: sets of the rest of the clipped part
    std::vector<std::int64_t> UpLen;   // and its length
    std::vector<std::pair<int, std::int64_t>> Stack;
    int MismatchCount = 0;
    std::function<bool(const TCompactTree&)> Accept;
};
