#include "parsimony/summaries/Support.h"

#include <mutex>
#include <thread>

#include "parsimony/Random.h"
#include "parsimony/evolutionary/CreateTree.h"
#include "parsimony/length/CriteriaCoding.h"
#include "parsimony/thorough/ThoroughSearch.h"

namespace {
// Well-spread seeds for replicate r, whatever the thread that runs it.
std::uint64_t Mix(std::uint64_t x)
{
    x += 0x9E3779B97F4A7C15ULL;
    x = (x ^ (x >> 30)) * 0xBF58476D1CE4E5B9ULL;
    x = (x ^ (x >> 27)) * 0x94D049BB133111EBULL;
    return x ^ (x >> 31);
}
}  // namespace

std::vector<int> ReplicateWeights(TSupportMethod method, int characterCount, std::uint64_t seed)
{
    std::vector<int> weights(static_cast<size_t>(std::max(characterCount, 0)) + 1, 0);
    TRandom rng(seed);
    for (int c = 1; c <= characterCount; ++c) {
        if (method == TSupportMethod::Unit) weights[static_cast<size_t>(c)] = 1;
        // 1/e = 0.3678794...: removed when the draw falls below it.
        if (method == TSupportMethod::Jackknife)
            weights[static_cast<size_t>(c)] = rng.Below(10000000) >= 3678794 ? 1 : 0;
    }
    if (method == TSupportMethod::Bootstrap)
        for (int k = 0; k < characterCount; ++k)
            ++weights[static_cast<size_t>(1 + rng.Below(characterCount))];
    return weights;
}

TSField Reweighted(const TSField& field, const std::vector<int>& weights)
{
    TSField out;
    out.Names = field.Names;
    out.Places.Resize(0);
    for (int c = 1; c <= field.Places.Count() && c < static_cast<int>(weights.size()); ++c)
        for (int k = 0; k < weights[static_cast<size_t>(c)]; ++k)
            out.Places.Append(field.Places[c]);
    return out;
}

TReplicateSearch EvolutionaryReplicateSearch(int treeCount, int generations, bool missingData)
{
    return [=](const TSField& original, const std::vector<int>& weights, int objectCount,
               std::uint64_t seed) {
        const TSField field = Reweighted(original, weights);
        TSearchSettings settings;
        settings.TreeCount = treeCount;
        settings.Generations = generations;
        settings.MissingData = missingData;
        settings.Seed = seed;
        const int characters = field.Places.Count();
        TParsimonySearch search(field, objectCount, characters, settings);
        search.Run();
        std::vector<TTree> best;
        const double shortest = search.FindBestTree().second;
        for (int k = 1; k <= search.TreeCount(); ++k)
            if (search.Tree(k).Fitness == shortest) best.push_back(search.Tree(k));
        return best;
    };
}

TStatus ValidateSupport(int objectCount, int characterCount)
{
    if (objectCount < 3 || objectCount > MaxThoroughObjects)
        return TFailure(QStringLiteral("Branch support needs 3 to %1 objects; the data have %2.")
                            .arg(MaxThoroughObjects)
                            .arg(objectCount));
    if (characterCount < 1) return TFailure(QStringLiteral("The data have no characters."));
    return {};
}

namespace {
TThoroughSettings ReplicateSettings(const TThoroughReplicateSettings& settings,
                                    const std::vector<int>& weights, std::uint64_t seed)
{
    TThoroughSettings s;
    s.Seed = seed;
    s.Threads = 1;
    s.TimeLimit = 0;  // a clock would make replicates depend on the machine's load
    s.Replicates = std::max(1, settings.Additions);
    s.HitLimit = settings.HitLimit;
    s.Fuse = false;  // replicates stop as they always did
    s.MaxTrees = std::max(1, settings.MaxTrees);
    s.RatchetIterations = std::max(0, settings.Ratchet);
    s.MissingData = settings.MissingData;
    s.Weights = weights;
    return s;
}

// The thorough search of one replicate, under the criteria when there are any.
std::vector<TCompactTree> SearchReplicate(const TThoroughReplicateSettings& settings,
                                          const TSField& field, const std::vector<int>& weights,
                                          int objectCount, std::uint64_t seed)
{
    const TCriteriaCoding* criteria = settings.Criteria;
    const int characters = criteria ? criteria->Criteria.Count() : field.Places.Count();
    TThoroughSearch search(criteria ? criteria->CaminSokal : field, objectCount, characters,
                           ReplicateSettings(settings, weights, seed));
    search.UseCriteria(criteria, 1);
    std::vector<TCompactTree> best;
    if (search.Run() == TSearchStatus::Refused) return best;
    for (const TThoroughResult& r : search.Results()) best.push_back(r.Tree);
    return best;
}

// Runs replicate(r, seed) for r = 0 .. replicates - 1 on the threads; the
// result holds what every finished replicate gave, in replicate order.
template <class Groups, class F>
std::vector<Groups> RunReplicates(const TSupportSettings& settings, F&& replicate,
                                  const std::function<void(int)>& progress,
                                  const std::function<bool()>& cancelled, bool* stopped)
{
    const int replicates = std::clamp(settings.Replicates, 0, MaxReplicates);
    std::vector<Groups> groups(static_cast<size_t>(replicates));
    std::vector<char> finished(static_cast<size_t>(replicates), 0);
    std::atomic<int> next{0}, done{0};
    std::atomic<bool> stop{false};
    std::mutex report;
    auto work = [&] {
        for (int r = next++; r < replicates; r = next++) {
            if (stop || (cancelled && cancelled())) {
                stop = true;
                return;
            }
            const std::uint64_t seed = Mix(settings.Seed ^ Mix(static_cast<std::uint64_t>(r)));
            groups[static_cast<size_t>(r)] = replicate(seed);
            finished[static_cast<size_t>(r)] = 1;
            const int d = ++done;
            if (progress) {
                const std::lock_guard<std::mutex> lock(report);
                progress(d);
            }
        }
    };
    const int threads = std::clamp(settings.Threads, 1, std::max(1, replicates));
    std::vector<std::thread> pool;
    for (int t = 1; t < threads; ++t) pool.emplace_back(work);
    work();
    for (std::thread& t : pool) t.join();
    *stopped = stop;
    std::vector<Groups> kept;
    for (int r = 0; r < replicates; ++r)
        if (finished[static_cast<size_t>(r)])
            kept.push_back(std::move(groups[static_cast<size_t>(r)]));
    return kept;
}
}  // namespace

