#include "parsimony/ThoroughResults.h"

#include "data/NumberFormat.h"

std::shared_ptr<TParsimonySearch> ThoroughPopulation(const TThoroughSearch& search,
                                                     const TSField& field, int objectCount,
                                                     int characterCount, QChar decimalSeparator)
{
    TSearchSettings settings;
    settings.TreeCount = static_cast<int>(search.Results().size());
    settings.Generations = 0;
    settings.MissingData = search.Settings().MissingData;
    settings.Seed = search.Settings().Seed;
    settings.DecimalSeparator = decimalSeparator;
    auto population =
        std::make_shared<TParsimonySearch>(field, objectCount, characterCount, settings);
    population->Trees.assign(search.Results().size() + 1, TTree());
    for (size_t k = 0; k < search.Results().size(); ++k) {
        population->Trees[k + 1] = TreeFromCompact(search.Results()[k].Tree);
        population->Trees[k + 1].Number = static_cast<int>(k) + 1;
        population->EvaluateTree(static_cast<int>(k) + 1);
    }
    if (!search.Results().empty()) population->Trees[0] = population->Trees[1];
    return population;
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
