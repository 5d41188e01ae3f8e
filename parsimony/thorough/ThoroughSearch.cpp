#include "parsimony/thorough/ThoroughSearch.h"

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <optional>
#include <thread>
#include <unordered_set>

#include "parsimony/length/CriteriaCoding.h"
#include "parsimony/length/PackedStates.h"
#include "parsimony/thorough/ThoroughCriteria.h"
#include "parsimony/thorough/ThoroughFuse.h"
#include "parsimony/thorough/ThoroughScorer.h"
#include "parsimony/thorough/ThoroughSectors.h"

QString TThoroughResult::How() const
{
    if (FusedInRound > 0 && Sectors)
        return QStringLiteral("consensus sectors after round %1").arg(FusedInRound);
    if (FusedInRound > 0) return QStringLiteral("fusing after round %1").arg(FusedInRound);
    if (FusedAfter > 0) return QStringLiteral("fusing after replicate %1").arg(FusedAfter);
    if (Sectors && Iteration == 0)
        return QStringLiteral("replicate %1, addition + TBR + sectors").arg(Replicate);
    if (Sectors)
        return QStringLiteral("replicate %1, sectors after iteration %2")
            .arg(Replicate)
            .arg(Iteration);
    if (Iteration == 0) return QStringLiteral("replicate %1, addition + TBR").arg(Replicate);
    if (Drifted) return QStringLiteral("replicate %1, drift %2").arg(Replicate).arg(Iteration);
    return QStringLiteral("replicate %1, ratchet %2").arg(Replicate).arg(Iteration);
}

QStringList ThoroughHowTexts(const TThoroughSettings& settings)
{
    const int replicates = std::max(1, settings.Replicates);
    const int iterations = std::max(1, settings.RatchetIterations);
    const bool driven = settings.Strategy == TThoroughStrategy::Driven;
    QStringList texts;
    for (int iteration : {0, iterations}) {
        for (int kind = 0; kind < 3; ++kind) {
            if (kind == 1 && !(driven && settings.Drift)) continue;
            if (kind == 2 && !(driven && settings.Sectors)) continue;
            TThoroughResult r;
            r.Replicate = replicates;
            r.Iteration = iteration;
            r.Drifted = kind == 1;
            r.Sectors = kind == 2;
            texts << r.How();
        }
    }
    const int rounds =
        (replicates + std::max(1, settings.RoundSize) - 1) / std::max(1, settings.RoundSize);
    if (settings.Fuse) {
        TThoroughResult fused;
        (driven ? fused.FusedInRound : fused.FusedAfter) = driven ? rounds : replicates;
        texts << fused.How();
    }
    if (driven && settings.Sectors && settings.ConsensusSectors) {
        TThoroughResult found;
        found.FusedInRound = rounds;
        found.Sectors = true;
        texts << found.How();
    }
    texts.removeDuplicates();
    return texts;
}

std::uint64_t ReplicateSeed(std::uint64_t master, int replicate)
{
    // splitmix64 of the master seed advanced by the replicate number.
    std::uint64_t z = master + 0x9E3779B97F4A7C15ull * (static_cast<std::uint64_t>(replicate) + 1);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
}

bool TTreePool::Offer(const TCompactTree& tree, std::int64_t length, int replicate, int iteration)
{
    TThoroughResult r;
    r.Tree = tree;
    r.Length = length;
    r.Replicate = replicate;
    r.Iteration = iteration;
    return Offer(r);
}

bool TTreePool::Offer(const TThoroughResult& result)
{
    if (RootTip >= 0) {
        // The length does not depend on the root: one rooting per tree.
        TThoroughResult rooted = result;
        rooted.Tree = RootedAtTip(result.Tree, RootTip);
        return Keep(rooted);
    }
    return Keep(result);
}

bool TTreePool::Keep(const TThoroughResult& result)
{
    const TCompactTree& tree = result.Tree;
    const std::int64_t length = result.Length;
    if (Best >= 0 && length > Best) return false;
    if (Best < 0 || length < Best) {
        Best = length;
        List.clear();
        Keys.clear();
    }
    if (static_cast<int>(List.size()) >= Max) return false;
    std::string key = CanonicalKey(tree);
    if (std::find(Keys.begin(), Keys.end(), key) != Keys.end()) return false;
    Keys.push_back(std::move(key));
    List.push_back(result);
    return true;
}

TThoroughSearch::TThoroughSearch(const TSField& field, int objectCount, int characterCount,
                                 TThoroughSettings settings)
    : Field(field), Objects(objectCount), Characters(characterCount), Set(std::move(settings))
{
}

