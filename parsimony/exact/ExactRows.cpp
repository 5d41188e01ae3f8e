#include "parsimony/exact/ExactRows.h"

#include "data/NumberFormat.h"
#include "parsimony/evolutionary/FoundTrees.h"

std::shared_ptr<TParsimonySearch> ExactPopulation(const TExactResult& result,
                                                  const TExactSettings& settings,
                                                  const TSField& field, int objectCount,
                                                  int characterCount)
{
    // The exact search draws nothing at random: seed 0.
    return FoundTreesPopulation(result.Trees, field, objectCount, characterCount,
                                settings.MissingData, 0);
}

std::vector<QStringList> ExactListRows(const TExactResult& result, QChar decimalSeparator)
{
    std::vector<QStringList> rows{
        {ExactLegend, QStringLiteral("length"), QStringLiteral("found by")}};
    const QString how = result.Proved ? QStringLiteral("branch and bound")
                                      : QStringLiteral("branch and bound, not proved");
    for (size_t k = 0; k < result.Trees.size(); ++k)
        rows.push_back(
            {QString::number(k + 1),
             FormatShortest(static_cast<double>(result.Trees[k].Fitness), decimalSeparator), how});
    return rows;
}
