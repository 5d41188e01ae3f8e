#pragma once
// Workbooks (.xls, .xlsx, .ods): the used range of the first worksheet as
// rows-by-columns texts, read into the same shape as a text data file.
#include "data/ImportSource.h"

bool IsWorkbookPath(const QString& path);
TReadResult ReadWorkbook(const QString& path);