void TThoroughSearch::UseCriteria(const TCriteriaCoding* coding, int outgroup)
{
    CriteriaUsed = coding && coding->AnyReversible() ? coding : nullptr;
    OutgroupObject = outgroup;
}

int TThoroughSearch::RootTip() const
{
    return CriteriaUsed && CriteriaUsed->CaminSokalCharacters.empty() ? OutgroupObject - 1 : -1;
}

TStatus TThoroughSearch::Validate() const
{
    if (Objects < 3)
        return TFailure(
            QStringLiteral("The thorough search needs at least 3 objects; the data have %1.")
                .arg(Objects));
    if (Objects > MaxThoroughObjects)
        return TFailure(
            QStringLiteral("The thorough search takes at most %1 objects; the data have %2.")
                .arg(MaxThoroughObjects)
                .arg(Objects));
    if (Characters < 1) return TFailure(QStringLiteral("The data have no characters."));
    if (Set.Threads < 0 || Set.Threads > MaxThoroughThreads)
        return TFailure(
            QStringLiteral("The number of threads must be 1 to %1 (or 0 for every core).")
                .arg(MaxThoroughThreads));
    if (Set.Replicates < 1)
        return TFailure(QStringLiteral("The number of replicates must be at least 1."));
    if (Set.TimeLimit < 0)
        return TFailure(QStringLiteral("The time limit must be a positive number of seconds."));
    if (Set.MaxTrees < 1)
        return TFailure(QStringLiteral("The number of trees to keep must be at least 1."));
    if (Set.RatchetIterations < 0)
        return TFailure(QStringLiteral("The number of ratchet iterations cannot be negative."));
    if (Set.RoundSize < 1 || Set.FusePool < 2)
        return TFailure(
            QStringLiteral("A round needs at least 1 replicate and fusing at least 2 trees."));
    if (Set.DriftSteps < 0 || Set.DriftMoves < 1 || !(Set.DriftRfd > 0 && Set.DriftRfd <= 1))
        return TFailure(
            QStringLiteral("Drift needs 0 or more steps, at least 1 move and a "
                           "relative fit difference above 0 and at most 1."));
    const bool noSizes = Set.SectorMin == 0 && Set.SectorMax == 0;
    if (!noSizes && (Set.SectorMin < MinSectorUnits || Set.SectorMax > MaxThoroughObjects ||
                     Set.SectorMin > Set.SectorMax))
        return TFailure(QStringLiteral("A sector must have %1 to %2 units, the smallest size "
                                       "no larger than the largest.")
                            .arg(MinSectorUnits)
                            .arg(MaxThoroughObjects));
    if (Set.SectorCount < 0 || Set.SectorCount > 100000)
        return TFailure(QStringLiteral("The number of sectors must be 0 to 100000."));
    if (Set.SectorRatchet < 0 || Set.SectorRatchet > 1000 ||
        (Set.SectorRatchetUnits != 0 &&
         (Set.SectorRatchetUnits < MinSectorUnits || Set.SectorRatchetUnits > MaxThoroughObjects)))
        return TFailure(QStringLiteral("A sector's ratchet needs 0 to 1000 cycles and sectors "
                                       "of %1 to %2 units.")
                            .arg(MinSectorUnits)
                            .arg(MaxThoroughObjects));
    return {};
}

namespace {
struct TOutcome {
    std::vector<TThoroughResult> Trees;
    std::int64_t Best = -1;
    bool Complete = true;
    int Mismatches = 0;
    TSectorTally Sectors;
};

struct TShared {
    TScoringMaker Make;
    int Characters = 0;
    int RootTip = -1;
    const TThoroughSettings* Set;
    std::atomic<bool> Stop{false};
    std::atomic<int> InSectors{0};  // replicates searching sectors now
    std::atomic<int> InDrift{0};    // replicates drifting now
    // The trees each running replicate holds so far, for progress and for a
    // stop from outside: what progress counts is what such a stop keeps.
    std::mutex LiveLock;
    std::vector<std::vector<TThoroughResult>> Live;

