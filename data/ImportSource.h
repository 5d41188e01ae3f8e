#pragma once
// The tab-separated text data file: header line, name column, one object a line.
#include "data/Global.h"
#include "data/Result.h"

// Guards against files whose ragged lines or sparse sheets would blow the
// column-major matrix up to billions of empty cells.
constexpr qint64 MaxDataFileBytes = 256LL * 1024 * 1024;
constexpr qint64 MaxMatrixCells = 20'000'000;

// What a reader hands over when it succeeds; a failure is the sentence of
// TReadResult alone (no partial matrix).
//
//   TReadResult read = ReadTextMatrix(path);
//   if (!read) return Show(read.Error());
//   Use(read->Data, read->Warnings);
struct TMatrixRead {
    TMatrixData Data;
    QStringList Warnings;  // what the reader could not take over (cells read empty)
    QStringList Notes;     // lines the load report adds (how a NEXUS or CSV file was read)
};
using TReadResult = TResult<TMatrixRead>;

// Reads a data file; the model is not touched, so a failed read changes nothing.
TReadResult ReadTextMatrix(const QString& path);
// The same on bytes already read (also used by the fuzz target).
TReadResult ReadTextMatrixBytes(const QByteArray& bytes);

// Replaces the first "." by "," in every data cell (not names, not headers).
void PointToComma(TDynStrMatrix& matrix, int objectCount, int characterCount);

// Warnings worth telling the user after a load (for example more objects than
// the parsimony search takes).
QStringList LoadWarnings(const TMatrixData& data);
