#pragma once
// Which criterion a file gives each character, and the cells it gives as a
// set of states. Kept beside the matrix: the cells themselves stay in
// pointer notation (a set cell reads "?" there, as Camin-Sokal counts it).
//
//   TMatrixData data = ...;                    // from a NEXUS file
//   if (data.Criteria.Given()) data.Criteria.ByCharacter[c - 1] ...;
//   const QStringList* set = data.Criteria.SetOf(c, o);  // names of (01), {01}
#include <QMap>
#include <QPair>
#include <QSet>
#include <QStringList>
#include <vector>

enum class TCriterion {
    Irreversible,         // Camin-Sokal on the state tree: changes only away from the root
    StateTreeReversible,  // additive: a change costs the state-tree edges between the two states
    Ordered,              // Wagner: the states in a line, a change costs their distance
    Unordered             // Fitch: every change costs one step
};

// How the gaps of a NEXUS file count: as missing data (the default), or for
// unordered characters as one more state, "-" (gap as a fifth state).
enum class TGapReading { Missing, State };

struct TCharacterCriteria {
    // [c - 1] per character; empty when the file names none (text files,
    // workbooks).
    std::vector<TCriterion> ByCharacter;
    // (character, object) -> the state names of a polymorphic or uncertain
    // cell, which the matrix holds as "?".
    QMap<QPair<int, int>, QStringList> CellSets;
    // Character -> the step matrix type the file gives it, which no
    // criterion here reads (ByCharacter says unordered for it).
    QMap<int, QString> StepMatrices;
    // (character, object) of the gap cells of a NEXUS file that declares a
    // GAP symbol, which the matrix holds as "?": gaps are missing data unless
    // a job reads them as one more state (CodeCriteria, TGapReading).
    QSet<QPair<int, int>> GapCells;

    bool Given() const { return !ByCharacter.empty(); }
    const QStringList* SetOf(int c, int o) const
    {
        const auto it = CellSets.constFind(qMakePair(c, o));
        return it == CellSets.constEnd() ? nullptr : &it.value();
    }
    bool IsGap(int c, int o) const { return GapCells.contains(qMakePair(c, o)); }
};
