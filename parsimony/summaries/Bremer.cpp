#include "parsimony/summaries/Bremer.h"

#include <algorithm>
#include <atomic>
#include <mutex>
#include <optional>
#include <thread>

#include "parsimony/length/CriteriaCoding.h"
#include "parsimony/length/PackedStates.h"
#include "parsimony/thorough/ThoroughCriteria.h"
#include "parsimony/thorough/ThoroughScorer.h"
#include "parsimony/thorough/ThoroughSearch.h"

bool TBremerResult::AllExact() const
{
    if (!ShortestExact) return false;
    return std::all_of(Groups.begin(), Groups.end(), [](const TBremerGroup& g) { return g.Exact; });
}

bool HasGroup(const TCompactTree& tree, const TInclusion& group)
{
    std::vector<TInclusion> below(static_cast<size_t>(tree.Vertices()));
    std::vector<int> order{tree.Root};
    for (size_t k = 0; k < order.size(); ++k)
        if (!tree.IsTip(order[k]))
            for (int c : tree.Child[static_cast<size_t>(order[k])]) order.push_back(c);
    for (auto it = order.rbegin(); it != order.rend(); ++it) {
        const int v = *it;
        TInclusion& s = below[static_cast<size_t>(v)];
        if (tree.IsTip(v)) {
            s.Include(v + 1);
            continue;
        }
        s = below[static_cast<size_t>(tree.Child[static_cast<size_t>(v)][0])] |
            below[static_cast<size_t>(tree.Child[static_cast<size_t>(v)][1])];
        if (s == group) return true;
    }
    return false;
}

namespace {
// Moves the first object outside the group onto a branch inside it: no
// vertex then holds exactly the group, so the tree obeys the constraint.
void BreakGroup(TCompactTree& tree, const TInclusion& group)
{
    if (!HasGroup(tree, group)) return;
    std::vector<TInclusion> below(static_cast<size_t>(tree.Vertices()));
    std::vector<int> order{tree.Root};
    for (size_t k = 0; k < order.size(); ++k)
        if (!tree.IsTip(order[k]))
            for (int c : tree.Child[static_cast<size_t>(order[k])]) order.push_back(c);
    int holder = -1;
    for (auto it = order.rbegin(); it != order.rend(); ++it) {
        const int v = *it;
        TInclusion& s = below[static_cast<size_t>(v)];
        if (tree.IsTip(v))
            s.Include(v + 1);
        else
            s = below[static_cast<size_t>(tree.Child[static_cast<size_t>(v)][0])] |
                below[static_cast<size_t>(tree.Child[static_cast<size_t>(v)][1])];
        if (s == group && !tree.IsTip(v)) holder = v;
    }
    int outside = 0;
    while (group.Contains(outside + 1)) ++outside;
    TThoroughScoring::ApplyMove(tree, outside, outside, tree.Child[static_cast<size_t>(holder)][0]);
}

struct TFound {
    std::int64_t Length = -1;
    TCompactTree Tree;
};

// A thorough search on one thread among the trees without `without` (every
// tree when null): the given starting trees, then random addition sequences,
// each with SPR, TBR and ratchet iterations.
TFound ConstrainedSearch(const TScoringMaker& make, int characters, int rootTip,
                         const TBremerSettings& set, const TInclusion* without,
                         const std::vector<TCompactTree>& starts, std::uint64_t seed,
                         const std::atomic<bool>& stop)
{
    const std::unique_ptr<TThoroughScoring> own = make();
    TThoroughScoring& scorer = *own;
    // Where the length does not depend on the root, groups are read with the
    // tree rooted at the outgroup.
    auto holds = [rootTip](const TCompactTree& t, const TInclusion& g) {
        return HasGroup(rootTip >= 0 ? RootedAtTip(t, rootTip) : t, g);
    };
    if (without)
        scorer.SetAcceptance(
            [without, holds](const TCompactTree& t) { return !holds(t, *without); });
    TFound best;
    int hits = 0;
    auto offer = [&](int round) {
        const std::int64_t length = scorer.Length();
        if (best.Length < 0 || length < best.Length) {
            best = {length, scorer.Tree()};
            hits = round >= 0 ? 1 : 0;
        } else if (length == best.Length && round >= 0) {
            ++hits;
        }
    };
    auto improve = [&](TRandom& rng, int round) {
        scorer.Climb(TSwapRule::Spr, rng, &stop);
        scorer.Climb(TSwapRule::Tbr, rng, &stop);
        TCompactTree kept = scorer.Tree();
        std::int64_t keptLength = scorer.Length();
        std::vector<int> weights(static_cast<size_t>(characters) + 1, 1);
        for (int it = 0; it < set.Ratchet && !stop.load(); ++it) {
            for (int c = 1; c <= characters; ++c)
                weights[static_cast<size_t>(c)] = rng.Below(4) == 0 ? 2 : 1;
            scorer.SetCharacterWeights(weights);
            scorer.Climb(TSwapRule::Tbr, rng, &stop);
            scorer.SetCharacterWeights({});
            scorer.Climb(TSwapRule::Tbr, rng, &stop);
            if (scorer.Length() <= keptLength) {
                kept = scorer.Tree();
                keptLength = scorer.Length();
            } else {
                scorer.Load(kept);
            }
        }
        offer(round);
    };
    for (size_t k = 0; k < starts.size() && !stop.load(); ++k) {
        TCompactTree t = rootTip >= 0 ? RootedAtTip(starts[k], rootTip) : starts[k];
        if (without) BreakGroup(t, *without);
        scorer.Load(t);
        TRandom rng(ReplicateSeed(seed, -1 - static_cast<int>(k)));
        improve(rng, -1);
    }
    for (int round = 0; round < std::max(1, set.Additions) && !stop.load(); ++round) {
        TRandom rng(ReplicateSeed(seed, round));
        if (!scorer.BuildByAddition(rng, &stop)) break;
        if (without && holds(scorer.Tree(), *without)) {
            TCompactTree t = rootTip >= 0 ? RootedAtTip(scorer.Tree(), rootTip) : scorer.Tree();
            BreakGroup(t, *without);
            scorer.Load(t);
        }
        improve(rng, round);
        if (set.HitLimit > 0 && hits >= set.HitLimit) break;
    }
    return best;
}

std::vector<TInclusion> GroupsOf(const TTree& tree, int objectCount)
{
    return CladesOfTrees({&tree}, objectCount).Trees.front();
}
}  // namespace

