// libFuzzer target: the XML parsers of the .ods and .xlsx readers without
// the zip around them (through a zip, mutations rarely pass the checksum).
// The first byte picks the parser: 'O' content.xml of an .ods; anything else
// an .xlsx sheet, the same bytes serving as shared strings and styles.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "data/ImportSource.h"
#include "data/WorkbookSheet.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size == 0) return 0;
    const QByteArray xml(reinterpret_cast<const char*>(data) + 1, static_cast<qsizetype>(size - 1));
    const TResult<TSheetRead> read = data[0] == 'O'
                                         ? ReadOdsContentXml(xml, xml)
                                         : ReadXlsxSheetXml(xml, xml, xml, data[0] == '4');
    if (!read) {
        if (read.Error().isEmpty()) std::abort();
        return 0;
    }
    for (const TSheetCell& cell : read->Cells)
        if (cell.Row < 0 || cell.Row >= SheetRows || cell.Col < 0 || cell.Col >= SheetCols ||
            cell.Text.isEmpty())
            std::abort();
    if (!read->Cells.empty()) {
        const TResult<TMatrixData> d = SheetToMatrix(read->Cells);
        if (d && d->DataMatrix.size() != static_cast<size_t>(d->CharacterCount) + 1) std::abort();
    }
    return 0;
}
