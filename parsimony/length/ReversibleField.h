#pragma once
// Tree length under the reversible criteria (unordered, ordered, state tree
// reversible), bit-parallel, and the pieces a branch-swapping search needs to
// score a move without evaluating the moved tree.
//
// Every character becomes Fitch characters: an unordered one stays as it is;
// an ordered or state-tree one becomes one binary character per state-tree
// edge (the states below the edge are 1), whose Fitch lengths add up to the
// additive length. Fitch characters are packed 64 to a block with one word
// per state (a bit plane), so a node's sets of 64 characters take a few word
// operations.
//
// A set of several states is uncertainty: the length is the least over the
// states of the set ("?" is every state). Under the ordered and state-tree
// criteria the binary coding reads a set as the connected part of the state
// tree that holds it (ordered: the range from its lowest to its highest
// state), which is how the binary coding reads it; WidenedCells() counts the
// cells read wider than written.
//
// A move: when a part P with root set x joins the branch above v of the rest
// R of the tree, the new length is exactly
//   Length(R) + Length(P) + JoinCost(x, v),
// JoinCost counting the characters whose edge set at v (the sets of both
// sides of that branch combined) does not meet x (Goloboff 1996). The length
// does not depend on the root, so under TBR x is the edge set of the branch
// of P it is rooted on anew.
//
//   TResult<TReversibleField> field = TReversibleField::Make(characters, objects);
//   TReversibleScorer scorer(*field);
//   std::int64_t length = scorer.DownPass(ViewOf(compactTree));
//   // SPR of the part below `clip`: unlink it, then
//   std::int64_t rest = scorer.UpdatePath(pruned, grandParent);  // R's length
//   scorer.UpPass(pruned);
//   std::int64_t after = rest + scorer.LengthBelow(clip) + scorer.JoinCost(scorer.Down(clip), v);
//   // TBR: scorer.UpPass(part rooted at clip); x = scorer.Edge(w) for the new rooting.
//   // Back on the whole tree: scorer.UpdatePath(tree, grandParent).
//
// Objects are 1-based; in a tree, vertices 0..Tips-1 are tips and tip v holds
// object v + 1 unless TipObject says otherwise (the thorough search's trees).
#include <QStringList>
#include <array>
#include <cstdint>
#include <vector>

#include "data/Global.h"
#include "data/Result.h"
#include "parsimony/length/Criterion.h"
#include "parsimony/length/MakeTree.h"

// One character as the reversible criteria read it.
struct TReversibleCharacter {
    TCriterion Criterion = TCriterion::Unordered;  // not Irreversible
    int StateCount = 0;                            // states 0..StateCount-1, at most 256
    // State tree, reversible: each state's parent, -1 for the one root.
    std::vector<int> Parent;
    // Per object 1..N its states; the empty set and the set of all states are "?".
    TNumbered<TInclusion> Cells;
    int Weight = 1;          // 0 leaves the character out
    QStringList StateNames;  // by state, where the data name them (for tables of changes)
};

// A rooted binary tree as vertex arrays, without owning them. Only the
// vertices below Root take part; UpdatePath also follows Parent.
struct TTreeView {
    int Root = -1;
    const int* Parent = nullptr;                // per vertex, -1 above the root
    const std::array<int, 2>* Child = nullptr;  // per inner vertex
    int Tips = 0;                               // vertices 0..Tips-1 are tips
    const int* TipObject = nullptr;             // per tip vertex its object; nullptr: v + 1
};

// Any tree with the members Root, Parent, Child and Tips (TCompactTree).
template <class Tree>
TTreeView ViewOf(const Tree& tree)
{
    return {tree.Root, tree.Parent.data(), tree.Child.data(), tree.Tips, nullptr};
}

// A TTree in vertex form: tip i is vertex i - 1, node j vertex T + j - 1.
struct TTreeLinks {
    int Tips = 0;
    int Root = -1;
    std::vector<int> Parent, TipObject;
    std::vector<std::array<int, 2>> Child;
    TTreeView View() const { return {Root, Parent.data(), Child.data(), Tips, TipObject.data()}; }
};
TTreeLinks LinksOf(const TTree& tree);

// 64 packed Fitch characters of one weight: Planes words from Offset on,
// word p holding state p of each.
struct TFitchBlock {
    int Offset = 0;
    int Planes = 0;
    std::int64_t Weight = 1;
};

class TReversibleField {
public:
    // Refuses characters it cannot score (irreversible ones, more than 256
    // states, states beyond StateCount, a broken state tree) with the reason.
    static TResult<TReversibleField> Make(const TNumbered<TReversibleCharacter>& characters,
                                          int objectCount);

