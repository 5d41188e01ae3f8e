#pragma once
// One branch-support run (jackknife, bootstrap or Bremer support) on a
// snapshot of the data, on its own thread, for a window to observe.
//
//   TSupportRequest request;  // method, replicates, seed, threads, rule
//   TSupportJob job(field, objects, characters, request);
//   if (TStatus ok = job.Refusal(); !ok) ... ok.Error() ...;
//   job.Start({[](int done, int total) { ... },   // worker threads
//              [] { ... }});                      // worker thread, once
//   job.Cancel();                                 // any thread; keeps what is done
//   // after Finished: job.Outcome() failed (refused, or cancelled before
//   // anything was found), or job.Outcome()->Newick, ->Title, ->Protocol, ->Tree
// The destructor cancels and waits. Without Start, Run() does the same work
// on the calling thread.
#include <QString>
#include <QStringList>
#include <atomic>
#include <cstdint>
#include <functional>
#include <thread>

#include "data/Result.h"
#include "parsimony/summaries/Consensus.h"

enum class TSupportKind { Jackknife, Bootstrap, Bremer };

struct TSupportRequest {
    TSupportKind Kind = TSupportKind::Jackknife;
    int Replicates = 100;  // jackknife and bootstrap
    std::uint64_t Seed = 1;
    int Threads = 1;
    bool MissingData = true;
};

struct TSupportOutcome {
    bool Cancelled = false;  // what was done before the cancel
    TGeneralTree Tree;       // the consensus, Percent = support
    QString Newick;          // the same with the values as inner node labels
    QString Title;           // e.g. "Jackknife support, 100 replicates"
    QStringList Protocol;    // what was done and found
};

class TSupportJob {
public:
    struct TCallbacks {
        std::function<void(int done, int total)> Progress;
        std::function<void()> Finished;
    };

    TSupportJob(TSField field, int objectCount, int characterCount, TSupportRequest request);
    ~TSupportJob();
    TSupportJob(const TSupportJob&) = delete;
    TSupportJob& operator=(const TSupportJob&) = delete;

    // Fails, saying why, when the run cannot start.
    TStatus Refusal() const;
    void Start(TCallbacks callbacks);
    TResult<TSupportOutcome> Run(const std::function<void(int, int)>& progress = {});
    void Cancel() { Stop = true; }
    bool Running() const { return Busy.load(); }
    // Valid once Finished was called (or Run returned).
    const TResult<TSupportOutcome>& Outcome() const { return Result; }

    static QString KindName(TSupportKind kind);

private:
    TSField Field;
    int Objects, Characters;
    TSupportRequest Request;
    std::atomic<bool> Stop{false}, Busy{false};
    TResult<TSupportOutcome> Result{TFailure(QString())};
    std::thread Worker;
};
