#include "parsimony/GrowTree.h"

#include "parsimony/CreateTree.h"
#include "parsimony/PackedStates.h"
#include "parsimony/ReferenceTree.h"

#include <chrono>

std::uint64_t ClockSeed()
{
    // splitmix64 of the clock ticks: close start times still give distant seeds.
    std::uint64_t z = static_cast<std::uint64_t>(std::chrono::system_clock::now().time_since_epoch().count()) +
                      0x9e3779b97f4a7c15ULL;
    z = (z ^ (z >> 30)) * 0xbf58476d1ce4e5b9ULL;
    z = (z ^ (z >> 27)) * 0x94d049bb133111ebULL;
    return z ^ (z >> 31);
}

void CopyTree(const TTree& source, TTree& destination)
{
    // Assignment reuses the destination's storage: no allocation once the
    // slots have their shape.
    destination = source;
}

void TParsimonySearch::GrowTrees(int n)
{
    Seed = Config.Seed ? *Config.Seed : ClockSeed();
    Random.Seed(Seed);
    Trees.assign(static_cast<size_t>(std::max(n, 0)) + 1, TTree());
    Order.assign(static_cast<size_t>(ObjectCount) + 1, 0);
    for (int k = 1; k <= n; ++k) {
        if (CancelRequested()) {
            Trees.resize(static_cast<size_t>(k));  // only the complete trees stay
            break;
        }
        if (Callbacks.GrowProgress) Callbacks.GrowProgress(k);
        ShuffleOrder();
        Trees[static_cast<size_t>(k)].Number = k;
        StartTree(k);
        for (int step = 3; step <= ObjectCount; ++step) AddObject(k);
        if (Config.Engine == TScoringEngine::Fast) EvaluateTree(k);  // fill the derived fields
    }
    if (Callbacks.GrowProgress) Callbacks.GrowProgress(0);
}

void TParsimonySearch::ShuffleOrder()
{
    const int t = ObjectCount;
    for (int i = 1; i <= t; ++i) Order[static_cast<size_t>(i)] = i;
    // Every position trades with a different random one (not Fisher-Yates;
    // kept so that a seed gives the same trees as before).
    for (int i = 1; i <= t; ++i) {
        int j;
        do {
            j = Random.Below(t) + 1;
        } while (j == i);
        std::swap(Order[static_cast<size_t>(i)], Order[static_cast<size_t>(j)]);
    }
}

void TParsimonySearch::StartTree(int treeNo)
{
    TTree& tree = Trees[static_cast<size_t>(treeNo)];
    tree.Tips.assign(3, TTip());
    tree.Nodes.assign(2, TNode());
    for (int i = 1; i <= 2; ++i) {
        tree.Tips[static_cast<size_t>(i)].Objects = {static_cast<TIntNum>(Order[static_cast<size_t>(i)])};
        tree.Tips[static_cast<size_t>(i)].Anc = 1;
    }
    tree.Nodes[1].Anc = 0;
}

void TParsimonySearch::ExtendTree(int treeNo)
{
    TTree& tree = Trees[static_cast<size_t>(treeNo)];
    const int m = tree.TipCount();
    const int n = tree.NodeCount();
    TTip tip;
    tip.Objects = {static_cast<TIntNum>(Order[static_cast<size_t>(m + 1)])};
    tip.Anc = static_cast<TIntNum>(n + 1);
    tree.Tips.push_back(std::move(tip));
    tree.Nodes.push_back(TNode());
}

// The newest node takes X's place, with X and the newest tip below it.
void TParsimonySearch::Attach(int treeNo, int num, bool isTip)
{
    TTree& tree = Trees[static_cast<size_t>(treeNo)];
    const int newNode = tree.NodeCount();
    TIntNum& anc = isTip ? tree.Tips[static_cast<size_t>(num)].Anc : tree.Nodes[static_cast<size_t>(num)].Anc;
    tree.Nodes[static_cast<size_t>(newNode)].Anc = anc;
    anc = static_cast<TIntNum>(newNode);
}

void TParsimonySearch::AddObject(int treeNo)
{
    TTree& tree = Trees[static_cast<size_t>(treeNo)];
    const int m = tree.TipCount();
    const int n = tree.NodeCount();
    if (Config.Engine == TScoringEngine::Fast) {
        const TInsertionPoint best = Scorer->BestInsertion(tree, m, Order[static_cast<size_t>(m + 1)]);
        ExtendTree(treeNo);
        Attach(treeNo, best.Num, best.IsTip);
        Trees[static_cast<size_t>(treeNo)].Fitness = static_cast<double>(best.Length);
        Trees[static_cast<size_t>(treeNo)].MissingDataStates = Config.MissingData;
        return;
    }
    // Literally: try every branch on a fresh copy; the first strictly shortest wins.
    CopyTree(Trees[static_cast<size_t>(treeNo)], Trees[0]);
    auto tryAt = [&](int num, bool isTip, bool first) {
        if (!first) CopyTree(Trees[0], Trees[static_cast<size_t>(treeNo)]);
        ExtendTree(treeNo);
        Attach(treeNo, num, isTip);
        EvaluateTree(treeNo);
        const TTree& candidate = Trees[static_cast<size_t>(treeNo)];
        if (first || candidate.Fitness < BestFit) {
            BestFit = candidate.Fitness;
            CopyTree(candidate, BestTree);
        }
    };
    tryAt(1, true, true);
    for (int i = 2; i <= m; ++i) tryAt(i, true, false);
    for (int j = 1; j <= n; ++j) tryAt(j, false, false);
    CopyTree(BestTree, Trees[static_cast<size_t>(treeNo)]);
}

void TParsimonySearch::EvaluateTree(int treeNo)
{
    TTree& tree = Trees[static_cast<size_t>(treeNo)];
    if (Config.Engine == TScoringEngine::Fast)
        EvaluateTreeWith(tree, *Scorer);
    else
        ReferenceEvaluateTree(tree, Field, Config.MissingData);
}

double TParsimonySearch::ComputeCharSteps(int treeNo, int c)
{
    TTree& tree = Trees[static_cast<size_t>(treeNo)];
    CharSteps = CountCharSteps(tree, c, Field);
    // Afterwards the fits follow the missing-data rule, whatever the run used.
    if (!Packed) Packed = std::make_unique<TPackedField>(Field, ObjectCount, CharacterCount);
    if (!MissingScorer) MissingScorer = std::make_unique<TTreeScorer>(*Packed, true);
    EvaluateTreeWith(tree, *MissingScorer);
    return CharSteps;
}
