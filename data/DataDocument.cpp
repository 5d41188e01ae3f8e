#include "data/DataDocument.h"

#include "data/DataFile.h"
#include "data/MatrixOps.h"
#include "data/Workbook.h"

TStatus TDataDocument::Load(const QString& path, bool workbook, TNexusRootRule rootRule)
{
    TReadResult read = ReadDataFile(path, workbook, rootRule);
    if (!read) return TFailure(read.Error());
    TLoadReport report{path, LoadReportLines(path, read->Data), LoadReportNotes(*read),
                       read->Warnings};
    Model.AssignMatrix(std::move(read->Data), workbook);
    LastLoad = std::move(report);
    return {};
}

TStatus TDataDocument::Load(const QString& path) { return Load(path, IsWorkbookPath(path)); }

void TDataDocument::Transpose()
{
    Model.AssignMatrix(TransposeMatrix(Model.DataMatrix, Model.ObjectCount, Model.CharacterCount),
                       Model.FromExcel);
}

TMatrixData TDataDocument::Release()
{
    TMatrixData data;
    data.DataMatrix = std::move(Model.DataMatrix);
    data.ObjectCount = Model.ObjectCount;
    data.CharacterCount = Model.CharacterCount;
    data.Symbols = std::move(Model.SourceSymbols);
    data.Criteria = std::move(Model.Criteria);
    Model.AssignMatrix(TMatrixData(), false);
    LastLoad = TLoadReport();
    return data;
}
