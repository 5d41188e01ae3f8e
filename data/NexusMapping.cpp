// NEXUS characters as state trees in pointer notation.
#include <QCollator>
#include <QLocale>
#include <QMap>
#include <QSet>
#include <algorithm>

#include "data/NexusMatrix.h"

QString NumberRanges(const std::vector<int>& numbers)
{
    QStringList parts;
    for (size_t i = 0; i < numbers.size();) {
        size_t j = i;
        while (j + 1 < numbers.size() && numbers[j + 1] == numbers[j] + 1) ++j;
        parts << (j == i ? QString::number(numbers[i])
                         : QStringLiteral("%1-%2").arg(numbers[i]).arg(numbers[j]));
        i = j + 1;
    }
    return parts.join(QStringLiteral(", "));
}

namespace {
constexpr int Absent = -2;  // a state outside the character's state tree

// A CSTREE such as "((0,1)2,3)4": parent symbol index per symbol.
TResult<std::vector<int>> ParseStateTree(const TNexusUserType& type, const QString& symbols)
{
    const QString& text = type.Description;
    struct TNode {
        QString Name;
        int Parent = -1;
    };
    std::vector<TNode> nodes;
    std::vector<int> open;
    auto fail = [&](const QString& what) {
        return TFailure(
            QStringLiteral("line %1: the state tree %2: %3").arg(type.Line).arg(type.Name, what));
    };
    qsizetype pos = 0;
    int last = -1;  // the node a following name labels
    while (pos < text.size()) {
        const QChar c = text.at(pos);
        if (c.isSpace() || c == QLatin1Char(';')) {
            ++pos;
        } else if (c == QLatin1Char('[')) {
            const qsizetype end = text.indexOf(QLatin1Char(']'), pos);
            pos = end < 0 ? text.size() : end + 1;
        } else if (c == QLatin1Char('(')) {
            nodes.push_back({QString(), open.empty() ? -1 : open.back()});
            open.push_back(static_cast<int>(nodes.size()) - 1);
            last = -1;
            ++pos;
        } else if (c == QLatin1Char(',')) {
            last = -1;
            ++pos;
        } else if (c == QLatin1Char(')')) {
            if (open.empty()) return fail(QStringLiteral("a \")\" closes no \"(\"."));
            last = open.back();
            open.pop_back();
            ++pos;
        } else if (c == QLatin1Char(':')) {
            while (pos < text.size() && !QStringLiteral(",()").contains(text.at(pos)))
                ++pos;  // lengths mean nothing here
        } else {
            QString name;
            if (c == QLatin1Char('\'')) {
                for (++pos; pos < text.size(); ++pos) {
                    if (text.at(pos) == QLatin1Char('\'')) {
                        if (pos + 1 < text.size() && text.at(pos + 1) == QLatin1Char('\''))
                            ++pos;
                        else
                            break;
                    }
                    name += text.at(pos);
                }
                ++pos;
            } else {
                while (pos < text.size() && !QStringLiteral(" \t\r\n(),:;[").contains(text.at(pos)))
                    name += text.at(pos++);
            }
            if (last < 0) {
                nodes.push_back({name, open.empty() ? -1 : open.back()});
            } else {
                nodes[static_cast<size_t>(last)].Name = name;
            }
            last = -1;
        }
    }
    if (!open.empty()) return fail(QStringLiteral("a \"(\" is never closed."));
    if (nodes.empty()) return fail(QStringLiteral("it names no state."));
    std::vector<int> parent(static_cast<size_t>(symbols.size()), Absent);
    std::vector<int> symbolOf(nodes.size(), -1);
    for (size_t k = 0; k < nodes.size(); ++k) {
        const QString& name = nodes[k].Name;
        if (name.isEmpty())
            return fail(QStringLiteral("a node has no state (every node must name one)."));
        qsizetype s = name.size() == 1 ? symbols.indexOf(name.at(0)) : -1;
        if (s < 0 && name.size() == 1) s = symbols.indexOf(name.at(0), 0, Qt::CaseInsensitive);
        if (s < 0)
            return fail(
                QStringLiteral("\"%1\" is no state symbol (SYMBOLS=\"%2\").").arg(name, symbols));
        symbolOf[k] = static_cast<int>(s);
        if (parent[static_cast<size_t>(s)] != Absent) {
            // Above itself is a cycle; elsewhere a state named twice.
            for (int a = nodes[k].Parent; a >= 0; a = nodes[static_cast<size_t>(a)].Parent)
                if (symbolOf[static_cast<size_t>(a)] == s)
                    return fail(
                        QStringLiteral("it has a cycle: state %1 lies below itself.").arg(name));
            return fail(QStringLiteral("it names state %1 twice.").arg(name));
        }
        const int p = nodes[k].Parent;
        parent[static_cast<size_t>(s)] = p < 0 ? -1 : symbolOf[static_cast<size_t>(p)];
    }
    return parent;
}

// A name that pointer notation keeps as one state.
QString StateName(const QString& label, bool* changed)
{
    QString name = label;
    name.replace(QLatin1Char('['), QLatin1Char('(')).replace(QLatin1Char(']'), QLatin1Char(')'));
    name.replace(QLatin1Char('?'), QLatin1Char('_'));
    name = CutCell(name.trimmed());
    if (name != label) *changed = true;
    return name;
}

enum TRule { rTree, rChainUp, rChainDown, rStar };
}  // namespace

