#pragma once
// A NEXUS character matrix as the file states it (symbols, labels, types),
// before its states become state trees in pointer notation.
//
//   TResult<TNexusMatrix> m = ParseNexusMatrix(text);
//   if (!m) ... m.Error();
//   TReadResult read = MapNexusMatrix(*m, TNexusRootRule::FirstObject);
//   if (read) ... read->Data, read->Notes
#include <QHash>
#include <QMap>
#include <QPair>
#include <QStringList>
#include <vector>

#include "data/Global.h"
#include "data/ImportSource.h"

// Cell values below 0; 0.. are indices into Symbols.
constexpr int NexusMissing = -1;
constexpr int NexusGap = -2;
constexpr int NexusPolymorphic = -3;  // (01)
constexpr int NexusUncertain = -4;    // {01}, ambiguity codes

struct TNexusUserType {
    QString Name;
    bool IsStateTree = false;  // CSTREE; other user types (step matrices) are not
    QString Description;       // the tree text after "="
    int Line = 0;
};

struct TNexusMatrix {
    QStringList Taxa;
    QStringList CharacterNames;            // one per character, may be empty
    std::vector<QStringList> StateLabels;  // per character, by symbol index
    QString Symbols;
    std::vector<std::vector<int>> Cells;  // [taxon][character]
    std::vector<QString> Types;           // per character, lower case; empty: the default
    QString DefaultType = QStringLiteral("unord");
    QHash<QString, TNexusUserType> UserTypes;  // by lower-case name
    std::vector<int> PolymorphicCells;         // per character: cells as (01)
    std::vector<int> UncertainCells;           // per character: cells as {01}, ambiguity codes
    // (taxon, character), both from 0 -> the symbols of a (01) or {01} cell
    // of several states; ambiguity codes and sets holding "?" are not kept.
    QMap<QPair<int, int>, std::vector<int>> CellSets;
    QStringList Notes;  // warnings met while reading
};

// Reads the TAXA, DATA/CHARACTERS, ASSUMPTIONS, SETS and PAUP blocks; other
// blocks are skipped and named in Notes. Errors begin with "line N:".
TResult<TNexusMatrix> ParseNexusMatrix(const QString& text);

// How an unordered character's star is rooted.
enum class TNexusRootRule { FirstObject, LowestState };

// Turns every cell into its path in pointer notation ("2[1[0]]"): a CSTREE
// as given; ordered, irreversible and Dollo characters as a chain from the
// lowest state (irrev.down, dollo.down: from the highest); unordered ones as
// a star. Gaps, polymorphic and uncertain cells become "?". State labels too
// long for a cell's path are shortened, each kept apart from the others; a
// state tree that still cannot be written in cells fails the read. Notes
// receives the matrix's notes and one line per mapping rule applied and per
// warning. Data.Symbols keeps every state's symbol; Data.Criteria each
// character's criterion by its type (unord: unordered, ord: ordered, irrev
// and Dollo: irreversible, CSTREE: state tree reversible) and the set cells
// by state name.
TReadResult MapNexusMatrix(const TNexusMatrix& matrix, TNexusRootRule rootRule);

// "1-3, 5, 8-9" for 1-based numbers in increasing order.
QString NumberRanges(const std::vector<int>& numbers);