    int ObjectCount() const { return Objects; }
    int CharacterCount() const { return Characters; }
    // Words of one vertex's sets.
    int Words() const { return WordCount; }
    const std::vector<TFitchBlock>& Blocks() const { return BlockList; }
    // The sets of object o (1..N).
    const std::uint64_t* Tip(int object) const
    {
        return TipBits.data() + static_cast<size_t>(object) * static_cast<size_t>(WordCount);
    }
    // The character (1-based) a packed Fitch character counts for; 0 for padding.
    int CharacterOf(int block, int bit) const
    {
        return SlotCharacter[static_cast<size_t>(block * 64 + bit)];
    }
    // Fitch characters packed (characters that cost nothing on any tree are left out).
    int FitchCount() const { return Packed; }
    // Cells of ordered and state-tree characters read as a wider, connected set.
    int WidenedCells() const { return Widened; }

private:
    int Objects = 0;
    int Characters = 0;
    int WordCount = 0;
    int Packed = 0;
    int Widened = 0;
    std::vector<TFitchBlock> BlockList;
    std::vector<std::uint64_t> TipBits;  // object-major, slot 0 unused
    std::vector<int> SlotCharacter;      // per block and bit
};

// Scores trees of one field. Keeps every vertex's sets of the last passes,
// so a search asks for moves on them; one scorer per thread.
class TReversibleScorer {
public:
    explicit TReversibleScorer(const TReversibleField& field);

    const TReversibleField& Field() const { return *F; }

    // Down pass below tree.Root: every vertex's set from its children's and
    // the length below it. Returns the tree's length.
    std::int64_t DownPass(const TTreeView& tree);
    // After the links changed at or below v: the sets from v up to the root
    // again (every other vertex keeps its own). Returns the tree's length.
    std::int64_t UpdatePath(const TTreeView& tree, int v);
    // After the down pass of the same tree: up and edge sets below tree.Root.
    // Writes only the vertices below tree.Root, so the rest of a tree and a
    // part cut from it can be kept at once.
    void UpPass(const TTreeView& tree);

    // For the many clips of one tree (SPR, TBR): KeepUpPass(whole) runs
    // UpPass on the whole tree and keeps its sets. After a part is cut off
    // and UpdatePath(rest, changedAt) ran (changedAt: the vertex that lost a
    // child, -1 when the old root went), UpPassRest(rest, changedAt) leaves
    // the rest with the sets UpPass would, recomputing only where they differ
    // from the kept ones (a subtree whose set from above is unchanged keeps
    // all of its own). RestoreUpPass() puts the kept sets back, also over
    // what an UpPass of the cut part wrote since, for the next clip.
    void KeepUpPass(const TTreeView& whole);
    void UpPassRest(const TTreeView& rest, int changedAt);
    void RestoreUpPass();

    // The part below v (a tip: its object's sets).
    const std::uint64_t* Down(int v) const { return DownPtr[static_cast<size_t>(v)]; }
    // The rest of the tree, seen from the branch above v (not for the root).
    const std::uint64_t* Up(int v) const { return U.data() + Index(v); }
    // The branch above v, both sides combined; the root's is Down(root).
    const std::uint64_t* Edge(int v) const { return E.data() + Index(v); }
    std::int64_t LengthBelow(int v) const { return Sub[static_cast<size_t>(v)]; }

    // Steps added when a part with root set x joins the branch above v (at
    // the root: a new root above it).
    std::int64_t JoinCost(const std::uint64_t* x, int v) const;
    // The same, but stops once the count reaches limit (then some value >= limit).
    std::int64_t JoinCostBelow(const std::uint64_t* x, int v, std::int64_t limit) const;

    // Steps of each character (index 1..C, unweighted; 0 for those of weight
    // 0, which are left out) on the tree.
    std::vector<std::int64_t> CharacterSteps(const TTreeView& tree);

private:
    size_t Index(int v) const { return static_cast<size_t>(v) * static_cast<size_t>(W); }
    std::uint64_t* OwnDown(int v) { return D.data() + Index(v); }
    const std::uint64_t* TipSet(const TTreeView& tree, int v) const
    {
        return F->Tip(tree.TipObject ? tree.TipObject[v] : v + 1);
    }
    std::int64_t CombineAt(const TTreeView& tree, int v);
    void BuildPostOrder(const TTreeView& tree);

    const TReversibleField* F;
    int W;
    std::vector<std::uint64_t> D, U, E;         // per vertex: down, up and edge sets
    std::vector<const std::uint64_t*> DownPtr;  // per vertex: where its down set lives
    std::vector<std::int64_t> Sub;              // per vertex: length below it
    std::vector<int> Order;                     // scratch: inner vertices, children first
    std::vector<std::uint64_t> Changed;         // scratch: per block, characters that change
    // KeepUpPass: the kept up and edge sets, and the vertices written since.
    std::vector<std::uint64_t> KeptU, KeptE;
    bool Keeping = false;
    std::vector<int> Touched;
    std::vector<char> IsTouched, OnPath;
    void Touch(int v)
    {
        if (Keeping && !IsTouched[static_cast<size_t>(v)]) {
            IsTouched[static_cast<size_t>(v)] = 1;
            Touched.push_back(v);
        }
    }
};
