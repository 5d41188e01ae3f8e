#pragma once
// Distances between objects, averaged over the characters.
#include "data/Global.h"

// Mean Jaccard distance of the objects' state sets (Standard coding).
// A character where either object is missing leaves the pair's mean.
void JaccardDistanceMatrix(const TSField& field, TDynRealMatrix& result);
// Mean number of steps between the objects' states along the state trees
// (pointer coding). A character where the onion sets share nothing leaves the mean.
// A pair without any usable character gets NaN.
void StepDistanceMatrix(const TSField& field, TDynRealMatrix& result);

// (n + 1) x (n + 1) zeros.
TDynRealMatrix ZeroMatrix(int n);
