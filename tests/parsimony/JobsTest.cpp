// The parsimony window's job objects: a run on the job's own thread gives
// what the calling thread (and varno-batch) gives for one seed; cancel keeps
// what is done and says so; a refusal computes nothing; a job works on its
// own copy of the characters and stops when it goes away.
#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>
#include <chrono>
#include <future>

#include "data/DataFile.h"
#include "data/Path.h"
#include "data/TextFile.h"
#include "parsimony/JobThread.h"
#include "parsimony/evolutionary/EvolutionaryJob.h"
#include "parsimony/evolutionary/TreeTable.h"
#include "parsimony/exact/ExactJob.h"
#include "parsimony/thorough/ThoroughJob.h"
#include "tests/parsimony/RandomField.h"
#include "tests/support/BatchRun.h"

namespace {
using namespace std::chrono_literals;

// A Finished callback and the wait for it.
struct TFinishedFlag {
    std::promise<void> Done;
    std::future<void> Ended = Done.get_future();
    int Calls = 0;
    std::function<void()> Callback()
    {
        return [this] {
            ++Calls;
            Done.set_value();
        };
    }
    bool Wait(std::chrono::seconds limit = 120s) const
    {
        return Ended.wait_for(limit) == std::future_status::ready;
    }
};

TSearchSettings Evolutionary(int trees, int generations, std::uint64_t seed)
{
    TSearchSettings s;
    s.TreeCount = trees;
    s.Generations = generations;
    s.Seed = seed;
    return s;
}

std::vector<double> Lengths(const TParsimonySearch& search)
{
    std::vector<double> lengths;
    for (int k = 1; k <= search.TreeCount(); ++k) lengths.push_back(search.Tree(k).Fitness);
    return lengths;
}
}  // namespace

TEST(JobThread, OneRunAtATimeAndFinishedAfterTheWork)
{
    TJobThread thread;
    std::promise<void> release;
    std::shared_future<void> go = release.get_future().share();
    std::atomic<bool> runningInFinished{true};
    TFinishedFlag finished;
    auto callback = finished.Callback();
    ASSERT_TRUE(thread.Start([go] { go.wait(); },
                             [&, callback] {
                                 runningInFinished = thread.Running();
                                 callback();
                             }));
    EXPECT_TRUE(thread.Running());
    EXPECT_FALSE(thread.Start([] {}, {}));  // refused while the first runs
    release.set_value();
    ASSERT_TRUE(finished.Wait());
    EXPECT_FALSE(runningInFinished);
    thread.Join();
    EXPECT_EQ(finished.Calls, 1);
    // A second run once the first is over.
    std::atomic<int> runs{0};
    ASSERT_TRUE(thread.Start([&] { ++runs; }, {}));
    thread.Join();
    EXPECT_EQ(runs, 1);
}

TEST(EvolutionaryJob, OwnThreadGivesTheResultsOfTheCallingThreadForOneSeed)
{
    std::mt19937_64 rng(5);
    const TSField field = RandomField(rng, {12, 10, 4, 0.1, 0});
    TEvolutionaryJob threaded(field, 12, 10, Evolutionary(5, 300, 42), " 5", "300");
    TFinishedFlag finished;
    std::atomic<int> replaced{0}, grown{0};
    TSearchCallbacks cb;
    cb.Grown = [&] { grown += static_cast<int>(threaded.Search().Histories().size()); };
    cb.SlotReplaced = [&](const TSlotReplacement&) { ++replaced; };
    threaded.Observe(cb);
    threaded.Start(finished.Callback());
    ASSERT_TRUE(finished.Wait());
    EXPECT_EQ(finished.Calls, 1);
    EXPECT_EQ(grown, 6);  // slots 0..5 when growing was done

    TEvolutionaryJob here(field, 12, 10, Evolutionary(5, 300, 42), " 5", "300");
    here.Run();
    const TEvolutionaryOutcome& b = here.Outcome();
    const TEvolutionaryOutcome& a = threaded.Outcome();
    ASSERT_EQ(a.Status, TSearchStatus::Finished);
    ASSERT_EQ(b.Status, TSearchStatus::Finished);
    EXPECT_EQ(a.Population->Histories(), b.Population->Histories());
    EXPECT_EQ(Lengths(*a.Population), Lengths(*b.Population));
    EXPECT_EQ(a.Population->SeedUsed(), 42u);
    int replacements = 0;
    for (const TSlotHistory& h : a.Population->Histories())
        replacements += static_cast<int>(h.Replacements.size());
    EXPECT_EQ(replaced, replacements);
    // The counts as they were typed, not as read.
    ASSERT_GE(a.Protocol.size(), 3);
    EXPECT_EQ(a.Protocol[1], QString(" 5 trees are created"));
    EXPECT_EQ(a.Protocol, b.Protocol);
}

