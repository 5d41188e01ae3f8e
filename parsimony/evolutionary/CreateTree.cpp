#include "parsimony/evolutionary/CreateTree.h"

#include <limits>

#include "parsimony/length/CriteriaCoding.h"

TStatus ValidateSearch(int objectCount, int treeCount, int generations)
{
    if (objectCount < 3)
        return TFailure(
            QStringLiteral("The parsimony search needs at least 3 objects; the data have %1.")
                .arg(objectCount));
    if (objectCount > MaxParsimonyObjects)
        return TFailure(
            QStringLiteral("The parsimony search takes at most %1 objects; the data have %2.")
                .arg(MaxParsimonyObjects)
                .arg(objectCount));
    if (treeCount < 1 || treeCount > 255)
        return TFailure(
            QStringLiteral("No. of trees must be between 1 and 255; %1 was given.").arg(treeCount));
    if (generations < 0)
        return TFailure(
            QStringLiteral("Generations must be 0 or more; %1 was given.").arg(generations));
    return {};
}

QStringList SearchProtocolLines(const QString& treesText, const QString& generationsText,
                                bool missingData)
{
    QStringList lines{
        QString(), treesText + QStringLiteral(" trees are created"),
        generationsText +
            QStringLiteral(" generations of branch swapping are calculated for each tree")};
    if (missingData) {
        lines << QStringLiteral("Missing data (\"?\") are expected");
    } else {
        lines
            << QStringLiteral("no missing data (\"?\") are expected")
            << QStringLiteral(
                   "WARNING: if your data file contains \"?\", the computation will be errorness!");
    }
    lines << QString() << QString();
    return lines;
}

TParsimonySearch::TParsimonySearch(const TSField& charField, int objectCount, int characterCount,
                                   TSearchSettings settings, const TScorerFactory& makeScorer)
    : Field(charField),
      ObjectCount(objectCount),
      CharacterCount(characterCount),
      Config(settings),
      MakeScorer(makeScorer)
{
    Scorer = MakeScorer(Field, ObjectCount, CharacterCount, Config.MissingData);
}

TParsimonySearch::~TParsimonySearch() = default;

bool TParsimonySearch::CancelRequested() const
{
    return Callbacks.Cancelled && Callbacks.Cancelled();
}

TSearchStatus TParsimonySearch::Run(const TSearchCallbacks& callbacks)
{
    LastRefusal = ValidateSearch(ObjectCount, Config.TreeCount, Config.Generations);
    if (LastRefusal) {
        // A coding holds slot 0 even when it has no characters or objects.
        auto holds = [](const auto& items, int count) {
            return !items.Vector().empty() && items.Count() >= count;
        };
        bool shaped = holds(Field.Places, CharacterCount);
        for (int c = 1; shaped && c <= CharacterCount; ++c)
            shaped = holds(Field.Places[c].Inc, ObjectCount);
        if (!shaped)
            LastRefusal =
                TFailure(QStringLiteral("The characters have not been coded for these data."));
    }
    if (!LastRefusal) return LastStatus = TSearchStatus::Refused;

    Callbacks = callbacks;
    Generations = 0;
    GrowTrees(Config.TreeCount);
    StartHistories();
    if (Callbacks.Grown) Callbacks.Grown();
    if (TreeCount() > 0) SearchTrees(Config.Generations);
    const bool cancelled = TreeCount() < Config.TreeCount || Generations < Config.Generations;
    Callbacks = {};
    return LastStatus = cancelled ? TSearchStatus::Cancelled : TSearchStatus::Finished;
}

void TParsimonySearch::StartHistories()
{
    History.assign(static_cast<size_t>(TreeCount()) + 1, TSlotHistory());
    for (int k = 1; k <= TreeCount(); ++k) {
        const TTree& tree = Slots[static_cast<size_t>(k)];
        History[static_cast<size_t>(k)] = {tree.Number, tree.Fitness, {}};
    }
}

namespace {
// During the swapping only parent links and lengths are kept current; the
// last step evaluates every tree in full.
void LightCopy(const TTree& source, TTree& destination)
{
    destination.Tips.resize(source.Tips.size());
    destination.Nodes.resize(source.Nodes.size());
    for (size_t i = 0; i < source.Tips.size(); ++i) {
        destination.Tips[i].Anc = source.Tips[i].Anc;
        destination.Tips[i].Objects = source.Tips[i].Objects;
    }
    for (size_t j = 0; j < source.Nodes.size(); ++j) destination.Nodes[j].Anc = source.Nodes[j].Anc;
    destination.Fitness = source.Fitness;
    destination.Number = source.Number;
    destination.MissingDataStates = source.MissingDataStates;
}
}  // namespace

