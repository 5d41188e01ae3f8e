#include "analyses/AnalysisJobs.h"

#include "analyses/Characters.h"
#include "analyses/Compatibility.h"
#include "analyses/DistanceMatrix.h"
#include "analyses/Matroschka.h"
#include "analyses/StringToSet.h"

void CodeForJob(TModel& model, TAnalysisJob job)
{
    switch (job) {
        case TAnalysisJob::DistanceMatrix:
            model.MissingAsState = false;
            if (model.CharacterType == TCharacterType::Standard)
                CodeStandardField(model);
            else
                CodePointerField(model);
            break;
        case TAnalysisJob::Cramer:
        case TAnalysisJob::StateCombinations:
            model.MissingAsState = true;
            model.CharacterType = TCharacterType::Standard;
            CodeStandardField(model);
            break;
        case TAnalysisJob::PairwiseCompatibility:
            model.MissingAsState = true;
            model.CharacterType = TCharacterType::Matroschka;
            CodePointerField(model);
            break;
    }
}

void ComputeJob(TModel& model, TAnalysisJob job)
{
    switch (job) {
        case TAnalysisJob::DistanceMatrix:
            if (model.CharacterType == TCharacterType::Standard)
                JaccardDistanceMatrix(model.CharField, model.ResultMatrix);
            else
                StepDistanceMatrix(model.CharField, model.ResultMatrix);
            break;
        case TAnalysisJob::Cramer:
            CramerMatrix(model.CharField, model.ResultMatrix);
            break;
        case TAnalysisJob::StateCombinations:
            CombinationMatrix(model.CharField, model.ResultMatrix);
            break;
        case TAnalysisJob::PairwiseCompatibility:
            CompatibilityMatrix(model.CharField, model.CompatMatrix);
            break;
    }
}

void ShowJobResult(TResultGrid& grid, const TModel& model, TAnalysisJob job, QChar decimalSeparator)
{
    switch (job) {
        case TAnalysisJob::DistanceMatrix:
            ShowObjectHeaders(grid, model.CharField, model.ObjectCount);
            ShowRealMatrix(grid, model.ResultMatrix, model.ObjectCount, decimalSeparator);
            break;
        case TAnalysisJob::Cramer:
        case TAnalysisJob::StateCombinations:
            ShowCharacterHeaders(grid, model.CharField, model.CharacterCount);
            ShowRealMatrix(grid, model.ResultMatrix, model.CharacterCount, decimalSeparator);
            break;
        case TAnalysisJob::PairwiseCompatibility:
            ShowCharacterHeaders(grid, model.CharField, model.CharacterCount);
            ShowCompatibility(grid, model.CompatMatrix, model.CharacterCount);
            break;
    }
}

QStringList CodingProtocolLines(TAnalysisJob job)
{
    if (job == TAnalysisJob::PairwiseCompatibility) return {};
    return {QString(), QStringLiteral("Character type modulation successful")};
}

QStringList ResultProtocolLines(TAnalysisJob job)
{
    switch (job) {
        case TAnalysisJob::DistanceMatrix:
            return {QString(), QStringLiteral("Distance matrix created")};
        case TAnalysisJob::Cramer:
            return {QString(), QStringLiteral("Matrix of character correlation created"),
                    QStringLiteral("Cramer contingency index")};
        case TAnalysisJob::StateCombinations:
            return {QString(), QStringLiteral("Matrix of character correlation created"),
                    QStringLiteral("State combinations of two characters: actual / potential")};
        case TAnalysisJob::PairwiseCompatibility:
            return {QString(),
                    QStringLiteral("Matrix of pairwise compatibility of characters created")};
    }
    return {};
}