TEST(EvolutionaryJob, TheWindowsRunGivesWhatTheBatchToolGives)
{
    const QString path = QStringLiteral(VARNO_SOURCE_DIR "/examples/weevils.txt");
    const TReadResult read = ReadDataFile(path);
    ASSERT_TRUE(read.Ok()) << read.Error().toStdString();
    const TMatrixData& d = read->Data;
    TEvolutionaryJob job(BuildPathSets(d.DataMatrix, d.ObjectCount, d.CharacterCount),
                         d.ObjectCount, d.CharacterCount, Evolutionary(6, 150, 9), "6", "150");
    TFinishedFlag finished;
    job.Start(finished.Callback());
    ASSERT_TRUE(finished.Wait());
    ASSERT_EQ(job.Outcome().Status, TSearchStatus::Finished);

    QTemporaryDir dir;
    const QString table = dir.filePath("table.txt");
    const TBatchText r = RunBatchText({"parsimony", path, "--trees", "6", "--generations", "150",
                                       "--seed", "9", "--table", table});
    ASSERT_EQ(r.Exit, 0) << r.Err.toStdString();
    QFile file(table);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(),
              EncodeTextTable(PopulationListRows(job.Search().Histories(), QLatin1Char('.'))));
    EXPECT_TRUE(r.Out.contains(OptimumText(job.Search().FindBestTree().second, '.') + '\n'));
    for (const QString& line : job.Outcome().Protocol) EXPECT_TRUE(r.Out.contains(line));
}

TEST(EvolutionaryJob, CancelKeepsWhatIsDoneAndSaysSo)
{
    std::mt19937_64 rng(8);
    const TSField field = RandomField(rng, {15, 12, 5, 0, 0});
    {  // while swapping: the whole population, the generations done
        TEvolutionaryJob job(field, 15, 12, Evolutionary(4, 1000000, 3), "4", "1000000");
        TSearchCallbacks cb;
        cb.GenerationProgress = [&](int g) {
            if (g == 25) job.Cancel();
        };
        job.Observe(cb);
        job.Run();
        const TEvolutionaryOutcome& out = job.Outcome();
        ASSERT_EQ(out.Status, TSearchStatus::Cancelled);
        EXPECT_EQ(out.Population->TreeCount(), 4);
        const int done = out.Population->GenerationsDone();
        EXPECT_GE(done, 24);
        EXPECT_LE(done, 26);
        ASSERT_GE(out.Protocol.size(), 2);
        EXPECT_EQ(out.Protocol[1],
                  QString("The run was cancelled: 4 of 4 trees were created, %1 of 1000000 "
                          "generations of branch swapping were calculated")
                      .arg(done));
    }
    {  // while growing: only complete trees, no generations
        TEvolutionaryJob job(field, 15, 12, Evolutionary(6, 100, 3), "6", "100");
        TSearchCallbacks cb;
        cb.GrowProgress = [&](int k) {
            if (k == 3) job.Cancel();
        };
        job.Observe(cb);
        job.Run();
        const TEvolutionaryOutcome& out = job.Outcome();
        ASSERT_EQ(out.Status, TSearchStatus::Cancelled);
        const int trees = out.Population->TreeCount();
        EXPECT_LT(trees, 6);
        for (int k = 1; k <= trees; ++k) EXPECT_GT(out.Population->Tree(k).Fitness, 0);
        ASSERT_GE(out.Protocol.size(), 2);
        EXPECT_TRUE(out.Protocol[1].startsWith(QString("The run was cancelled: %1 of 6 trees were "
                                                       "created, 0 of 100 generations")
                                                   .arg(trees)));
    }
    {  // from another thread, on the job's thread
        TEvolutionaryJob job(field, 15, 12, Evolutionary(4, 100000000, 3), "4", "100000000");
        std::promise<void> swapping;
        std::atomic<bool> told{false};
        TFinishedFlag finished;
        TSearchCallbacks cb;
        cb.GenerationProgress = [&](int g) {
            if (g > 0 && !told.exchange(true)) swapping.set_value();
        };
        job.Observe(cb);
        job.Start(finished.Callback());
        ASSERT_EQ(swapping.get_future().wait_for(60s), std::future_status::ready);
        job.Cancel();
        ASSERT_TRUE(finished.Wait(30s));
        EXPECT_EQ(job.Outcome().Status, TSearchStatus::Cancelled);
        EXPECT_FALSE(job.Running());
    }
}

