#pragma once
// The loaded data: the model the jobs read (matrix, counts, revision), the
// report of the last load, and the transposition. The main window, the data
// window and the batch tool's loading all go through it.
//
//   TDataDocument doc;
//   if (TStatus s = doc.Load(path); !s) { show(s.Error()); }  // data unchanged
//   protocol << doc.Report().Lines << doc.Report().Notes;
//   doc.Transpose();   // objects become characters: a new revision
//   doc.Model.DataMatrix, doc.Model.Revision, ...
#include <QStringList>

#include "data/Global.h"
#include "data/NexusMatrix.h"
#include "data/Result.h"

// What the last successful load said.
struct TLoadReport {
    QString Path;
    QStringList Lines;     // "", "Data from PATH", "Objects = N", "Characters = N"
    QStringList Notes;     // the reader's warnings and notes, cut cells and the like
    QStringList Warnings;  // the reader's warnings alone (cells it read empty)
};

class TDataDocument {
public:
    // Also what the analyses read and code into; its revision changes on
    // every load, edit and transposition.
    TModel Model;

    // Reads a text, CSV or NEXUS file, or a workbook. On success the data
    // replace the model's and Report() says what was read; on failure
    // nothing changes. rootRule roots a NEXUS file's unordered characters.
    TStatus Load(const QString& path, bool workbook,
                 TNexusRootRule rootRule = TNexusRootRule::FirstObject);
    // The same, telling a workbook by its name (.xls, .xlsx, .ods).
    TStatus Load(const QString& path);
    const TLoadReport& Report() const { return LastLoad; }

    // Objects become characters and characters objects: a new revision.
    void Transpose();

    // Hands the matrix over (for one batch command) and leaves the
    // document empty.
    TMatrixData Release();

private:
    TLoadReport LastLoad;
};
