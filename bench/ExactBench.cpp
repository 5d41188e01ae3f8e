// The exact search on data files: trees examined and time, with and without
// each bound, and the consistency index of the optimum.
//
//   bench_exact [--threads T] [--time-limit S] [--variants] [--criterion C] FILE...
//
// With --criterion (or a NEXUS file's types, unless C is irreversible) the
// search counts each character under its criterion; the minimum then is the
// sum of the characters' minimum steps.
//
// bench/exact-bench.sh makes the simulated data sets with varno-generate and
// runs this on them. Single runs, not repeated: the longer searches take
// seconds to minutes. "cpu" is the processor time of all threads: on a
// shared machine the wall-clock seconds are inflated.
#include <QCoreApplication>
#include <QFileInfo>
#include <cstdio>
#include <ctime>
#include <optional>

#include "data/DataFile.h"
#include "data/Path.h"
#include "parsimony/exact/ExactCriteria.h"
#include "parsimony/exact/ExactField.h"
#include "parsimony/exact/ExactSearch.h"
#include "parsimony/length/CriteriaCoding.h"

namespace {
struct TVariant {
    const char* Name;
    bool ObjectBound, GroupBound, PlaceBound, FurthestFirst;
};

void Print(const TExactResult& r, double minimum, double cpuSeconds, const char* file, int objects,
           int characters, const char* variant)
{
    std::printf(
        "%-16s %3d x %3d  %-20s optimum %4lld  CI %.2f  trees %4s  %s  nodes %11llu  %8.3f s  "
        "cpu %8.3f s\n",
        file, objects, characters, variant, static_cast<long long>(r.Optimum),
        r.Optimum > 0 ? minimum / static_cast<double>(r.Optimum) : 1.0,
        qPrintable(r.OptimalTreesText), r.Proved ? "proved    " : "NOT proved",
        static_cast<unsigned long long>(r.Nodes), r.Seconds, cpuSeconds);
    if (!r.Proved) std::printf("%50s lower bound %lld\n", "", static_cast<long long>(r.LowerBound));
    std::fflush(stdout);
}

TExactSettings Settings(const TExactSettings& base, const TVariant& v)
{
    TExactSettings settings = base;
    settings.ObjectBound = v.ObjectBound;
    settings.GroupBound = v.GroupBound;
    settings.PlaceBound = v.PlaceBound;
    settings.FurthestFirst = v.FurthestFirst;
    return settings;
}

void RunOne(const TSField& field, int objects, int characters, const TVariant& v,
            const TExactSettings& base, const char* file)
{
    const TExactSettings settings = Settings(base, v);
    const std::clock_t cpu = std::clock();
    const TExactResult r = *TExactSearch(field, objects, characters, settings).Run();
    const double cpuSeconds = static_cast<double>(std::clock() - cpu) / CLOCKS_PER_SEC;
    const TPackedField packed(field, objects, characters);
    const TExactField reduced(packed, settings.MissingData);
    Print(r, static_cast<double>(reduced.Bits() + reduced.Constant()), cpuSeconds, file, objects,
          characters, v.Name);
}

void RunCriteria(const TCriteriaCoding& coding, int objects, int characters, const TVariant& v,
                 const TExactSettings& base, const char* file)
{
    const TExactSettings settings = Settings(base, v);
    const std::clock_t cpu = std::clock();
    const TExactResult r = *TExactCriteriaSearch(coding, objects, settings).Run();
    const double cpuSeconds = static_cast<double>(std::clock() - cpu) / CLOCKS_PER_SEC;
    double minimum = 0;
    for (int c = 1; c <= coding.Reversible.Count(); ++c)
        minimum += static_cast<double>(MinimumSteps(coding.Reversible[c]).value_or(0) *
                                       coding.Reversible[c].Weight);
    if (!coding.CaminSokalCharacters.empty()) {
        const TPackedField packed(coding.CaminSokal, objects,
                                  static_cast<int>(coding.CaminSokalCharacters.size()));
        const TExactField reduced(packed, settings.MissingData);
        minimum += static_cast<double>(reduced.Bits() + reduced.Constant());
    }
    Print(r, minimum, cpuSeconds, file, objects, characters, v.Name);
}
}  // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    TExactSettings settings;
    bool variants = false;
    std::optional<TCriterion> chosen;
    QStringList files;
    const QStringList args = app.arguments().mid(1);
    for (int i = 0; i < args.size(); ++i) {
        if (args[i] == QLatin1String("--threads") && i + 1 < args.size())
            settings.Threads = args[++i].toInt();
        else if (args[i] == QLatin1String("--time-limit") && i + 1 < args.size())
            settings.TimeLimitSeconds = args[++i].toDouble();
        else if (args[i] == QLatin1String("--variants"))
            variants = true;
        else if (args[i] == QLatin1String("--criterion") && i + 1 < args.size()) {
            const TResult<TCriterion> c = ParseCriterion(args[++i]);
            if (!c) {
                std::fprintf(stderr, "%s\n", qPrintable(c.Error()));
                return 1;
            }
            chosen = *c;
        } else
            files << args[i];
    }
    const TVariant all[] = {{"object+group bounds", true, true, false, true},
                            {"with place bound", true, true, true, true},
                            {"object bound only", true, false, false, true},
                            {"no bound", false, false, false, true},
                            {"file order", true, true, false, false}};
    for (const QString& file : files) {
        const TReadResult read = ReadDataFile(file);
        if (!read.Ok()) {
            std::fprintf(stderr, "%s\n", qPrintable(read.Error()));
            return 1;
        }
        const QByteArray name = QFileInfo(file).fileName().toUtf8();
        const TResult<std::optional<TCriteriaCoding>> coding = SearchCriteria(read->Data, chosen);
        if (!coding) {
            std::fprintf(stderr, "%s\n", qPrintable(coding.Error()));
            return 1;
        }
        if (*coding) {
            const TCriteriaCoding& criteria = **coding;
            std::printf("%s: %d Fitch characters, %zu irreversible characters\n", name.constData(),
                        criteria.Field ? criteria.Field->FitchCount() : 0,
                        criteria.CaminSokalCharacters.size());
            for (const TVariant& v : all) {
                RunCriteria(criteria, read->Data.ObjectCount, read->Data.CharacterCount, v,
                            settings, name.constData());
                if (!variants) break;
            }
            continue;
        }
        const TSField field =
            BuildPathSets(read->Data.DataMatrix, read->Data.ObjectCount, read->Data.CharacterCount);
        {
            const TPackedField packed(field, read->Data.ObjectCount, read->Data.CharacterCount);
            const TExactField reduced(packed, settings.MissingData);
            const TGroupBound groups(reduced, true);
            std::printf(
                "%s: %d state bits searched (+%lld steps on every tree), %d incompatible groups, "
                "bound on every tree %lld\n",
                name.constData(), reduced.Bits(), static_cast<long long>(reduced.Constant()),
                groups.GroupCount(),
                static_cast<long long>(reduced.Constant() + groups.TreeBound()));
        }
        for (const TVariant& v : all) {
            RunOne(field, read->Data.ObjectCount, read->Data.CharacterCount, v, settings,
                   name.constData());
            if (!variants) break;
        }
    }
    return 0;
}
