#pragma once
// The parsimony search: grow a population of trees, improve it by random
// branch swapping, report the shortest.
//
// How a window runs a search and reads the results:
//
//   const QString refusal = ValidateSearch(model.ObjectCount, n, g);
//   if (!refusal.isEmpty()) { /* show it; nothing was computed */ }
//   TSearchSettings settings;                 // N, G, "Missing data ?", seed
//   settings.TreeCount = n; settings.Generations = g; settings.MissingData = box;
//   auto search = std::make_shared<TParsimonySearch>(model.CharField,
//                     model.ObjectCount, model.CharacterCount, settings);
//   TSearchCallbacks cb;                      // called on the worker thread:
//   cb.GrowProgress = ...;                    //   ProgressBar1 0..N (0 at the end)
//   cb.ListFilled = ...;                      //   growing done, OptList() ready: N+1 rows x 3
//                                             //   (time for "swap branches randomly")
//   cb.CellChanged = ...;                     //   SgOpt cell (row, column, text)
//   cb.GenerationProgress = ...;              //   ProgressBar2 0..G (0 at the end)
//   cb.Cancelled = [&]{ return stop.load(); };
//   search->Run(cb);                          // in a worker thread; never touches widgets
//   // back on the user-interface thread:
//   search->OptList();                        // the SgOpt texts
//   auto [slot, fitness] = search->FindBestTree();  // "Optimum = Minimum = " + FormatShortest
//   search->Trees[k].Tips[i].Anc / .Fit, .Nodes[j].Anc / .Child / .Fit / .Objects, .Fitness
//   search->ComputeCharSteps(k, c);           // character fit (changes Trees[k]'s fits)
//   SearchProtocolLines(edit2Text, edit1Text, box);   // protocol lines after the run
//   search->SeedUsed();                       // to show or repeat a run
//
// The search copies the coded characters, so the model may change while it runs.
// Slot 0 of Trees is the working tree; slots 1..N are the population.
#include "parsimony/GrowTree.h"
#include "parsimony/MakeTree.h"
#include "parsimony/Random.h"

#include <QChar>
#include <QString>
#include <QStringList>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <utility>
#include <vector>

class TPackedField;
class TTreeScorer;
class TSwapScorer;

// Fast scoring for real runs; the literal definition, for tests and
// benchmarks, must choose exactly the same trees.
enum class TScoringEngine { Fast, Reference };

struct TSearchSettings {
    int TreeCount = 10;       // N, "No. of trees"
    int Generations = 1000;   // G
    bool MissingData = true;  // "Missing data ?"
    std::optional<std::uint64_t> Seed;  // from the clock when not given
    TScoringEngine Engine = TScoringEngine::Fast;
    QChar DecimalSeparator = QLatin1Char('.');  // of the numbers in the list
};

// Everything is called on the thread that runs the search.
struct TSearchCallbacks {
    std::function<void(int)> GrowProgress;        // tree k being grown (1..N), 0 at the end
    std::function<void()> ListFilled;             // OptList() holds the grown population
    std::function<void(int row, int column, const QString& text)> CellChanged;  // one list cell
    std::function<void(int)> GenerationProgress;  // generation g (1..G), 0 at the end
    std::function<bool()> Cancelled;              // asked between trees and between generations
};

enum class TSearchStatus { NotRun, Finished, Cancelled, Refused };

// The texts of the population list.
inline const QString OptLegend = QStringLiteral("a: change tip to tip; b: change tip to node c: change node to node");
inline const QString OptAddFit = QStringLiteral("add - fit");
inline const QString OptSwapFit = QStringLiteral("swap - fit");

// Why a search cannot run (fewer than 3 or more than 255 objects, N outside
// 1..255, G below 0), or empty when it can.
QString ValidateSearch(int objectCount, int treeCount, int generations);

// The protocol lines written after a run: the counts as typed and the
// missing-data note.
QStringList SearchProtocolLines(const QString& treesText, const QString& generationsText, bool missingData);

class TParsimonySearch {
public:
    TParsimonySearch(const TSField& charField, int objectCount, int characterCount, TSearchSettings settings);
    ~TParsimonySearch();
    TParsimonySearch(const TParsimonySearch&) = delete;
    TParsimonySearch& operator=(const TParsimonySearch&) = delete;

    // The whole run: validation, GrowTrees(N), the list, SearchTrees(G).
    // A cancel while growing keeps only the complete trees (possibly none);
    // a cancel while swapping keeps the population as it stands. Either way
    // every tree of the population is evaluated and consistent.
    TSearchStatus Run(const TSearchCallbacks& callbacks = {});
    TSearchStatus Status() const { return LastStatus; }
    QString Error() const { return LastError; }  // the refusal, when Refused

    // The steps of a run, usable one by one.
    void GrowTrees(int n);
    void ShuffleOrder();
    void StartTree(int treeNo);
    void ExtendTree(int treeNo);
    void AddObject(int treeNo);
    void FillOptList();
    void SearchTrees(int g);
    char MutateTree();  // on slot 0; 'a', 'b' or 'c'
    void SwapTipTip(int treeNo);
    void SwapTipNode(int treeNo);
    void SwapNodeNode(int treeNo);
    void EvaluateTree(int treeNo);
    // Steps of character c on tree treeNo (also stored in CharSteps).
    double ComputeCharSteps(int treeNo, int c);
    std::pair<int, double> FindBestTree() const;   // slot and Fitness; ties to the lowest slot
    std::pair<int, double> FindWorstTree() const;

    int TreeCount() const { return Trees.empty() ? 0 : static_cast<int>(Trees.size()) - 1; }
    std::uint64_t SeedUsed() const { return Seed; }
    const std::vector<QStringList>& OptList() const { return OptRows; }
    const TSearchSettings& Settings() const { return Config; }
    const TSField& CharField() const { return Field; }
    int GenerationsDone() const { return Generations; }

    std::vector<TTree> Trees;  // 0 = working tree, 1..N = population
    Reihenfolge Order;         // addition order of the tree being grown
    TTree BestTree;
    double BestFit = 0;
    double CharSteps = 0;
    bool MutationDone = false;

private:
    bool CancelRequested() const;
    void Attach(int treeNo, int num, bool isTip);
    bool NodeAbove(int treeNo, int upper, int lowerAnc) const;
    void SetCell(int row, int column, const QString& text);
    void LightCopy(const TTree& source, TTree& destination) const;

    TSField Field;
    int ObjectCount;
    int CharacterCount;
    TSearchSettings Config;
    TRandom Random;
    std::uint64_t Seed = 0;
    std::unique_ptr<TPackedField> Packed;
    std::unique_ptr<TTreeScorer> Scorer;
    std::unique_ptr<TSwapScorer> Swapper;
    std::unique_ptr<TTreeScorer> MissingScorer;  // for the character fit
    // The two parts the last successful swap exchanged.
    struct TSwapParts {
        int NumA = 0;
        bool TipA = true;
        int NumB = 0;
        bool TipB = true;
    } LastSwap;
    std::vector<QStringList> OptRows;
    TSearchCallbacks Callbacks;
    TSearchStatus LastStatus = TSearchStatus::NotRun;
    QString LastError;
    int Generations = 0;
};
