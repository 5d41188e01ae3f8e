// The exact search on data files: trees examined and time, with and without
// each bound, and the consistency index of the optimum.
//
//   bench_exact [--threads T] [--time-limit S] [--variants] FILE...
//
// bench/exact-bench.sh makes the simulated data sets with varno-generate and
// runs this on them. Single runs, not repeated: the longer searches take
// seconds to minutes. "cpu" is the processor time of all threads: on a
// shared machine the wall-clock seconds are inflated.
#include <QCoreApplication>
#include <QFileInfo>
#include <cstdio>
#include <ctime>

#include "data/DataFile.h"
#include "data/Path.h"
#include "parsimony/exact/ExactField.h"
#include "parsimony/exact/ExactSearch.h"

namespace {
struct TVariant {
    const char* Name;
    bool ObjectBound, GroupBound, PlaceBound, FurthestFirst;
};

void RunOne(const TSField& field, int objects, int characters, const TVariant& v,
            const TExactSettings& base, const char* file)
{
    TExactSettings settings = base;
    settings.ObjectBound = v.ObjectBound;
    settings.GroupBound = v.GroupBound;
    settings.PlaceBound = v.PlaceBound;
    settings.FurthestFirst = v.FurthestFirst;
    const std::clock_t cpu = std::clock();
    const TExactResult r = *TExactSearch(field, objects, characters, settings).Run();
    const double cpuSeconds = static_cast<double>(std::clock() - cpu) / CLOCKS_PER_SEC;
    const TPackedField packed(field, objects, characters);
    const TExactField reduced(packed, settings.MissingData);
    const double minimum = static_cast<double>(reduced.Bits() + reduced.Constant());
    std::printf(
        "%-16s %3d x %3d  %-20s optimum %4lld  CI %.2f  trees %4s  %s  nodes %11llu  %8.3f s  "
        "cpu %8.3f s\n",
        file, objects, characters, v.Name, static_cast<long long>(r.Optimum),
        r.Optimum > 0 ? minimum / static_cast<double>(r.Optimum) : 1.0,
        qPrintable(r.OptimalTreesText), r.Proved ? "proved    " : "NOT proved",
        static_cast<unsigned long long>(r.Nodes), r.Seconds, cpuSeconds);
    if (!r.Proved) std::printf("%50s lower bound %lld\n", "", static_cast<long long>(r.LowerBound));
    std::fflush(stdout);
}
}  // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    TExactSettings settings;
    bool variants = false;
    QStringList files;
    const QStringList args = app.arguments().mid(1);
    for (int i = 0; i < args.size(); ++i) {
        if (args[i] == QLatin1String("--threads") && i + 1 < args.size())
            settings.Threads = args[++i].toInt();
        else if (args[i] == QLatin1String("--time-limit") && i + 1 < args.size())
            settings.TimeLimitSeconds = args[++i].toDouble();
        else if (args[i] == QLatin1String("--variants"))
            variants = true;
        else
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
        const TSField field =
            BuildPathSets(read->Data.DataMatrix, read->Data.ObjectCount, read->Data.CharacterCount);
        const QByteArray name = QFileInfo(file).fileName().toUtf8();
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
