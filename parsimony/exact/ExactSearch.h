#pragma once
// Exact search by branch and bound: every shortest rooted binary tree of the
// objects, with proof that none is shorter.
//
//   TExactSettings settings;  // rule, limits, threads
//   if (TStatus ok = ValidateExactSearch(objectCount, settings); !ok)
//       return ok;  // refused
//   QString w = ExactSearchWarning(objectCount);  // "may run for hours", or empty
//   TExactSearch search(charField, objectCount, characterCount, settings);
//   TExactCallbacks cb;
//   cb.Progress = [](const TExactProgress& p) { ... };  // about once a second
//   cb.Cancelled = [&] { return stop.load(); };         // about ten times a second
//   TResult<TExactResult> r = search.Run(cb);  // blocks; runs on Threads threads
//   // failed: refused (ValidateExactSearch's sentence), nothing computed
//   // r.Proved: r.Optimum is the optimum; else it lies in r.LowerBound..r.Optimum.
//   // r.Trees: evaluated, in canonical order.
//   QStringList protocol = ExactRunLines(objectCount, settings) + ExactResultLines(r, settings);
//
// The results (optimum, count, trees and their order) do not depend on the
// number of threads; the node count does. Under other criteria than
// Camin-Sokal the search is TExactCriteriaSearch (ExactCriteria.h), with the
// same settings and results.
#include <QString>
#include <QStringList>
#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

#include "data/Result.h"
#include "parsimony/SearchJob.h"
#include "parsimony/length/PackedStates.h"

constexpr int ExactMaxObjects = 40;
constexpr int ExactWarnObjects = 25;

struct TExactSettings {
    bool MissingData = true;
    int MaxTrees = 1000;                     // trees stored; more are counted
    std::optional<double> TimeLimitSeconds;  // none: no limit
    int Threads = 0;                         // 0: every core
    // For measuring: the bound on the objects still to add, the bound from
    // groups of incompatible characters, the bound from the cheapest places
    // of the objects still to add, and the order of addition.
    bool ObjectBound = true;
    bool GroupBound = true;
    bool PlaceBound = false;
    bool FurthestFirst = true;
};

struct TExactProgress {
    std::uint64_t Nodes = 0;  // partial and complete trees examined
    std::int64_t Best = 0;    // shortest length found so far
    double Done = 0;          // estimated share of the search space done, 0..1
    double Seconds = 0;
};

struct TExactCallbacks {
    std::function<void(const TExactProgress&)> Progress;
    std::function<bool()> Cancelled;
};

struct TExactResult {
    TSearchStatus Status = TSearchStatus::NotRun;
    bool Proved = false;
    std::int64_t Optimum = 0;        // shortest length found: the optimum when proved
    std::int64_t LowerBound = 0;     // no tree is shorter (= Optimum when proved)
    std::int64_t StartLength = 0;    // the quick heuristic's length
    std::uint64_t OptimalTrees = 0;  // trees of length Optimum found (all, when proved); saturates
    QString OptimalTreesText;        // the same count in full
    // At most MaxTrees, evaluated, the canonically first in canonical order
    // (when every tree is optimal and there are more than 9 objects: the
    // first of the search order, sorted).
    std::vector<TTree> Trees;
    std::uint64_t Nodes = 0;
    double Seconds = 0;
    int ThreadsUsed = 0;
    std::vector<int> AdditionOrder;  // objects in the order they were added
};

// Why the search cannot run (fewer than 3 or more than 40 objects, a time
// limit not above 0, a negative tree maximum or thread count).
TStatus ValidateExactSearch(int objectCount, const TExactSettings& settings);
// A warning above 25 objects, or empty.
QString ExactSearchWarning(int objectCount);
// Notes on data the search treats specially: characters without data for
// any object, objects identical in every character.
QStringList ExactInputNotes(const TSField& charField, int objectCount, int characterCount);

// The protocol of a run: what was searched and under which rule ...
QStringList ExactRunLines(int objectCount, const TExactSettings& settings);
// ... the limits it was given (time, trees kept, threads) ...
QString ExactSettingsLine(const TExactSettings& settings, int threads);
// ... and what it found: work done, "proved optimal" or "not proved (stopped
// after ...)", the optimum, the count, and the lower bound when not proved.
QStringList ExactResultLines(const TExactResult& result, const TExactSettings& settings);

// Canonical form of a tree: its clades (object o as bit o-1), sorted.
std::vector<std::uint64_t> TreeClades(const TTree& tree);
// A tree with tip o holding object o, nodes numbered from the root down.
TTree TreeFromClades(const std::vector<std::uint64_t>& clades, int objectCount);

class TExactSearch {
public:
    TExactSearch(const TPackedField& field, TExactSettings settings);
    TExactSearch(const TSField& charField, int objectCount, int characterCount,
                 TExactSettings settings);

    TResult<TExactResult> Run(const TExactCallbacks& callbacks = {});

private:
    TPackedField Field;
    TExactSettings Config;
};
