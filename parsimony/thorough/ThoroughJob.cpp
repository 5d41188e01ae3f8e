#include "parsimony/thorough/ThoroughJob.h"

#include "parsimony/thorough/ThoroughRows.h"

TThoroughJob::TThoroughJob(TSField field, int objectCount, int characterCount,
                           TThoroughSettings settings)
    : Coded(std::move(field)),
      Objects(objectCount),
      Characters(characterCount),
      Thorough(Coded, objectCount, characterCount, std::move(settings))
{
}

TThoroughJob::TThoroughJob(TCriteriaCoding coding, int objectCount, int characterCount,
                           TThoroughSettings settings, int outgroup)
    : Criteria(std::make_shared<const TCriteriaCoding>(std::move(coding))),
      Coded(Criteria->CaminSokal),
      Objects(objectCount),
      Characters(characterCount),
      Thorough(Coded, objectCount, characterCount, std::move(settings))
{
    Thorough.UseCriteria(Criteria.get(), outgroup);
}

TThoroughJob::~TThoroughJob()
{
    Stop = true;
    Thread.Join();
}

void TThoroughJob::Start(std::function<void()> finished)
{
    Stop = false;
    Thread.Start([this] { Run(); }, std::move(finished));
}

void TThoroughJob::Run()
{
    TThoroughOutcome out;
    out.CanStart = CanStart();
    if (!out.CanStart) {
        out.Status = TSearchStatus::Refused;
    } else {
        out.Status = Thorough.Run(Progress, &Stop, Interval);
        if (out.Status != TSearchStatus::Refused) {
            out.Protocol = ThoroughProtocolLines(Thorough.Settings(), Thorough.ThreadsUsed());
            if (Thorough.Criteria()) out.Protocol << CriteriaSearchLines(Thorough);
            out.Protocol << ThoroughResultLines(Thorough);
        }
    }
    Result = std::move(out);
}

std::shared_ptr<TParsimonySearch> TThoroughJob::Population() const
{
    return ThoroughPopulation(Thorough, Coded, Objects, Characters);
}
