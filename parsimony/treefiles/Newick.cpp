#include "parsimony/treefiles/Newick.h"

#include <cmath>

#include "data/NumberFormat.h"
#include "data/TextFile.h"
#include "parsimony/treefiles/NewickLeaves.h"

namespace {
bool IsBlank(QChar c)
{
    return c == QLatin1Char(' ') || c == QLatin1Char('\t') || c == QLatin1Char('\r') ||
           c == QLatin1Char('\n');
}

bool EndsUnquotedName(QChar c) { return IsBlank(c) || QStringLiteral("()[]':;,").contains(c); }

// A parser without recursion: deeply nested text cannot exhaust the stack.
class TNewickParser {
public:
    explicit TNewickParser(const QString& text) : Text(text) {}

    TResult<TNewickTrees> Parse()
    {
        TNewickTrees result;
        while (true) {
            if (!SkipBlank()) return TFailure(Error);
            if (Pos >= Text.size()) break;
            TNewickTree tree;
            const qsizetype start = Pos;
            if (!ParseTree(tree)) {
                // Text after the last ";" that never ends a tree is junk: point at it.
                if (!result.Trees.empty() && Text.indexOf(QLatin1Char(';'), start) < 0) {
                    Pos = start;
                    SetError(QStringLiteral("the text after the \";\" of tree %1 is not a tree (a "
                                            "tree ends with \";\").")
                                 .arg(result.Trees.size()));
                }
                return TFailure(Error);
            }
            result.Trees.push_back(std::move(tree));
        }
        if (result.Trees.empty()) return TFailure(QStringLiteral("The text holds no Newick tree."));
        return result;
    }

private:
    bool SetError(const QString& what)
    {
        int line = 1, column = 1;
        for (qsizetype i = 0; i < Pos && i < Text.size(); ++i) {
            if (Text.at(i) == QLatin1Char('\n')) {
                ++line;
                column = 1;
            } else {
                ++column;
            }
        }
        Error =
            QStringLiteral("Newick text, line %1, column %2: %3").arg(line).arg(column).arg(what);
        return false;
    }

    // Skips blanks and [comments].
    bool SkipBlank()
    {
        while (Pos < Text.size()) {
            const QChar c = Text.at(Pos);
            if (IsBlank(c)) {
                ++Pos;
            } else if (c == QLatin1Char('[')) {
                const qsizetype end = Text.indexOf(QLatin1Char(']'), Pos + 1);
                if (end < 0) return SetError(QStringLiteral("a comment \"[\" is never closed."));
                Pos = end + 1;
            } else {
                break;
            }
        }
        return true;
    }

    bool ReadLabelAndLength(TNewickNode& node)
    {
        if (!SkipBlank()) return false;
        if (Pos < Text.size() && Text.at(Pos) == QLatin1Char('\'')) {
            const qsizetype start = Pos;
            ++Pos;
            QString name;
            while (true) {
                if (Pos >= Text.size()) {
                    Pos = start;
                    return SetError(QStringLiteral("a quoted name is never closed."));
                }
                const QChar c = Text.at(Pos++);
                if (c == QLatin1Char('\'')) {
                    if (Pos < Text.size() && Text.at(Pos) == QLatin1Char('\'')) {
                        name += c;
                        ++Pos;
                        continue;
                    }
                    break;
                }
                name += c;
            }
            node.Name = name;
        } else {
            const qsizetype start = Pos;
            while (Pos < Text.size() && !EndsUnquotedName(Text.at(Pos))) ++Pos;
            node.Name = Text.mid(start, Pos - start);
            node.Name.replace(QLatin1Char('_'), QLatin1Char(' '));
        }
        if (!SkipBlank()) return false;
        if (Pos < Text.size() && Text.at(Pos) == QLatin1Char(':')) {
            ++Pos;
            if (!SkipBlank()) return false;
            const qsizetype start = Pos;
            while (Pos < Text.size() && QStringLiteral("0123456789+-.eE").contains(Text.at(Pos)))
                ++Pos;
            bool ok = false;
            const double length = Text.mid(start, Pos - start).toDouble(&ok);
            if (!ok) {
                Pos = start;
                return SetError(QStringLiteral("a branch length must be a number."));
            }
            node.Length = length;
            node.HasLength = true;
        }
        return true;
    }

    int NewNode(TNewickTree& tree, int parent)
    {
        const int index = static_cast<int>(tree.Nodes.size());
        tree.Nodes.push_back(TNewickNode());
        tree.Nodes.back().Parent = parent;
        if (parent >= 0) tree.Nodes[static_cast<size_t>(parent)].Children.push_back(index);
        if (parent < 0) tree.Root = index;
        return index;
    }