bool ShortestBelow(const TSField& field, int objectCount, int characterCount, bool missingData,
                   const TInclusion* without, std::int64_t below, std::uint64_t nodeLimit,
                   std::int64_t* shortest, const std::function<bool()>& cancelled,
                   TCompactTree* tree)
{
    // Stepwise addition of objects 1..n in every place; a partial tree is
    // never longer than any tree it grows into, so one not shorter than the
    // best so far is dropped.
    const int n = objectCount;
    *shortest = below;
    if (n < 3) return false;
    const TPackedField packed(field, n, characterCount);
    TTreeScorer scorer(packed, missingData);
    TTree t;
    t.Tips.resize(static_cast<size_t>(n) + 1);
    t.Nodes.resize(static_cast<size_t>(n));
    for (int o = 1; o <= n; ++o) t.Tips[static_cast<size_t>(o)].Objects = {static_cast<TIntNum>(o)};
    t.Tips[1].Anc = t.Tips[2].Anc = 1;
    t.Nodes[1].Anc = 0;
    std::uint64_t nodes = 0;
    bool aborted = false;
    std::function<void(int)> add = [&](int m) {
        for (int target = 1; target <= 2 * m - 1 && !aborted; ++target) {
            const bool isTip = target <= m;
            TIntNum& anc = isTip ? t.Tips[static_cast<size_t>(target)].Anc
                                 : t.Nodes[static_cast<size_t>(target - m)].Anc;
            const TIntNum above = anc;
            anc = static_cast<TIntNum>(m);
            t.Nodes[static_cast<size_t>(m)].Anc = above;
            t.Tips[static_cast<size_t>(m) + 1].Anc = static_cast<TIntNum>(m);
            if (++nodes > nodeLimit || ((nodes & 4095) == 0 && cancelled && cancelled())) {
                aborted = true;
            } else {
                const std::int64_t len = scorer.Length(t, m + 1);
                if (len < *shortest) {
                    if (m + 1 < n)
                        add(m + 1);
                    else if (const TCompactTree whole = CompactFromTree(t);
                             !without || !HasGroup(whole, *without)) {
                        *shortest = len;
                        if (tree) *tree = whole;
                    }
                }
            }
            anc = above;
        }
    };
    add(2);
    if (aborted) *shortest = below;
    return !aborted;
}

