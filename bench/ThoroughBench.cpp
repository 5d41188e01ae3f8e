// The thorough search on data files: best length by elapsed time, time to
// the best length found, and for comparison the evolutionary search at 50
// trees x 20 000 generations. Timings are wall clock; on a machine busy
// with other work they are inflated.
//
//   bench_thorough [--seconds S] [--threads T] [--evolutionary RUNS] FILE...
#include <sys/resource.h>
#include <sys/time.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "data/DataFile.h"
#include "data/Path.h"
#include "parsimony/evolutionary/CreateTree.h"
#include "parsimony/thorough/ThoroughSearch.h"

namespace {
double Now()
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

double CpuSeconds()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

long PeakKilobytes()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}
}  // namespace

int main(int argc, char** argv)
{
    double seconds = 120;
    int threads = 0, evolutionary = 0;
    std::vector<const char*> files;
    for (int i = 1; i < argc; ++i) {
        if (!std::strcmp(argv[i], "--seconds") && i + 1 < argc)
            seconds = std::atof(argv[++i]);
        else if (!std::strcmp(argv[i], "--threads") && i + 1 < argc)
            threads = std::atoi(argv[++i]);
        else if (!std::strcmp(argv[i], "--evolutionary") && i + 1 < argc)
            evolutionary = std::atoi(argv[++i]);
        else
            files.push_back(argv[i]);
    }
    for (const char* file : files) {
        const TReadResult read = ReadDataFile(QString::fromLocal8Bit(file));
        if (!read.Ok()) {
            std::fprintf(stderr, "%s: %s\n", file, qPrintable(read.Error()));
            return 1;
        }
        const int objects = read->Data.ObjectCount, characters = read->Data.CharacterCount;
        const TSField field = BuildPathSets(read->Data.DataMatrix, objects, characters);
        std::printf("%s: %d objects x %d characters\n", file, objects, characters);

        TThoroughSettings settings;
        settings.Threads = threads;
        settings.TimeLimit = seconds;
        settings.Seed = 1;
        TThoroughSearch search(field, objects, characters, settings);
        const double cpuBefore = CpuSeconds();
        std::vector<std::pair<double, std::int64_t>> trace;  // when the best length changed
        search.Run(
            [&](const TThoroughProgress& p) {
                if (p.BestLength >= 0 && (trace.empty() || p.BestLength < trace.back().second))
                    trace.emplace_back(p.Elapsed, p.BestLength);
            },
            nullptr, 0.05);
        std::printf(
            "  thorough (default rules, %d threads): length %lld, first seen at %.2f s, stopped at "
            "%.2f s "
            "(%s), %zu trees, peak memory %ld MB\n",
            search.ThreadsUsed(), static_cast<long long>(search.BestLength()),
            trace.empty() ? 0.0 : trace.back().first, search.Elapsed(),
            qPrintable(search.StopReason()), search.Results().size(), PeakKilobytes() / 1024);
        std::printf("  processor time of the thorough run: %.1f s\n", CpuSeconds() - cpuBefore);
        std::printf("  best length by elapsed time:");
        for (const auto& [t, len] : trace)
            std::printf(" %.2fs:%lld", t, static_cast<long long>(len));
        std::printf("\n");

        if (objects > MaxParsimonyObjects) continue;
        std::int64_t best = -1;
        double total = 0;
        for (int run = 1; run <= evolutionary; ++run) {
            TSearchSettings evoSettings;
            evoSettings.TreeCount = 50;
            evoSettings.Generations = 20000;
            evoSettings.Seed = static_cast<std::uint64_t>(run);
            const double start = Now();
            const double cpuStart = CpuSeconds();
            TParsimonySearch evo(field, objects, characters, evoSettings);
            evo.Run();
            const double took = Now() - start;
            total += took;
            const auto length = static_cast<std::int64_t>(evo.FindBestTree().second);
            if (best < 0 || length < best) best = length;
            std::printf(
                "  evolutionary 50 x 20000, seed %d: length %lld in %.2f s (processor %.1f s)\n",
                run, static_cast<long long>(length), took, CpuSeconds() - cpuStart);
        }
        if (evolutionary > 0)
            std::printf("  evolutionary best of %d runs: %lld, total %.1f s\n", evolutionary,
                        static_cast<long long>(best), total);
    }
    return 0;
}
