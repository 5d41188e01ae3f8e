#pragma once
// The parsimony search: grow a population of trees, improve it by random
// branch swapping, report the shortest.
//
// How a caller runs a search and reads the results:
//
//   if (TStatus ok = ValidateSearch(model.ObjectCount, n, g); !ok)
//       { /* show ok.Error(); nothing was computed */ }
//   TSearchSettings settings;                 // N, G, the missing-data rule, seed
//   settings.TreeCount = n; settings.Generations = g; settings.MissingData = missing;
//   auto search = std::make_shared<TParsimonySearch>(model.CharField,
//                     model.ObjectCount, model.CharacterCount, settings);
//   TSearchCallbacks cb;                      // called on the thread that runs it:
//   cb.GrowProgress = ...;                    //   tree k of N grown (0 at the end)
//   cb.Grown = ...;                           //   growing done: Histories() hold N slots
//   cb.SlotReplaced = ...;                    //   an offspring replaced a slot
//   cb.GenerationProgress = ...;              //   generation g of G (0 at the end)
//   cb.Cancelled = [&]{ return stop.load(); };
//   search->Run(cb);                          // may run in a worker thread
//   // afterwards:
//   search->Histories();                      // per slot: grown length, replacements
//   auto [slot, fitness] = search->FindBestTree();
//   search->Tree(k).Tips[i].Anc / .Fit, .Nodes[j].Anc / .Child / .Fit / .Objects, .Fitness
//   search->ComputeCharSteps(k, c);           // character fit (changes tree k's fits)
//   SearchProtocolLines(treesText, generationsText, missing);   // protocol lines after the run
//   search->SeedUsed();                       // to show or repeat a run
// PopulationListRows (TreeTable.h) turns the histories into the list's texts.
//
// The search copies the coded characters, so the model may change while it runs.
// Slot 0 of Trees() is the working tree; slots 1..N are the population.
#include <QString>
#include <QStringList>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <utility>
#include <vector>

#include "data/Result.h"
#include "parsimony/Random.h"
#include "parsimony/SearchJob.h"
#include "parsimony/evolutionary/GrowTree.h"
#include "parsimony/length/MakeTree.h"
#include "parsimony/length/SearchScorer.h"

struct TCriteriaCoding;

struct TSearchSettings {
    int TreeCount = 10;                 // N, "No. of trees"
    int Generations = 1000;             // G
    bool MissingData = true;            // "Missing data ?"
    std::optional<std::uint64_t> Seed;  // from the clock when not given
};

// An offspring that replaced the longest tree of the population.
struct TSlotReplacement {
    int Slot = 0;       // the slot it went to
    double Length = 0;  // its length
    int Lineage = 0;    // Number of the tree it descends from
    char Move = 'a';    // 'a' tip to tip, 'b' tip to node, 'c' node to node
    bool operator==(const TSlotReplacement&) const = default;
};

// What one slot of the population went through.
struct TSlotHistory {
    int Number = 0;                              // the tree grown into the slot
    double GrownLength = 0;                      // its length after growing
    std::vector<TSlotReplacement> Replacements;  // in the order they happened
    bool operator==(const TSlotHistory&) const = default;
};

// Everything is called on the thread that runs the search.
struct TSearchCallbacks {
    std::function<void(int)> GrowProgress;  // tree k being grown (1..N), 0 at the end
    std::function<void()> Grown;            // Histories() hold the grown population
    std::function<void(const TSlotReplacement&)> SlotReplaced;  // also in Histories() by now
    std::function<void(int)> GenerationProgress;                // generation g (1..G), 0 at the end
    std::function<bool()> Cancelled;  // asked between trees and between generations
};

// Why a search cannot run (fewer than 3 or more than 255 objects, N outside
// 1..255, G below 0).
TStatus ValidateSearch(int objectCount, int treeCount, int generations);

// The protocol lines written after a run: the counts as typed and the
// missing-data note.
QStringList SearchProtocolLines(const QString& treesText, const QString& generationsText,
                                bool missingData);

// Slot and Fitness of the shortest (longest) of trees 1..N; ties go to the
// lowest slot; {0, 0} without trees.
std::pair<int, double> ShortestSlot(const std::vector<TTree>& trees);
std::pair<int, double> LongestSlot(const std::vector<TTree>& trees);

class TParsimonySearch {
public:
    // The scorer is made once, from the search's copy of the characters.
    TParsimonySearch(const TSField& charField, int objectCount, int characterCount,
                     TSearchSettings settings, const TScorerFactory& makeScorer = MakeFastScorer);
    ~TParsimonySearch();
    TParsimonySearch(const TParsimonySearch&) = delete;
    TParsimonySearch& operator=(const TParsimonySearch&) = delete;