void TParsimonySearch::LoadWorkingTree(int treeNo)
{
    LightCopy(Slots[static_cast<size_t>(treeNo)], Slots[0]);
}

void TParsimonySearch::SearchTrees(int g)
{
    const int n = TreeCount();
    Scorer->StartSwapping(n + 1);
    for (int k = 1; k <= n; ++k) Scorer->Remember(k, Slots[static_cast<size_t>(k)]);
    for (int gen = 1; gen <= g; ++gen) {
        if (CancelRequested()) break;
        if (Callbacks.GenerationProgress) Callbacks.GenerationProgress(gen);
        for (int t = 1; t <= n; ++t) {
            TTree& parent = Slots[static_cast<size_t>(t)];
            TTree& work = Slots[0];
            LightCopy(parent, work);
            const char move = MutateTree();
            if (!Mutated) continue;
            work.Fitness = static_cast<double>(Scorer->SwapLength(t, work, LastSwap));
            if (!(work.Fitness < parent.Fitness)) continue;
            // The offspring replaces the longest tree, whichever it is.
            const int w = FindWorstTree().first;
            TTree& replaced = Slots[static_cast<size_t>(w)];
            LightCopy(work, replaced);
            Scorer->Remember(w, replaced);
            const TSlotReplacement event{w, replaced.Fitness, replaced.Number, move};
            if (w < static_cast<int>(History.size()))
                History[static_cast<size_t>(w)].Replacements.push_back(event);
            if (Callbacks.SlotReplaced) Callbacks.SlotReplaced(event);
        }
        Generations = gen;
    }
    Scorer->EndSwapping();
    // Slot 0 too, when it holds a tree: nothing is left half evaluated.
    for (int k = Slots[0].TipCount() == ObjectCount ? 0 : 1; k <= n; ++k) EvaluateTree(k);
    if (Callbacks.GenerationProgress) Callbacks.GenerationProgress(0);
}

void TParsimonySearch::SetPopulation(std::vector<TTree> trees)
{
    Slots.assign(trees.size() + 1, TTree());
    for (size_t k = 0; k < trees.size(); ++k) {
        Slots[k + 1] = std::move(trees[k]);
        Slots[k + 1].Number = static_cast<int>(k) + 1;
        EvaluateTree(static_cast<int>(k) + 1);
    }
    if (Slots.size() > 1) Slots[0] = Slots[1];
    StartHistories();
}

void TParsimonySearch::UseCriteria(std::shared_ptr<const TCriteriaCoding> coding)
{
    CriteriaUsed = std::move(coding);
    if (!CriteriaUsed) return;
    TCriteriaScorer scorer(*CriteriaUsed);
    const double uncounted = std::numeric_limits<double>::quiet_NaN();
    for (TTree& tree : Slots) {
        TTree scored = tree;
        tree.Fitness = scorer.Length(scored, Config.MissingData);
        for (TTip& tip : tree.Tips) tip.Fit = uncounted;
        for (TNode& node : tree.Nodes) node.Fit = uncounted;
    }
}

std::pair<int, double> ShortestSlot(const std::vector<TTree>& trees)
{
    if (trees.size() < 2) return {0, 0};
    size_t best = 1;
    for (size_t k = 2; k < trees.size(); ++k)
        if (trees[k].Fitness < trees[best].Fitness) best = k;
    return {static_cast<int>(best), trees[best].Fitness};
}

std::pair<int, double> LongestSlot(const std::vector<TTree>& trees)
{
    if (trees.size() < 2) return {0, 0};
    size_t worst = 1;
    for (size_t k = 2; k < trees.size(); ++k)
        if (trees[k].Fitness > trees[worst].Fitness) worst = k;
    return {static_cast<int>(worst), trees[worst].Fitness};
}

std::pair<int, double> TParsimonySearch::FindBestTree() const { return ShortestSlot(Slots); }

std::pair<int, double> TParsimonySearch::FindWorstTree() const { return LongestSlot(Slots); }
