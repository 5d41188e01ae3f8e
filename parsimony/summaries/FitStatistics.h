#pragma once
// Fit statistics of a tree per character and for the whole tree: m (the
// least steps any tree needs), s (the steps on this tree), g (the steps on a
// bush) and the indices CI, RI, RC and HI formed from them.
//
// Use: `TFitStatistics f = FitStatistics(tree, field, true);
//       double ci = ConsistencyIndex(f.Total);`
#include <QStringList>
#include <cstdint>
#include <optional>
#include <vector>

#include "data/Result.h"
#include "parsimony/length/CriteriaCoding.h"
#include "parsimony/length/MakeTree.h"
#include "parsimony/thorough/ThoroughTree.h"

struct TCharacterFit {
    std::int64_t M = 0;  // states present in some counted objects but not in all
    std::int64_t S = 0;  // steps on the tree
    std::int64_t G = 0;  // sum over those states of the objects holding them
};

struct TFitStatistics {
    std::vector<TCharacterFit> Characters;  // 1..CharacterCount; 0 unused
    TCharacterFit Total;                    // sums of M, S and G
};

// A state counts when some but not all counted objects hold it; the root of a
// state tree is in every set with data, so it never counts under the
// missing-data rule, where only objects with data count. Under the plain rule
// every object counts and a "?" object holds no state at all, so a root state
// counts like a derived one when some object is "?", as that rule's length
// charges it.
// S is counted on the node sets of that rule (under the missing-data rule it
// equals the character fit's steps).
TFitStatistics FitStatistics(const TTree& tree, const TSField& field, bool missingData);
// The same on a compact tree of any size (every object a tip).
TFitStatistics CompactFitStatistics(const TCompactTree& tree, const TSField& field,
                                    bool missingData);
// m and g of character c alone.
TCharacterFit CharacterRange(const TSField& field, int c, int objectCount, bool missingData);

// The same under each character's criterion (coding of the same data as
// field): a reversible character's m is its fewest steps on any tree
// (MinimumSteps), s its steps on the tree and g its steps on a bush
// (BushSteps). Refused when some m cannot be worked out.
TResult<TFitStatistics> CriteriaFitStatistics(TTree tree, const TSField& field,
                                              const TCriteriaCoding& coding, bool missingData);
// The same on a compact tree of any size (every object a tip).
TResult<TFitStatistics> CompactCriteriaFitStatistics(const TCompactTree& tree, const TSField& field,
                                                     const TCriteriaCoding& coding,
                                                     bool missingData);

double ConsistencyIndex(const TCharacterFit& f);               // m / s; 1 when s = 0
std::optional<double> RetentionIndex(const TCharacterFit& f);  // (g - s) / (g - m); none when g = m
std::optional<double> RescaledConsistency(const TCharacterFit& f);
double HomoplasyIndex(const TCharacterFit& f);  // 1 - CI

// A number with a point and at most 4 decimals ("0.6667", "1"); "—" for none.
QString FormatFitNumber(std::optional<double> value);

// "Character", "m", "s", "g", "CI", "RI", "RC", "HI".
QStringList FitStatisticsHeader();
// The cells of one row: m, s, g, CI, RI, RC, HI.
QStringList FitStatisticsCells(const TCharacterFit& f);
// Header, one row per character in data order, then the row "Tree".
std::vector<QStringList> FitStatisticsTable(const TFitStatistics& stats, const TSField& field);
// One line for the protocol: length, CI, RI, RC and HI of the tree.
QString FitSummaryLine(const TFitStatistics& stats);
