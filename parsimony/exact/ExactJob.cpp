#include "parsimony/exact/ExactJob.h"

#include "parsimony/exact/ExactRows.h"

TExactJob::TExactJob(TSField field, int objectCount, int characterCount, TExactSettings settings)
    : Coded(std::move(field)),
      Objects(objectCount),
      Characters(characterCount),
      Config(std::move(settings))
{
}

TExactJob::~TExactJob()
{
    Stop = true;
    Thread.Join();
}

void TExactJob::Start(TCallbacks callbacks)
{
    Stop = false;
    Thread.Start([this, progress = std::move(callbacks.Progress)] { Run(progress); },
                 std::move(callbacks.Finished));
}

const TExactOutcome& TExactJob::Run(const std::function<void(const TExactProgress&)>& progress)
{
    TExactOutcome out;
    out.Refusal = Refusal();
    if (!out.Refusal) {
        Result = std::move(out);
        return Result;
    }
    TExactCallbacks callbacks;
    callbacks.Progress = progress;
    callbacks.Cancelled = [this] { return Stop.load(); };
    // Packing the characters is part of the run, off the window's thread.
    TExactSearch search(Coded, Objects, Characters, Config);
    TResult<TExactResult> searched = search.Run(callbacks);
    if (!searched) {
        out.Refusal = TFailure(searched.Error());
    } else {
        out.Result = std::move(*searched);
        const QStringList run = ExactRunLines(Objects, Config);
        const QStringList found = ExactResultLines(out.Result, Config);
        out.Protocol << QString() << run << ExactSettingsLine(Config, out.Result.ThreadsUsed)
                     << found << QString() << QString();
        out.Report << QString() << run << found;
    }
    Result = std::move(out);
    return Result;
}

std::shared_ptr<TParsimonySearch> TExactJob::Population() const
{
    return ExactPopulation(Result.Result, Config, Coded, Objects, Characters);
}
