#include "parsimony/evolutionary/EvolutionaryJob.h"

#include "parsimony/evolutionary/OptimizeRun.h"

TEvolutionaryJob::TEvolutionaryJob(const TSField& field, int objectCount, int characterCount,
                                   TSearchSettings settings, QString treesText,
                                   QString generationsText)
    : Objects(objectCount),
      TreesText(std::move(treesText)),
      GenerationsText(std::move(generationsText)),
      // The search takes its own copy of the coded characters.
      Population(std::make_shared<TParsimonySearch>(field, objectCount, characterCount, settings))
{
}

TEvolutionaryJob::~TEvolutionaryJob()
{
    Stop = true;
    Thread.Join();
}

TStatus TEvolutionaryJob::Refusal() const
{
    const TSearchSettings& s = Population->Settings();
    return ValidateSearch(Objects, s.TreeCount, s.Generations);
}

void TEvolutionaryJob::Start(TCallbacks callbacks)
{
    Stop = false;
    Thread.Start([this, cb = std::move(callbacks.Search)] { Run(cb); },
                 std::move(callbacks.Finished));
}

const TEvolutionaryOutcome& TEvolutionaryJob::Run(const TSearchCallbacks& callbacks)
{
    TSearchCallbacks cb = callbacks;
    cb.Cancelled = [this, asked = callbacks.Cancelled] {
        return Stop.load() || (asked && asked());
    };
    TParsimonySearch& search = *Population;
    const TSearchSettings& s = search.Settings();
    TEvolutionaryOutcome out;
    out.Status = search.Run(cb);
    out.Population = Population;
    if (out.Status == TSearchStatus::Refused)
        out.Refusal = search.Refusal();
    else if (out.Status == TSearchStatus::Cancelled)
        out.Protocol =
            search.TreeCount() == 0
                ? CancelledProtocolLines(0, s.TreeCount, 0, s.Generations, s.MissingData)
                : CancelledProtocolLines(search.TreeCount(), s.TreeCount, search.GenerationsDone(),
                                         s.Generations, s.MissingData);
    else
        out.Protocol = SearchProtocolLines(TreesText, GenerationsText, s.MissingData);
    Result = std::move(out);
    return Result;
}
