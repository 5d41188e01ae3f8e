#include "parsimony/thorough/ThoroughSearch.h"

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <optional>
#include <thread>
#include <unordered_set>

#include "parsimony/length/PackedStates.h"
#include "parsimony/thorough/ThoroughScorer.h"

QString TThoroughResult::How() const
{
    if (Iteration == 0) return QStringLiteral("replicate %1, addition + TBR").arg(Replicate);
    return QStringLiteral("replicate %1, ratchet %2").arg(Replicate).arg(Iteration);
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
    List.push_back({tree, length, replicate, iteration});
    return true;
}

TThoroughSearch::TThoroughSearch(const TSField& field, int objectCount, int characterCount,
                                 TThoroughSettings settings)
    : Field(field), Objects(objectCount), Characters(characterCount), Set(std::move(settings))
{
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
    return {};
}

namespace {
struct TOutcome {
    std::vector<TThoroughResult> Trees;
    std::int64_t Best = -1;
    bool Complete = true;
    int Mismatches = 0;
};

struct TShared {
    const TPackedField* Packed;
    const TPackedLayout* Layout;
    const TThoroughSettings* Set;
    const TBitWeights* Base;
    std::atomic<bool> Stop{false};
    std::atomic<std::int64_t> LiveBest{-1};

    void Report(std::int64_t length)
    {
        std::int64_t seen = LiveBest.load();
        while ((seen < 0 || length < seen) && !LiveBest.compare_exchange_weak(seen, length)) {
        }
    }
};

TOutcome RunReplicate(int r, TShared& shared)
{
    const TThoroughSettings& set = *shared.Set;
    TRandom rng(ReplicateSeed(set.Seed, r));
    TThoroughScorer scorer(*shared.Packed, set.MissingData);
    scorer.SetWeights(shared.Base);
    TTreePool pool(set.MaxTrees);
    TOutcome out;
    auto finish = [&](bool complete) {
        out.Trees = pool.Trees();
        out.Best = pool.Length();
        out.Complete = complete;
        out.Mismatches = scorer.Mismatches();
        return out;
    };
    auto reached = [&] {
        return set.TargetLength >= 0 && pool.Length() >= 0 && pool.Length() <= set.TargetLength;
    };

    if (!scorer.BuildByAddition(rng, &shared.Stop)) return finish(false);
    scorer.Climb(TSwapRule::Spr, rng, &shared.Stop);
    scorer.Climb(TSwapRule::Tbr, rng, &shared.Stop);
    pool.Offer(scorer.Tree(), scorer.Length(), r + 1, 0);
    shared.Report(scorer.Length());
    if (shared.Stop.load()) return finish(false);
    if (reached()) return finish(true);

    TCompactTree best = scorer.Tree();
    std::int64_t bestLength = scorer.Length();
    const int characters = static_cast<int>(shared.Layout->Offset.size()) - 1;
    std::vector<int> weights(static_cast<size_t>(characters) + 1, 1);
    const std::uint64_t share =
        static_cast<std::uint64_t>(std::clamp(set.RatchetShare, 0.0, 1.0) * 1000000.0);
    for (int it = 1; it <= set.RatchetIterations; ++it) {
        // Up-weight a random share of the characters, climb, then climb
        // again under the real weights from where that led.
        for (int c = 1; c <= characters; ++c) {
            const int base = static_cast<size_t>(c) < set.Weights.size()
                                 ? set.Weights[static_cast<size_t>(c)]
                                 : 1;
            weights[static_cast<size_t>(c)] =
                rng.Below(std::uint64_t{1000000}) < share ? std::min(255, 2 * base) : base;
        }
        const TBitWeights perturbed = WeightsFromCharacters(*shared.Layout, weights);
        scorer.SetWeights(&perturbed);
        scorer.Climb(TSwapRule::Tbr, rng, &shared.Stop);
        scorer.SetWeights(shared.Base);
        if (shared.Stop.load()) break;
        scorer.Climb(TSwapRule::Tbr, rng, &shared.Stop);
        if (scorer.Length() <= bestLength) {
            bestLength = scorer.Length();
            best = scorer.Tree();
            pool.Offer(best, bestLength, r + 1, it);
            shared.Report(bestLength);
        } else {
            scorer.Load(best);
        }
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
    if (!Validate()) return TSearchStatus::Refused;
    const auto start = std::chrono::steady_clock::now();
    auto elapsed = [&] {
        return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    };

    const TPackedField packed(Field, Objects, Characters);
    const TPackedLayout layout = PackedLayout(Field, Objects, Characters);
    const TBitWeights base = WeightsFromCharacters(layout, Set.Weights);
    TShared shared;
    shared.Packed = &packed;
    shared.Layout = &layout;
    shared.Set = &Set;
    shared.Base = &base;

    const int cores = static_cast<int>(std::max(1u, std::thread::hardware_concurrency()));
    ThreadCount = std::min(Set.Threads > 0 ? Set.Threads : cores, Set.Replicates);
    std::vector<std::optional<TOutcome>> outcomes(static_cast<size_t>(Set.Replicates));
    std::mutex lock;
    std::condition_variable wake;
    std::atomic<int> next{0};
    std::vector<std::thread> workers;
    for (int k = 0; k < ThreadCount; ++k)
        workers.emplace_back([&] {
            for (;;) {
                const int r = next.fetch_add(1);
                if (r >= Set.Replicates || shared.Stop.load()) return;
                TOutcome outcome = RunReplicate(r, shared);
                std::lock_guard<std::mutex> guard(lock);
                outcomes[static_cast<size_t>(r)] = std::move(outcome);
                wake.notify_all();
            }
        });

    TTreePool pool(Set.MaxTrees);
    int hits = 0;
    auto merge = [&](TOutcome& o) {
        const std::int64_t before = pool.Length();
        for (const TThoroughResult& t : o.Trees)
            pool.Offer(t.Tree, t.Length, t.Replicate, t.Iteration);
        MismatchCount += o.Mismatches;
        if (o.Best < 0) return;
        if (before < 0 || o.Best < before)
            hits = 1;  // a new best length starts the count again
        else if (o.Best == before)
            ++hits;
    };
    TSearchStatus status = TSearchStatus::Finished;
    double lastReport = 0;
    {
        std::unique_lock<std::mutex> guard(lock);
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
                if (Set.HitLimit > 0 && hits >= Set.HitLimit) {
                    Reason = QStringLiteral("best length found by %1 replicates").arg(hits);
                    break;
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
                break;
            }
            if (Set.TimeLimit > 0 && elapsed() >= Set.TimeLimit) {
                status = TSearchStatus::TimeLimit;
                Reason = QStringLiteral("time limit reached");
                break;
            }
            if (progress && elapsed() - lastReport >= interval) {
                lastReport = elapsed();
                TThoroughProgress p;
                const std::int64_t live = shared.LiveBest.load();
                p.BestLength = pool.Length() < 0
                                   ? live
                                   : (live < 0 ? pool.Length() : std::min(live, pool.Length()));
                p.Replicate = Done;
                p.Replicates = Set.Replicates;
                p.TreesKept = static_cast<int>(pool.Trees().size());
                p.Elapsed = lastReport;
                guard.unlock();
                progress(p);
                guard.lock();
                continue;
            }
            wake.wait_for(guard, std::chrono::milliseconds(50));
        }
        shared.Stop.store(true);
    }
    for (std::thread& t : workers) t.join();
    if (status != TSearchStatus::Finished) {
        // Stopped from outside: keep what every replicate found so far.
        for (int r = Done; r < Set.Replicates; ++r)
            if (outcomes[static_cast<size_t>(r)]) merge(*outcomes[static_cast<size_t>(r)]);
    }

    // Every tree is scored again from scratch; only the shortest stay.
    TThoroughScorer check(packed, Set.MissingData);
    check.SetWeights(&base);
    std::vector<TThoroughResult> trees = pool.Trees();
    std::int64_t shortest = -1;
    for (TThoroughResult& t : trees) {
        std::int64_t full = check.FullLength(t.Tree);
        if (Objects <= MaxParsimonyObjects && base.Planes == 0) {
            // Within the evolutionary search's range: its own scorer as well.
            TTreeScorer reference(packed, Set.MissingData);
            const std::int64_t again = reference.Length(TreeFromCompact(t.Tree), Objects);
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
                    .arg(settings.HitLimit);
    if (settings.TimeLimit > 0) stop += QStringLiteral(", time limit %1 s").arg(settings.TimeLimit);
    if (settings.TargetLength >= 0)
        stop += QStringLiteral(", target length %1").arg(settings.TargetLength);
    lines << QStringLiteral("Replicates: ") + stop;
    lines << QStringLiteral(
                 "Ratchet: %1 iterations per replicate, %2 % of the characters up-weighted")
                 .arg(settings.RatchetIterations)
                 .arg(qRound(settings.RatchetShare * 100));
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

QStringList ThoroughResultLines(const TThoroughSearch& search)
{
    return {QStringLiteral("Stopped: %1 (%2 replicates, %3 s)")
                .arg(search.StopReason())
                .arg(search.ReplicatesDone())
                .arg(QString::number(search.Elapsed(), 'f', 1)),
            QStringLiteral("Shortest trees kept: %1 of length %2")
                .arg(search.Results().size())
                .arg(search.BestLength()),
            QString(), QString()};
}
