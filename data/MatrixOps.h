#pragma once
// Whole-matrix operations of the data editor.
#include <QStringList>
#include <vector>

#include "data/Global.h"

// Objects become characters and characters objects: cell (c, o) moves to
// (o, c), names included (object names become the header row).
TMatrixData TransposeMatrix(const TDynStrMatrix& dataMatrix, int objectCount, int characterCount);

// Rows 0..objectCount, each the cells of columns 0..characterCount, as a text
// data file holds them.
std::vector<QStringList> MatrixRows(const TDynStrMatrix& dataMatrix, int objectCount,
                                    int characterCount);
