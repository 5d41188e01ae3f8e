#include "parsimony/evolutionary/FoundTrees.h"

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