    bool ParseTree(TNewickTree& tree)
    {
        std::vector<int> open;  // nodes whose ")" is still to come
        bool expectSubtree = true;
        while (true) {
            if (!SkipBlank()) return false;
            if (Pos >= Text.size())
                return SetError(
                    open.empty()
                        ? QStringLiteral("the tree does not end with \";\".")
                        : QStringLiteral("the text ends inside the tree (a \")\" is missing)."));
            const QChar c = Text.at(Pos);
            if (expectSubtree) {
                if (c == QLatin1Char('(')) {
                    open.push_back(NewNode(tree, open.empty() ? -1 : open.back()));
                    ++Pos;
                    continue;
                }
                if (c == QLatin1Char(')') || c == QLatin1Char(',') || c == QLatin1Char(';')) {
                    // An empty leaf, as in "(,A)": allowed by the syntax.
                    if (open.empty())
                        return SetError(QStringLiteral("a tree must start with \"(\" or a name."));
                }
                const int leaf = NewNode(tree, open.empty() ? -1 : open.back());
                if (!ReadLabelAndLength(tree.Nodes[static_cast<size_t>(leaf)])) return false;
                expectSubtree = false;
                continue;
            }
            if (open.empty()) {
                if (c != QLatin1Char(';'))
                    return SetError(
                        QStringLiteral("expected \";\" at the end of the tree, found \"%1\".")
                            .arg(PrintableText(QString(c))));
                ++Pos;
                return true;
            }
            if (c == QLatin1Char(',')) {
                ++Pos;
                expectSubtree = true;
            } else if (c == QLatin1Char(')')) {
                ++Pos;
                const int closed = open.back();
                open.pop_back();
                if (!ReadLabelAndLength(tree.Nodes[static_cast<size_t>(closed)])) return false;
            } else if (c == QLatin1Char(';')) {
                return SetError(QStringLiteral(
                    "the tree ends before every \"(\" is closed (a \")\" is missing)."));
            } else {
                return SetError(QStringLiteral("expected \",\" or \")\", found \"%1\".")
                                    .arg(PrintableText(QString(c))));
            }
        }
    }

    const QString& Text;
    qsizetype Pos = 0;
    QString Error;
};
}  // namespace

TResult<TNewickTrees> ReadNewick(const QString& text) { return TNewickParser(text).Parse(); }

QString NewickName(const QString& name)
{
    bool quote = name.isEmpty();
    for (QChar c : name)
        if (EndsUnquotedName(c) || c == QLatin1Char('_') || c.isSpace()) quote = true;
    if (!quote) return name;
    QString quoted = name;
    quoted.replace(QLatin1Char('\''), QStringLiteral("''"));
    return QLatin1Char('\'') + quoted + QLatin1Char('\'');
}

QString WriteNewick(const TTree& tree, const std::vector<QString>& names)
{
    const int root = tree.Root();
    const int n = tree.NodeCount();
    if (root == 0) return QStringLiteral(";");
    // Children from the parent links, so stale derived fields do not matter.
    std::vector<std::vector<TChild>> children(static_cast<size_t>(n) + 1);
    for (int i = 1; i <= tree.TipCount(); ++i) {
        const int anc = tree.Tips[static_cast<size_t>(i)].Anc;
        if (anc >= 1 && anc <= n)
            children[static_cast<size_t>(anc)].push_back({static_cast<TIntNum>(i), true});
    }
    for (int j = 1; j <= n; ++j) {
        const int anc = tree.Nodes[static_cast<size_t>(j)].Anc;
        if (anc >= 1 && anc <= n)
            children[static_cast<size_t>(anc)].push_back({static_cast<TIntNum>(j), false});
    }
    // A fit that was not counted (NaN) writes no length.
    auto length = [](double fit) {
        return std::isnan(fit) ? QString()
                               : QLatin1Char(':') + FormatShortest(fit, QLatin1Char('.'));
    };
    QString out;
    // Iterative walk: entry (node, next child index).
    std::vector<std::pair<int, size_t>> stack{{root, 0}};
    std::vector<bool> visited(static_cast<size_t>(n) + 1, false);
    visited[static_cast<size_t>(root)] = true;
    out += QLatin1Char('(');
    while (!stack.empty()) {
        auto& [node, next] = stack.back();
        const auto& kids = children[static_cast<size_t>(node)];
        if (next < kids.size()) {
            if (next > 0) out += QLatin1Char(',');
            const TChild child = kids[next++];
            if (child.IsTip) {
                const TTip& tip = tree.Tips[child.Num];
                const int object = tip.Objects.empty() ? 0 : tip.Objects[0];
                out += NewickName(object < static_cast<int>(names.size())
                                      ? names[static_cast<size_t>(object)]
                                      : QString());
                out += length(tip.Fit);
            } else if (!visited[child.Num]) {
                visited[child.Num] = true;
                out += QLatin1Char('(');
                stack.push_back({child.Num, 0});
            }
            continue;
        }
        out += QLatin1Char(')');
        if (node != root) out += length(tree.Nodes[static_cast<size_t>(node)].Fit);
        stack.pop_back();
    }
    out += QLatin1Char(';');
    return out;
}

