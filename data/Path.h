#pragma once
// Character state trees in pointer notation: a cell «C[B[A]]» names a state
// and its ancestors. Own paths are what a cell writes; full paths follow the
// parents given in other objects' cells up to the root. The full paths of a
// character, coded as sets of state indices, are the Camin-Sokal coding.
#include <QCollator>
#include <QHash>
#include <vector>

#include "data/Global.h"

// A state followed by its ancestors, nearest first; the last is the root as far as known.
using TPath = std::vector<QString>;
// Indexed by object number; entry 0 empty.
using TPathArr = std::vector<TPath>;

// Splits a cell in pointer notation. A missing closing "]" turns into a name
// containing " ERROR"; "A[]" and "A[ ]" give A alone (a root marker).
TPath ParseCell(const QString& cell);

// True when a name stands for missing data.
inline bool IsMissingName(const QString& name) { return name.contains(QLatin1Char('?')); }

// Entry o is ParseCell of cell (c, o); sets *hasMissing when some own state
// contains "?" (never clears it). Cells outside the stored matrix read as empty.
TPathArr ReadOwnPaths(const TDynStrMatrix& dataMatrix, int objectCount, int c,
                      bool* hasMissing = nullptr);

// The path from the root down to the own state in nested pointer notation
// with an explicit root marker: (C, B, A) gives «C[B[A[]]]»; at most 255 characters.
QString PointerText(const TPath& path);

// The one case-insensitive comparison of state names: the user's locale,
// letter case ignored. Used alike for sorting, duplicates and look-up.
QCollator StateNameCollator();

// Groups names that are equal ignoring case. Ranks[i] is the position of
// names[i]'s group in the sorted list of groups; Spelling[k] is the spelling
// of group k that comes first in names.
struct TNameRanks {
    std::vector<int> Ranks;
    QStringList Spelling;
    int GroupCount() const { return static_cast<int>(Spelling.size()); }
};
TNameRanks RankNames(const QStringList& names, const QCollator& collator);

// Builds the paths of one character at a time. OwnPaths and FullPaths hold
// the character last processed.
class TPathBuilder {
public:
    TPathBuilder();

    TPathArr OwnPaths;
    TPathArr FullPaths;

    // Own paths, their copies extended to the root. *hasMissing as ReadOwnPaths.
    void BuildFullPaths(const TDynStrMatrix& dataMatrix, int objectCount, int c,
                        bool* hasMissing = nullptr);
    // Extends FullPaths[o] by the parents the own paths give, the first match
    // (lowest object, then earliest position, exact comparison) deciding. Stops
    // at a state that is already on the path: the cells form a cycle there.
    // Uses the parents indexed by the last BuildFullPaths.
    void ExtendToRoot(int o, int objectCount);

    // True when object o's path ran into a cycle in the last BuildFullPaths.
    bool HasCycle(int o) const;
    bool AnyCycle() const;

    // Fills StateCount and Inc (1..objectCount) of place from FullPaths:
    // indices into the case-insensitively sorted state names, "?" names left
    // out, indices above 255 dropped from the sets.
    void CodeCharacter(TSPlace& place, int objectCount) const;
    // True when the full paths name more than limit distinct states.
    bool MoreStatesThan(int limit, int objectCount) const;

    const QCollator& Collator() const { return NameCollator; }

private:
    void IndexParents(int objectCount);
    void CollectStateNames(QHash<QString, int>& spellingId, QStringList& spellings,
                           int objectCount) const;
    QCollator NameCollator;
    // The first parent any own path gives to a state, by exact name.
    QHash<QString, QString> FirstParent;
    std::vector<bool> Cycle;
};

// Codes every character into state-tree path sets (Places 1..characterCount,
// Names 1..objectCount).
TSField BuildPathSets(const TDynStrMatrix& dataMatrix, int objectCount, int characterCount);

// One line for each character of a coding that has more states than a set
// holds (256): its states after the 256th are left out. The same words as
// the data check, for the protocol and the batch tool's stderr.
QStringList StateLimitLines(const TSField& field);

// What the data editor's Path command shows: the matrix with every data cell
// (c, o), c >= 1, o >= 1, replaced by the object's full path in pointer
// notation, or "?" when its own state is missing. Names and headers are kept.
TDynStrMatrix PathMatrix(const TDynStrMatrix& dataMatrix, int objectCount, int characterCount);
