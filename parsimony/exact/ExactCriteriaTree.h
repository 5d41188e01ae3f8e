#pragma once
// The exact search's partial tree when characters have other criteria than
// Camin-Sokal: the irreversible characters on the bits of an exact field (as
// TPartialTree counts them), the others on a reversible field, whose steps
// where an object joins are those of the edge sets (ReversibleField.h).
//
// Without irreversible characters the root does not count: the trees are
// unrooted, enumerated once each with the first object of the order (the
// outgroup) beside the root, so that no object joins above the root or the
// outgroup. With them every rooted tree is searched.
//
//   TCriteriaKind kind(n, &exactField, &groupBound, &reversibleBounds, unrooted,
//                      objectBound, groupBound, placeBound);  // null: no such characters
//   TCriteriaPartialTree t(kind);  // or kind.MakeTree()
//   t.Start(a, b); t.ScorePlaces(x); t.Length() + t.Delta(v); u.CopyFrom(t); u.Insert(v, x);
//   TCriteriaKind::Bounder bound(kind, order); bound.Of(t, best);  // no completion is shorter
#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

#include "parsimony/exact/ExactCriteriaBound.h"
#include "parsimony/exact/ExactField.h"
#include "parsimony/exact/ExactPartial.h"
#include "parsimony/exact/ExactWorker.h"
#include "parsimony/length/ReversibleField.h"

class TCriteriaPartialTree;

struct TCriteriaKind {
    using Tree = TCriteriaPartialTree;
    // caminSokal: null without irreversible characters; reversible: null
    // without others.
    TCriteriaKind(int objects, const TExactField* caminSokal, const TGroupBound* caminSokalBound,
                  const TReversibleBounds* reversible, bool unrooted, bool objectBound,
                  bool groupBound, bool placeBound);

    int N;
    std::optional<TCaminSokalKind> CaminSokal;
    const TReversibleBounds* Reversible;
    bool Unrooted;
    bool ObjectBound, GroupBound, PlaceBound;

    int Objects() const { return N; }
    // Unrooted: every branch but the outgroup's two (one branch of the
    // unrooted tree); rooted: every branch and above the root.
    int PlaceCount(int m) const { return Unrooted ? 2 * m - 3 : 2 * m - 1; }
    std::unique_ptr<TCriteriaPartialTree> MakeTree() const;

    class Bounder {
    public:
        Bounder(const TCriteriaKind& kind, const std::vector<int>& order);
        std::int64_t Of(TCriteriaPartialTree& tree, std::int64_t best);
        bool Shrinks() const { return false; }

    private:
        // The steps the reversible characters (but those in skip, one word
        // per block, if given) still add, at least; the costly part only
        // where it may reach cut (ExactNoBound: always) ...
        std::int64_t ReversibleExtra(TCriteriaPartialTree& tree, const std::uint64_t* skip,
                                     std::int64_t cut);
        // ... and the same with the best completion of the objects still to add.
        std::int64_t Completion(TCriteriaPartialTree& tree);

        const TCriteriaKind& K;
        const std::vector<int>& Order;
        std::optional<TCaminSokalKind::Bounder> CaminSokal;
        TReversibleBoundScratch Scratch;
    };
};

class TCriteriaPartialTree {
public:
    explicit TCriteriaPartialTree(const TCriteriaKind& kind);

    void Start(int objectA, int objectB);
    void CopyFrom(const TCriteriaPartialTree& other);
    void Insert(int v, int x);

    int Tips() const { return M; }
    std::int64_t Length() const { return CaminSokalLength() + ReversibleLength; }
    // After ScorePlaces: the cheapest places first.
    const std::vector<int>& Places() const { return PlaceList; }
    void ScorePlaces(int x);
    std::int64_t Delta(int v) const { return Deltas[static_cast<size_t>(v)]; }
    void CladesWith(int v, int x, std::vector<std::uint64_t>& out) const;
    void Clades(std::vector<std::uint64_t>& out) const;

    // For the bounds.
    TPartialTree* CaminSokal() { return CaminSokalTree.get(); }
    std::int64_t CaminSokalLength() const { return CaminSokalTree ? CaminSokalTree->Length() : 0; }
    std::int64_t ReversibleSteps() const { return ReversibleLength; }
    // The reversible sets after the up pass (made on first use).
    const TReversibleScorer& EdgeSets();
    TTreeView View() const;
    int TipObject(int tip) const { return Objects[static_cast<size_t>(tip)]; }

private:
    void BuildPlaces();
    void Rescore();

    const TCriteriaKind* K;
    int N;
    int M = 0;
    int RootVertex = -1;
    std::vector<int> Objects;              // per tip
    std::vector<int> Up;                   // per vertex, -1 for the root
    std::vector<std::array<int, 2>> Down;  // per vertex
    std::vector<int> PlaceList;
    std::vector<std::int64_t> Deltas;
    std::unique_ptr<TPartialTree> CaminSokalTree;
    std::unique_ptr<TReversibleScorer> Scorer;
    std::int64_t ReversibleLength = 0;
    bool Stale = false;  // the reversible sets are not this tree's
    bool EdgesMade = false;
};
