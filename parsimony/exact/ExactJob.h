#pragma once
// One run of the exact search on a snapshot of the coded characters, on its
// own thread for a window to observe, or on the calling thread.
//
//   TExactJob job(field, objects, characters, settings);
//   TExactJob job(coding, objects, characters, settings, outgroup);  // criteria
//   if (TStatus ok = job.CanStart(); !ok) ... ok.Error() ...;
//   if (QString w = job.Warning(); !w.isEmpty()) ...;  // many objects
//   job.Observe([](const TExactProgress& p) { ... });  // about once a second
//   job.Start([] { ... });  // finished: job's thread, once; or job.Run() here
//   job.Cancel();           // any thread; keeps the shortest trees found so far
//   // after the run: job.Outcome().Result, .Protocol, .Report
// The destructor cancels and waits.
#include <QStringList>
#include <atomic>
#include <functional>
#include <memory>

#include "parsimony/JobThread.h"
#include "parsimony/SearchJob.h"
#include "parsimony/evolutionary/CreateTree.h"
#include "parsimony/exact/ExactSearch.h"
#include "parsimony/length/CriteriaCoding.h"

struct TExactOutcome {
    TStatus CanStart;  // failed, saying why, when the run could not start
    TExactResult Result;
    // The window's protocol: what was searched, the limits it was given,
    // what was found, two empty lines. Empty when refused.
    QStringList Protocol;
    // The batch tool's: the same without the limits and the empty lines.
    QStringList Report;
};

class TExactJob : public TSearchJob {
public:
    TExactJob(TSField field, int objectCount, int characterCount, TExactSettings settings);
    // Every character under its criterion; unrooted trees rooted at the
    // outgroup (object 1..N).
    TExactJob(TCriteriaCoding coding, int objectCount, int characterCount, TExactSettings settings,
              int outgroup = 1);
    ~TExactJob() override;
    TExactJob(const TExactJob&) = delete;
    TExactJob& operator=(const TExactJob&) = delete;

    // Progress about once a second, on a thread of the search.
    void Observe(std::function<void(const TExactProgress&)> progress)
    {
        Progress = std::move(progress);
    }

    TStatus CanStart() const override { return ValidateExactSearch(Objects, Config); }
    // "may run for hours" above 25 objects, else empty.
    QString Warning() const { return ExactSearchWarning(Objects); }
    void Start(std::function<void()> finished) override;
    void Run() override;
    void Cancel() override { Stop = true; }
    bool Running() const override { return Thread.Running(); }
    // Finished when the optimum was proved.
    TSearchStatus Status() const override;
    QStringList Protocol() const override { return Result.Protocol; }
    // The trees kept as a population for the tree results window.
    std::shared_ptr<TParsimonySearch> Population() const override;

    const TExactSettings& Settings() const { return Config; }
    const TSField& Field() const { return Coded; }
    // The criteria, or null for Camin-Sokal on the path sets.
    const TCriteriaCoding* Criteria() const { return CriteriaCoded.get(); }
    // Valid once the run is over.
    const TExactOutcome& Outcome() const { return Result; }

private:
    std::shared_ptr<const TCriteriaCoding> CriteriaCoded;
    TSField Coded;
    int Objects, Characters;
    TExactSettings Config;
    int Outgroup = 1;
    std::function<void(const TExactProgress&)> Progress;
    std::atomic<bool> Stop{false};
    TExactOutcome Result;
    TJobThread Thread;
};