    void Publish(int replicate, std::vector<TThoroughResult> trees)
    {
        std::lock_guard<std::mutex> guard(LiveLock);
        Live[static_cast<size_t>(replicate)] = std::move(trees);
    }
    void Publish(int replicate, const TTreePool& pool) { Publish(replicate, pool.Trees()); }
};

// The ratchet's weights: a random share of the characters counts twice.
void PerturbWeights(const TThoroughSettings& set, TRandom& rng, std::vector<int>& weights)
{
    const std::uint64_t share =
        static_cast<std::uint64_t>(std::clamp(set.RatchetShare, 0.0, 1.0) * 1000000.0);
    for (size_t c = 1; c < weights.size(); ++c) {
        const int base = c < set.Weights.size() ? set.Weights[c] : 1;
        weights[c] = rng.Below(std::uint64_t{1000000}) < share ? std::min(255, 2 * base) : base;
    }
}

TSectorSettings SectorSettingsOf(const TThoroughSettings& set, int characters)
{
    TSectorSettings s{set.SectorMin, set.SectorMax, set.SectorCount, {}};
    if (set.SectorRatchet > 0 && set.SectorRatchetUnits > 0) {
        s.Ratchet.FromUnits = set.SectorRatchetUnits;
        s.Ratchet.Cycles = set.SectorRatchet;
        s.Ratchet.Perturbed = [&set, characters](TRandom& rng) {
            std::vector<int> weights(static_cast<size_t>(characters) + 1, 1);
            PerturbWeights(set, rng, weights);
            return weights;
        };
    }
    return s;
}

TOutcome RunReplicate(int r, TShared& shared)
{
    const TThoroughSettings& set = *shared.Set;
    TRandom rng(ReplicateSeed(set.Seed, r));
    const std::unique_ptr<TThoroughScoring> own = shared.Make();
    TThoroughScoring& scorer = *own;
    TTreePool pool(set.MaxTrees, shared.RootTip);
    TOutcome out;
    std::optional<TTreeDrift> drifter;
    auto finish = [&](bool complete) {
        out.Trees = pool.Trees();
        out.Best = pool.Length();
        out.Complete = complete;
        out.Mismatches =
            scorer.Mismatches() + (drifter ? drifter->Mismatches() : 0) + out.Sectors.Mismatches;
        return out;
    };
    auto reached = [&] {
        return set.TargetLength >= 0 && pool.Length() >= 0 && pool.Length() <= set.TargetLength;
    };

    // Until the first climbs end, the tree so far stands for the replicate,
    // so that a stop on large data still keeps a tree.
    auto provisional = [&] {
        shared.Publish(r, {TThoroughResult{scorer.Tree(), scorer.Length(), r + 1, 0}});
    };
    if (!scorer.BuildByAddition(rng, &shared.Stop)) return finish(false);
    provisional();
    scorer.Climb(TSwapRule::Spr, rng, &shared.Stop);
    if (shared.Stop.load()) return finish(false);
    provisional();
    scorer.Climb(TSwapRule::Tbr, rng, &shared.Stop);
    // A climb cut short by a stop leaves a tree no progress has counted.
    if (shared.Stop.load()) return finish(false);
    pool.Offer(scorer.Tree(), scorer.Length(), r + 1, 0);
    shared.Publish(r, pool);
    if (reached()) return finish(true);

    TCompactTree best = scorer.Tree();
    std::int64_t bestLength = scorer.Length();
    // Sectors of the current tree; a shorter tree is climbed by TBR again.
    // A tree as long as the best is taken too, to move on from there.
    const bool sectors = set.Strategy == TThoroughStrategy::Driven && set.Sectors;
    const TSectorSettings sizes = SectorSettingsOf(set, shared.Characters);
    auto searchSectors = [&](int it) {
        shared.InSectors.fetch_add(1);
        const bool shorter = SearchSectors(scorer, rng, sizes, &shared.Stop, out.Sectors);
        shared.InSectors.fetch_sub(1);
        if (shorter && !shared.Stop.load()) scorer.Climb(TSwapRule::Tbr, rng, &shared.Stop);
        if (scorer.Length() > bestLength) {
            scorer.Load(best);
            return;
        }
        const bool changed =
            scorer.Length() < bestLength || CanonicalKey(scorer.Tree()) != CanonicalKey(best);
        bestLength = scorer.Length();
        best = scorer.Tree();
        if (!changed) return;
        TThoroughResult found{best, bestLength, r + 1, it};
        found.Sectors = true;
        if (pool.Offer(found)) shared.Publish(r, pool);
    };
    if (sectors) {
        searchSectors(0);
        if (shared.Stop.load() || reached()) return finish(!shared.Stop.load());
    }
    const int characters = shared.Characters;
    std::vector<int> weights(static_cast<size_t>(characters) + 1, 1);
    const bool drift = set.Strategy == TThoroughStrategy::Driven && set.Drift;
    TDriftSettings driftSet{set.DriftSteps, set.DriftRfd, set.DriftMoves};
    for (int it = 1; it <= set.RatchetIterations; ++it) {
        if (drift && it % 2 == 0) {
            // Drift, then TBR under the real weights, kept as a ratchet step is.
            if (!drifter) drifter.emplace(shared.Make, set.Weights, characters);
            shared.InDrift.fetch_add(1);
            drifter->Run(scorer, rng, driftSet, &shared.Stop);
            shared.InDrift.fetch_sub(1);
            if (shared.Stop.load()) break;
            scorer.Climb(TSwapRule::Tbr, rng, &shared.Stop);
            if (scorer.Length() <= bestLength) {
                bestLength = scorer.Length();
                best = scorer.Tree();
                TThoroughResult found{best, bestLength, r + 1, it};
                found.Drifted = true;
                if (pool.Offer(found)) shared.Publish(r, pool);
            } else {
                scorer.Load(best);
            }
            if (sectors && !shared.Stop.load() && !reached()) searchSectors(it);
            if (shared.Stop.load() || reached()) break;
            continue;
        }
        // Up-weight a random share of the characters, climb, then climb
        // again under the real weights from where that led.
        PerturbWeights(set, rng, weights);
        scorer.SetCharacterWeights(weights);
        scorer.Climb(TSwapRule::Tbr, rng, &shared.Stop);
        scorer.SetCharacterWeights({});
        if (shared.Stop.load()) break;
        scorer.Climb(TSwapRule::Tbr, rng, &shared.Stop);
        if (shared.Stop.load()) break;
        if (scorer.Length() <= bestLength) {
            bestLength = scorer.Length();
            best = scorer.Tree();
            if (pool.Offer(best, bestLength, r + 1, it)) shared.Publish(r, pool);
        } else {
            scorer.Load(best);
        }
        if (sectors && !shared.Stop.load() && !reached()) searchSectors(it);
        if (shared.Stop.load() || reached()) break;
    }
    return finish(!shared.Stop.load());
}
}  // namespace

