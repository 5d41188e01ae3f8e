#pragma once
// The thorough search: independent replicates, each a random addition
// sequence, SPR then TBR to a local optimum, then ratchet iterations (TBR
// under randomly up-weighted characters, then TBR under the real weights).
// Replicates run on several threads; every distinct shortest tree is kept.
//
//   TThoroughSettings settings;          // defaults: see the fields
//   settings.Seed = 7;
//   TThoroughSearch search(field, objects, characters, settings);
//   if (TStatus ok = search.Validate(); !ok) ... ok.Error() ...;
//   search.Run([](const TThoroughProgress& p) { ... }, &cancel);
//   for (const TThoroughResult& r : search.Results()) ... r.Tree, r.Length;
//
// Replicate r draws from its own seed, made from the master seed and r, and
// replicates are merged in their order: as long as the time limit does not
// end the run, the trees do not depend on the number of threads.
#include <QString>
#include <QStringList>
#include <array>
#include <atomic>
#include <cstdint>
#include <functional>
#include <vector>

#include "data/Global.h"
#include "data/Result.h"
#include "parsimony/SearchJob.h"
#include "parsimony/thorough/ThoroughTree.h"

constexpr int MaxThoroughObjects = 20000;

struct TCriteriaCoding;

// Ratchet: independent replicates until the best length was hit often
// enough and fusing their best trees finds nothing shorter. Driven: rounds of replicates (ratchet
// alternated with drift), the best trees of all rounds fused after each round; it stops when the
// best length was found by enough replicates and fusing finds nothing shorter.
enum class TThoroughStrategy { Ratchet, Driven };
constexpr int MaxThoroughThreads = 256;

struct TThoroughSettings {
    std::uint64_t Seed = 1;
    int Threads = 0;                 // 0: every core
    double TimeLimit = 600;          // seconds; 0: none
    int Replicates = 1000;           // at most this many
    std::int64_t TargetLength = -1;  // stop once a tree this short is found; -1: none
    int HitLimit = 5;            // stop once this many replicates found the best length; 0: never
    int MaxTrees = 100;          // distinct shortest trees kept
    int RatchetIterations = 15;  // per replicate
    double RatchetShare = 0.25;  // share of characters up-weighted in a ratchet iteration
    bool MissingData = true;
    std::vector<int> Weights;  // per character 1..C; empty: all 1
    TThoroughStrategy Strategy = TThoroughStrategy::Ratchet;
    // The driven search only:
    bool Fuse = true;       // fuse the pool after every round
    bool Drift = true;      // every second ratchet iteration drifts instead
    int RoundSize = 4;      // replicates per round
    int FusePool = 16;      // best trees of former replicates kept for fusing
    int DriftSteps = 2;     // drift: longest step up per move
    double DriftRfd = 0.1;  // drift: largest relative fit difference accepted
    int DriftMoves = 20;    // drift: moves per cycle
    bool Sectors = true;    // sectorial search after each replicate's TBR and iteration
    // With Sectors: sectors from the groups the replicates' best trees share,
    // searched on the best tree after each round.
    bool ConsensusSectors = true;
    int SectorMin = 0;    // units per sector, smallest; 0: from the number of objects
    int SectorMax = 0;    // units per sector, largest; 0: from the number of objects
    int SectorCount = 0;  // sectors searched each time; 0: from the number of objects
    // Sectors of at least this many units are ratcheted too, SectorRatchet
    // cycles each (0: none; it made no run here shorter or faster).
    int SectorRatchetUnits = 30;
    int SectorRatchet = 0;
};

struct TThoroughProgress {
    std::int64_t BestLength = -1;  // -1 before the first tree
    int Replicate = 0;             // replicates finished
    int Replicates = 0;            // asked for
    int TreesKept = 0;
    double Elapsed = 0;  // seconds
    int Hits = 0;        // replicates that found the best length (driven search)
    // "replicates", "sectors" (some replicate is searching sectors), "drift"
    // (some replicate is drifting, none searching sectors) or "fusing"
    // (driven search); the ratchet reports only "fusing", before it stops.
    QString Phase;
};

