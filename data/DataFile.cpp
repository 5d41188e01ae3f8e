#include "data/DataFile.h"

#include "data/CsvReader.h"
#include "data/NexusReader.h"
#include "data/Workbook.h"

TReadResult ReadDataFile(const QString& path, bool workbook, TNexusRootRule rootRule)
{
    if (!workbook && IsNexusPath(path)) return ReadNexusMatrix(path, rootRule);
    TReadResult read = workbook          ? ReadWorkbook(path)
                       : IsCsvPath(path) ? ReadCsvMatrix(path)
                                         : ReadTextMatrix(path);
    if (read && !workbook)
        PointToComma(read->Data.DataMatrix, read->Data.ObjectCount, read->Data.CharacterCount);
    return read;
}

TReadResult ReadDataFile(const QString& path) { return ReadDataFile(path, IsWorkbookPath(path)); }

QStringList LoadReportLines(const QString& path, const TMatrixData& data)
{
    return {QString(), QStringLiteral("Data from ") + path,
            QStringLiteral("Objects = ") + QString::number(data.ObjectCount),
            QStringLiteral("Characters = ") + QString::number(data.CharacterCount)};
}

QStringList LoadReportNotes(const TMatrixRead& read)
{
    return read.Warnings + read.Notes + LoadWarnings(read.Data);
}
