#pragma once
// Workbooks (.xls, .xlsx, .ods): the used range of the first worksheet as
// rows-by-columns texts, read into the same shape as a text data file (no
// decimal-point replacement). The format is told by the content, not the name.
#include "data/ImportSource.h"

bool IsWorkbookPath(const QString& path);
// Fails with a sentence naming the file and the problem; an empty first
// worksheet is a failure, never an empty matrix.
TReadResult ReadWorkbook(const QString& path);
