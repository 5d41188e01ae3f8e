#include "parsimony/summaries/BigTreeResults.h"

#include <algorithm>
#include <unordered_set>

#include "data/Path.h"
#include "data/TextFile.h"
#include "parsimony/evolutionary/TreeTable.h"
#include "parsimony/summaries/CharFit.h"
#include "parsimony/thorough/ThoroughScorer.h"
#include "parsimony/treefiles/NexusTrees.h"

namespace {
// The objects in the order the small trees' consensus takes them from its
// first tree (the child of the lower number first), so that both paths
// draw a consensus alike.
std::vector<int> LeafOrderOf(const TCompactTree& tree)
{
    std::vector<int> order;
    order.reserve(static_cast<size_t>(tree.Tips));
    std::vector<int> stack{tree.Root};
    while (!stack.empty()) {
        const int v = stack.back();
        stack.pop_back();
        if (v < 0) continue;
        if (tree.IsTip(v)) {
            order.push_back(v + 1);
            continue;
        }
        const auto& c = tree.Child[static_cast<size_t>(v)];
        stack.push_back(std::max(c[0], c[1]));
        stack.push_back(std::min(c[0], c[1]));
    }
    return order;
}
}  // namespace

TBigTreeResults::TBigTreeResults(TSField field, int objectCount, bool missingData,
                                 std::vector<TBigTree> trees,
                                 std::shared_ptr<const TCriteriaCoding> criteria)
    : Field(std::move(field)),
      Objects(objectCount),
      Missing(missingData),
      Trees(std::move(trees)),
      CriteriaUsed(std::move(criteria))
{
}

const TPackedField& TBigTreeResults::Packed() const
{
    if (!PackedField)
        PackedField = std::make_unique<TPackedField>(Field, Objects, Field.Places.Count());
    return *PackedField;
}

std::vector<std::int64_t> TBigTreeResults::BranchFits(int k) const
{
    if (CriteriaUsed) return {};
    TThoroughScorer scorer(Packed(), Missing);
    scorer.Load(Tree(k));
    return scorer.BranchFits();
}

std::vector<QStringList> TBigTreeResults::TreeRows(int k, QChar decimalSeparator) const
{
    const TCompactTree& t = Tree(k);
    const std::vector<std::int64_t> fits = BranchFits(k);
    // Tip i is vertex i - 1, node j vertex Tips + j - 1, as TreeFromCompact numbers them.
    auto node = [&t](int v) {
        const int p = t.Parent[static_cast<size_t>(v)];
        return p < 0 ? 0 : p - t.Tips + 1;
    };
    auto fit = [&fits](int v) { return static_cast<double>(fits[static_cast<size_t>(v)]); };
    TTreeTableLinks links;
    links.TipObject.assign(static_cast<size_t>(t.Tips) + 1, 0);
    links.TipParent.assign(static_cast<size_t>(t.Tips) + 1, 0);
    links.NodeParent.assign(static_cast<size_t>(std::max(0, t.Tips - 1)) + 1, 0);
    if (!fits.empty()) {
        links.TipFit.assign(links.TipParent.size(), 0);
        links.NodeFit.assign(links.NodeParent.size(), 0);
    }
    for (int i = 1; i <= t.Tips; ++i) {
        links.TipObject[static_cast<size_t>(i)] = i;
        links.TipParent[static_cast<size_t>(i)] = node(i - 1);
        if (!fits.empty()) links.TipFit[static_cast<size_t>(i)] = fit(i - 1);
    }
    for (int j = 1; j < t.Tips; ++j) {
        links.NodeParent[static_cast<size_t>(j)] = node(t.Tips + j - 1);
        if (!fits.empty()) links.NodeFit[static_cast<size_t>(j)] = fit(t.Tips + j - 1);
    }
    links.Fitness = static_cast<double>(Length(k));
    return TreeTableRows(links, Field.Names.Vector(), decimalSeparator);
}

TResult<TBigCharFit> TBigTreeResults::CharFit(int k) const
{
    TBigCharFit fit;
    if (CriteriaUsed) {
        // Each character under the criterion the tree was found under.
        TResult<TFitStatistics> stats =
            CompactCriteriaFitStatistics(Tree(k), Field, *CriteriaUsed, true);
        if (!stats) return TFailure(stats.Error());
        fit.Table = CompactCriteriaFitTable(Tree(k), Field, *CriteriaUsed);
        fit.Statistics = std::move(*stats);
        return fit;
    }
    fit.Table = CompactCharFitTable(Tree(k), Field);
    fit.Statistics = CompactFitStatistics(Tree(k), Field, true);
    return fit;
}

