#include "parsimony/evolutionary/GrowTree.h"

#include <chrono>

#include "parsimony/evolutionary/CreateTree.h"

std::uint64_t ClockSeed()
{
    // splitmix64 of the clock ticks: close start times still give distant seeds.
    std::uint64_t z =
        static_cast<std::uint64_t>(std::chrono::system_clock::now().time_since_epoch().count()) +
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

void AppendObject(TTree& tree, int object)
{
    const int n = tree.NodeCount();
    TTip tip;
    tip.Objects = {static_cast<TIntNum>(object)};
    tip.Anc = static_cast<TIntNum>(n + 1);
    tree.Tips.push_back(std::move(tip));
    tree.Nodes.push_back(TNode());
}

void AttachNewest(TTree& tree, int num, bool isTip)
{
    const int newNode = tree.NodeCount();
    TIntNum& anc =
        isTip ? tree.Tips[static_cast<size_t>(num)].Anc : tree.Nodes[static_cast<size_t>(num)].Anc;
    tree.Nodes[static_cast<size_t>(newNode)].Anc = anc;
    anc = static_cast<TIntNum>(newNode);
}

void TParsimonySearch::GrowTrees(int n)
{
    Seed = Config.Seed ? *Config.Seed : ClockSeed();
    Random.Seed(Seed);
    Slots.assign(static_cast<size_t>(std::max(n, 0)) + 1, TTree());
    AdditionOrder.assign(static_cast<size_t>(ObjectCount) + 1, 0);
    for (int k = 1; k <= n; ++k) {
        if (CancelRequested()) {
            Slots.resize(static_cast<size_t>(k));  // only the complete trees stay
            break;
        }
        if (Callbacks.GrowProgress) Callbacks.GrowProgress(k);
        ShuffleOrder();
        Slots[static_cast<size_t>(k)].Number = k;
        StartTree(k);
        for (int step = 3; step <= ObjectCount; ++step) AddObject(k);
        EvaluateTree(k);  // the insertions keep only links and length current
    }
    if (Callbacks.GrowProgress) Callbacks.GrowProgress(0);
}

void TParsimonySearch::ShuffleOrder()
{
    const int t = ObjectCount;
    for (int i = 1; i <= t; ++i) AdditionOrder[static_cast<size_t>(i)] = i;
    // Every position trades with a different random one (not Fisher-Yates;
    // kept so that a seed gives the same trees as before).
    for (int i = 1; i <= t; ++i) {
        int j;
        do {
            j = Random.Below(t) + 1;
        } while (j == i);
        std::swap(AdditionOrder[static_cast<size_t>(i)], AdditionOrder[static_cast<size_t>(j)]);
    }
}

void TParsimonySearch::StartTree(int treeNo)
{
    TTree& tree = Slots[static_cast<size_t>(treeNo)];
    tree.Tips.assign(3, TTip());
    tree.Nodes.assign(2, TNode());
    for (int i = 1; i <= 2; ++i) {
        tree.Tips[static_cast<size_t>(i)].Objects = {
            static_cast<TIntNum>(AdditionOrder[static_cast<size_t>(i)])};
        tree.Tips[static_cast<size_t>(i)].Anc = 1;
    }
    tree.Nodes[1].Anc = 0;
}

void TParsimonySearch::ExtendTree(int treeNo)
{
    TTree& tree = Slots[static_cast<size_t>(treeNo)];
    AppendObject(tree, AdditionOrder[static_cast<size_t>(tree.TipCount() + 1)]);
}

void TParsimonySearch::Attach(int treeNo, int num, bool isTip)
{
    AttachNewest(Slots[static_cast<size_t>(treeNo)], num, isTip);
}

void TParsimonySearch::AddObject(int treeNo)
{
    TTree& tree = Slots[static_cast<size_t>(treeNo)];
    const TInsertionPoint best =
        Scorer->BestInsertion(tree, AdditionOrder[static_cast<size_t>(tree.TipCount() + 1)]);
    InsertionFit = static_cast<double>(best.Length);
    ExtendTree(treeNo);
    Attach(treeNo, best.Num, best.IsTip);
    tree.Fitness = InsertionFit;
    tree.MissingDataStates = Config.MissingData;
}

void TParsimonySearch::EvaluateTree(int treeNo)
{
    Scorer->Evaluate(Slots[static_cast<size_t>(treeNo)]);
}

double TParsimonySearch::ComputeCharSteps(int treeNo, int c)
{
    LastCharSteps = CountCharSteps(Slots[static_cast<size_t>(treeNo)], c, Field);
    UseMissingDataRule(treeNo);
    return LastCharSteps;
}

const TTree& TParsimonySearch::UseMissingDataRule(int treeNo)
{
    if (!MissingScorer) MissingScorer = MakeScorer(Field, ObjectCount, CharacterCount, true);
    TTree& tree = Slots[static_cast<size_t>(treeNo)];
    MissingScorer->Evaluate(tree);
    return tree;
}
