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

TThoroughJob::~TThoroughJob()
{
    Stop = true;
    Thread.Join();
}

void TThoroughJob::Start(TCallbacks callbacks)
{
    Stop = false;
    Thread.Start([this, progress = std::move(callbacks.Progress),
                  interval = callbacks.Interval] { Run(progress, interval); },
                 std::move(callbacks.Finished));
}

const TThoroughOutcome& TThoroughJob::Run(
    const std::function<void(const TThoroughProgress&)>& progress, double interval)
{
    TThoroughOutcome out;
    out.Refusal = Refusal();
    if (out.Refusal) {
        out.Status = Thorough.Run(progress, &Stop, interval);
        if (out.Status != TThoroughStatus::Refused)
            out.Protocol = ThoroughProtocolLines(Thorough.Settings(), Thorough.ThreadsUsed()) +
                           ThoroughResultLines(Thorough);
    }
    Result = std::move(out);
    return Result;
}

std::shared_ptr<TParsimonySearch> TThoroughJob::Population() const
{
    return ThoroughPopulation(Thorough, Coded, Objects, Characters);
}
