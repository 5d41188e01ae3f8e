#pragma once
// Sectorial search (Goloboff 1999) for the driven thorough search: a sector
// is a clade of the current tree cut into units (its tips, or whole subtrees
// where the clade is larger than the sector), and only the way the units are
// joined inside the clade is searched again: a random resolution of the
// units, each unit then reinserted at its best place, then TBR restricted to
// the sector. Every move is counted on the whole tree through the scorer, so
// the lengths are exact for the whole tree under any criterion; a sector's
// new resolution is kept only when a full evaluation is no longer than before.
// A big sector is also ratcheted: climbs inside it under perturbed weights,
// each followed by a climb under the run's own.
//
//   TSectorTally tally;
//   SearchSectors(scorer, rng, {20, 60, 6}, &stop, tally);  // never longer
//   SearchConsensusSectors(scorer, rng, poolTrees, {20, 60, 6}, &stop, tally);
#include <atomic>
#include <cstdint>
#include <functional>
#include <vector>

#include "parsimony/Random.h"
#include "parsimony/thorough/ThoroughScoring.h"

// Ratchet inside big sectors: after the climb inside a sector of at least
// FromUnits units, Cycles times a climb inside it under Perturbed weights
// (per character 1..C), then under the run's own; the shortest resolution
// met is kept.
struct TSectorRatchet {
    int FromUnits = 0;  // 0: no sector is ratcheted
    int Cycles = 0;
    std::function<std::vector<int>(TRandom&)> Perturbed;
};

// Units per sector and sectors per call; 0: from the size of the tree.
struct TSectorSettings {
    int Min = 0, Max = 0;
    int Count = 0;
    TSectorRatchet Ratchet;
};
constexpr int MinSectorUnits = 4;

// The sizes used on a tree of `tips` objects (every field above 0, Max <= tips).
TSectorSettings SectorSizesFor(int tips, const TSectorSettings& asked);

struct TSectorTally {
    int Searched = 0;    // sectors searched
    int Accepted = 0;    // new resolution kept (shorter or as long)
    int Shorter = 0;     // of those, shorter
    int Mismatches = 0;  // predicted lengths that a full evaluation did not confirm
};

// Searches random sectors of the scorer's tree; the scorer ends on the last
// kept tree, never longer than it started. Returns true when it got shorter.
// accepted (for checking) sees every kept tree and the length reported for it.
bool SearchSectors(TThoroughScoring& scorer, TRandom& rng, const TSectorSettings& sizes,
                   const std::atomic<bool>* stop, TSectorTally& tally,
                   const std::function<void(const TCompactTree&, std::int64_t)>& accepted = {});

// Consensus-based sectors: the groups the scorer's tree shares with every
// tree of pool (trees found so far) are taken as settled, and the sectors are
// the unsettled parts between them: a shared group whose shared subgroups
// (or objects) next below it are the units, at least 3 and at most
// sizes.Max of them (a larger part is narrowed to one child's side). Up to
// sizes.Count sectors, searched and kept as SearchSectors does.
bool SearchConsensusSectors(
    TThoroughScoring& scorer, TRandom& rng, const std::vector<const TCompactTree*>& pool,
    const TSectorSettings& sizes, const std::atomic<bool>* stop, TSectorTally& tally,
    const std::function<void(const TCompactTree&, std::int64_t)>& accepted = {});
