#include "parsimony/exact/ExactWorker.h"

#include <algorithm>
#include <chrono>
#include <cstdio>

#include "parsimony/exact/ExactCriteriaTree.h"

template <class Kind>
TExactShared<Kind>::TExactShared(const Kind& kind, std::vector<int> order, int maxTrees,
                                 std::int64_t upperBound)
    : K(kind), Order(std::move(order)), MaxTrees(maxTrees), Best(upperBound)
{
    const int n = kind.Objects();
    Weight.assign(static_cast<size_t>(n) + 2, 1.0);
    for (int m = 3; m <= n + 1; ++m)
        Weight[static_cast<size_t>(m)] =
            Weight[static_cast<size_t>(m - 1)] / kind.PlaceCount(m - 1);
}

TCaminSokalKind::Bounder::Bounder(const TCaminSokalKind& kind, const std::vector<int>& order)
    : K(kind), Order(order)
{
    const size_t w = static_cast<size_t>(kind.Field.Words());
    Ones.assign(w, 0);
    Twos.assign(w, 0);
    Taken.assign(w, 0);
    Conflict.assign(w, 0);
}

std::int64_t TCaminSokalKind::Bounder::Of(TPartialTree& tree, std::int64_t best)
{
    if (!K.ObjectBound) return tree.Length();
    tree.CountSteps(Ones.data(), Twos.data());
    const std::int64_t cheap = tree.Length() + K.Bound.Extra(Ones.data(), Twos.data());
    const int n = K.Field.Objects();
    if (!K.PlaceBound || tree.Tips() > n - 2 || cheap > best || cheap + 4 <= best) return cheap;
    // The bits are shared out among the objects still to add; each object
    // adds at least the fewest steps of its bits at any place, whatever
    // else joins. The bits left over keep the bounds above. Costly: only
    // tried near the cut.
    const int w = K.Field.Words();
    std::fill(Taken.begin(), Taken.end(), 0);
    std::int64_t sum = 0;
    for (int k = tree.Tips(); k < n; ++k) {
        const int x = Order[static_cast<size_t>(k)];
        tree.CheapestPlace(x, nullptr, Conflict.data());
        bool any = false;
        for (int i = 0; i < w; ++i) {
            Conflict[static_cast<size_t>(i)] &= ~Taken[static_cast<size_t>(i)];
            any = any || Conflict[static_cast<size_t>(i)] != 0;
        }
        if (!any) continue;
        sum += tree.CheapestPlace(x, Conflict.data(), nullptr);
        for (int i = 0; i < w; ++i)
            Taken[static_cast<size_t>(i)] |= Conflict[static_cast<size_t>(i)];
    }
    const std::int64_t placeLb =
        tree.Length() + sum + K.Bound.Extra(Ones.data(), Twos.data(), Taken.data());
    return std::max(cheap, placeLb);
}

template <class Kind>
TExactWorker<Kind>::TExactWorker(TExactShared<Kind>& shared)
    : Sh(shared), N(shared.K.Objects()), Bound(shared.K, shared.Order)
{
    Levels.resize(static_cast<size_t>(N) + 1);
    for (int m = 2; m < N; ++m) Levels[static_cast<size_t>(m)] = shared.K.MakeTree();
    Path.assign(static_cast<size_t>(N) + 1, -1);
}

template <class Kind>
void TExactWorker<Kind>::Publish()
{
    PublishedNodes.store(Nodes, std::memory_order_relaxed);
    PublishedDone.store(Done, std::memory_order_relaxed);
    NodesAtPublish = Nodes;
}

template <class Kind>
void TExactWorker<Kind>::Trim()
{
    const size_t keep = static_cast<size_t>(Sh.MaxTrees);
    if (Keys.size() <= keep) return;
    std::nth_element(Keys.begin(), Keys.begin() + static_cast<long>(keep), Keys.end());
    Keys.resize(keep);
}