TEST(EvolutionaryJob, RefusalComputesNothingAndStillFinishes)
{
    std::mt19937_64 rng(1);
    const TSField two = RandomField(rng, {2, 4, 3, 0, 0});
    TEvolutionaryJob job(two, 2, 4, Evolutionary(5, 10, 1), "5", "10");
    const TStatus why = job.CanStart();
    EXPECT_FALSE(why.Ok());
    TFinishedFlag finished;
    job.Start(finished.Callback());
    ASSERT_TRUE(finished.Wait());
    EXPECT_EQ(job.Outcome().Status, TSearchStatus::Refused);
    EXPECT_EQ(job.Outcome().CanStart.Error(), why.Error());
    EXPECT_TRUE(job.Outcome().Protocol.isEmpty());
    EXPECT_EQ(job.Search().TreeCount(), 0);

    const TSField five = RandomField(rng, {5, 4, 3, 0, 0});
    EXPECT_FALSE(TEvolutionaryJob(five, 5, 4, Evolutionary(0, 10, 1), "0", "10").CanStart().Ok());
    EXPECT_FALSE(TEvolutionaryJob(five, 5, 4, Evolutionary(3, -1, 1), "3", "-1").CanStart().Ok());
    EXPECT_TRUE(TEvolutionaryJob(five, 5, 4, Evolutionary(3, 0, 1), "3", "0").CanStart().Ok());
}

TEST(EvolutionaryJob, GoingAwayWhileRunningStopsTheThread)
{
    std::mt19937_64 rng(4);
    const TSField field = RandomField(rng, {30, 20, 4, 0, 0});
    TFinishedFlag finished;
    const auto started = std::chrono::steady_clock::now();
    {
        TEvolutionaryJob job(field, 30, 20, Evolutionary(5, 100000000, 2), "5", "100000000");
        job.Start(finished.Callback());
        std::this_thread::sleep_for(50ms);
    }
    EXPECT_LT(std::chrono::steady_clock::now() - started, 30s);
    EXPECT_EQ(finished.Calls, 1);
}

TEST(ThoroughJob, OwnThreadSnapshotCancelAndRefusal)
{
    std::mt19937_64 rng(6);
    TSField field = RandomField(rng, {11, 14, 4, 0.05, 0});
    const TSField kept = field;
    TThoroughSettings s;
    s.Seed = 17;
    s.Threads = 1;
    s.Replicates = 4;
    s.HitLimit = 0;
    s.RatchetIterations = 3;
    TThoroughJob threaded(field, 11, 14, s);
    // The job has its own copy: what happens to the model later does not matter.
    field = RandomField(rng, {11, 14, 4, 0.05, 0});
    TFinishedFlag finished;
    threaded.Start(finished.Callback());
    ASSERT_TRUE(finished.Wait());
    TThoroughJob here(kept, 11, 14, s);
    here.Run();
    ASSERT_EQ(threaded.Outcome().Status, TSearchStatus::Finished);
    const auto& a = threaded.Search().Results();
    const auto& b = here.Search().Results();
    ASSERT_FALSE(a.empty());
    ASSERT_EQ(a.size(), b.size());
    for (size_t k = 0; k < a.size(); ++k) {
        EXPECT_EQ(CanonicalKey(a[k].Tree), CanonicalKey(b[k].Tree));
        EXPECT_EQ(a[k].How(), b[k].How());
    }
    EXPECT_FALSE(threaded.Outcome().Protocol.isEmpty());
    // The population for the results window, scored on the job's characters.
    const std::shared_ptr<TParsimonySearch> population = threaded.Population();
    ASSERT_EQ(population->TreeCount(), static_cast<int>(a.size()));
    for (int k = 1; k <= population->TreeCount(); ++k)
        EXPECT_EQ(population->Tree(k).Fitness, static_cast<double>(threaded.Search().BestLength()));

    // Cancel from another thread keeps the shortest trees found so far.
    const TSField big = RandomField(rng, {120, 60, 6, 0, 0});
    TThoroughSettings slow;
    slow.Replicates = 100000;
    slow.HitLimit = 0;
    slow.Threads = 1;
    TThoroughJob job(big, 120, 60, slow);
    std::promise<void> firstTree;
    std::atomic<bool> told{false};
    TFinishedFlag stopped;
    job.Observe(
        [&](const TThoroughProgress& p) {
            if (p.BestLength >= 0 && !told.exchange(true)) firstTree.set_value();
        },
        0.05);
    job.Start(stopped.Callback());
    ASSERT_EQ(firstTree.get_future().wait_for(120s), std::future_status::ready);
    job.Cancel();
    ASSERT_TRUE(stopped.Wait(30s));
    EXPECT_EQ(job.Outcome().Status, TSearchStatus::Cancelled);
    EXPECT_FALSE(job.Search().Results().empty());

    const TSField two = RandomField(rng, {2, 4, 3, 0, 0});
    TThoroughJob refused(two, 2, 4, s);
    EXPECT_FALSE(refused.CanStart().Ok());
    refused.Run();
    EXPECT_EQ(refused.Outcome().Status, TSearchStatus::Refused);
    EXPECT_EQ(refused.Outcome().CanStart.Error(), refused.CanStart().Error());
    EXPECT_TRUE(refused.Outcome().Protocol.isEmpty());
}

