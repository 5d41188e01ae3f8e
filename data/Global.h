#pragma once
// The data model: the raw matrix, its counts, the coded characters and the
// results of the analyses. One TModel is owned by the program (or a batch run)
// and handed to whoever needs it; there are no program-wide variables.
#include <QHash>
#include <QString>
#include <QStringList>
#include <cstdint>
#include <vector>

#include "data/CharacterCriteria.h"
#include "data/Inclusion.h"
#include "data/Numbered.h"

constexpr int MaxCellLength = 255;
constexpr int MaxParsimonyObjects = 255;

// One column of the matrix; index 0 holds the column's header cell.
using TPart = std::vector<QString>;
// Cells indexed [column][row]: column 0 = object names, row 0 = headers.
using TDynStrMatrix = std::vector<TPart>;
using TDynRealMatrix = std::vector<std::vector<double>>;
using TBoolMatrix = std::vector<std::vector<bool>>;
using TIncArr = std::vector<TInclusion>;

struct TSPlace {
    TNumbered<TInclusion> Inc;  // per object 1..ObjectCount
    int StateCount = 0;
    bool HasMissing = false;
    QString Name;
    QStringList StateNames;  // index = the state's bit in Inc (when coded from cells)
};

struct TSField {
    TNumbered<TSPlace> Places;  // per character 1..CharacterCount
    TNumbered<QString> Names;   // per object 1..ObjectCount
};

// The numbers are the order of the type choice and must stay as they are.
enum class TCharacterType : unsigned char { Standard = 0, Matroschka = 1, Tree = 2 };

// The symbol each state had in the file it came from, so that a NEXUS file
// is written back with its own codes. Empty when the file named no symbols.
struct TSourceSymbols {
    QString Order;                               // every symbol in the file's order (its SYMBOLS)
    std::vector<QHash<QString, QChar>> ByState;  // [character 1..n]: state name -> symbol

    QChar Of(int c, const QString& state) const
    {
        return c >= 0 && c < static_cast<int>(ByState.size())
                   ? ByState[static_cast<size_t>(c)].value(state)
                   : QChar();
    }
};

// A matrix as a reader produced it, before it replaces the model's.
struct TMatrixData {
    TDynStrMatrix DataMatrix;
    int ObjectCount = 0;
    int CharacterCount = 0;
    // Cells longer than MaxCellLength were cut on reading: how many, and the
    // first one's place in DataMatrix (column, row) in reading order.
    int CutCells = 0;
    int FirstCutColumn = -1;
    int FirstCutRow = -1;
    TSourceSymbols Symbols{};
    // The criteria and set cells a NEXUS file gives; empty for other files.
    TCharacterCriteria Criteria{};

    // Stores text (cut to MaxCellLength) at DataMatrix[column][row] and counts a cut.
    void SetCell(size_t column, size_t row, const QString& text);
};

struct TModel {
    int ObjectCount = 0;
    int CharacterCount = 0;
    TDynStrMatrix DataMatrix;
    TCharacterType CharacterType = TCharacterType::Standard;
    bool MissingAsState = false;
    TSField CharField;
    bool FromExcel = false;
    // Looked up by state name, so cells edited since stay safe: a new name has none.
    TSourceSymbols SourceSymbols{};
    // What the file said of criteria and set cells; an edited cell loses its set.
    TCharacterCriteria Criteria{};
    TBoolMatrix CompatMatrix;
    TDynRealMatrix ResultMatrix;

    // Changes on every load, edit and transposition and never repeats while
    // the program runs, so a coding or result can tell which data it is of.
    std::uint64_t Revision = 0;
    // The revision CharField holds the parsimony coding (BuildPathSets) of;
    // 0 while it holds none or another job's coding.
    std::uint64_t PathSetsRevision = 0;

    // Replaces the matrix and counts after a successful load, and resizes
    // CharField.Places to CharacterCount + 1 entries. A new revision.
    void AssignMatrix(TMatrixData data, bool fromExcel);
    // One cell changed in place: a new revision.
    void SetCell(int c, int o, const QString& text);
    // A coding of the current data as CharField; pathSets when it is the
    // parsimony coding.
    void SetCharField(TSField field, bool pathSets = false);
    bool PathSetsCurrent() const { return PathSetsRevision != 0 && PathSetsRevision == Revision; }
    void ResizeCharField();
    // Cell text, or empty when (c, o) lies outside the stored matrix.
    QString Cell(int c, int o) const;
    // The matrix as the exports take it, with the file's symbols.
    TMatrixData Data() const;
};

// Keeps at most 255 characters, never cutting a surrogate pair in two.
QString CutCell(const QString& text);
