#pragma once
// One run of the thorough search on a snapshot of the coded characters, on
// its own thread for a window to observe, or on the calling thread.
//
//   TThoroughJob job(field, objects, characters, settings);
//   if (TStatus ok = job.Refusal(); !ok) ... ok.Error() ...;
//   job.Start({[](const TThoroughProgress& p) { ... },  // job's thread
//              0.5,                                     // seconds between reports
//              [] { ... }});                            // job's thread, once
//   job.Cancel();  // any thread; keeps the shortest trees found so far
//   // after Finished: job.Outcome().Status, .Protocol; job.Search().Results()
// The destructor cancels and waits. Run() does the same work on the calling
// thread.
#include <QStringList>
#include <atomic>
#include <functional>
#include <memory>

#include "parsimony/JobThread.h"
#include "parsimony/evolutionary/CreateTree.h"
#include "parsimony/thorough/ThoroughSearch.h"

struct TThoroughOutcome {
    TThoroughStatus Status = TThoroughStatus::Refused;
    TStatus Refusal;  // failed when Status is Refused
    // What was done and found: the settings, threads and seed, then how it
    // ended. Empty when refused.
    QStringList Protocol;
};

class TThoroughJob {
public:
    struct TCallbacks {
        std::function<void(const TThoroughProgress&)> Progress;
        double Interval = 1.0;  // seconds between two progress reports
        std::function<void()> Finished;
    };

    TThoroughJob(TSField field, int objectCount, int characterCount, TThoroughSettings settings);
    ~TThoroughJob();
    TThoroughJob(const TThoroughJob&) = delete;
    TThoroughJob& operator=(const TThoroughJob&) = delete;

    // Whether the run can start, and if not why not.
    TStatus Refusal() const { return Thorough.Refusal(); }
    void Start(TCallbacks callbacks);
    const TThoroughOutcome& Run(const std::function<void(const TThoroughProgress&)>& progress = {},
                                double interval = 1.0);
    // Any thread, also a signal handler: one atomic store.
    void Cancel() { Stop = true; }
    bool Running() const { return Thread.Running(); }

    const TThoroughSearch& Search() const { return Thorough; }
    const TSField& Field() const { return Coded; }
    // The shortest trees as a population for the tree results window.
    std::shared_ptr<TParsimonySearch> Population() const;
    // Valid once Finished was called (or Run returned).
    const TThoroughOutcome& Outcome() const { return Result; }

private:
    TSField Coded;  // before Thorough, which refers to it
    int Objects, Characters;
    TThoroughSearch Thorough;
    std::atomic<bool> Stop{false};
    TThoroughOutcome Result;
    TJobThread Thread;
};