struct TThoroughResult {
    TCompactTree Tree;
    std::int64_t Length = 0;  // full evaluation of the tree
    int Replicate = 0;        // 1-based
    int Iteration = 0;        // 0: addition and TBR; k: ratchet iteration k
    bool Drifted = false;     // iteration k was a drift cycle
    bool Sectors = false;     // found by the sectorial search after iteration k
    int FusedInRound = 0;     // > 0: found by fusing after that round (Replicate 0)
                              // or, with Sectors, by the consensus sectors after it
    int FusedAfter = 0;       // > 0: found by fusing once that many replicates were done
                              // (ratchet; Replicate 0)
    QString How() const;      // e.g. "replicate 3, ratchet 7"
};
// The widest How() texts a run with these settings can give (one per kind).
QStringList ThoroughHowTexts(const TThoroughSettings& settings);

class TThoroughSearch {
public:
    TThoroughSearch(const TSField& field, int objectCount, int characterCount,
                    TThoroughSettings settings);

    // Scores every character under its criterion in the coding (which must
    // outlive the search) instead of Camin-Sokal on the field; without a
    // reversible character nothing changes. When no character is
    // irreversible the length does not depend on the root, and every tree
    // is kept rooted at the outgroup (object 1..N).
    void UseCriteria(const TCriteriaCoding* coding, int outgroup = 1);
    const TCriteriaCoding* Criteria() const { return CriteriaUsed; }
    // The tip (0-based) every kept tree is rooted at; -1: the search's root.
    int RootTip() const;

    // Fails, saying why, when the search cannot run.
    TStatus Validate() const;
    // Runs to a stopping rule; progress is called from the calling thread
    // about every `interval` seconds. *cancel may be set from any thread.
    TSearchStatus Run(const std::function<void(const TThoroughProgress&)>& progress = {},
                      const std::atomic<bool>* cancel = nullptr, double interval = 1.0);

    const std::vector<TThoroughResult>& Results() const { return Kept; }  // shortest first
    std::int64_t BestLength() const { return Best; }
    int ReplicatesDone() const { return Done; }
    int ThreadsUsed() const { return ThreadCount; }
    double Elapsed() const { return Seconds; }
    const TThoroughSettings& Settings() const { return Set; }
    int ObjectCount() const { return Objects; }
    // Why the run stopped, in words ("best length found by 5 replicates").
    QString StopReason() const { return Reason; }
    int Mismatches() const { return MismatchCount; }
    // Sectorial search over the merged replicates (driven search).
    int SectorsSearched() const { return SectorCounts[0]; }
    int SectorsAccepted() const { return SectorCounts[1]; }
    int SectorsShorter() const { return SectorCounts[2]; }

private:
    const TSField& Field;
    int Objects, Characters;
    TThoroughSettings Set;
    std::vector<TThoroughResult> Kept;
    std::int64_t Best = -1;
    int Done = 0;
    int ThreadCount = 1;
    double Seconds = 0;
    QString Reason;
    int MismatchCount = 0;
    std::array<int, 3> SectorCounts{};
    const TCriteriaCoding* CriteriaUsed = nullptr;
    int OutgroupObject = 1;
};

// The seed of replicate r (0-based) of a run.
std::uint64_t ReplicateSeed(std::uint64_t master, int replicate);

// Distinct trees of one length, in the order first seen, up to a maximum.
class TTreePool {
public:
    // rootAtTip >= 0: every tree is kept rooted above that tip (0-based).
    explicit TTreePool(int maxTrees, int rootAtTip = -1) : Max(maxTrees), RootTip(rootAtTip) {}
    // Offers a tree; a shorter one empties the pool. True when it was kept.
    bool Offer(const TCompactTree& tree, std::int64_t length, int replicate, int iteration);
    bool Offer(const TThoroughResult& result);
    std::int64_t Length() const { return Best; }
    const std::vector<TThoroughResult>& Trees() const { return List; }

private:
    bool Keep(const TThoroughResult& result);
    int Max;
    int RootTip;
    std::int64_t Best = -1;
    std::vector<TThoroughResult> List;
    std::vector<std::string> Keys;
};

// What a thorough run does, for the protocol: settings, threads and seed.
QStringList ThoroughProtocolLines(const TThoroughSettings& settings, int threads);
// Which criterion every character got (counted) and where the trees are
// rooted, for a search under the criteria.
QStringList CriteriaSearchLines(const TThoroughSearch& search);
// How it ended: the reason, replicates done, time, best length and trees.
QStringList ThoroughResultLines(const TThoroughSearch& search);
