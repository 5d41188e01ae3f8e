#pragma once
// Random coded characters for tests and benchmarks: every character gets a
// random state tree (optionally with several roots), every object a random
// state coded as its path to the root, some objects "?".
#include <algorithm>
#include <numeric>
#include <random>

#include "data/Global.h"

struct TRandomFieldShape {
    int Objects = 10;
    int Characters = 5;
    int MaxStates = 6;          // states per character: 1..MaxStates
    double MissingShare = 0;    // share of "?" cells
    double MultiRootShare = 0;  // share of states without a parent
};

inline TSField RandomField(std::mt19937_64& rng, const TRandomFieldShape& shape)
{
    TSField field;
    field.Names.Resize(shape.Objects);
    for (int o = 1; o <= shape.Objects; ++o) field.Names[o] = QStringLiteral("T%1").arg(o);
    field.Places.Resize(shape.Characters);
    std::uniform_real_distribution<double> unit(0, 1);
    for (int c = 1; c <= shape.Characters; ++c) {
        TSPlace& place = field.Places[c];
        place.Name = QStringLiteral("C%1").arg(c);
        const int states =
            std::uniform_int_distribution<int>(1, std::min(shape.MaxStates, 256))(rng);
        // State k derives from a lower state; indices shuffled so that paths
        // are not runs of neighbouring bits.
        std::vector<int> parent(static_cast<size_t>(states), -1);
        for (int k = 1; k < states; ++k)
            parent[static_cast<size_t>(k)] =
                unit(rng) < shape.MultiRootShare
                    ? -1
                    : std::uniform_int_distribution<int>(0, k - 1)(rng);
        std::vector<int> index(static_cast<size_t>(states));
        std::iota(index.begin(), index.end(), 0);
        std::shuffle(index.begin(), index.end(), rng);
        place.StateCount = states;
        place.Inc.Assign(shape.Objects, TInclusion());
        for (int o = 1; o <= shape.Objects; ++o) {
            if (unit(rng) < shape.MissingShare) {
                place.HasMissing = true;
                continue;
            }
            for (int k = std::uniform_int_distribution<int>(0, states - 1)(rng); k >= 0;
                 k = parent[static_cast<size_t>(k)])
                place.Inc[o].Include(index[static_cast<size_t>(k)]);
        }
    }
    return field;
}
