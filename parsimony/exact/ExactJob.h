#pragma once
// One run of the exact search on a snapshot of the coded characters, on its
// own thread for a window to observe, or on the calling thread.
//
//   TExactJob job(field, objects, characters, settings);
//   if (TStatus ok = job.Refusal(); !ok) ... ok.Error() ...;
//   if (QString w = job.Warning(); !w.isEmpty()) ...;  // many objects
//   job.Start({[](const TExactProgress& p) { ... },    // about once a second
//              [] { ... }});                           // job's thread, once
//   job.Cancel();  // any thread; keeps the shortest trees found so far
//   // after Finished: job.Outcome().Result, .Protocol, .Report
// The destructor cancels and waits. Run() does the same work on the calling
// thread.
#include <QStringList>
#include <atomic>
#include <functional>
#include <memory>

#include "parsimony/JobThread.h"
#include "parsimony/evolutionary/CreateTree.h"
#include "parsimony/exact/ExactSearch.h"

struct TExactOutcome {
    TStatus Refusal;  // failed when the run could not start
    TExactResult Result;
    // The window's protocol: what was searched, the limits it was given,
    // what was found, two empty lines. Empty when refused.
    QStringList Protocol;
    // The batch tool's: the same without the limits and the empty lines.
    QStringList Report;
};

class TExactJob {
public:
    struct TCallbacks {
        std::function<void(const TExactProgress&)> Progress;
        std::function<void()> Finished;
    };

    TExactJob(TSField field, int objectCount, int characterCount, TExactSettings settings);
    ~TExactJob();
    TExactJob(const TExactJob&) = delete;
    TExactJob& operator=(const TExactJob&) = delete;

    // Whether the run can start, and if not why not.
    TStatus Refusal() const { return ValidateExactSearch(Objects, Config); }
    // "may run for hours" above 25 objects, else empty.
    QString Warning() const { return ExactSearchWarning(Objects); }
    void Start(TCallbacks callbacks);
    const TExactOutcome& Run(const std::function<void(const TExactProgress&)>& progress = {});
    void Cancel() { Stop = true; }
    bool Running() const { return Thread.Running(); }

    const TExactSettings& Settings() const { return Config; }
    const TSField& Field() const { return Coded; }
    // The trees kept as a population for the tree results window.
    std::shared_ptr<TParsimonySearch> Population() const;
    // Valid once Finished was called (or Run returned).
    const TExactOutcome& Outcome() const { return Result; }

private:
    TSField Coded;
    int Objects, Characters;
    TExactSettings Config;
    std::atomic<bool> Stop{false};
    TExactOutcome Result;
    TJobThread Thread;
};
