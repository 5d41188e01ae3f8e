#include "parsimony/treefiles/TreeFile.h"

#include <QFileInfo>

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

QString TreeLabel(const TNewickTrees& read, size_t k)
{
    const QString name = k < read.TreeNames.size() ? read.TreeNames[k] : QString();
    return name.isEmpty() ? QStringLiteral("Tree %1").arg(k + 1)
                          : QStringLiteral("Tree %1 (%2)").arg(k + 1).arg(PrintableText(name));
}
}  // namespace

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
                                .arg(TreeLabel(read, k), mismatch.isEmpty()
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
    const TTreeFile file = ReadTreeFile(path);
    if (!file)
        return TFailure(
            file.Unreadable
                ? file.Error()
                : QStringLiteral("Cannot read trees from \"%1\": %2").arg(path, file.Error()));
    const TSField field = BuildPathSets(data.DataMatrix, data.ObjectCount, data.CharacterCount);
    const TResult<std::vector<TTree>> trees =
        TreesOverObjects(*file, field.Names, data.ObjectCount);
    if (!trees)
        return TFailure(
            QStringLiteral("The trees of \"%1\" do not fit the data. %2").arg(path, trees.Error()));
    TOpenedTrees opened;
    // Nothing here draws at random: seed 0.
    opened.Population =
        FoundTreesPopulation(*trees, field, data.ObjectCount, data.CharacterCount, missingData, 0);
    opened.Optimum = opened.Population->FindBestTree().second;

    opened.Rows.push_back({QStringLiteral("Trees read from %1").arg(QFileInfo(path).fileName()),
                           QStringLiteral("length"), QStringLiteral("in the file")});
    for (int k = 1; k <= opened.Population->TreeCount(); ++k) {
        const size_t index = static_cast<size_t>(k) - 1;
        const QString name = index < file->TreeNames.size() ? file->TreeNames[index] : QString();
        opened.Rows.push_back(
            {QString::number(k),
             FormatShortest(opened.Population->Tree(k).Fitness, decimalSeparator),
             name.isEmpty() ? QStringLiteral("tree %1").arg(k) : PrintableText(name)});
    }

    opened.Protocol << QString() << QStringLiteral("Trees from ") + path
                    << QStringLiteral("Trees = %1").arg(opened.Population->TreeCount());
    opened.Protocol << StateLimitLines(field);
    opened.Protocol << (missingData ? QStringLiteral("Missing data (\"?\") are expected")
                                    : QStringLiteral("no missing data (\"?\") are expected"));
    opened.Protocol << OptimumText(opened.Optimum, decimalSeparator);
    return opened;
}