TStatus ValidateBremer(int objectCount, int characterCount)
{
    if (objectCount > MaxParsimonyObjects)
        return TFailure(
            QStringLiteral("Bremer support takes at most %1 objects; the data have %2. It runs a "
                           "constrained search for every group, so its cost grows with the "
                           "square of the objects: use jackknife or bootstrap support.")
                .arg(MaxParsimonyObjects)
                .arg(objectCount));
    if (objectCount < 3)
        return TFailure(QStringLiteral("Bremer support needs 3 to %1 objects; the data have %2.")
                            .arg(MaxParsimonyObjects)
                            .arg(objectCount));
    if (characterCount < 1) return TFailure(QStringLiteral("The data have no characters."));
    return {};
}

TResult<TBremerResult> RunBremer(const TSField& field, int objectCount, int characterCount,
                                 const TBremerSettings& settings,
                                 const std::function<void(int, int)>& progress,
                                 const std::function<bool()>& cancelled)
{
    if (TStatus valid = ValidateBremer(objectCount, characterCount); !valid)
        return TFailure(valid.Error());
    const TFailure cancel(QStringLiteral("Bremer support cancelled."));
    TBremerResult result;
    const TCriteriaCoding* criteria =
        settings.Criteria && settings.Criteria->AnyReversible() ? settings.Criteria : nullptr;
    const TPackedField packed(field, objectCount, characterCount);
    const TPackedLayout layout = PackedLayout(field, objectCount, characterCount);
    std::optional<TCriteriaScoringData> scoring;
    TScoringMaker make;
    int rootTip = -1;
    if (criteria) {
        scoring.emplace(*criteria, settings.MissingData, std::vector<int>());
        make = CriteriaScoringMaker(*scoring);
        if (criteria->CaminSokalCharacters.empty()) rootTip = 0;
    } else {
        make = [&]() -> std::unique_ptr<TThoroughScoring> {
            return std::make_unique<TThoroughScorer>(packed, settings.MissingData, &layout);
        };
    }
    // Branch and bound counts Camin-Sokal only.
    const bool provable = !criteria && objectCount <= settings.ExactObjects;
    std::atomic<bool> stop{false};
    auto poll = [&] {
        if (cancelled && cancelled()) stop = true;
        return stop.load();
    };

    // The shortest trees.
    TThoroughSettings ts;
    ts.Seed = settings.Seed;
    ts.Threads = std::max(1, settings.Threads);
    ts.TimeLimit = 0;
    ts.Replicates = std::max(1, settings.Additions);
    ts.HitLimit = settings.HitLimit;
    ts.Fuse = false;  // stops as it always did
    ts.MaxTrees = std::max(1, settings.MaxTrees);
    ts.RatchetIterations = std::max(0, settings.Ratchet);
    ts.MissingData = settings.MissingData;
    TThoroughSearch search(field, objectCount, characterCount, ts);
    search.UseCriteria(criteria, 1);
    search.Run([&](const TThoroughProgress&) { poll(); }, &stop, 0.1);
    if (poll()) return cancel;
    std::vector<TCompactTree> shortest;
    for (const TThoroughResult& r : search.Results()) shortest.push_back(r.Tree);
    std::int64_t length = search.BestLength();
    bool lengthExact = false;
    if (provable) {
        std::int64_t below = length;
        TCompactTree optimal;
        lengthExact =
            ShortestBelow(field, objectCount, characterCount, settings.MissingData, nullptr, length,
                          settings.ExactNodeLimit, &below, poll, &optimal);
        if (below < length) {
            // The heuristic missed the optimum: go on from the tree that proves it.
            shortest = {optimal};
            length = below;
        }
    }

    for (int attempt = 0;; ++attempt) {
        std::vector<TTree> trees;
        for (const TCompactTree& t : shortest) trees.push_back(TreeFromCompact(t));
        std::vector<TInclusion> groups;
        std::vector<int> holders;  // how many shortest trees hold each group
        for (const TTree& t : trees)
            for (const TInclusion& g : GroupsOf(t, objectCount)) {
                const auto at = std::find(groups.begin(), groups.end(), g);
                if (at == groups.end()) {
                    groups.push_back(g);
                    holders.push_back(1);
                } else {
                    ++holders[static_cast<size_t>(at - groups.begin())];
                }
            }
        std::vector<TBremerGroup> out(groups.size());
        std::vector<TFound> shorter(groups.size());
        std::atomic<int> next{0}, done{0};
        std::mutex report;
        const std::vector<TCompactTree> starts(
            shortest.begin(), shortest.begin() + std::min<std::ptrdiff_t>(3, shortest.size()));
        auto work = [&] {
            for (int k = next++; k < static_cast<int>(groups.size()); k = next++) {
                if (poll()) return;
                TBremerGroup& g = out[static_cast<size_t>(k)];
                g.Group = groups[static_cast<size_t>(k)];
                if (holders[static_cast<size_t>(k)] < static_cast<int>(trees.size())) {
                    // Absent from a shortest tree: no step is needed to lose it.
                    g.Without = length;
                    g.Exact = lengthExact;
                } else {
                    const TFound f =
                        ConstrainedSearch(make, characterCount, rootTip, settings, &g.Group, starts,
                                          ReplicateSeed(settings.Seed ^ 0xB5E4E5ull, k), stop);
                    g.Without = f.Length;
                    if (provable && lengthExact && !stop.load())
                        g.Exact = ShortestBelow(field, objectCount, characterCount,
                                                settings.MissingData, &g.Group, f.Length,
                                                settings.ExactNodeLimit, &g.Without, poll);
                    if (g.Without < length) shorter[static_cast<size_t>(k)] = f;
                }
                g.Decay = std::max<std::int64_t>(0, g.Without - length);
                const int d = ++done;
                if (progress) {
                    const std::lock_guard<std::mutex> lock(report);
                    progress(d, static_cast<int>(groups.size()));
                }
            }
        };
        const int threads =
            std::clamp(settings.Threads, 1, std::max(1, static_cast<int>(groups.size())));
        std::vector<std::thread> pool;
        for (int t = 1; t < threads; ++t) pool.emplace_back(work);
        work();
        for (std::thread& t : pool) t.join();
        if (stop.load()) return cancel;
        // A tree without a group shorter than the "shortest" one (only a
        // heuristic can be beaten so): it becomes the shortest, and all
        // groups are looked at again.
        const auto better =
            std::min_element(shorter.begin(), shorter.end(), [](const TFound& a, const TFound& b) {
                return a.Length >= 0 && (b.Length < 0 || a.Length < b.Length);
            });
        if (better != shorter.end() && better->Length >= 0 && attempt < 8) {
            const std::unique_ptr<TThoroughScoring> scorer = make();
            scorer->Load(better->Tree);
            TRandom rng(ReplicateSeed(settings.Seed, 1000 + attempt));
            scorer->Climb(TSwapRule::Tbr, rng, &stop);
            shortest = {rootTip >= 0 ? RootedAtTip(scorer->Tree(), rootTip) : scorer->Tree()};
            length = scorer->Length();
            continue;
        }
        result.Trees = std::move(trees);
        result.Groups = std::move(out);
        break;
    }
    result.Shortest = length;
    result.ShortestExact = lengthExact;
    std::vector<const TTree*> pointers;
    for (const TTree& t : result.Trees) pointers.push_back(&t);
    result.Tree = Consensus(CladesOfTrees(pointers, objectCount), TConsensusKind::Strict);
    for (TGeneralNode& node : result.Tree.Nodes) {
        if (node.Children.empty() || node.Parent < 0) continue;
        for (const TBremerGroup& g : result.Groups)
            if (g.Group == node.Group) node.Percent = static_cast<double>(g.Decay);
    }
    return result;
}

QStringList BremerSummaryLines(const TBremerResult& result, const TBremerSettings& settings)
{
    QStringList lines;
    lines << QStringLiteral("Bremer support (decay index): shortest length %1 (%2), %3 trees")
                 .arg(result.Shortest)
                 .arg(result.ShortestExact ? QStringLiteral("proved by branch and bound")
                                           : QStringLiteral("heuristic"))
                 .arg(result.Trees.size());
    lines << QStringLiteral(
                 "Trees without each group found by thorough searches under a converse "
                 "constraint (%1 addition sequences at most, %2 ratchet iterations each), seed %3")
                 .arg(settings.Additions)
                 .arg(settings.Ratchet)
                 .arg(settings.Seed);
    if (result.AllExact())
        lines << QStringLiteral("Every value is exact (proved by branch and bound).");
    else
        lines << QStringLiteral(
            "Values are upper bounds found by heuristic search: a longer search may find "
            "shorter trees without a group.");
    return lines;
}
