#pragma once
// A data file read as the program's open commands read it: a text file with
// the first decimal point of every data cell turned into a comma, or the first
// worksheet of a workbook as it stands.
#include "data/ImportSource.h"

TReadResult ReadDataFile(const QString& path, bool workbook);
// Tells a workbook by its name (.xls, .xlsx, .ods).
TReadResult ReadDataFile(const QString& path);
