#pragma once
// One run of the thorough search on a snapshot of the coded characters, on
// its own thread for a window to observe, or on the calling thread.
//
//   TThoroughJob job(field, objects, characters, settings);
//   TThoroughJob job(coding, objects, characters, settings, outgroup);  // criteria
//   if (TStatus ok = job.CanStart(); !ok) ... ok.Error() ...;
//   job.Observe([](const TThoroughProgress& p) { ... }, 0.5);  // job's thread
//   job.Start([] { ... });  // finished: job's thread, once; or job.Run() here
//   job.Cancel();           // any thread; keeps the trees progress counted
//   // after the run: job.Outcome().Status, .Protocol; job.Search().Results()
// The destructor cancels and waits.
#include <QStringList>
#include <atomic>
#include <functional>
#include <memory>

#include "parsimony/JobThread.h"
#include "parsimony/SearchJob.h"
#include "parsimony/evolutionary/CreateTree.h"
#include "parsimony/length/CriteriaCoding.h"
#include "parsimony/thorough/ThoroughSearch.h"

struct TThoroughOutcome {
    TSearchStatus Status = TSearchStatus::NotRun;
    TStatus CanStart;  // failed, saying why, when Status is Refused
    // What was done and found: the settings, threads and seed, then how it
    // ended. Empty when refused.
    QStringList Protocol;
};

class TThoroughJob : public TSearchJob {
public:
    TThoroughJob(TSField field, int objectCount, int characterCount, TThoroughSettings settings);
    // Every character under its criterion; the trees rooted at the outgroup
    // (object 1..N) when no character is irreversible.
    TThoroughJob(TCriteriaCoding coding, int objectCount, int characterCount,
                 TThoroughSettings settings, int outgroup = 1);
    ~TThoroughJob() override;
    TThoroughJob(const TThoroughJob&) = delete;
    TThoroughJob& operator=(const TThoroughJob&) = delete;

    // Progress about every interval seconds, on the thread that runs the search.
    void Observe(std::function<void(const TThoroughProgress&)> progress, double interval = 1.0)
    {
        Progress = std::move(progress);
        Interval = interval;
    }

    TStatus CanStart() const override { return Thorough.Validate(); }
    void Start(std::function<void()> finished) override;
    void Run() override;
    void Cancel() override { Stop = true; }
    bool Running() const override { return Thread.Running(); }
    TSearchStatus Status() const override { return Result.Status; }
    QStringList Protocol() const override { return Result.Protocol; }
    // The shortest trees as a population for the tree results window.
    std::shared_ptr<TParsimonySearch> Population() const override;

    const TThoroughSearch& Search() const { return Thorough; }
    const TSField& Field() const { return Coded; }
    // Valid once the run is over.
    const TThoroughOutcome& Outcome() const { return Result; }

private:
    std::shared_ptr<const TCriteriaCoding> Criteria;  // before Thorough, which refers to it
    TSField Coded;                                    // the same
    int Objects, Characters;
    TThoroughSearch Thorough;
    std::function<void(const TThoroughProgress&)> Progress;
    double Interval = 1.0;
    std::atomic<bool> Stop{false};
    TThoroughOutcome Result;
    TJobThread Thread;
};
