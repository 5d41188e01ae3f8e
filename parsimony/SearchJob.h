#pragma once
// What every long job of the engine offers whoever runs it: a window (on the
// job's own thread) or the batch tool (on the calling thread).
//
//   std::unique_ptr<TSearchJob> job = std::make_unique<TThoroughJob>(field, n, m, settings);
//   if (TStatus ok = job->CanStart(); !ok) report(ok.Error());
//   concrete.Observe(...);       // each job's own, typed progress; before the start
//   job->Start([] { ... });      // the job's thread, once, when the run is over
//   job->Cancel();               // any thread; keeps what was found so far
//   // then: job->Status(), job->Protocol(), job->Population()
// Run() does the same work on the calling thread. A job's destructor cancels
// and waits for its thread.
#include <QStringList>
#include <functional>
#include <memory>

#include "data/Result.h"

class TParsimonySearch;

// How a run ended, the same words for every search: Finished is a complete
// run (for the exact search: the optimum proved).
enum class TSearchStatus { NotRun, Finished, Cancelled, TimeLimit, Refused };

class TJob {
public:
    virtual ~TJob() = default;

    // Whether the run can start; if not, the reason, for the user.
    virtual TStatus CanStart() const = 0;
    virtual void Start(std::function<void()> finished) = 0;
    virtual void Run() = 0;
    // Any thread, also a signal handler: one atomic store.
    virtual void Cancel() = 0;
    virtual bool Running() const = 0;

    // Valid once the run is over.
    virtual TSearchStatus Status() const = 0;
    // What was done and found, for the protocol; empty when refused.
    virtual QStringList Protocol() const = 0;
};

// A search: its trees go to the tree results window as a population.
class TSearchJob : public TJob {
public:
    // The trees found; empty (no trees) when none was complete.
    virtual std::shared_ptr<TParsimonySearch> Population() const = 0;
};
