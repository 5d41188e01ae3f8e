#include "parsimony/summaries/SupportJob.h"

#include "parsimony/summaries/Bremer.h"
#include "parsimony/summaries/Support.h"

TSupportJob::TSupportJob(TSField field, int objectCount, int characterCount,
                         TSupportRequest request)
    : Field(std::move(field)), Objects(objectCount), Characters(characterCount), Request(request)
{
}

TSupportJob::~TSupportJob()
{
    Stop = true;
    Thread.Join();
}

QString TSupportJob::KindName(TSupportKind kind)
{
    switch (kind) {
        case TSupportKind::Jackknife:
            return QStringLiteral("Jackknife");
        case TSupportKind::Bootstrap:
            return QStringLiteral("Bootstrap");
        case TSupportKind::Bremer:
            return QStringLiteral("Bremer support");
    }
    return {};
}

TStatus TSupportJob::CanStart() const
{
    if (TStatus data = ValidateSupport(Objects, Characters); !data) return data;
    if (Request.Kind == TSupportKind::Bremer)
        if (TStatus bremer = ValidateBremer(Objects, Characters); !bremer) return bremer;
    if (Request.Kind != TSupportKind::Bremer &&
        (Request.Replicates < 1 || Request.Replicates > MaxReplicates))
        return TFailure(
            QStringLiteral("The number of replicates must be 1 to %1.").arg(MaxReplicates));
    if (Request.Threads < 1 || Request.Threads > 256)
        return TFailure(QStringLiteral("The number of threads must be 1 to 256."));
    return {};
}

void TSupportJob::Start(std::function<void()> finished)
{
    Stop = false;
    Thread.Start([this] { Run(); }, std::move(finished));
}

void TSupportJob::Run()
{
    if (TStatus valid = CanStart(); !valid) {
        Ended = TSearchStatus::Refused;
        Result = TFailure(valid.Error());
        return;
    }
    Result = Compute();
    if (Result)
        Ended = Result->Cancelled ? TSearchStatus::Cancelled : TSearchStatus::Finished;
    else
        Ended = Stop.load() ? TSearchStatus::Cancelled : TSearchStatus::Refused;
}

QStringList TSupportJob::Protocol() const { return Result ? Result->Protocol : QStringList(); }

TResult<TSupportOutcome> TSupportJob::Compute()
{
    const std::function<void(int, int)>& progress = Progress;
    TSupportOutcome out;
    const QString rule = Request.MissingData ? QStringLiteral("missing data (\"?\") expected")
                                             : QStringLiteral("no missing data (\"?\") expected");
    if (Request.Kind == TSupportKind::Bremer) {
        TBremerSettings s;
        s.Seed = Request.Seed;
        s.Threads = Request.Threads;
        s.MissingData = Request.MissingData;
        s.Criteria = Request.Criteria.get();
        const TResult<TBremerResult> run =
            RunBremer(Field, Objects, Characters, s, progress, [this] { return Stop.load(); });
        if (!run) return TFailure(run.Error());
        const TBremerResult& r = *run;
        out.Tree = r.Tree;
        out.Title = QStringLiteral("Bremer support (decay index), shortest length %1%2")
                        .arg(r.Shortest)
                        .arg(r.AllExact() ? QString() : QStringLiteral(", upper bounds"));
        out.Protocol = BremerSummaryLines(r, s);
        out.Protocol.prepend(QString());
        out.Protocol << QStringLiteral("Threads: %1, %2").arg(Request.Threads).arg(rule);
    } else {
        TSupportSettings s;
        s.Method = Request.Kind == TSupportKind::Jackknife ? TSupportMethod::Jackknife
                                                           : TSupportMethod::Bootstrap;
        s.Replicates = Request.Replicates;
        s.Seed = Request.Seed;
        s.Threads = Request.Threads;
        TThoroughReplicateSettings deep;
        deep.MissingData = Request.MissingData;
        deep.Criteria = Request.Criteria.get();
        const int total = Request.Replicates;
        const auto report = [&](int done) {
            if (progress) progress(done, total);
        };
        const auto stop = [this] { return Stop.load(); };
        // Past 255 objects the replicates' trees stay compact trees.
        const TSupportResult r =
            Objects > MaxParsimonyObjects
                ? RunBigSupport(Field, Objects, s, BigThoroughReplicateSearch(deep), report, stop)
                : RunSupport(Field, Objects, s, ThoroughReplicateSearch(deep), report, stop);
        out.Cancelled = r.Cancelled;
        if (r.Done == 0)
            return TFailure(QStringLiteral("%1 cancelled before a replicate was done.")
                                .arg(KindName(Request.Kind)));
        out.Tree = r.Consensus;
        out.Title = QStringLiteral("%1 support, %2 replicates%3")
                        .arg(KindName(Request.Kind))
                        .arg(r.Done)
                        .arg(r.Cancelled ? QStringLiteral(" (cancelled)") : QString());
        out.Protocol = {
            QString(),
            QStringLiteral("%1%2: %3 of %4 replicates, seed %5, %6 threads; each replicate "
                           "searched by the thorough search (at most %7 addition sequences "
                           "with TBR, %8 ratchet iterations each); %9")
                .arg(KindName(Request.Kind))
                .arg(Request.Kind == TSupportKind::Jackknife
                         ? QStringLiteral(" (1/e of the characters removed)")
                         : QString())
                .arg(r.Done)
                .arg(total)
                .arg(Request.Seed)
                .arg(Request.Threads)
                .arg(deep.Additions)
                .arg(deep.Ratchet)
                .arg(rule),
            QStringLiteral("Majority-rule consensus of the replicates, labelled with the "
                           "percentage of replicates holding each group:")};
    }
    if (Request.Criteria && Request.Criteria->AnyReversible()) {
        QStringList lines = Request.Criteria->Lines;
        lines << (Request.Criteria->CaminSokalCharacters.empty()
                      ? QStringLiteral(" Trees rooted at the first object, %1, for their groups.")
                            .arg(Field.Names[1])
                      : QStringLiteral(" The irreversible characters fix the root."));
        out.Protocol = QStringList{QString()} + lines + out.Protocol;
    }
    out.Newick = WriteNewickTree(ConsensusToNewick(out.Tree, Field.Names, true));
    out.Protocol << out.Newick;
    return out;
}
