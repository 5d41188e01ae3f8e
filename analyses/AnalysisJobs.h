#pragma once
// The steps of the four analysis jobs, shared by the menu commands and the
// batch tool so that both code, compute and write the same.
#include "analyses/ResultGrid.h"

enum class TAnalysisJob { DistanceMatrix, Cramer, StateCombinations, PairwiseCompatibility };

// Sets MissingAsState (and, except for the distance matrix, the job's fixed
// CharacterType) and codes model.CharField. The distance matrix codes by the
// CharacterType the character type step chose: Standard or pointer.
void CodeForJob(TModel& model, TAnalysisJob job);
// Fills model.ResultMatrix or model.CompatMatrix from model.CharField.
void ComputeJob(TModel& model, TAnalysisJob job);
// Headers and result texts, as the result window shows them.
void ShowJobResult(TResultGrid& grid, const TModel& model, TAnalysisJob job,
                   QChar decimalSeparator);

// Protocol lines after the coding (none for pairwise compatibility).
QStringList CodingProtocolLines(TAnalysisJob job);
// Protocol lines after the result is shown.
QStringList ResultProtocolLines(TAnalysisJob job);