QByteArray TBigTreeResults::TreesText(TTreeFileFormat format, bool shortestOnly) const
{
    std::vector<int> chosen;
    std::vector<double> lengths;
    if (shortestOnly && !Trees.empty()) {
        std::int64_t shortest = Trees.front().Length;
        for (const TBigTree& t : Trees) shortest = std::min(shortest, t.Length);
        std::unordered_set<std::string> seen;
        for (int k = 1; k <= TreeCount(); ++k)
            if (Length(k) == shortest && seen.insert(CanonicalKey(Tree(k))).second) {
                chosen.push_back(k);
                lengths.push_back(static_cast<double>(shortest));
            }
    } else {
        for (int k = 1; k <= TreeCount(); ++k) chosen.push_back(k);
    }
    auto newick = [&](size_t at, const std::vector<QString>& names) {
        const int k = chosen[at];
        const std::vector<std::int64_t> fits = BranchFits(k);
        return WriteCompactNewick(Tree(k), names, fits.empty() ? nullptr : &fits);
    };
    const std::vector<QString>& names = Field.Names.Vector();
    if (format == TTreeFileFormat::Nexus)
        return WriteNexusTrees(chosen.size(), names, newick, lengths).toUtf8();
    QStringList lines;
    for (size_t at = 0; at < chosen.size(); ++at)
        lines << (at < lengths.size() ? LengthComment(lengths[at]) + QLatin1Char(' ') : QString()) +
                     newick(at, names);
    return EncodeTextLines(lines);
}

TBigConsensusInput TBigTreeResults::ConsensusInput(const std::vector<int>& trees,
                                                   int* duplicates) const
{
    TBigConsensusInput input;
    input.ObjectCount = Objects;
    std::unordered_set<std::string> seen;
    int repeated = 0;
    for (int k : trees) {
        if (!seen.insert(CanonicalKey(Tree(k))).second) {
            ++repeated;
            continue;
        }
        if (input.LeafOrder.empty()) input.LeafOrder = LeafOrderOf(Tree(k));
        input.Add(CompactGroups(Tree(k)));
    }
    if (duplicates) *duplicates = repeated;
    return input;
}

std::shared_ptr<TBigTreeResults> BigResultsOfSearch(const TThoroughSearch& search,
                                                    const TSField& field,
                                                    std::shared_ptr<const TCriteriaCoding> criteria)
{
    std::vector<TBigTree> trees;
    trees.reserve(search.Results().size());
    for (const TThoroughResult& r : search.Results()) trees.push_back({r.Tree, r.Length});
    return std::make_shared<TBigTreeResults>(field, search.ObjectCount(),
                                             search.Settings().MissingData, std::move(trees),
                                             std::move(criteria));
}

TResult<TOpenedBigTrees> OpenBigTreesForData(const QString& path, const TMatrixData& data,
                                             bool missingData, QChar decimalSeparator)
{
    const TResult<TNewickTrees> file = ReadTreesToOpen(path);
    if (!file) return TFailure(file.Error());
    TSField field = BuildPathSets(data.DataMatrix, data.ObjectCount, data.CharacterCount);
    const TPackedField packed(field, data.ObjectCount, data.CharacterCount);
    TThoroughScorer scorer(packed, missingData);
    std::vector<TBigTree> trees;
    std::vector<double> lengths;
    for (size_t k = 0; k < file->Trees.size(); ++k) {
        TResult<TCompactTree> tree =
            CompactFromNewick(file->Trees[k], field.Names.Vector(), data.ObjectCount);
        if (!tree)
            return TFailure(
                QStringLiteral("The trees of \"%1\" do not fit the data. %2 does not fit the "
                               "data: %3")
                    .arg(path, TreeFileLabel(*file, k), tree.Error()));
        const std::int64_t length = scorer.FullLength(*tree);
        trees.push_back({std::move(*tree), length});
        lengths.push_back(static_cast<double>(length));
    }
    if (trees.empty()) return TFailure(QStringLiteral("\"%1\" holds no tree.").arg(path));
    TOpenedBigTrees opened;
    static_cast<TOpenedTrees&>(opened) =
        OpenedTreesListing(path, *file, lengths, field, missingData, decimalSeparator);
    opened.Big = std::make_shared<TBigTreeResults>(std::move(field), data.ObjectCount, missingData,
                                                   std::move(trees));
    return opened;
}
