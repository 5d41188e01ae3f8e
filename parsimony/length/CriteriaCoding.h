#pragma once
// The data coded for scoring under each character's criterion: the
// irreversible characters as Camin-Sokal path sets (as BuildPathSets codes
// them), the others as reversible characters read from the same state trees.
// A NEXUS file's types give the criteria unless one is chosen for all.
//
//   TResult<TCriteriaCoding> coding = CodeCriteria(data, chosen);  // chosen: --criterion
//   if (!coding) ... coding.Error();
//   protocol << coding->Lines;
//   TCriteriaScorer scorer(*coding);
//   double length = scorer.Length(tree, missingData);
#include <memory>
#include <optional>

#include "data/Global.h"
#include "data/Result.h"
#include "parsimony/length/Criterion.h"
#include "parsimony/length/MakeTree.h"
#include "parsimony/length/ReversibleField.h"

struct TCriteriaCoding {
    TNumbered<TCriterion> Criteria;  // per character
    // The irreversible characters (Places in their order; Names every object's).
    TSField CaminSokal;
    std::vector<int> CaminSokalCharacters;  // their numbers in the data
    // The others, in their order, and their numbers in the data.
    TNumbered<TReversibleCharacter> Reversible;
    std::vector<int> ReversibleCharacters;
    std::optional<TReversibleField> Field;
    int SetCells = 0;        // polymorphic and uncertain cells read as sets
    int AmpersandCells = 0;  // of them, cells of states joined by "&"
    int GapStates = 0;       // gap cells read as the state "-"
    // What the protocol says: the criteria, counted, and how cells were read.
    QStringList Lines;

    bool AnyReversible() const { return !ReversibleCharacters.empty(); }
};

// Codes data.DataMatrix's characters; chosen, when given, holds for every
// character, otherwise a NEXUS file's types do and other files are
// irreversible. Refuses a character whose state tree the criterion cannot
// read (several roots or a cycle under a reversible state tree, states not
// in a line under ordered, more than 256 states) and step matrices.
// A reversible character reads a cell of states joined by "&" (text files,
// workbooks: "a&b") as the set of those states, as NEXUS set cells are read;
// irreversible characters keep such a cell as it is.
TResult<TCriteriaCoding> CodeCriteria(const TMatrixData& data, std::optional<TCriterion> chosen,
                                      TGapReading gaps = TGapReading::Missing);

// The coding a search runs under: the chosen criterion, else a NEXUS file's
// types. None when neither is given or every character is irreversible:
// Camin-Sokal then runs on the path sets as it always did.
TResult<std::optional<TCriteriaCoding>> SearchCriteria(const TMatrixData& data,
                                                       std::optional<TCriterion> chosen,
                                                       TGapReading gaps = TGapReading::Missing);

// Refuses a coding with reversible characters for a search that counts
// Camin-Sokal only, saying how many characters have which criterion; search
// names it ("The evolutionary search"), instead says what to do.
TStatus RequireIrreversible(const TCriteriaCoding& coding, const QString& search,
                            const QString& instead);

// The fewest steps a reversible character takes on any tree (m): the state
// tree's edges (unordered: the states) joining the fewest states that meet
// every cell, a set cell read as the connected part holding it. None when
// set cells leave more than 16 states to try.
std::optional<std::int64_t> MinimumSteps(const TReversibleCharacter& character);

// The steps of a reversible character on a bush (g): every object's cell
// joined to one state, the cheapest; "?" cells cost nothing.
std::int64_t BushSteps(const TReversibleCharacter& character);

// The same binary tree rooted on the branch above the tip of object, so
// that object is the outgroup; the tree as it is when object is no tip or
// the tree has fewer than three tips. Derived fields are derived again.
TTree RootedAt(const TTree& tree, int object);

// Steps of each reversible character (the coding's own numbering, index
// 1..R, unweighted) on a binary tree over all objects in vertex form, of any
// size: LinksOf(tree).View() or ViewOf(compactTree).
std::vector<std::int64_t> ReversibleSteps(const TCriteriaCoding& coding, const TTreeView& tree);

// Lengths of binary trees of the coding's objects: Camin-Sokal on the
// irreversible characters plus the reversible length of the others.
class TCriteriaScorer {
public:
    explicit TCriteriaScorer(const TCriteriaCoding& coding);
    double Length(TTree& tree, bool missingData);
    // Steps of each character (1..C) on the tree, each under its criterion.
    std::vector<double> CharacterSteps(TTree& tree, bool missingData);

private:
    const TCriteriaCoding* C;
    std::unique_ptr<TReversibleScorer> Scorer;
};
