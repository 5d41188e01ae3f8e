#pragma once
// Trees past the evolutionary search's 255 objects as the tree results window
// shows them: the thorough search's compact trees (or a file's), their
// lengths, and the coding they were counted on. It gives what the window
// shows of them: one tree as tips and nodes, its character fit, the trees as
// a file, the consensus input. Up to 255 objects the window keeps its
// population (TParsimonySearch) instead.
//
//   auto big = BigResultsOfSearch(search, field, criteria);    // a finished run
//   big->TreeRows(1, '.');                                     // tree 1's tips and nodes
//   TResult<TBigCharFit> fit = big->CharFit(1);
//   QByteArray file = big->TreesText(TTreeFileFormat::Newick, false);
//
//   TResult<TOpenedBigTrees> opened = OpenBigTreesForData(path, data, true, '.');
#include <QByteArray>
#include <QStringList>
#include <cstdint>
#include <memory>
#include <vector>

#include "data/Global.h"
#include "data/ImportSource.h"
#include "data/Result.h"
#include "parsimony/length/CriteriaCoding.h"
#include "parsimony/length/PackedStates.h"
#include "parsimony/summaries/Consensus.h"
#include "parsimony/summaries/FitStatistics.h"
#include "parsimony/thorough/ThoroughSearch.h"
#include "parsimony/thorough/ThoroughTree.h"
#include "parsimony/treefiles/TreeFile.h"
#include "parsimony/treefiles/TreeFileOut.h"

struct TBigTree {
    TCompactTree Tree;  // every object a tip
    std::int64_t Length = 0;
};

// The character fit window's table and statistics of one tree.
struct TBigCharFit {
    std::vector<QStringList> Table;
    TFitStatistics Statistics;
};

class TBigTreeResults {
public:
    // criteria: the coding the lengths were counted under when some
    // character is reversible; null for Camin-Sokal on field.
    TBigTreeResults(TSField field, int objectCount, bool missingData, std::vector<TBigTree> trees,
                    std::shared_ptr<const TCriteriaCoding> criteria = nullptr);

    int TreeCount() const { return static_cast<int>(Trees.size()); }
    const TCompactTree& Tree(int k) const { return Trees[static_cast<size_t>(k) - 1].Tree; }
    std::int64_t Length(int k) const { return Trees[static_cast<size_t>(k) - 1].Length; }
    int ObjectCount() const { return Objects; }
    const TSField& CharField() const { return Field; }
    bool MissingData() const { return Missing; }
    const TCriteriaCoding* Criteria() const { return CriteriaUsed.get(); }
    // The model's revision the trees were found on (0: not known).
    std::uint64_t DataRevision() const { return Revision; }
    void SetDataRevision(std::uint64_t revision) { Revision = revision; }

    // Camin-Sokal steps on the branch above every vertex of tree k, under the
    // missing-data rule of the run; empty under the criteria (ambiguous there).
    std::vector<std::int64_t> BranchFits(int k) const;
    // Tree k as the window's table of tips and nodes (TreeTableRows).
    std::vector<QStringList> TreeRows(int k, QChar decimalSeparator) const;
    // Tree k's character fit, counted with the missing-data rule as the small
    // trees' is, each character under its criterion; refused where some
    // character's fewest steps cannot be worked out.
    TResult<TBigCharFit> CharFit(int k) const;
    // Every tree (with its branch fits), or the shortest ones each topology
    // once with a length comment, as "Save trees" writes them.
    QByteArray TreesText(TTreeFileFormat format, bool shortestOnly) const;
    // The groups of the trees 1..n given, each topology once; *duplicates
    // says how many of them had the same groups as an earlier one.
    TBigConsensusInput ConsensusInput(const std::vector<int>& trees, int* duplicates) const;

private:
    const TPackedField& Packed() const;
    TSField Field;
    int Objects;
    bool Missing;
    std::vector<TBigTree> Trees;
    std::shared_ptr<const TCriteriaCoding> CriteriaUsed;
    std::uint64_t Revision = 0;
    mutable std::unique_ptr<TPackedField> PackedField;  // made when first needed
};

// The trees of a finished thorough run on field (its coding), with criteria
// when it searched under them.
std::shared_ptr<TBigTreeResults> BigResultsOfSearch(
    const TThoroughSearch& search, const TSField& field,
    std::shared_ptr<const TCriteriaCoding> criteria = nullptr);

// OpenTreesForData for data of any size: every tree must be binary and hold
// every object once; they are scored Camin-Sokal as the thorough search scores.
struct TOpenedBigTrees : TOpenedTrees {
    std::shared_ptr<TBigTreeResults> Big;  // Population stays empty
};
TResult<TOpenedBigTrees> OpenBigTreesForData(const QString& path, const TMatrixData& data,
                                             bool missingData, QChar decimalSeparator);
