#include "parsimony/ThoroughResults.h"

#include "data/NumberFormat.h"

std::shared_ptr<TParsimonySearch> FoundTreesPopulation(const std::vector<TTree>& trees,
                                                       const TSField& field, int objectCount,
                                                       int characterCount, bool missingData,
                                                       std::uint64_t seed)
{
    TSearchSettings settings;
    settings.TreeCount = static_cast<int>(trees.size());
    settings.Generations = 0;
    settings.MissingData = missingData;
    settings.Seed = seed;
    auto population =
        std::make_shared<TParsimonySearch>(field, objectCount, characterCount, settings);
    population->SetPopulation(trees);
    return population;
}

std::shared_ptr<TParsimonySearch> ThoroughPopulation(const TThoroughSearch& search,
                                                     const TSField& field, int objectCount,
                                                     int characterCount)
{
    std::vector<TTree> trees;
    trees.reserve(search.Results().size());
    for (const TThoroughResult& r : search.Results()) trees.push_back(TreeFromCompact(r.Tree));
    return FoundTreesPopulation(trees, field, objectCount, characterCount,
                                search.Settings().MissingData, search.Settings().Seed);
}

std::vector<QStringList> ThoroughListRows(const TThoroughSearch& search, QChar decimalSeparator)
{
    std::vector<QStringList> rows{
        {ThoroughLegend, QStringLiteral("length"), QStringLiteral("found by")}};
    for (size_t k = 0; k < search.Results().size(); ++k) {
        const TThoroughResult& r = search.Results()[k];
        rows.push_back({QString::number(k + 1),
                        FormatShortest(static_cast<double>(r.Length), decimalSeparator), r.How()});
    }
    return rows;
}

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
