#include "parsimony/CreateTree.h"

#include "data/NumberFormat.h"
#include "parsimony/PackedStates.h"
#include "parsimony/SwapScoring.h"

QString ValidateSearch(int objectCount, int treeCount, int generations)
{
    if (objectCount < 3)
        return QStringLiteral("The parsimony search needs at least 3 objects; the data have %1.").arg(objectCount);
    if (objectCount > MaxParsimonyObjects)
        return QStringLiteral("The parsimony search takes at most %1 objects; the data have %2.")
            .arg(MaxParsimonyObjects)
            .arg(objectCount);
    if (treeCount < 1 || treeCount > 255)
        return QStringLiteral("No. of trees must be between 1 and 255; %1 was given.").arg(treeCount);
    if (generations < 0)
        return QStringLiteral("Generations must be 0 or more; %1 was given.").arg(generations);
    return {};
}

QStringList SearchProtocolLines(const QString& treesText, const QString& generationsText, bool missingData)
{
    QStringList lines{QString(), treesText + QStringLiteral(" trees are created"),
                      generationsText + QStringLiteral(" generations of branch swapping are calculated for each tree")};
    if (missingData) {
        lines << QStringLiteral("Missing data (\"?\") are expected");
    } else {
        lines << QStringLiteral("no missing data (\"?\") are expected")
              << QStringLiteral("WARNING: if your data file contains \"?\", the computation will be errorness!");
    }
    lines << QString() << QString();
    return lines;
}

TParsimonySearch::TParsimonySearch(const TSField& charField, int objectCount, int characterCount,
                                   TSearchSettings settings)
    : Field(charField), ObjectCount(objectCount), CharacterCount(characterCount), Config(settings)
{
    if (Config.Engine == TScoringEngine::Fast) {
        Packed = std::make_unique<TPackedField>(Field, ObjectCount, CharacterCount);
        Scorer = std::make_unique<TTreeScorer>(*Packed, Config.MissingData);
    }
}

TParsimonySearch::~TParsimonySearch() = default;

bool TParsimonySearch::CancelRequested() const { return Callbacks.Cancelled && Callbacks.Cancelled(); }

TSearchStatus TParsimonySearch::Run(const TSearchCallbacks& callbacks)
{
    LastError = ValidateSearch(ObjectCount, Config.TreeCount, Config.Generations);
    if (LastError.isEmpty()) {
        bool shaped = static_cast<int>(Field.Places.size()) > CharacterCount;
        for (int c = 1; shaped && c <= CharacterCount; ++c)
            shaped = static_cast<int>(Field.Places[static_cast<size_t>(c)].Inc.size()) > ObjectCount;
        if (!shaped) LastError = QStringLiteral("The characters have not been coded for these data.");
    }
    if (!LastError.isEmpty()) return LastStatus = TSearchStatus::Refused;

    Callbacks = callbacks;
    Generations = 0;
    GrowTrees(Config.TreeCount);
    FillOptList();
    if (Callbacks.ListFilled) Callbacks.ListFilled();
    if (TreeCount() > 0) SearchTrees(Config.Generations);
    const bool cancelled = TreeCount() < Config.TreeCount || Generations < Config.Generations;
    Callbacks = {};
    return LastStatus = cancelled ? TSearchStatus::Cancelled : TSearchStatus::Finished;
}

void TParsimonySearch::FillOptList()
{
    OptRows.assign(static_cast<size_t>(TreeCount()) + 1, QStringList{QString(), QString(), QString()});
    OptRows[0] = {OptLegend, OptAddFit, OptSwapFit};
    for (int k = 1; k <= TreeCount(); ++k) {
        const TTree& tree = Trees[static_cast<size_t>(k)];
        OptRows[static_cast<size_t>(k)] = {QString::number(tree.Number),
                                           FormatShortest(tree.Fitness, Config.DecimalSeparator), QString()};
    }
}

void TParsimonySearch::SetCell(int row, int column, const QString& text)
{
    if (row >= 0 && row < static_cast<int>(OptRows.size())) OptRows[static_cast<size_t>(row)][column] = text;
    if (Callbacks.CellChanged) Callbacks.CellChanged(row, column, text);
}

// During the swapping the fast engine keeps only parent links and lengths
// current; the last step evaluates every tree in full.
void TParsimonySearch::LightCopy(const TTree& source, TTree& destination) const
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

void TParsimonySearch::SearchTrees(int g)
{
    const bool fast = Config.Engine == TScoringEngine::Fast;
    const int n = TreeCount();
    // The fast engine remembers every slot's node sets and scores a swap
    // from the changed nodes only.
    if (fast) {
        Swapper = std::make_unique<TSwapScorer>(*Packed, Config.MissingData, n + 1);
        for (int k = 1; k <= n; ++k) Swapper->Remember(k, Trees[static_cast<size_t>(k)]);
    }
    for (int gen = 1; gen <= g; ++gen) {
        if (CancelRequested()) break;
        if (Callbacks.GenerationProgress) Callbacks.GenerationProgress(gen);
        for (int t = 1; t <= n; ++t) {
            TTree& parent = Trees[static_cast<size_t>(t)];
            TTree& work = Trees[0];
            if (fast)
                LightCopy(parent, work);
            else
                CopyTree(parent, work);
            const char letter = MutateTree();
            if (!MutationDone) continue;
            if (fast)
                work.Fitness = static_cast<double>(
                    Swapper->SwapLength(t, LastSwap.NumA, LastSwap.TipA, LastSwap.NumB, LastSwap.TipB));
            else
                EvaluateTree(0);
            if (!(work.Fitness < parent.Fitness)) continue;
            // The offspring replaces the longest tree, whichever it is.
            const int w = FindWorstTree().first;
            if (fast) {
                LightCopy(work, Trees[static_cast<size_t>(w)]);
                Swapper->Remember(w, Trees[static_cast<size_t>(w)]);
            } else
                CopyTree(work, Trees[static_cast<size_t>(w)]);
            const TTree& offspring = Trees[static_cast<size_t>(w)];
            SetCell(w, 2, FormatShortest(offspring.Fitness, Config.DecimalSeparator));
            const QString history = w < static_cast<int>(OptRows.size()) ? OptRows[static_cast<size_t>(w)][0] : QString();
            SetCell(w, 0, history + QLatin1Char(' ') + QString::number(offspring.Number) + QLatin1Char(letter));
        }
        Generations = gen;
    }
    Swapper.reset();
    // Slot 0 too, when it holds a tree: nothing is left half evaluated.
    for (int k = Trees[0].TipCount() == ObjectCount ? 0 : 1; k <= n; ++k) EvaluateTree(k);
    if (Callbacks.GenerationProgress) Callbacks.GenerationProgress(0);
}

std::pair<int, double> TParsimonySearch::FindBestTree() const
{
    if (TreeCount() < 1) return {0, 0};
    int best = 1;
    for (int k = 2; k <= TreeCount(); ++k)
        if (Trees[static_cast<size_t>(k)].Fitness < Trees[static_cast<size_t>(best)].Fitness) best = k;
    return {best, Trees[static_cast<size_t>(best)].Fitness};
}

std::pair<int, double> TParsimonySearch::FindWorstTree() const
{
    if (TreeCount() < 1) return {0, 0};
    int worst = 1;
    for (int k = 2; k <= TreeCount(); ++k)
        if (Trees[static_cast<size_t>(k)].Fitness > Trees[static_cast<size_t>(worst)].Fitness) worst = k;
    return {worst, Trees[static_cast<size_t>(worst)].Fitness};
}
