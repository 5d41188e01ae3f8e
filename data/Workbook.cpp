#include "data/Workbook.h"

#include <QFileInfo>

bool IsWorkbookPath(const QString& path)
{
    const QString suffix = QFileInfo(path).suffix().toLower();
    return suffix == QLatin1String("xls") || suffix == QLatin1String("xlsx") ||
           suffix == QLatin1String("ods");
}

TReadResult ReadWorkbook(const QString& path)
{
    TReadResult result;
    result.Error = QStringLiteral("Reading workbooks is not available yet (\"%1\").").arg(path);
    return result;
}
