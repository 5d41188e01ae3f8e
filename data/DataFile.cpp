#include "data/DataFile.h"

#include "data/Workbook.h"

TReadResult ReadDataFile(const QString& path, bool workbook)
{
    TReadResult read = workbook ? ReadWorkbook(path) : ReadTextMatrix(path);
    if (read.Ok && !workbook)
        PointToComma(read.Data.DataMatrix, read.Data.ObjectCount, read.Data.CharacterCount);
    return read;
}

TReadResult ReadDataFile(const QString& path)
{
    return ReadDataFile(path, IsWorkbookPath(path));
}