TReadResult MapNexusMatrix(const TNexusMatrix& m, TNexusRootRule rootRule)
{
    const int nTax = static_cast<int>(m.Taxa.size());
    const int nChar = static_cast<int>(m.CharacterNames.size());
    const int nSym = static_cast<int>(m.Symbols.size());
    // The parser guarantees the shape; a fault there must not read outside the cells.
    bool fits = m.Cells.size() == static_cast<size_t>(nTax) &&
                m.StateLabels.size() == static_cast<size_t>(nChar) &&
                m.Types.size() == static_cast<size_t>(nChar);
    for (size_t o = 0; fits && o < m.Cells.size(); ++o) {
        fits = m.Cells[o].size() == static_cast<size_t>(nChar);
        for (size_t c = 0; fits && c < m.Cells[o].size(); ++c) fits = m.Cells[o][c] < nSym;
    }
    if (!fits)
        return TFailure(
            QStringLiteral("the matrix does not match its taxa, characters or symbols."));
    TMatrixData out;
    out.ObjectCount = nTax;
    out.CharacterCount = nChar;
    out.DataMatrix.assign(static_cast<size_t>(nChar) + 1, TPart(static_cast<size_t>(nTax) + 1));
    out.DataMatrix[0][0] = QStringLiteral("Taxon");
    for (int o = 1; o <= nTax; ++o)
        out.DataMatrix[0][static_cast<size_t>(o)] = CutCell(m.Taxa[o - 1]);

    // Every CSTREE is checked, used or not: a faulty one is a faulty file.
    QHash<QString, std::vector<int>> treeOf;  // by lower-case name
    for (auto it = m.UserTypes.cbegin(); it != m.UserTypes.cend(); ++it) {
        if (!it.value().IsStateTree) continue;
        TResult<std::vector<int>> tree = ParseStateTree(it.value(), m.Symbols);
        if (!tree) return TFailure(tree.Error());
        treeOf.insert(it.key(), std::move(*tree));
    }
    // Characters by the rule applied, for the load report.
    QMap<QString, std::vector<int>> byRule;
    std::vector<int> labelled, renamed, longPaths;
    QStringList unknownTypes;
    QCollator collator{QLocale()};
    collator.setCaseSensitivity(Qt::CaseInsensitive);

    for (int c = 1; c <= nChar; ++c) {
        TPart& column = out.DataMatrix[static_cast<size_t>(c)];
        const QString given = m.CharacterNames[c - 1];
        column[0] = CutCell(given.isEmpty() ? QStringLiteral("Character %1").arg(c) : given);
        std::vector<bool> used(static_cast<size_t>(nSym), false);
        int first = -1, lowest = nSym, highest = -1;
        for (int o = 0; o < nTax; ++o) {
            const int s = m.Cells[static_cast<size_t>(o)][static_cast<size_t>(c - 1)];
            if (s < 0) continue;
            used[static_cast<size_t>(s)] = true;
            if (first < 0) first = s;
            lowest = std::min(lowest, s);
            highest = std::max(highest, s);
        }
        QString type = m.Types[static_cast<size_t>(c - 1)];
        if (type.isEmpty()) type = m.DefaultType;
        std::vector<int> parent(static_cast<size_t>(nSym), Absent);
        TRule rule = rStar;
        QString ruleText;
        if (m.UserTypes.contains(type) && m.UserTypes[type].IsStateTree) {
            parent = treeOf[type];
            rule = rTree;
            ruleText =
                QStringLiteral("with a character state tree (USERTYPE ... (CSTREE)) as given");
        } else if (type == QLatin1String("ord") || type == QLatin1String("ordered")) {
            rule = rChainUp;
            ruleText =
                QStringLiteral("ordered: a chain from the lowest state, counted without reversals");
        } else if (type == QLatin1String("irrev") || type == QLatin1String("irrev.up")) {
            rule = rChainUp;
            ruleText = QStringLiteral("irreversible: a chain from the lowest state");
        } else if (type == QLatin1String("irrev.down")) {
            rule = rChainDown;
            ruleText = QStringLiteral("irreversible down: a chain from the highest state");
        } else if (type == QLatin1String("dollo") || type == QLatin1String("dollo.up")) {
            rule = rChainUp;
            ruleText = QStringLiteral(
                "Dollo: a chain from the lowest state, each state gained once and never lost");
        } else if (type == QLatin1String("dollo.down")) {
            rule = rChainDown;
            ruleText = QStringLiteral(
                "Dollo down: a chain from the highest state, each state gained once and never "
                "lost");
        } else {
            if (type != QLatin1String("unord") && type != QLatin1String("unordered") &&
                !unknownTypes.contains(type))
                unknownTypes << type;
            rule = rStar;
            ruleText = rootRule == TNexusRootRule::FirstObject
                           ? QStringLiteral("unordered: a star rooted at the first object's state")
                           : QStringLiteral("unordered: a star rooted at the lowest state");
        }
        if (highest >= 0) {
            if (rule == rChainUp || rule == rChainDown) {
                for (int s = lowest; s <= highest; ++s)
                    parent[static_cast<size_t>(s)] =
                        rule == rChainUp ? (s == lowest ? -1 : s - 1) : (s == highest ? -1 : s + 1);
            } else if (rule == rStar) {
                const int root = rootRule == TNexusRootRule::FirstObject ? first : lowest;
                for (int s = 0; s < nSym; ++s)
                    if (used[static_cast<size_t>(s)])
                        parent[static_cast<size_t>(s)] = s == root ? -1 : root;
            } else {
                for (int s = 0; s < nSym; ++s)
                    if (used[static_cast<size_t>(s)] && parent[static_cast<size_t>(s)] == Absent) {
                        return TFailure(
                            QStringLiteral(
                                "character %1 (%2) has state %3, which its state tree %4 lacks.")
                                .arg(c)
                                .arg(column[0])
                                .arg(m.Symbols.at(s))
                                .arg(m.UserTypes[type].Name));
                    }
            }
        }
        byRule[ruleText].push_back(c);

        // State names: the labels where given, else the symbols.
        const QStringList& labels = m.StateLabels[static_cast<size_t>(c - 1)];
        QStringList names;
        bool anyLabel = false, changed = false;
        for (int s = 0; s < nSym; ++s) {
            // A blank label (a stray quote can make one) would name a state "".
            const bool hasLabel = s < labels.size() && !labels[s].trimmed().isEmpty();
            // Symbols such as "]" or "?" cannot stand in pointer notation either.
            names << StateName(hasLabel ? labels[s] : QString(m.Symbols.at(s)), &changed);
            anyLabel = anyLabel || (hasLabel && parent[static_cast<size_t>(s)] != Absent);
        }
        // States equal ignoring case would merge: keep them apart by their symbols.
        for (int s = 0; s < nSym; ++s)
            for (int r = 0; r < s; ++r)
                if (parent[static_cast<size_t>(s)] != Absent &&
                    parent[static_cast<size_t>(r)] != Absent &&
                    collator.compare(names[s], names[r]) == 0) {
                    names[s] +=
                        QStringLiteral(" (%1)").arg(StateName(QString(m.Symbols.at(s)), &changed));
                    changed = true;
                }
        if (anyLabel) labelled.push_back(c);
        if (changed) renamed.push_back(c);

        for (int o = 1; o <= nTax; ++o) {
            const int s = m.Cells[static_cast<size_t>(o - 1)][static_cast<size_t>(c - 1)];
            if (s < 0) {
                column[static_cast<size_t>(o)] = QStringLiteral("?");
                continue;
            }
            QString text = names[s];
            QString closing;
            int steps = 0;
            for (int p = parent[static_cast<size_t>(s)]; p >= 0 && steps <= nSym;
                 p = parent[static_cast<size_t>(p)], ++steps) {
                text += QLatin1Char('[') + names[p];
                closing += QLatin1Char(']');
            }
            text += closing;
            if (text.size() > MaxCellLength) {
                // Too long for a cell: the parent alone, the rest follows from
                // other cells only where they name it.
                longPaths.push_back(c);
                const int p = parent[static_cast<size_t>(s)];
                text =
                    p >= 0 ? names[s] + QLatin1Char('[') + names[p] + QLatin1Char(']') : names[s];
            }
            column[static_cast<size_t>(o)] = CutCell(text);
        }
    }

    QStringList lines;
    for (auto it = byRule.cbegin(); it != byRule.cend(); ++it)
        lines << QStringLiteral("NEXUS: %1 %2 %3: character%4 %5.")
                     .arg(it.value().size())
                     .arg(it.value().size() == 1 ? QStringLiteral("character")
                                                 : QStringLiteral("characters"))
                     .arg(it.key())
                     .arg(it.value().size() == 1 ? QString() : QStringLiteral("s"))
                     .arg(NumberRanges(it.value()));
    if (!labelled.empty())
        lines << QStringLiteral("NEXUS: state labels used as state names: characters %1.")
                     .arg(NumberRanges(labelled));
    if (!renamed.empty())
        lines << QStringLiteral(
                     "WARNING: state names changed to fit pointer notation (\"[\", \"]\", \"?\" "
                     "replaced, or a "
                     "symbol added to tell names apart that differ only in case): characters %1.")
                     .arg(NumberRanges(renamed));
    if (!unknownTypes.isEmpty())
        lines
            << QStringLiteral(
                   "WARNING: character types read as unordered (no state tree known for them): %1.")
                   .arg(unknownTypes.join(QStringLiteral(", ")));
    if (!longPaths.empty()) {
        std::sort(longPaths.begin(), longPaths.end());
        longPaths.erase(std::unique(longPaths.begin(), longPaths.end()), longPaths.end());
        lines << QStringLiteral(
                     "WARNING: paths longer than %1 characters written as state and parent only: "
                     "characters %2.")
                     .arg(MaxCellLength)
                     .arg(NumberRanges(longPaths));
    }
    TMatrixRead read;
    read.Notes = m.Notes + lines;
    read.Data = std::move(out);
    return read;
}
