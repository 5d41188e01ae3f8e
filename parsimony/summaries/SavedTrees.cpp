#include "parsimony/summaries/SavedTrees.h"

#include <algorithm>
#include <cmath>

#include "parsimony/summaries/Consensus.h"

std::vector<size_t> ShortestDistinctTrees(const std::vector<const TTree*>& trees, int objectCount)
{
    std::vector<size_t> kept;
    if (trees.empty()) return kept;
    double shortest = trees.front()->Fitness;
    for (const TTree* t : trees) shortest = std::min(shortest, t->Fitness);
    // Lengths are sums of fits; two equal lengths may differ in the last bits.
    const double tolerance = 1e-9 * std::max(1.0, std::fabs(shortest));
    const TConsensusInput groups = CladesOfTrees(trees, objectCount);
    for (size_t k = 0; k < trees.size(); ++k) {
        if (trees[k]->Fitness > shortest + tolerance) continue;
        const bool seen = std::any_of(kept.begin(), kept.end(),
                                      [&](size_t j) { return groups.Trees[j] == groups.Trees[k]; });
        if (!seen) kept.push_back(k);
    }
    return kept;
}
