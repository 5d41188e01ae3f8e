#include "parsimony/evolutionary/EvolutionaryJob.h"

#include "parsimony/evolutionary/OptimizeRun.h"

TEvolutionaryJob::TEvolutionaryJob(const TSField& field, int objectCount, int characterCount,
                                   TSearchSettings settings, QString treesText,
                                   QString generationsText)
    : Objects(objectCount),
      TreesText(std::move(treesText)),
      GenerationsText(std::move(generationsText)),
      // The search takes its own copy of the coded characters.
      Searched(std::make_shared<TParsimonySearch>(field, objectCount, characterCount, settings))
{
}

TEvolutionaryJob::~TEvolutionaryJob()
{
    Stop = true;
    Thread.Join();
}

TStatus TEvolutionaryJob::CanStart() const
{
    const TSearchSettings& s = Searched->Settings();
    return ValidateSearch(Objects, s.TreeCount, s.Generations);
}

void TEvolutionaryJob::Start(std::function<void()> finished)
{
    Stop = false;
    Thread.Start([this] { Run(); }, std::move(finished));
}

void TEvolutionaryJob::Run()
{
    TSearchCallbacks cb = Callbacks;
    cb.Cancelled = [this, asked = Callbacks.Cancelled] {
        return Stop.load() || (asked && asked());
    };
    TParsimonySearch& search = *Searched;
    const TSearchSettings& s = search.Settings();
    TEvolutionaryOutcome out;
    out.Status = search.Run(cb);
    out.Population = Searched;
    if (out.Status == TSearchStatus::Refused)
        out.CanStart = search.StartCheck();
    else if (out.Status == TSearchStatus::Cancelled)
        out.Protocol =
            search.TreeCount() == 0
                ? CancelledProtocolLines(0, s.TreeCount, 0, s.Generations, s.MissingData)
                : CancelledProtocolLines(search.TreeCount(), s.TreeCount, search.GenerationsDone(),
                                         s.Generations, s.MissingData);
    else
        out.Protocol = SearchProtocolLines(TreesText, GenerationsText, s.MissingData);
    Result = std::move(out);
}
