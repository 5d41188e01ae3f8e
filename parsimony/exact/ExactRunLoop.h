#pragma once
// The run of a branch and bound for any kind of partial tree: its threads,
// the time limit and cancel, the progress reports and what the outcome says
// about the optimum.
//
//   std::vector<std::vector<std::uint64_t>> keys;
//   const std::int64_t optimum = RunBranchAndBound(shared, settings, callbacks,
//       constant, start.Length, TreeClades(start.Tree), elapsed, result, keys);
#include <algorithm>
#include <functional>
#include <thread>

#include "parsimony/exact/ExactSearch.h"
#include "parsimony/exact/ExactWorker.h"

// Fills result's Nodes, Status, Proved, ThreadsUsed, OptimalTrees and
// LowerBound and the keys of the shortest trees met (the start tree's when
// the search met none as short); returns the shortest length. The lengths of
// shared are less constant.
template <class Kind>
std::int64_t RunBranchAndBound(TExactShared<Kind>& shared, const TExactSettings& config,
                               const TExactCallbacks& callbacks, std::int64_t constant,
                               std::int64_t startLength, std::vector<std::uint64_t> startKey,
                               const std::function<double()>& elapsed, TExactResult& result,
                               std::vector<std::vector<std::uint64_t>>& keys)
{
    const int threads = config.Threads > 0
                            ? config.Threads
                            : std::max(1, static_cast<int>(std::thread::hardware_concurrency()));
    result.ThreadsUsed = threads;
    TExactRun<Kind> run(shared, threads);
    run.Start();
    double lastReport = 0;
    TSearchStatus stopped = TSearchStatus::Finished;
    while (!run.WaitFor(0.1)) {
        const double seconds = elapsed();
        if (stopped == TSearchStatus::Finished) {
            if (callbacks.Cancelled && callbacks.Cancelled())
                stopped = TSearchStatus::Cancelled;
            else if (config.TimeLimitSeconds && seconds >= *config.TimeLimitSeconds)
                stopped = TSearchStatus::TimeLimit;
            if (stopped != TSearchStatus::Finished) shared.Stop.store(true);
        }
        if (callbacks.Progress && seconds - lastReport >= 1.0) {
            lastReport = seconds;
            callbacks.Progress({run.Nodes(), shared.Best.load() + constant, run.Done(), seconds});
        }
    }
    const TExactOutcome outcome = run.Collect();
    result.Nodes = outcome.Nodes;
    result.Status = outcome.Complete ? TSearchStatus::Finished : stopped;
    result.Proved = outcome.Complete;
    std::int64_t optimum = startLength;
    if (outcome.Found && outcome.Best + constant <= optimum) {
        optimum = outcome.Best + constant;
        result.OptimalTrees = outcome.Count;
        keys = outcome.Keys;
    } else {
        // Stopped before the search met a tree as short as the start tree.
        result.OptimalTrees = 1;
        if (config.MaxTrees > 0) keys = {std::move(startKey)};
    }
    result.LowerBound = result.Proved ? optimum : std::min(optimum, outcome.OpenBound + constant);
    if (callbacks.Progress)
        callbacks.Progress({result.Nodes, optimum, result.Proved ? 1.0 : run.Done(), elapsed()});
    return optimum;
}

// The number of rooted binary trees of n objects, (2n-3)!!, in decimal and
// saturated at UINT64_MAX (unrooted trees of n objects: those of n - 1).
QString RootedTreeCountText(int n);
std::uint64_t SaturatedTreeCount(int n);

// The first trees of the search order when every tree has the same length:
// tree i makes its choices as the digits of i.
template <class Kind>
std::vector<std::vector<std::uint64_t>> FirstTrees(const Kind& kind, const std::vector<int>& order,
                                                   int count)
{
    const int n = kind.Objects();
    std::vector<std::vector<std::uint64_t>> keys;
    const auto tree = kind.MakeTree();
    for (std::uint64_t i = 0; static_cast<int>(keys.size()) < count; ++i) {
        std::uint64_t rest = i;
        tree->Start(order[0], order[1]);
        for (int m = 2; m < n; ++m) {
            const std::uint64_t places = static_cast<std::uint64_t>(kind.PlaceCount(m));
            tree->Insert(tree->Places()[rest % places], order[static_cast<size_t>(m)]);
            rest /= places;
        }
        if (rest != 0) break;  // every tree made
        keys.emplace_back();
        tree->Clades(keys.back());
    }
    return keys;
}
