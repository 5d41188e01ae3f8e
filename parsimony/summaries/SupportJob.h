#pragma once
// One branch-support run (jackknife, bootstrap or Bremer support) on a
// snapshot of the data, on its own thread, for a window to observe.
//
//   TSupportRequest request;  // method, replicates, seed, threads, rule
//   TSupportJob job(field, objects, characters, request);
//   if (TStatus ok = job.CanStart(); !ok) ... ok.Error() ...;
//   job.Observe([](int done, int total) { ... });  // worker threads
//   job.Start([] { ... });                          // job's thread, once
//   job.Cancel();                                   // any thread; keeps what is done
//   // after the run: job.Outcome() failed (refused, or cancelled before
//   // anything was found), or job.Outcome()->Newick, ->Title, ->Protocol, ->Tree
// The destructor cancels and waits. Without Start, Run() does the same work
// on the calling thread.
#include <QString>
#include <QStringList>
#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>

#include "data/Result.h"
#include "parsimony/JobThread.h"
#include "parsimony/SearchJob.h"
#include "parsimony/length/CriteriaCoding.h"
#include "parsimony/summaries/Consensus.h"

enum class TSupportKind { Jackknife, Bootstrap, Bremer };

struct TSupportRequest {
    TSupportKind Kind = TSupportKind::Jackknife;
    int Replicates = 100;  // jackknife and bootstrap
    std::uint64_t Seed = 1;
    int Threads = 1;
    bool MissingData = true;
    // Every character under its criterion; none: Camin-Sokal on the field.
    std::shared_ptr<const TCriteriaCoding> Criteria;
};

struct TSupportOutcome {
    bool Cancelled = false;  // what was done before the cancel
    TGeneralTree Tree;       // the consensus, Percent = support
    QString Newick;          // the same with the values as inner node labels
    QString Title;           // e.g. "Jackknife support, 100 replicates"
    QStringList Protocol;    // what was done and found
};

class TSupportJob : public TJob {
public:
    TSupportJob(TSField field, int objectCount, int characterCount, TSupportRequest request);
    ~TSupportJob() override;
    TSupportJob(const TSupportJob&) = delete;
    TSupportJob& operator=(const TSupportJob&) = delete;

    // Replicates (or groups) done of the total, on the worker threads.
    void Observe(std::function<void(int done, int total)> progress)
    {
        Progress = std::move(progress);
    }

    TStatus CanStart() const override;
    void Start(std::function<void()> finished) override;
    void Run() override;
    void Cancel() override { Stop = true; }
    bool Running() const override { return Thread.Running(); }
    TSearchStatus Status() const override { return Ended; }
    QStringList Protocol() const override;
    // Valid once the run is over.
    const TResult<TSupportOutcome>& Outcome() const { return Result; }

    static QString KindName(TSupportKind kind);

private:
    TResult<TSupportOutcome> Compute();

    TSField Field;
    int Objects, Characters;
    TSupportRequest Request;
    std::function<void(int, int)> Progress;
    std::atomic<bool> Stop{false};
    TSearchStatus Ended = TSearchStatus::NotRun;
    TResult<TSupportOutcome> Result{TFailure(QString())};
    TJobThread Thread;
};