TReplicateSearch ThoroughReplicateSearch(const TThoroughReplicateSettings& settings)
{
    return [=](const TSField& field, const std::vector<int>& weights, int objectCount,
               std::uint64_t seed) {
        std::vector<TTree> best;
        for (const TCompactTree& t : SearchReplicate(settings, field, weights, objectCount, seed))
            best.push_back(TreeFromCompact(t));
        return best;
    };
}

TBigReplicateSearch BigThoroughReplicateSearch(const TThoroughReplicateSettings& settings)
{
    return [=](const TSField& field, const std::vector<int>& weights, int objectCount,
               std::uint64_t seed) {
        return SearchReplicate(settings, field, weights, objectCount, seed);
    };
}

TSupportResult RunSupport(const TSField& field, int objectCount, const TSupportSettings& settings,
                          const TReplicateSearch& search, const std::function<void(int)>& progress,
                          const std::function<bool()>& cancelled)
{
    const int characters = field.Places.Count();
    TSupportResult result;
    result.Replicates.ObjectCount = objectCount;
    for (int o = 1; o <= objectCount; ++o) result.Replicates.LeafOrder.push_back(o);
    result.Replicates.Trees = RunReplicates<std::vector<TInclusion>>(
        settings,
        [&](std::uint64_t seed) {
            const std::vector<TTree> trees = search(
                field, ReplicateWeights(settings.Method, characters, seed), objectCount, Mix(seed));
            std::vector<const TTree*> pointers;
            for (const TTree& t : trees) pointers.push_back(&t);
            std::vector<TInclusion> groups;
            if (!pointers.empty()) {
                // The groups all shortest trees of this replicate agree on.
                const TGeneralTree strict =
                    Consensus(CladesOfTrees(pointers, objectCount), TConsensusKind::Strict);
                for (const TGeneralNode& n : strict.Nodes)
                    if (!n.Children.empty() && n.Parent >= 0) groups.push_back(n.Group);
            }
            return groups;
        },
        progress, cancelled, &result.Cancelled);
    result.Done = static_cast<int>(result.Replicates.Trees.size());
    result.Consensus = Consensus(result.Replicates, TConsensusKind::Majority);
    return result;
}

TSupportResult RunBigSupport(const TSField& field, int objectCount,
                             const TSupportSettings& settings, const TBigReplicateSearch& search,
                             const std::function<void(int)>& progress,
                             const std::function<bool()>& cancelled)
{
    const int characters = field.Places.Count();
    TSupportResult result;
    result.Replicates.ObjectCount = objectCount;
    const std::vector<TTreeGroups> replicates = RunReplicates<TTreeGroups>(
        settings,
        [&](std::uint64_t seed) {
            const std::vector<TCompactTree> trees = search(
                field, ReplicateWeights(settings.Method, characters, seed), objectCount, Mix(seed));
            // The groups all shortest trees of this replicate agree on.
            TBigConsensusInput found;
            found.ObjectCount = objectCount;
            for (const TCompactTree& t : trees) found.Add(CompactGroups(t));
            return GeneralTreeGroups(BigConsensus(found, TConsensusKind::Strict));
        },
        progress, cancelled, &result.Cancelled);
    TBigConsensusInput all;
    all.ObjectCount = objectCount;
    for (int o = 1; o <= objectCount; ++o) all.LeafOrder.push_back(o);
    for (const TTreeGroups& groups : replicates) all.Add(groups);
    result.Done = all.TreeCount;
    result.Consensus = BigConsensus(all, TConsensusKind::Majority);
    return result;
}