template <class Kind>
void TExactWorker<Kind>::Record(std::int64_t length, const Tree& tree, int v, int x)
{
    if (length < LocalBest) {
        LocalBest = length;
        Count = 0;
        Keys.clear();
    }
    if (length == LocalBest) {
        if (Count < UINT64_MAX) ++Count;
        if (Sh.MaxTrees > 0) {
            Keys.emplace_back();
            tree.CladesWith(v, x, Keys.back());
            if (Keys.size() >= 2 * static_cast<size_t>(Sh.MaxTrees) + 64) Trim();
        }
    }
    std::int64_t current = Sh.Best.load();
    while (length < current && !Sh.Best.compare_exchange_weak(current, length)) {
    }
}

template <class Kind>
std::int64_t TExactWorker<Kind>::Explore(int m, std::int64_t bound, std::int64_t extra)
{
    Tree& tree = *Levels[static_cast<size_t>(m)];
    const int x = Sh.Order[static_cast<size_t>(m)];
    tree.ScorePlaces(x);
    const std::vector<int>& places = tree.Places();
    Nodes += places.size();
    const double share = Sh.Weight[static_cast<size_t>(m) + 1];
    std::int64_t open = ExactNoBound;
    for (int v : places) {
        const std::int64_t length = tree.Length() + tree.Delta(v);
        const std::int64_t cheap = std::max(length, bound);
        const std::int64_t best = Sh.Best.load(std::memory_order_relaxed);
        if (cheap > best) {
            Done += share;
            continue;
        }
        if (Sh.Stop.load(std::memory_order_relaxed)) {  // left for the lower bound
            open = std::min(open, cheap);
            continue;
        }
        if (m + 1 == N) {
            Record(length, tree, v, x);
            Done += share;
            continue;
        }
        Tree& child = *Levels[static_cast<size_t>(m) + 1];
        child.CopyFrom(tree);
        child.Insert(v, x);
        // The child's bound adds at most the parent's extra: where that
        // cannot cut, it is not computed.
        std::int64_t lower = cheap, childExtra = extra;
        if (extra == ExactNoBound || length + extra > best || !Bound.Shrinks()) {
            const std::int64_t own = BoundOf(child);
            childExtra = own - child.Length();
            lower = std::max(cheap, own);
            if (lower > Sh.Best.load(std::memory_order_relaxed)) {
                Done += share;
                continue;
            }
        }
        Path[static_cast<size_t>(m)] = v;
        if (m + 1 == SplitTips) {
            Tasks->push_back({std::vector<int>(Path.begin() + 2, Path.begin() + m + 1), lower});
            continue;
        }
        open = std::min(open, Explore(m + 1, lower, childExtra));
        if (Nodes - NodesAtPublish > 20000) Publish();
    }
    return open;
}

template <class Kind>
std::int64_t TExactWorker<Kind>::ExploreFromStart(int splitTips, std::vector<TExactTask>* tasks)
{
    SplitTips = splitTips;
    Tasks = tasks;
    Tree& start = *Levels[2];
    start.Start(Sh.Order[0], Sh.Order[1]);
    ++Nodes;
    const std::int64_t bound = BoundOf(start);
    const std::int64_t open = Explore(2, bound, bound - start.Length());
    Publish();
    return open;
}

template <class Kind>
std::int64_t TExactWorker<Kind>::ExploreTask(const TExactTask& task)
{
    SplitTips = 0;
    Tasks = nullptr;
    const int tips = static_cast<int>(task.Path.size()) + 2;
    if (task.Bound > Sh.Best.load()) {
        Done += Sh.Weight[static_cast<size_t>(tips)];
        return ExactNoBound;
    }
    Levels[2]->Start(Sh.Order[0], Sh.Order[1]);
    for (int m = 2; m < tips; ++m) {
        Levels[static_cast<size_t>(m) + 1]->CopyFrom(*Levels[static_cast<size_t>(m)]);
        Levels[static_cast<size_t>(m) + 1]->Insert(task.Path[static_cast<size_t>(m - 2)],
                                                   Sh.Order[static_cast<size_t>(m)]);
    }
    const std::int64_t open = Explore(tips, task.Bound, ExactNoBound);
    Publish();
    return open;
}