TSearchStatus TThoroughSearch::Run(const std::function<void(const TThoroughProgress&)>& progress,
                                   const std::atomic<bool>* cancel, double interval)
{
    Kept.clear();
    Best = -1;
    Done = 0;
    MismatchCount = 0;
    Reason.clear();
    SectorCounts = {};
    if (!Validate()) return TSearchStatus::Refused;
    const auto start = std::chrono::steady_clock::now();
    auto elapsed = [&] {
        return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    };

    // Camin-Sokal on the field, or every character under its criterion.
    std::optional<TPackedField> packed;
    std::optional<TPackedLayout> layout;
    std::optional<TCriteriaScoringData> criteria;
    TShared shared;
    if (CriteriaUsed) {
        criteria.emplace(*CriteriaUsed, Set.MissingData, Set.Weights);
        shared.Make = CriteriaScoringMaker(*criteria);
    } else {
        packed.emplace(Field, Objects, Characters);
        layout.emplace(PackedLayout(Field, Objects, Characters));
        shared.Make = [&]() -> std::unique_ptr<TThoroughScoring> {
            return std::make_unique<TThoroughScorer>(*packed, Set.MissingData, &*layout,
                                                     Set.Weights);
        };
    }
    shared.Characters = Characters;
    shared.RootTip = RootTip();
    shared.Set = &Set;
    const bool unitWeights = std::all_of(Set.Weights.begin() + (Set.Weights.empty() ? 0 : 1),
                                         Set.Weights.end(), [](int w) { return w == 1; });

    const int cores = static_cast<int>(std::max(1u, std::thread::hardware_concurrency()));
    ThreadCount = std::min(Set.Threads > 0 ? Set.Threads : cores, Set.Replicates);
    std::vector<std::optional<TOutcome>> outcomes(static_cast<size_t>(Set.Replicates));
    std::mutex lock;
    std::condition_variable wake;
    std::atomic<int> next{0};
    shared.Live.resize(static_cast<size_t>(Set.Replicates));
    // The driven search opens its rounds one by one: replicates below `open` may run.
    const bool driven = Set.Strategy == TThoroughStrategy::Driven;
    std::atomic<int> open{driven ? std::min(Set.RoundSize, Set.Replicates) : Set.Replicates};
    std::vector<std::thread> workers;
    for (int k = 0; k < ThreadCount; ++k)
        workers.emplace_back([&] {
            for (;;) {
                const int r = next.fetch_add(1);
                if (r >= Set.Replicates || shared.Stop.load()) return;
                if (r >= open.load()) {
                    std::unique_lock<std::mutex> guard(lock);
                    wake.wait(guard, [&] { return r < open.load() || shared.Stop.load(); });
                    if (shared.Stop.load()) return;
                }
                TOutcome outcome = RunReplicate(r, shared);
                std::lock_guard<std::mutex> guard(lock);
                outcomes[static_cast<size_t>(r)] = std::move(outcome);
                shared.Publish(r, std::vector<TThoroughResult>{});
                wake.notify_all();
            }
        });

    TTreePool pool(Set.MaxTrees, shared.RootTip);
    int hits = 0;
    std::vector<TThoroughResult> fusing;
    int round = 0;
    const std::unique_ptr<TThoroughScoring> fusing_ = shared.Make();
    TThoroughScoring& fuser = *fusing_;
    // A cancel or the time limit, which also cut fusing and consensus sectors short.
    auto interrupted = [&] {
        return (cancel && cancel->load()) || (Set.TimeLimit > 0 && elapsed() >= Set.TimeLimit);
    };
    // Fuses the best tree with every tree kept for fusing, both ways; a
    // shorter tree is climbed by TBR and enters the pool. True when shorter.
    auto fuse = [&]() {
        if (pool.Trees().empty() || fusing.size() < 2) return false;
        TCompactTree best = pool.Trees().front().Tree;
        std::int64_t length = pool.Length();
        const std::int64_t start = length;
        const std::string bestKey = CanonicalKey(best);
        for (const TThoroughResult& other : fusing) {
            if (interrupted()) break;
            if (CanonicalKey(other.Tree) == bestKey) continue;
            TCompactTree a = best;
            const std::int64_t la = FuseInto(fuser, a, length, other.Tree);
            TCompactTree b = other.Tree;
            const std::int64_t lb = FuseInto(fuser, b, other.Length, best);
            if (la < length && la <= lb) {
                best = std::move(a);
                length = la;
            } else if (lb < length) {
                best = std::move(b);
                length = lb;
            }
        }
        if (length >= start) return false;
        TRandom rng(ReplicateSeed(Set.Seed ^ 0x5EC7F05Eull, round));
        const int mismatchesBefore = fuser.Mismatches();
        fuser.Load(best);
        fuser.Climb(TSwapRule::Tbr, rng, &shared.Stop);
        TThoroughResult found{fuser.Tree(), fuser.Length(), 0, 0};
        MismatchCount += fuser.Mismatches() - mismatchesBefore;
        if (fuser.FullLength(found.Tree) != found.Length) ++MismatchCount;
        (driven ? found.FusedInRound : found.FusedAfter) = driven ? round : Done;
        pool.Offer(found);
        fusing.insert(fusing.begin(), found);
        if (static_cast<int>(fusing.size()) > Set.FusePool) fusing.pop_back();
        hits = 1;  // the fused length counts as found once
        return true;
    };
    // Consensus sectors on the best tree, from the groups that the trees kept
    // for fusing share; a shorter tree is climbed by TBR and enters the pool.
    const TSectorSettings sectorSizes = SectorSettingsOf(Set, shared.Characters);
    auto consensusSectors = [&]() {
        if (pool.Trees().empty() || fusing.size() < 2) return false;
        std::vector<const TCompactTree*> trees;
        for (const TThoroughResult& t : fusing) trees.push_back(&t.Tree);
        TRandom rng(ReplicateSeed(Set.Seed ^ 0xC5EC7025ull, round));
        const int mismatchesBefore = fuser.Mismatches();
        fuser.Load(pool.Trees().front().Tree);
        const std::int64_t start = fuser.Length();
        TSectorTally tally;
        SearchConsensusSectors(fuser, rng, trees, sectorSizes, &shared.Stop, tally);
        SectorCounts[0] += tally.Searched;
        SectorCounts[1] += tally.Accepted;
        SectorCounts[2] += tally.Shorter;
        MismatchCount += tally.Mismatches;
        if (fuser.Length() >= start || shared.Stop.load()) {
            MismatchCount += fuser.Mismatches() - mismatchesBefore;
            return false;
        }
        fuser.Climb(TSwapRule::Tbr, rng, &shared.Stop);
        TThoroughResult found{fuser.Tree(), fuser.Length(), 0, 0};
        MismatchCount += fuser.Mismatches() - mismatchesBefore;
        if (fuser.FullLength(found.Tree) != found.Length) ++MismatchCount;
        found.FusedInRound = round;
        found.Sectors = true;
        pool.Offer(found);
        fusing.insert(fusing.begin(), found);
        if (static_cast<int>(fusing.size()) > Set.FusePool) fusing.pop_back();
        hits = 1;  // the new length counts as found once
        return true;
    };
    auto merge = [&](TOutcome& o) {
        const std::int64_t before = pool.Length();
        for (const TThoroughResult& t : o.Trees) pool.Offer(t);
        MismatchCount += o.Mismatches;
        SectorCounts[0] += o.Sectors.Searched;
        SectorCounts[1] += o.Sectors.Accepted;
        SectorCounts[2] += o.Sectors.Shorter;
        if (o.Best < 0) return;
        if (driven || Set.Fuse) {
            // The best tree of every replicate, shortest first, for fusing (and
            // the driven search's consensus sectors).
            const TThoroughResult& b = o.Trees.front();
            auto at = std::upper_bound(
                fusing.begin(), fusing.end(), b.Length,
                [](std::int64_t l, const TThoroughResult& t) { return l < t.Length; });
            fusing.insert(at, b);
            if (static_cast<int>(fusing.size()) > Set.FusePool) fusing.pop_back();
        }
        if (before < 0 || o.Best < before)
            hits = 1;  // a new best length starts the count again
        else if (o.Best == before)
            ++hits;
    };
    // What a stop from outside would keep now (under `lock`): the merged
    // replicates, those done out of order and the trees of those running.
    auto stopView = [&] {
        TTreePool view = pool;
        const int started = std::min(Set.Replicates, next.load());
        for (int r = Done; r < started; ++r)
            if (outcomes[static_cast<size_t>(r)])
                for (const TThoroughResult& t : outcomes[static_cast<size_t>(r)]->Trees)
                    view.Offer(t);
        std::lock_guard<std::mutex> live(shared.LiveLock);
        for (int r = Done; r < started; ++r)
            if (!outcomes[static_cast<size_t>(r)])
                for (const TThoroughResult& t : shared.Live[static_cast<size_t>(r)]) view.Offer(t);
        return view;
    };
    TSearchStatus status = TSearchStatus::Finished;
    std::optional<TTreePool> stopped;
    double lastReport = 0;
    {
        std::unique_lock<std::mutex> guard(lock);
        // Fusing and consensus sectors say so first (the lock is let go meanwhile).
        auto progressOf = [&](const TTreePool& trees) {
            TThoroughProgress p;
            p.BestLength = trees.Length();
            p.Replicate = Done;
            p.Replicates = Set.Replicates;
            p.TreesKept = static_cast<int>(trees.Trees().size());
            p.Elapsed = lastReport;
            p.Hits = hits;
            return p;
        };
        auto reportPhase = [&](const QString& phase) {
            if (!progress) return;
            lastReport = elapsed();
            TThoroughProgress p = progressOf(pool);
            p.Phase = phase;
            guard.unlock();
            progress(p);
            guard.lock();
        };
        for (;;) {
            while (Done < Set.Replicates && outcomes[static_cast<size_t>(Done)]) {
                TOutcome& o = *outcomes[static_cast<size_t>(Done)];
                merge(o);
                ++Done;
                if (Set.TargetLength >= 0 && pool.Length() >= 0 &&
                    pool.Length() <= Set.TargetLength) {
                    Reason = QStringLiteral("target length reached");
                    break;
                }
                if (!driven && Set.HitLimit > 0 && hits >= Set.HitLimit) {
                    // Replicates that agree may share a local optimum: their best
                    // trees fused may still be shorter, and the count starts again.
                    ++round;
                    if (Set.Fuse && fusing.size() >= 2) reportPhase(QStringLiteral("fusing"));
                    if (Set.Fuse && fuse()) continue;
                    if (interrupted()) break;  // fusing was cut short: the stop says why
                    Reason = QStringLiteral("best length found by %1 replicates").arg(hits) +
                             (Set.Fuse && fusing.size() >= 2
                                  ? QStringLiteral(", fusing finds nothing shorter")
                                  : QString());
                    break;
                }
                if (driven && Done == open.load()) {
                    // A round is complete: fuse, then stop or open the next round.
                    ++round;
                    bool shorter = false;
                    if (Set.Fuse) {
                        reportPhase(QStringLiteral("fusing"));
                        shorter = fuse();
                    }
                    if (Set.Sectors && Set.ConsensusSectors) {
                        reportPhase(QStringLiteral("sectors"));
                        shorter |= consensusSectors();
                    }
                    if (Set.TargetLength >= 0 && pool.Length() >= 0 &&
                        pool.Length() <= Set.TargetLength) {
                        Reason = QStringLiteral("target length reached");
                        break;
                    }
                    if (interrupted()) break;
                    if (Set.HitLimit > 0 && hits >= Set.HitLimit && !shorter) {
                        const bool consensus = Set.Sectors && Set.ConsensusSectors;
                        Reason = QStringLiteral("best length found by %1 replicates").arg(hits) +
                                 (Set.Fuse && consensus
                                      ? QStringLiteral(", fusing and consensus sectors find "
                                                       "nothing shorter")
                                  : Set.Fuse ? QStringLiteral(", fusing finds nothing shorter")
                                  : consensus
                                      ? QStringLiteral(", consensus sectors find nothing shorter")
                                      : QString());
                        break;
                    }
                    open.store(std::min(Set.Replicates, open.load() + Set.RoundSize));
                    wake.notify_all();
                }
            }
            if (!Reason.isEmpty()) break;
            if (Done >= Set.Replicates) {
                Reason = QStringLiteral("%1 replicates done").arg(Done);
                break;
            }
            if (cancel && cancel->load()) {
                status = TSearchStatus::Cancelled;
                Reason = QStringLiteral("cancelled");
                stopped = stopView();
                break;
            }
            if (Set.TimeLimit > 0 && elapsed() >= Set.TimeLimit) {
                status = TSearchStatus::TimeLimit;
                Reason = QStringLiteral("time limit reached");
                stopped = stopView();
                break;
            }
            if (progress && elapsed() - lastReport >= interval) {
                lastReport = elapsed();
                TTreePool view = stopView();
                TThoroughProgress p = progressOf(view);
                if (driven)
                    p.Phase = shared.InSectors.load() > 0 ? QStringLiteral("sectors")
                              : shared.InDrift.load() > 0 ? QStringLiteral("drift")
                                                          : QStringLiteral("replicates");
                guard.unlock();
                progress(p);
                guard.lock();
                if (cancel && cancel->load()) {
                    // Cancelled on seeing this report: keep what it counted.
                    status = TSearchStatus::Cancelled;
                    Reason = QStringLiteral("cancelled");
                    stopped = std::move(view);
                    break;
                }
                continue;
            }
            wake.wait_for(guard, std::chrono::milliseconds(50));
        }
        shared.Stop.store(true);
        wake.notify_all();
    }
    for (std::thread& t : workers) t.join();
    // Stopped from outside: what every replicate had found when the stop came.
    if (stopped) pool = std::move(*stopped);

    // Every tree is scored again from scratch; only the shortest stay.
    const std::unique_ptr<TThoroughScoring> checking = shared.Make();
    TThoroughScoring& check = *checking;
    std::vector<TThoroughResult> trees = pool.Trees();
    std::int64_t shortest = -1;
    for (TThoroughResult& t : trees) {
        std::int64_t full = check.FullLength(t.Tree);
        if (Objects <= MaxParsimonyObjects && unitWeights) {
            // Within the evolutionary search's range: its own scorer as well.
            std::int64_t again = 0;
            if (CriteriaUsed) {
                TTree tree = TreeFromCompact(t.Tree);
                again = static_cast<std::int64_t>(
                    TCriteriaScorer(*CriteriaUsed).Length(tree, Set.MissingData));
            } else {
                TTreeScorer reference(*packed, Set.MissingData);
                again = reference.Length(TreeFromCompact(t.Tree), Objects);
            }
            if (again != full) {
                ++MismatchCount;
                full = std::max(full, again);
            }
        }
        if (full != t.Length) ++MismatchCount;
        t.Length = full;
        if (shortest < 0 || full < shortest) shortest = full;
    }
    for (TThoroughResult& t : trees)
        if (t.Length == shortest) Kept.push_back(std::move(t));
    Best = shortest;
    Seconds = elapsed();
    if (progress) {
        TThoroughProgress p;
        p.BestLength = Best;
        p.Replicate = Done;
        p.Replicates = Set.Replicates;
        p.TreesKept = static_cast<int>(Kept.size());
        p.Elapsed = Seconds;
        progress(p);
    }
    return status;
}

