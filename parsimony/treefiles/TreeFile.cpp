#include "parsimony/treefiles/TreeFile.h"

#include <QFileInfo>
#include <algorithm>

#include "data/NumberFormat.h"
#include "data/Path.h"
#include "data/TextFile.h"
#include "parsimony/evolutionary/CreateTree.h"
#include "parsimony/evolutionary/FoundTrees.h"
#include "parsimony/evolutionary/TreeTable.h"
#include "parsimony/treefiles/NewickLeaves.h"
#include "parsimony/treefiles/NexusTrees.h"

namespace {
// At most this many names in one message; the rest are counted.
constexpr int NamesShown = 10;

QString NameList(const QStringList& names)
{
    QStringList shown;
    for (int k = 0; k < names.size() && k < NamesShown; ++k)
        shown << QLatin1Char('"') + PrintableText(names[k]) + QLatin1Char('"');
    QString text = shown.join(QStringLiteral(", "));
    if (names.size() > NamesShown)
        text += QStringLiteral(" and %1 more").arg(names.size() - NamesShown);
    return text;
}

// Why the tree's leaves are not the objects, or empty when they are. Names
// match as in NewickToTree: exactly, or with blanks for "_".
QString NameMismatch(const TNewickTree& tree, const std::vector<QString>& names, int objectCount)
{
    const TObjectNames objects(names, objectCount);
    QStringList unknown, twice;
    std::vector<bool> placed(static_cast<size_t>(objectCount) + 1, false);
    for (const TNewickNode& node : tree.Nodes) {
        if (!node.Children.empty()) continue;
        const int object = objects.Find(node.Name);
        if (object == 0) {
            if (!unknown.contains(node.Name)) unknown << node.Name;
        } else if (placed[static_cast<size_t>(object)]) {
            if (!twice.contains(node.Name)) twice << node.Name;
        } else {
            placed[static_cast<size_t>(object)] = true;
        }
    }
    QStringList missing;
    for (int o = 1; o <= objectCount && o < static_cast<int>(names.size()); ++o)
        if (!placed[static_cast<size_t>(o)]) missing << names[static_cast<size_t>(o)];
    QStringList parts;
    if (!unknown.isEmpty())
        parts << QStringLiteral("the data have no object named %1").arg(NameList(unknown));
    if (!missing.isEmpty())
        parts << QStringLiteral("the tree lacks the %1 %2")
                     .arg(
                         missing.size() == 1 ? QStringLiteral("object") : QStringLiteral("objects"),
                         NameList(missing));
    if (!twice.isEmpty())
        parts << QStringLiteral("it names %1 more than once").arg(NameList(twice));
    return parts.join(QStringLiteral("; "));
}
}  // namespace

QString TreeFileLabel(const TNewickTrees& read, size_t k)
{
    const QString name = k < read.TreeNames.size() ? read.TreeNames[k] : QString();
    return name.isEmpty() ? QStringLiteral("Tree %1").arg(k + 1)
                          : QStringLiteral("Tree %1 (%2)").arg(k + 1).arg(PrintableText(name));
}

TResult<TNewickTrees> ReadTreesToOpen(const QString& path)
{
    TTreeFile file = ReadTreeFile(path);
    if (!file)
        return TFailure(
            file.Unreadable
                ? file.Error()
                : QStringLiteral("Cannot read trees from \"%1\": %2").arg(path, file.Error()));
    return std::move(*file);
}

TTreeFile ReadTreeFile(const QString& path, qint64 maxBytes)
{
    const TResult<QByteArray> bytes = ReadWholeFile(path, maxBytes);
    if (!bytes) {
        TTreeFile file(TFailure(bytes.Error()));
        file.Unreadable = true;
        return file;
    }
    return ReadTreeText(DecodeText(*bytes));
}

TResult<std::vector<TTree>> TreesOverObjects(const TNewickTrees& read,
                                             const std::vector<QString>& names, int objectCount)
{
    std::vector<TTree> trees;
    for (size_t k = 0; k < read.Trees.size(); ++k) {
        TResult<TTree> tree = NewickToTree(read.Trees[k], names, objectCount);
        if (!tree) {
            const QString mismatch = objectCount >= 2 && objectCount <= MaxParsimonyObjects
                                         ? NameMismatch(read.Trees[k], names, objectCount)
                                         : QString();
            return TFailure(QStringLiteral("%1 does not fit the data: %2")
                                .arg(TreeFileLabel(read, k), mismatch.isEmpty()
                                                                 ? tree.Error()
                                                                 : mismatch + QLatin1Char('.')));
        }
        trees.push_back(std::move(*tree));
    }
    return trees;
}

