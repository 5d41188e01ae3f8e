#pragma once
// Bremer support (decay index) of every group of the shortest trees: the
// shortest length among trees that do not hold the group, minus the shortest
// length. The trees without a group are searched by thorough searches under
// a converse constraint (every move that would form the group is refused).
// Up to ExactObjects objects, branch and bound over every rooted tree proves
// the lengths; otherwise a value is an upper bound (a heuristic search may
// miss shorter trees without the group).
//
// Use: `TBremerSettings s; s.Seed = 1; s.Threads = 2;
//       TResult<TBremerResult> r = RunBremer(field, objectCount, characterCount, s);
//       if (!r) report(r.Error());  // refused, or "Bremer support cancelled."
//       QString nwk = WriteNewickTree(ConsensusToNewick(r->Tree, field.Names, true));`
#include <QStringList>
#include <cstdint>
#include <functional>
#include <vector>

#include "data/Result.h"
#include "parsimony/summaries/Consensus.h"
#include "parsimony/thorough/ThoroughTree.h"

struct TCriteriaCoding;

struct TBremerSettings {
    std::uint64_t Seed = 1;
    int Threads = 1;
    bool MissingData = true;
    int Additions = 10;     // addition sequences per search
    int HitLimit = 3;       // a search stops once this many found its best length
    int Ratchet = 5;        // ratchet iterations per addition sequence
    int MaxTrees = 100;     // shortest trees kept
    int ExactObjects = 10;  // proved by branch and bound up to this many
    std::uint64_t ExactNodeLimit = 20'000'000;  // partial trees per proof; beyond: not proved
    // Every character under its criterion (must outlive the run) instead of
    // Camin-Sokal on the field; then no value is proved by branch and bound,
    // and without irreversible characters groups are those of the trees
    // rooted at the first object.
    const TCriteriaCoding* Criteria = nullptr;
};

struct TBremerGroup {
    TInclusion Group;
    std::int64_t Without = -1;  // shortest length found without the group
    std::int64_t Decay = 0;     // Without - shortest length; 0 when absent from a shortest tree
    bool Exact = false;         // proved; else an upper bound
};

struct TBremerResult {
    std::int64_t Shortest = -1;
    bool ShortestExact = false;
    std::vector<TTree> Trees;          // the shortest trees found
    std::vector<TBremerGroup> Groups;  // every group of those trees
    TGeneralTree Tree;                 // strict consensus of Trees, Percent = decay index
    bool AllExact() const;
};

// The trees a converse constraint refuses: those holding this group.
bool HasGroup(const TCompactTree& tree, const TInclusion& group);

// The shortest length of rooted trees (without the group, when one is given)
// that is below `below`, by branch and bound; `below` when there is none.
// False when nodeLimit partial trees were not enough (nothing proved).
// *tree, when given, receives a shortest tree found below `below`.
bool ShortestBelow(const TSField& field, int objectCount, int characterCount, bool missingData,
                   const TInclusion* without, std::int64_t below, std::uint64_t nodeLimit,
                   std::int64_t* shortest, const std::function<bool()>& cancelled = {},
                   TCompactTree* tree = nullptr);

// Why Bremer support cannot be found for these data: fewer than 3 or more
// than 255 objects (a constrained search per group), no characters.
TStatus ValidateBremer(int objectCount, int characterCount);

// Runs the searches; progress(done, total) after each group (any thread),
// cancelled() asked between searches and often during branch and bound. A
// cancel fails with "Bremer support cancelled.": nothing found is kept.
TResult<TBremerResult> RunBremer(const TSField& field, int objectCount, int characterCount,
                                 const TBremerSettings& settings,
                                 const std::function<void(int, int)>& progress = {},
                                 const std::function<bool()>& cancelled = {});

// For the protocol and stderr: how the values were found.
QStringList BremerSummaryLines(const TBremerResult& result, const TBremerSettings& settings);