QStringList ThoroughProtocolLines(const TThoroughSettings& settings, int threads)
{
    QStringList lines{
        QString(),
        QStringLiteral("Thorough search: random addition sequence, SPR and TBR branch swapping, "
                       "parsimony ratchet")};
    QString stop = QStringLiteral("at most %1 replicates").arg(settings.Replicates);
    if (settings.HitLimit > 0)
        stop += QStringLiteral(", until the best length was found by %1 replicates")
                    .arg(settings.HitLimit) +
                (settings.Strategy == TThoroughStrategy::Ratchet && settings.Fuse
                     ? QStringLiteral(" and fusing their best trees finds nothing shorter")
                     : QString());
    if (settings.TimeLimit > 0) stop += QStringLiteral(", time limit %1 s").arg(settings.TimeLimit);
    if (settings.TargetLength >= 0)
        stop += QStringLiteral(", target length %1").arg(settings.TargetLength);
    lines << QStringLiteral("Replicates: ") + stop;
    lines << QStringLiteral(
                 "Ratchet: %1 iterations per replicate, %2 % of the characters up-weighted")
                 .arg(settings.RatchetIterations)
                 .arg(qRound(settings.RatchetShare * 100));
    if (settings.Strategy == TThoroughStrategy::Driven) {
        lines << QStringLiteral("Driven search: rounds of %1 replicates").arg(settings.RoundSize) +
                     (settings.Fuse ? QStringLiteral(", the best trees of %1 replicates fused "
                                                     "after each round")
                                          .arg(settings.FusePool)
                                    : QStringLiteral(", no fusing"));
        lines << (settings.Drift ? QStringLiteral("Drift: every second ratchet iteration, at "
                                                  "most %1 steps longer per move, relative fit "
                                                  "difference at most %2, %3 moves")
                                       .arg(settings.DriftSteps)
                                       .arg(settings.DriftRfd)
                                       .arg(settings.DriftMoves)
                                 : QStringLiteral("No drift"));
        lines << (settings.Sectors
                      ? QStringLiteral("Sectors: random clades, their parts rejoined at random and "
                                       "searched by TBR inside the clade, after each replicate's "
                                       "TBR and each ratchet or drift iteration") +
                            (settings.SectorRatchet > 0 && settings.SectorRatchetUnits > 0
                                 ? QStringLiteral("; sectors of %1 units or more ratcheted "
                                                  "inside, %2 cycles")
                                       .arg(settings.SectorRatchetUnits)
                                       .arg(settings.SectorRatchet)
                                 : QString()) +
                            (settings.ConsensusSectors
                                 ? QStringLiteral("; consensus sectors (the parts between the "
                                                  "groups the best trees share) after each round")
                                 : QString())
                      : QStringLiteral("No sectors"));
    }
    lines << QStringLiteral("Threads: %1, seed: %2, at most %3 trees kept")
                 .arg(threads)
                 .arg(settings.Seed)
                 .arg(settings.MaxTrees);
    if (settings.MissingData)
        lines << QStringLiteral("Missing data (\"?\") are expected");
    else
        lines << QStringLiteral("no missing data (\"?\") are expected");
    return lines;
}

