#include "parsimony/thorough/ThoroughRows.h"

#include "data/NumberFormat.h"
#include "parsimony/evolutionary/FoundTrees.h"

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
