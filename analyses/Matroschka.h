#pragma once
// Pointer coding of the analyses: a cell "B[A]" names state B derived from A,
// and each object gets its onion set, its state with all ancestors.
#include <QHash>

#include "data/Global.h"

struct TOnion {
    QString State;     // text before "["
    QString Ancestor;  // text between "[" and "]"
};
using TOnionArr = std::vector<TOnion>;

struct TCharState {
    QString State;
    QString Ancestor;
    TInclusion Onion;
};
using TCharArr = std::vector<TCharState>;

// Step matrix of one character: (ObjectCount + 1) squared, row/column 0 unused.
using TShortMatrix = std::vector<std::vector<std::int32_t>>;

// A cell without "[" counts as missing: State "?".
TOnion ParsePointer(const QString& cell);

// The pointer builder. It keeps the last coded character's records, as the
// walk over ancestors needs them.
class TMatroschka {
public:
    explicit TMatroschka(bool missingAsState) : MissingAsState(missingAsState) {}

    // One record per distinct cell of the character being coded (sorted order).
    TCharArr CellStates;
    // The parsed cell of every object of that character, 1..ObjectCount.
    TOnionArr ObjectCells;

    // Replaces CellStates (without onions) by records for these cells.
    void SetCellStates(const QStringList& sortedCells);
    // The record indices of name and its ancestors, over CellStates. The walk
    // stops at a root ("" or " "), at an ancestor that matches no record, and
    // at a record met before (a cycle): what was collected so far is kept.
    TInclusion OnionOf(const QString& name) const;

    // Fills model.CharField with the pointer coding of every character.
    void CodePointerField(TModel& model);

private:
    bool MissingAsState;
    QHash<QString, int> FirstRecord;  // State -> first record index
};

// The pointer coding of model with model.MissingAsState.
void CodePointerField(TModel& model);