QStringList CriteriaSearchLines(const TThoroughSearch& search)
{
    const TCriteriaCoding* coding = search.Criteria();
    if (!coding) return {};
    QStringList lines = coding->Lines;
    const int tip = search.RootTip();
    if (tip >= 0)
        lines << QStringLiteral(" Trees are written rooted at the outgroup %1.")
                     .arg(coding->CaminSokal.Names[tip + 1]);
    else
        lines << QStringLiteral(
            " The irreversible characters fix the root: trees are written as the search "
            "rooted them.");
    return lines;
}

QStringList ThoroughResultLines(const TThoroughSearch& search)
{
    QStringList lines{QStringLiteral("Stopped: %1 (%2 replicates, %3 s)")
                          .arg(search.StopReason())
                          .arg(search.ReplicatesDone())
                          .arg(QString::number(search.Elapsed(), 'f', 1)),
                      QStringLiteral("Shortest trees kept: %1 of length %2")
                          .arg(search.Results().size())
                          .arg(search.BestLength())};
    const TThoroughSettings& set = search.Settings();
    if (set.Strategy == TThoroughStrategy::Driven && set.Sectors) {
        const TSectorSettings sizes = SectorSizesFor(
            search.ObjectCount(), {set.SectorMin, set.SectorMax, set.SectorCount, {}});
        lines << QStringLiteral(
                     "Sectors searched: %1 of %2 to %3 units (%4 each time), %5 "
                     "kept, %6 shorter")
                     .arg(search.SectorsSearched())
                     .arg(sizes.Min)
                     .arg(sizes.Max)
                     .arg(sizes.Count)
                     .arg(search.SectorsAccepted())
                     .arg(search.SectorsShorter());
    }
    lines << QString() << QString();
    return lines;
}