template <class Kind>
TExactRun<Kind>::TExactRun(TExactShared<Kind>& shared, int threads)
    : Sh(shared), Threads(std::max(1, threads))
{
    for (int k = 0; k < Threads; ++k)
        Workers.push_back(std::make_unique<TExactWorker<Kind>>(shared));
    Open.assign(static_cast<size_t>(Threads), ExactNoBound);
}

template <class Kind>
TExactRun<Kind>::~TExactRun()
{
    Sh.Stop.store(true);
    if (Coordinator.joinable()) Coordinator.join();
}

template <class Kind>
void TExactRun<Kind>::Work(int worker)
{
    for (;;) {
        const size_t k = NextTask.fetch_add(1);
        if (k >= Tasks.size()) return;
        std::int64_t& open = Open[static_cast<size_t>(worker)];
        if (Sh.Stop.load())
            open = std::min(open, Tasks[k].Bound);
        else
            open = std::min(open, Workers[static_cast<size_t>(worker)]->ExploreTask(Tasks[k]));
    }
}

template <class Kind>
void TExactRun<Kind>::Start()
{
    // Many more tasks than threads: their sizes differ by orders of magnitude,
    // and the last ones should not leave threads idle. One thread needs none.
    const int n = Sh.K.Objects();
    int splitTips = n + 1;
    if (Threads > 1) {
        double trees = 1;
        for (int m = 2; m < n; ++m) {
            if (trees >= 1000.0 * Threads) {
                splitTips = m;
                break;
            }
            trees *= Sh.K.PlaceCount(m);
        }
    }
    Coordinator = std::thread([this, splitTips] {
        Open[0] = Workers[0]->ExploreFromStart(splitTips, &Tasks);
        if (!Tasks.empty()) {
            std::vector<std::thread> helpers;
            for (int k = 1; k < Threads; ++k) helpers.emplace_back([this, k] { Work(k); });
            Work(0);
            for (std::thread& t : helpers) t.join();
        }
        const std::lock_guard<std::mutex> guard(Lock);
        Finished = true;
        Ended.notify_all();
    });
}

template <class Kind>
bool TExactRun<Kind>::WaitFor(double seconds)
{
    std::unique_lock<std::mutex> guard(Lock);
    return Ended.wait_for(guard, std::chrono::duration<double>(seconds),
                          [this] { return Finished; });
}

template <class Kind>
std::uint64_t TExactRun<Kind>::Nodes() const
{
    std::uint64_t nodes = 0;
    for (const auto& w : Workers) nodes += w->PublishedNodes.load(std::memory_order_relaxed);
    return nodes;
}

template <class Kind>
double TExactRun<Kind>::Done() const
{
    double done = 0;
    for (const auto& w : Workers) done += w->PublishedDone.load(std::memory_order_relaxed);
    return std::min(done, 1.0);
}

template <class Kind>
TExactOutcome TExactRun<Kind>::Collect()
{
    while (!WaitFor(1.0)) {
    }
    if (Coordinator.joinable()) Coordinator.join();
    TExactOutcome outcome;
    outcome.Best = ExactNoBound;
    for (const auto& w : Workers) outcome.Best = std::min(outcome.Best, w->LocalBest);
    outcome.Found = outcome.Best != ExactNoBound;
    for (const auto& w : Workers) {
        outcome.Nodes += w->NodeCount();
        if (outcome.Found && w->LocalBest == outcome.Best) {
            outcome.Count =
                outcome.Count > UINT64_MAX - w->Count ? UINT64_MAX : outcome.Count + w->Count;
            outcome.Keys.insert(outcome.Keys.end(), w->Keys.begin(), w->Keys.end());
        }
    }
    for (std::int64_t open : Open) outcome.OpenBound = std::min(outcome.OpenBound, open);
    outcome.Complete = outcome.OpenBound == ExactNoBound;
    return outcome;
}

template struct TExactShared<TCaminSokalKind>;
template class TExactWorker<TCaminSokalKind>;
template class TExactRun<TCaminSokalKind>;
template struct TExactShared<TCriteriaKind>;
template class TExactWorker<TCriteriaKind>;
template class TExactRun<TCriteriaKind>;
