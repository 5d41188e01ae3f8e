#include "parsimony/exact/ExactJob.h"

#include "parsimony/exact/ExactCriteria.h"
#include "parsimony/exact/ExactRows.h"

TExactJob::TExactJob(TSField field, int objectCount, int characterCount, TExactSettings settings)
    : Coded(std::move(field)),
      Objects(objectCount),
      Characters(characterCount),
      Config(std::move(settings))
{
}

TExactJob::TExactJob(TCriteriaCoding coding, int objectCount, int characterCount,
                     TExactSettings settings, int outgroup)
    : CriteriaCoded(std::make_shared<const TCriteriaCoding>(std::move(coding))),
      Coded(CriteriaCoded->CaminSokal),
      Objects(objectCount),
      Characters(characterCount),
      Config(std::move(settings)),
      Outgroup(outgroup)
{
}

TExactJob::~TExactJob()
{
    Stop = true;
    Thread.Join();
}

void TExactJob::Start(std::function<void()> finished)
{
    Stop = false;
    Thread.Start([this] { Run(); }, std::move(finished));
}

TSearchStatus TExactJob::Status() const
{
    return Result.CanStart ? Result.Result.Status : TSearchStatus::Refused;
}

void TExactJob::Run()
{
    TExactOutcome out;
    out.CanStart = CanStart();
    if (!out.CanStart) {
        Result = std::move(out);
        return;
    }
    TExactCallbacks callbacks;
    callbacks.Progress = Progress;
    callbacks.Cancelled = [this] { return Stop.load(); };
    // Packing the characters is part of the run, off the window's thread.
    TResult<TExactResult> searched =
        CriteriaCoded
            ? TExactCriteriaSearch(*CriteriaCoded, Objects, Config, Outgroup).Run(callbacks)
            : TExactSearch(Coded, Objects, Characters, Config).Run(callbacks);
    if (!searched) {
        out.CanStart = TFailure(searched.Error());
    } else {
        out.Result = std::move(*searched);
        const QStringList run =
            CriteriaCoded ? ExactCriteriaRunLines(*CriteriaCoded, Objects, Config, Outgroup)
                          : ExactRunLines(Objects, Config);
        const QStringList found = ExactResultLines(out.Result, Config);
        out.Protocol << QString() << run << ExactSettingsLine(Config, out.Result.ThreadsUsed)
                     << found << QString() << QString();
        out.Report << QString() << run << found;
    }
    Result = std::move(out);
}

std::shared_ptr<TParsimonySearch> TExactJob::Population() const
{
    return ExactPopulation(Result.Result, Config, Coded, Objects, Characters);
}