TResult<TOpenedTrees> OpenTreesForData(const QString& path, const TMatrixData& data,
                                       bool missingData, QChar decimalSeparator)
{
    const TResult<TNewickTrees> file = ReadTreesToOpen(path);
    if (!file) return TFailure(file.Error());
    const TSField field = BuildPathSets(data.DataMatrix, data.ObjectCount, data.CharacterCount);
    const TResult<std::vector<TTree>> trees =
        TreesOverObjects(*file, field.Names, data.ObjectCount);
    if (!trees)
        return TFailure(
            QStringLiteral("The trees of \"%1\" do not fit the data. %2").arg(path, trees.Error()));
    // Nothing here draws at random: seed 0.
    std::shared_ptr<TParsimonySearch> population =
        FoundTreesPopulation(*trees, field, data.ObjectCount, data.CharacterCount, missingData, 0);
    std::vector<double> lengths;
    for (int k = 1; k <= population->TreeCount(); ++k)
        lengths.push_back(population->Tree(k).Fitness);
    TOpenedTrees opened =
        OpenedTreesListing(path, *file, lengths, field, missingData, decimalSeparator);
    opened.Optimum = population->FindBestTree().second;
    opened.Protocol.back() = OptimumText(opened.Optimum, decimalSeparator);
    opened.Population = std::move(population);
    return opened;
}

TOpenedTrees OpenedTreesListing(const QString& path, const TNewickTrees& file,
                                const std::vector<double>& lengths, const TSField& field,
                                bool missingData, QChar decimalSeparator)
{
    TOpenedTrees opened;
    if (!lengths.empty()) opened.Optimum = *std::min_element(lengths.begin(), lengths.end());
    opened.Rows.push_back({QStringLiteral("Trees read from %1").arg(QFileInfo(path).fileName()),
                           QStringLiteral("length"), QStringLiteral("in the file")});
    for (size_t index = 0; index < lengths.size(); ++index) {
        const int k = static_cast<int>(index) + 1;
        const QString name = index < file.TreeNames.size() ? file.TreeNames[index] : QString();
        opened.Rows.push_back(
            {QString::number(k), FormatShortest(lengths[index], decimalSeparator),
             name.isEmpty() ? QStringLiteral("tree %1").arg(k) : PrintableText(name)});
    }

    opened.Protocol << QString() << QStringLiteral("Trees from ") + path
                    << QStringLiteral("Trees = %1").arg(lengths.size());
    opened.Protocol << StateLimitLines(field);
    opened.Protocol << (missingData ? QStringLiteral("Missing data (\"?\") are expected")
                                    : QStringLiteral("no missing data (\"?\") are expected"));
    opened.Protocol << OptimumText(opened.Optimum, decimalSeparator);
    return opened;
}

TResult<double> HardPolytomyLength(const TNewickTree& tree, const TSField& charField,
                                   int objectCount, bool missingData)
{
    const size_t n = tree.Nodes.size();
    if (tree.Root < 0 || static_cast<size_t>(tree.Root) >= n)
        return TFailure(QStringLiteral("The tree is empty."));
    const std::vector<QString>& names = charField.Names.Vector();
    if (static_cast<int>(names.size()) <= objectCount)
        return TFailure(QStringLiteral("The objects have no names."));
    const TObjectNames objects(names, objectCount);
    if (TStatus distinct = objects.Distinct(); !distinct) return TFailure(distinct.Error());
    const TResult<std::vector<int>> leaves =
        NewickLeafObjectsAnyShape(tree, objects, names, objectCount);
    if (!leaves) return TFailure(leaves.Error());
    // Preorder without recursion: every node after its parent.
    std::vector<int> order{tree.Root}, parentOf(n, -1);
    std::vector<bool> seen(n, false);
    seen[static_cast<size_t>(tree.Root)] = true;
    for (size_t i = 0; i < order.size(); ++i)
        for (int child : tree.Nodes[static_cast<size_t>(order[i])].Children)
            if (child >= 0 && static_cast<size_t>(child) < n && !seen[static_cast<size_t>(child)]) {
                seen[static_cast<size_t>(child)] = true;
                parentOf[static_cast<size_t>(child)] = order[i];
                order.push_back(child);
            }
    double length = 0;
    std::vector<TInclusion> set(n);
    for (int c = 1; c <= charField.Places.Count(); ++c) {
        const TNumbered<TInclusion>& column = charField.Places[c].Inc;
        for (auto it = order.rbegin(); it != order.rend(); ++it) {
            const size_t k = static_cast<size_t>(*it);
            TInclusion& s = set[k];
            s = TInclusion();
            if (tree.Nodes[k].Children.empty()) {
                const int o = (*leaves)[k];
                if (o >= 1 && o <= column.Count()) s = column[o];
                continue;
            }
            bool first = true;
            for (int child : tree.Nodes[k].Children) {
                if (child < 0 || static_cast<size_t>(child) >= n ||
                    parentOf[static_cast<size_t>(child)] != *it)
                    continue;
                const TInclusion& below = set[static_cast<size_t>(child)];
                if (missingData && below.IsEmpty()) continue;
                s = first ? below : (s & below);
                first = false;
            }
        }
        for (int k : order) {
            const int parent = parentOf[static_cast<size_t>(k)];
            const TInclusion& s = set[static_cast<size_t>(k)];
            if (parent < 0 || (missingData && s.IsEmpty())) continue;
            length += (s ^ set[static_cast<size_t>(parent)]).Count();
        }
    }
    return length;
}