TResult<TTree> NewickToTree(const TNewickTree& newick, const std::vector<QString>& names,
                            int objectCount)
{
    if (newick.Root < 0 || newick.Nodes.empty())
        return TFailure(QStringLiteral("The tree is empty."));
    if (static_cast<int>(names.size()) <= objectCount)
        return TFailure(QStringLiteral("The objects have no names."));
    const TObjectNames objects(names, objectCount);
    if (TStatus distinct = objects.Distinct(); !distinct) return TFailure(distinct.Error());
    if (objectCount < 2 || objectCount > MaxParsimonyObjects)
        return TFailure(QStringLiteral("A tree needs 2 to %1 objects; the data have %2.")
                            .arg(MaxParsimonyObjects)
                            .arg(objectCount));
    const auto leaves = NewickLeafObjects(newick, objects, names, objectCount);
    if (!leaves) return TFailure(leaves.Error());
    const std::vector<int>& leafObject = *leaves;

    // Binary with every object once: objectCount tips, objectCount - 1 nodes.
    TTree tree;
    tree.Tips.assign(static_cast<size_t>(objectCount) + 1, TTip());
    tree.Nodes.assign(static_cast<size_t>(objectCount), TNode());
    std::vector<int> nodeNumber(newick.Nodes.size(), 0);
    // Preorder without recursion: the root becomes node 1.
    std::vector<int> stack{newick.Root};
    int nextNode = 0;
    while (!stack.empty()) {
        const int index = stack.back();
        stack.pop_back();
        const TNewickNode& node = newick.Nodes[static_cast<size_t>(index)];
        const int parent = node.Parent >= 0 ? nodeNumber[static_cast<size_t>(node.Parent)] : 0;
        if (node.Children.empty()) {
            const int object = leafObject[static_cast<size_t>(index)];
            tree.Tips[static_cast<size_t>(object)].Objects = {static_cast<TIntNum>(object)};
            tree.Tips[static_cast<size_t>(object)].Anc = static_cast<TIntNum>(parent);
            continue;
        }
        nodeNumber[static_cast<size_t>(index)] = ++nextNode;
        tree.Nodes[static_cast<size_t>(nextNode)].Anc = static_cast<TIntNum>(parent);
        for (auto it = node.Children.rbegin(); it != node.Children.rend(); ++it)
            stack.push_back(*it);
    }
    return tree;
}

QString WriteNewickTree(const TNewickTree& tree)
{
    const int count = static_cast<int>(tree.Nodes.size());
    if (tree.Root < 0 || tree.Root >= count) return QStringLiteral(";");
    auto label = [&](int k) {
        const TNewickNode& node = tree.Nodes[static_cast<size_t>(k)];
        QString text;
        // Leaves always get a name (even ''); inner labels only when present.
        if (node.Children.empty() || !node.Name.isEmpty()) text = NewickName(node.Name);
        if (node.HasLength)
            text += QLatin1Char(':') + FormatShortest(node.Length, QLatin1Char('.'));
        return text;
    };
    QString out;
    // Iterative walk: entry (node, next child index); a node is written once.
    std::vector<std::pair<int, size_t>> stack{{tree.Root, 0}};
    std::vector<bool> visited(static_cast<size_t>(count), false);
    visited[static_cast<size_t>(tree.Root)] = true;
    if (!tree.Nodes[static_cast<size_t>(tree.Root)].Children.empty()) out += QLatin1Char('(');
    while (!stack.empty()) {
        auto& [node, next] = stack.back();
        const auto& kids = tree.Nodes[static_cast<size_t>(node)].Children;
        if (next < kids.size()) {
            const int child = kids[next++];
            if (child < 0 || child >= count || visited[static_cast<size_t>(child)]) continue;
            if (out.size() > 0 && out.back() != QLatin1Char('(')) out += QLatin1Char(',');
            visited[static_cast<size_t>(child)] = true;
            if (tree.Nodes[static_cast<size_t>(child)].Children.empty()) {
                out += label(child);
            } else {
                out += QLatin1Char('(');
                stack.push_back({child, 0});
            }
            continue;
        }
        if (!kids.empty()) out += QLatin1Char(')');
        out += label(node);
        stack.pop_back();
    }
    out += QLatin1Char(';');
    return out;
}

QString LengthComment(double length)
{
    return QStringLiteral("[length=%1]").arg(FormatShortest(length, QLatin1Char('.')));
}
