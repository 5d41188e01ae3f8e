#pragma once
// A data file read as the program's open commands read it: a text or CSV
// file with the first decimal point of every data cell turned into a comma,
// the first worksheet of a workbook as it stands, or a NEXUS matrix mapped to
// state trees (.nex, .nexus, .nxs).
#include "data/ImportSource.h"
#include "data/NexusMatrix.h"

// rootRule roots the stars of a NEXUS file's unordered characters.
TReadResult ReadDataFile(const QString& path, bool workbook,
                         TNexusRootRule rootRule = TNexusRootRule::FirstObject);
// Tells a workbook by its name (.xls, .xlsx, .ods).
TReadResult ReadDataFile(const QString& path);

// The load report of the windows and of "varno-batch load": an empty line,
// "Data from PATH", "Objects = N", "Characters = N".
QStringList LoadReportLines(const QString& path, const TMatrixData& data);
// What a successful read has to add to the report: the reader's warnings
// and notes, then cut cells and the like (LoadWarnings).
QStringList LoadReportNotes(const TMatrixRead& read);
