#include "parsimony/treefiles/NewickLeaves.h"

#include "data/TextFile.h"

TObjectNames::TObjectNames(const std::vector<QString>& names, int objectCount)
{
    for (int o = 1; o <= objectCount && o < static_cast<int>(names.size()); ++o) {
        const QString& name = names[static_cast<size_t>(o)];
        if (Exact.contains(name)) {
            if (FirstDuplicate.isEmpty()) FirstDuplicate = name;
        } else {
            Exact.insert(name, o);
        }
        QString b = name;
        b.replace(QLatin1Char('_'), QLatin1Char(' '));
        if (!Blanked.contains(b)) Blanked.insert(b, o);
    }
}

TStatus TObjectNames::Distinct() const
{
    if (FirstDuplicate.isEmpty()) return {};
    return TFailure(QStringLiteral("Two objects are named \"%1\"; a tree cannot tell them apart.")
                        .arg(PrintableText(FirstDuplicate)));
}

int TObjectNames::Find(const QString& leafName) const
{
    const int object = Exact.value(leafName, 0);
    return object != 0 ? object : Blanked.value(leafName, 0);
}

TResult<std::vector<int>> NewickLeafObjects(const TNewickTree& tree, const TObjectNames& objects,
                                            const std::vector<QString>& names, int objectCount)
{
    for (const TNewickNode& node : tree.Nodes)
        if (!node.Children.empty() && node.Children.size() != 2)
            return TFailure(QStringLiteral("The tree is not binary: a node has %1 %2.")
                                .arg(node.Children.size())
                                .arg(node.Children.size() == 1 ? QStringLiteral("child")
                                                               : QStringLiteral("children")));
    return NewickLeafObjectsAnyShape(tree, objects, names, objectCount);
}

TResult<std::vector<int>> NewickLeafObjectsAnyShape(const TNewickTree& tree,
                                                    const TObjectNames& objects,
                                                    const std::vector<QString>& names,
                                                    int objectCount)
{
    // Leaves in text order, so the message names the first culprit.
    std::vector<int> leafObject(tree.Nodes.size(), 0);
    std::vector<bool> placed(static_cast<size_t>(objectCount) + 1, false);
    for (size_t k = 0; k < tree.Nodes.size(); ++k) {
        const TNewickNode& node = tree.Nodes[k];
        if (!node.Children.empty()) continue;
        if (node.Name.isEmpty())
            return TFailure(QStringLiteral("The tree has a tip without a name."));
        const int object = objects.Find(node.Name);
        if (object == 0)
            return TFailure(
                QStringLiteral("Unknown name in the tree: \"%1\".").arg(PrintableText(node.Name)));
        if (placed[static_cast<size_t>(object)])
            return TFailure(QStringLiteral("The name \"%1\" occurs more than once in the tree.")
                                .arg(PrintableText(node.Name)));
        placed[static_cast<size_t>(object)] = true;
        leafObject[k] = object;
    }
    for (int o = 1; o <= objectCount; ++o)
        if (!placed[static_cast<size_t>(o)])
            return TFailure(QStringLiteral("The tree lacks the object \"%1\".")
                                .arg(PrintableText(names[static_cast<size_t>(o)])));
    return leafObject;
}