    // The whole run: validation, GrowTrees(N), the list, SearchTrees(G).
    // A cancel while growing keeps only the complete trees (possibly none);
    // a cancel while swapping keeps the population as it stands. Either way
    // every tree of the population is evaluated and consistent.
    TSearchStatus Run(const TSearchCallbacks& callbacks = {});
    TSearchStatus Status() const { return LastStatus; }
    // The check before the last run: failed, saying why, when it was Refused.
    const TStatus& StartCheck() const { return LastRefusal; }

    // The steps of a run, usable one by one.
    void GrowTrees(int n);
    void ShuffleOrder();
    void StartTree(int treeNo);
    void ExtendTree(int treeNo);
    void AddObject(int treeNo);
    void SearchTrees(int g);
    // Slot 0 becomes a copy of population tree treeNo, as before every swap.
    void LoadWorkingTree(int treeNo);
    char MutateTree();  // on slot 0; 'a', 'b' or 'c'
    void SwapTipTip(int treeNo);
    void SwapTipNode(int treeNo);
    void SwapNodeNode(int treeNo);
    void EvaluateTree(int treeNo);
    // Trees found elsewhere become the population 1..n, numbered 1..n and
    // evaluated under the search's rule; slot 0 holds a copy of tree 1.
    void SetPopulation(std::vector<TTree> trees);
    // Steps of character c on tree treeNo (also kept as CharSteps()). The
    // tree is evaluated again with the missing-data rule afterwards.
    double ComputeCharSteps(int treeNo, int c);
    // Tree treeNo evaluated with the missing-data rule, on which the
    // character fit counts.
    const TTree& UseMissingDataRule(int treeNo);
    // Trees found under each character's criterion (by the thorough search):
    // every tree's Fitness becomes its length under them; its branch fits
    // are not counted (NaN: a reversible branch's changes are ambiguous).
    // Evaluating a tree again counts Camin-Sokal on the field.
    void UseCriteria(std::shared_ptr<const TCriteriaCoding> coding);
    // The criteria the trees were found under; null under Camin-Sokal alone.
    const std::shared_ptr<const TCriteriaCoding>& Criteria() const { return CriteriaUsed; }
    // The data revision (TModel::Revision) the trees were found on; 0 unknown.
    std::uint64_t DataRevision() const { return Revision; }
    void SetDataRevision(std::uint64_t revision) { Revision = revision; }
    std::pair<int, double> FindBestTree() const;  // slot and Fitness; ties to the lowest slot
    std::pair<int, double> FindWorstTree() const;

    int TreeCount() const { return Slots.empty() ? 0 : static_cast<int>(Slots.size()) - 1; }
    std::uint64_t SeedUsed() const { return Seed; }
    const TSearchSettings& Settings() const { return Config; }
    const TSField& CharField() const { return Field; }
    int GenerationsDone() const { return Generations; }

    const std::vector<TTree>& Trees() const
    {
        return Slots;
    }  // 0 = working tree, 1..N = population
    const TTree& Tree(int slot) const { return Slots[static_cast<size_t>(slot)]; }
    const std::vector<TSlotHistory>& Histories() const { return History; }  // 1..N; 0 unused
    const Reihenfolge& Order() const { return AdditionOrder; }  // of the tree being grown, from 1
    double BestFit() const { return InsertionFit; }             // length after the last insertion
    double CharSteps() const { return LastCharSteps; }
    bool MutationDone() const { return Mutated; }  // the last swap changed the tree

private:
    bool CancelRequested() const;
    void Attach(int treeNo, int num, bool isTip);
    bool NodeAbove(int treeNo, int upper, int lowerAnc) const;
    void StartHistories();

    TSField Field;
    int ObjectCount;
    int CharacterCount;
    TSearchSettings Config;
    TScorerFactory MakeScorer;
    TRandom Random;
    std::uint64_t Seed = 0;
    std::unique_ptr<TSearchScorer> Scorer;
    std::unique_ptr<TSearchScorer> MissingScorer;  // for the character fit
    std::vector<TTree> Slots;
    std::vector<TSlotHistory> History;
    Reihenfolge AdditionOrder;
    double InsertionFit = 0;
    double LastCharSteps = 0;
    bool Mutated = false;
    TSwapParts LastSwap;  // the two parts the last successful swap exchanged
    TSearchCallbacks Callbacks;
    TSearchStatus LastStatus = TSearchStatus::NotRun;
    TStatus LastRefusal;
    int Generations = 0;
    std::shared_ptr<const TCriteriaCoding> CriteriaUsed;
    std::uint64_t Revision = 0;
};
