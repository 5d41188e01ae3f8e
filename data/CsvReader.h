#pragma once
// CSV data files (comma or semicolon separated, RFC 4180 quoting, UTF-8 with
// or without BOM) read as the same table the tab-separated text reader reads.
//
//   TReadResult read = ReadCsvMatrix(path);
//   QByteArray csv = EncodeCsvTable(rows);
#include <vector>

#include "data/ImportSource.h"

bool IsCsvPath(const QString& path);

TReadResult ReadCsvMatrix(const QString& path);
TReadResult ReadCsvMatrixBytes(const QByteArray& bytes);

// Fields joined by commas, quoted where they hold a comma, a semicolon, a
// quote, a line break or leading or trailing blanks; lines end in CR LF.
QByteArray EncodeCsvTable(const std::vector<QStringList>& rows);
