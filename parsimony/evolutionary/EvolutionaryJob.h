#pragma once
// One run of the evolutionary search on a snapshot of the coded characters,
// on its own thread for a window to observe, or on the calling thread.
//
//   TSearchSettings settings;  // N, G, rule, seed
//   TEvolutionaryJob job(field, objects, characters, settings, treesText, generationsText);
//   TSearchCallbacks cb;
//   cb.Grown = [&] { ... job.Search().Histories() ... };  // job's thread
//   job.Observe(cb);
//   job.Start([] { ... });  // finished: job's thread, once; or job.Run() here
//   job.Cancel();           // any thread; keeps the complete trees
//   // after the run: job.Outcome().Status, .Population, .Protocol
// The destructor cancels and waits. The texts are the counts as typed, for
// the protocol.
#include <QString>
#include <QStringList>
#include <atomic>
#include <functional>
#include <memory>

#include "data/Result.h"
#include "parsimony/JobThread.h"
#include "parsimony/SearchJob.h"
#include "parsimony/evolutionary/CreateTree.h"

struct TEvolutionaryOutcome {
    TSearchStatus Status = TSearchStatus::NotRun;
    TStatus CanStart;  // failed, saying why, when Status is Refused
    // The search with its population; no trees when cancelled while growing
    // the first.
    std::shared_ptr<TParsimonySearch> Population;
    // The protocol after the run: the counts and the missing-data note, or
    // what was done before a cancel. Empty when refused.
    QStringList Protocol;
};

class TEvolutionaryJob : public TSearchJob {
public:
    TEvolutionaryJob(const TSField& field, int objectCount, int characterCount,
                     TSearchSettings settings, QString treesText, QString generationsText);
    ~TEvolutionaryJob() override;
    TEvolutionaryJob(const TEvolutionaryJob&) = delete;
    TEvolutionaryJob& operator=(const TEvolutionaryJob&) = delete;

    // The search's own progress, called on the thread that runs it; its
    // Cancelled is asked beside the job's own.
    void Observe(TSearchCallbacks callbacks) { Callbacks = std::move(callbacks); }

    TStatus CanStart() const override;
    void Start(std::function<void()> finished) override;
    void Run() override;
    void Cancel() override { Stop = true; }
    bool Running() const override { return Thread.Running(); }
    TSearchStatus Status() const override { return Result.Status; }
    QStringList Protocol() const override { return Result.Protocol; }
    std::shared_ptr<TParsimonySearch> Population() const override { return Searched; }

    // The search as it goes; read it from the callbacks or after the run.
    const TParsimonySearch& Search() const { return *Searched; }
    // Valid once the run is over.
    const TEvolutionaryOutcome& Outcome() const { return Result; }

private:
    int Objects;
    QString TreesText, GenerationsText;
    std::shared_ptr<TParsimonySearch> Searched;
    TSearchCallbacks Callbacks;
    std::atomic<bool> Stop{false};
    TEvolutionaryOutcome Result;
    TJobThread Thread;
};
