#pragma once
// The branch and bound itself, on one or more threads: objects are added in
// a fixed order at every place of the partial tree; a partial tree is cut
// once its lower bound exceeds the shortest length found. Cutting only when
// the bound is strictly longer keeps every shortest tree, so the set of
// shortest trees (and the canonical choice of those kept) does not depend on
// the threads.
//
// The same loop serves every kind of partial tree: a Kind names its Tree (see
// ExactPartial.h for what a tree offers), makes one per level and gives each
// worker a Bounder whose Of(tree, best) is the tree's lower bound.
//
//   TCaminSokalKind kind{field, bound, true, false};
//   TExactShared<TCaminSokalKind> shared(kind, order, 1000, upperBound);
//   TExactRun<TCaminSokalKind> run(shared, threads);
//   run.Start();
//   while (!run.WaitFor(0.1)) { run.Nodes(); run.Done(); shared.Stop = ...; }
//   TExactOutcome outcome = run.Collect();
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <limits>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "parsimony/exact/ExactField.h"
#include "parsimony/exact/ExactPartial.h"

constexpr std::int64_t ExactNoBound = std::numeric_limits<std::int64_t>::max();

// Camin-Sokal on the bits of an exact field: the search as it always ran.
struct TCaminSokalKind {
    using Tree = TPartialTree;
    const TExactField& Field;
    const TGroupBound& Bound;
    bool ObjectBound;
    bool PlaceBound;

    int Objects() const { return Field.Objects(); }
    // Places of a partial tree of m tips: every branch and above the root.
    int PlaceCount(int m) const { return 2 * m - 1; }
    std::unique_ptr<Tree> MakeTree() const { return std::make_unique<TPartialTree>(Field); }

    class Bounder {
    public:
        Bounder(const TCaminSokalKind& kind, const std::vector<int>& order);
        std::int64_t Of(TPartialTree& tree, std::int64_t best);
        // Whether a bound never adds more to a child's length than to its
        // parent's: steps only grow as objects join.
        bool Shrinks() const { return !K.PlaceBound; }

    private:
        const TCaminSokalKind& K;
        const std::vector<int>& Order;
        std::vector<std::uint64_t> Ones, Twos, Taken, Conflict;
    };
};

template <class Kind>
struct TExactShared {
    TExactShared(const Kind& kind, std::vector<int> order, int maxTrees, std::int64_t upperBound);
    const Kind& K;
    std::vector<int> Order;  // objects in the order of addition
    int MaxTrees;
    std::vector<double> Weight;      // share of the search space of one partial tree of m tips
    std::atomic<std::int64_t> Best;  // shortest length found (without the field's constant)
    std::atomic<bool> Stop{false};
};

struct TExactOutcome {
    bool Complete = false;  // nothing left unexplored
    bool Found = false;     // some tree no longer than the first upper bound was met
    std::int64_t Best = 0;
    std::uint64_t Count = 0;                       // trees of length Best met
    std::vector<std::vector<std::uint64_t>> Keys;  // the canonically first of them
    std::uint64_t Nodes = 0;
    std::int64_t OpenBound = ExactNoBound;  // lowest bound of what was left
};

// A partial tree where one thread's share of the work starts: the places
// chosen from the two-object tree on.
struct TExactTask {
    std::vector<int> Path;
    std::int64_t Bound = 0;
};

template <class Kind>
class TExactWorker {
public:
    using Tree = typename Kind::Tree;
    explicit TExactWorker(TExactShared<Kind>& shared);

    // From the two-object tree; partial trees of splitTips tips become tasks.
    std::int64_t ExploreFromStart(int splitTips, std::vector<TExactTask>* tasks);
    std::int64_t ExploreTask(const TExactTask& task);
    void Publish();
    std::uint64_t NodeCount() const { return Nodes; }

    std::int64_t LocalBest = ExactNoBound;
    std::uint64_t Count = 0;
    std::vector<std::vector<std::uint64_t>> Keys;
    std::atomic<std::uint64_t> PublishedNodes{0};
    std::atomic<double> PublishedDone{0};

private:
    // bound: the tree's lower bound; extra: at least what its bound adds to
    // its length (ExactNoBound: not known).
    std::int64_t Explore(int m, std::int64_t bound, std::int64_t extra);
    std::int64_t BoundOf(Tree& tree) { return Bound.Of(tree, Sh.Best.load()); }
    void Record(std::int64_t length, const Tree& tree, int v, int x);
    void Trim();

    TExactShared<Kind>& Sh;
    int N;
    std::vector<std::unique_ptr<Tree>> Levels;  // by tips placed
    typename Kind::Bounder Bound;
    std::vector<int> Path;
    int SplitTips = 0;
    std::vector<TExactTask>* Tasks = nullptr;
    std::uint64_t Nodes = 0, NodesAtPublish = 0;
    double Done = 0;
};

template <class Kind>
class TExactRun {
public:
    TExactRun(TExactShared<Kind>& shared, int threads);
    ~TExactRun();
    TExactRun(const TExactRun&) = delete;
    TExactRun& operator=(const TExactRun&) = delete;

    void Start();
    bool WaitFor(double seconds);  // true once every thread has finished
    std::uint64_t Nodes() const;
    double Done() const;
    TExactOutcome Collect();  // waits for the end

private:
    void Work(int worker);

    TExactShared<Kind>& Sh;
    int Threads;
    std::vector<std::unique_ptr<TExactWorker<Kind>>> Workers;
    std::vector<std::int64_t> Open;
    std::vector<TExactTask> Tasks;
    std::atomic<size_t> NextTask{0};
    std::thread Coordinator;
    std::mutex Lock;
    std::condition_variable Ended;
    bool Finished = false;
};