TEST(ExactJob, OwnThreadCancelAndRefusal)
{
    std::mt19937_64 rng(9);
    const TSField field = RandomField(rng, {8, 10, 4, 0.1, 0});
    TExactSettings s;
    s.Threads = 2;
    TExactJob job(field, 8, 10, s);
    EXPECT_TRUE(job.CanStart().Ok());
    TFinishedFlag finished;
    job.Start(finished.Callback());
    ASSERT_TRUE(finished.Wait());
    const TResult<TExactResult> ran = TExactSearch(field, 8, 10, s).Run();
    ASSERT_TRUE(ran.Ok());
    const TExactResult& direct = *ran;
    const TExactOutcome& out = job.Outcome();
    ASSERT_EQ(out.Result.Status, TSearchStatus::Finished);
    EXPECT_EQ(out.Result.Optimum, direct.Optimum);
    EXPECT_EQ(out.Result.OptimalTrees, direct.OptimalTrees);
    ASSERT_EQ(out.Result.Trees.size(), direct.Trees.size());
    for (size_t k = 0; k < direct.Trees.size(); ++k)
        EXPECT_EQ(TreeClades(out.Result.Trees[k]), TreeClades(direct.Trees[k]));
    // The batch tool's lines are the window's without the limits and the
    // closing empty lines.
    QStringList window = out.Protocol;
    ASSERT_GE(window.size(), 4);
    EXPECT_EQ(window.takeLast(), QString());
    EXPECT_EQ(window.takeLast(), QString());
    window.removeOne(ExactSettingsLine(s, out.Result.ThreadsUsed));
    EXPECT_EQ(window, out.Report);
    const std::shared_ptr<TParsimonySearch> population = job.Population();
    ASSERT_EQ(population->TreeCount(), static_cast<int>(direct.Trees.size()));
    for (int k = 1; k <= population->TreeCount(); ++k)
        EXPECT_EQ(population->Tree(k).Fitness, static_cast<double>(direct.Optimum));

    // Many objects and a cancel right after the start: not proved, a bound.
    const TSField hard = RandomField(rng, {22, 40, 6, 0.2, 0});
    TExactJob cancelled(hard, 22, 40, s);
    TFinishedFlag stopped;
    cancelled.Start(stopped.Callback());
    cancelled.Cancel();
    ASSERT_TRUE(stopped.Wait(60s));
    const TExactResult& r = cancelled.Outcome().Result;
    EXPECT_EQ(r.Status, TSearchStatus::Cancelled);
    EXPECT_FALSE(r.Proved);
    EXPECT_LE(r.LowerBound, r.Optimum);

    const TSField many = RandomField(rng, {41, 3, 3, 0, 0});
    TExactJob refused(many, 41, 3, s);
    EXPECT_FALSE(refused.CanStart().Ok());
    refused.Run();
    EXPECT_FALSE(refused.Outcome().CanStart.Ok());
    EXPECT_EQ(refused.Status(), TSearchStatus::Refused);
    EXPECT_EQ(refused.Outcome().CanStart.Error(), refused.CanStart().Error());
    EXPECT_TRUE(refused.Outcome().Protocol.isEmpty());
    EXPECT_FALSE(TExactJob(many, 41, 3, s).Warning().isEmpty());
}
