#pragma once
// The analyses computed literally, pair by pair, with every set operation and
// membership test redone for each pair. Slow; only for tests and benchmarks.
#include "data/Global.h"

void LiteralJaccardDistanceMatrix(const TSField& field, TDynRealMatrix& result);
void LiteralStepDistanceMatrix(const TSField& field, TDynRealMatrix& result);
void LiteralCramerMatrix(const TSField& field, TDynRealMatrix& result);
void LiteralCombinationMatrix(const TSField& field, TDynRealMatrix& result);
void LiteralCompatibilityMatrix(const TSField& field, TBoolMatrix& result);
