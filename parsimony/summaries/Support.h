#pragma once
// Branch support by resampling characters: every replicate re-weights the
// characters (jackknife: each removed with probability 1/e; bootstrap: drawn
// C times with replacement), searches the re-weighted data and contributes
// the strict consensus of its shortest trees; the result is the
// majority-rule consensus of the replicates with the share of replicates
// holding each group.
//
// Use: `TSupportSettings s; s.Method = TSupportMethod::Jackknife; s.Seed = 1;
//       TSupportResult r = RunSupport(field, objectCount, s, ThoroughReplicateSearch({}));
//       QString nwk = WriteNewickTree(ConsensusToNewick(r.Consensus, field.Names, true));`
#include <atomic>
#include <cstdint>
#include <functional>
#include <vector>

#include "data/Result.h"
#include "parsimony/summaries/Consensus.h"

struct TCriteriaCoding;

enum class TSupportMethod { Jackknife, Bootstrap, Unit };  // Unit: every weight 1

// Weights of characters 1..C (index 0 unused) for one replicate.
std::vector<int> ReplicateWeights(TSupportMethod method, int characterCount, std::uint64_t seed);

// The field with character c repeated weights[c] times (0: left out), so
// that every search scores weighted lengths without knowing of weights.
TSField Reweighted(const TSField& field, const std::vector<int>& weights);

// The search each replicate runs: the shortest trees it found on the field
// under the weights of characters 1..C (index 0 unused).
using TReplicateSearch = std::function<std::vector<TTree>(
    const TSField& field, const std::vector<int>& weights, int objectCount, std::uint64_t seed)>;

// The evolutionary search (grow treeCount trees, swap for the given
// generations) on the field with the characters repeated by their weights,
// keeping its distinct shortest trees.
TReplicateSearch EvolutionaryReplicateSearch(int treeCount, int generations, bool missingData);

// How thoroughly each replicate is searched: a few random addition
// sequences with TBR and a short ratchet, on one thread (the replicates
// themselves run in parallel).
struct TThoroughReplicateSettings {
    int Additions = 4;  // addition sequences at most
    int HitLimit = 2;   // stop once this many found the best length; 0: never
    int Ratchet = 3;    // ratchet iterations per addition sequence
    int MaxTrees = 20;  // shortest trees kept per replicate
    bool MissingData = true;
    // Every character under its criterion (must outlive the run); the field
    // a replicate gets then only gives the number of characters.
    const TCriteriaCoding* Criteria = nullptr;
};

// The thorough search scoring the weights directly (no repeated characters).
TReplicateSearch ThoroughReplicateSearch(const TThoroughReplicateSettings& settings);

// The same for trees of any size: the thorough search's compact trees.
using TBigReplicateSearch = std::function<std::vector<TCompactTree>(
    const TSField& field, const std::vector<int>& weights, int objectCount, std::uint64_t seed)>;
TBigReplicateSearch BigThoroughReplicateSearch(const TThoroughReplicateSettings& settings);

struct TSupportSettings {
    TSupportMethod Method = TSupportMethod::Jackknife;
    int Replicates = 100;
    std::uint64_t Seed = 1;
    int Threads = 1;
};

struct TSupportResult {
    int Done = 0;  // replicates finished (all unless cancelled)
    bool Cancelled = false;
    TConsensusInput Replicates;  // the groups of every finished replicate, in replicate order
                                 // (none kept by RunBigSupport)
    TGeneralTree Consensus;      // majority-rule over the replicates, Percent = support
};

// Why support cannot be computed for these data (fewer than 3 objects or
// more than the thorough search takes, no characters).
TStatus ValidateSupport(int objectCount, int characterCount);

// Most replicates a run takes.
constexpr int MaxReplicates = 10000;

// Runs the replicates on settings.Threads threads; the result does not depend
// on the number of threads. progress(done) is called after each replicate
// (from any thread); cancelled() is asked before each replicate.
TSupportResult RunSupport(const TSField& field, int objectCount, const TSupportSettings& settings,
                          const TReplicateSearch& search,
                          const std::function<void(int)>& progress = {},
                          const std::function<bool()>& cancelled = {});

// RunSupport for any number of objects the thorough search takes (past 255
// the consensus nodes' Group stays empty; the groups are the same as
// RunSupport's wherever both run).
TSupportResult RunBigSupport(const TSField& field, int objectCount,
                             const TSupportSettings& settings, const TBigReplicateSearch& search,
                             const std::function<void(int)>& progress = {},
                             const std::function<bool()>& cancelled = {});
