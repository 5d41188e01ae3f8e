#pragma once
// One run of the evolutionary search on a snapshot of the coded characters,
// on its own thread for a window to observe, or on the calling thread.
//
//   TSearchSettings settings;  // N, G, rule, seed
//   TEvolutionaryJob job(field, objects, characters, settings, treesText, generationsText);
//   TEvolutionaryJob::TCallbacks cb;
//   cb.Search.Grown = [&] { ... job.Search().Histories() ... };  // job's thread
//   cb.Finished = [] { ... };                                    // job's thread, once
//   job.Start(cb);   // or job.Run(cb.Search) on the calling thread
//   job.Cancel();    // any thread; keeps the complete trees
//   // after Finished: job.Outcome().Status, .Population, .Protocol
// The destructor cancels and waits. The texts are the counts as typed, for
// the protocol.
#include <QString>
#include <QStringList>
#include <atomic>
#include <functional>
#include <memory>

#include "data/Result.h"
#include "parsimony/JobThread.h"
#include "parsimony/evolutionary/CreateTree.h"

struct TEvolutionaryOutcome {
    TSearchStatus Status = TSearchStatus::NotRun;
    TStatus Refusal;  // failed when Status is Refused
    // The search with its population; no trees when cancelled while growing
    // the first.
    std::shared_ptr<TParsimonySearch> Population;
    // The protocol after the run: the counts and the missing-data note, or
    // what was done before a cancel. Empty when refused.
    QStringList Protocol;
};

class TEvolutionaryJob {
public:
    struct TCallbacks {
        TSearchCallbacks Search;  // its Cancelled is the job's own
        std::function<void()> Finished;
    };

    TEvolutionaryJob(const TSField& field, int objectCount, int characterCount,
                     TSearchSettings settings, QString treesText, QString generationsText);
    ~TEvolutionaryJob();
    TEvolutionaryJob(const TEvolutionaryJob&) = delete;
    TEvolutionaryJob& operator=(const TEvolutionaryJob&) = delete;

    // Whether the run can start, and if not why not.
    TStatus Refusal() const;
    void Start(TCallbacks callbacks);
    const TEvolutionaryOutcome& Run(const TSearchCallbacks& callbacks = {});
    void Cancel() { Stop = true; }
    bool Running() const { return Thread.Running(); }

    // The search as it goes; read it from the callbacks or after the run.
    const TParsimonySearch& Search() const { return *Population; }
    // Valid once Finished was called (or Run returned).
    const TEvolutionaryOutcome& Outcome() const { return Result; }

private:
    int Objects;
    QString TreesText, GenerationsText;
    std::shared_ptr<TParsimonySearch> Population;
    std::atomic<bool> Stop{false};
    TEvolutionaryOutcome Result;
    TJobThread Thread;
};
