// NEXUS characters as state trees in pointer notation.
#include <QCollator>
#include <QLocale>
#include <QMap>
#include <QSet>
#include <algorithm>

#include "data/NexusMatrix.h"
#include "data/Path.h"

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
    name = CutCell(name.trimmed()).trimmed();
    if (name != label) *changed = true;
    return name;
}

enum TRule { rTree, rChainUp, rChainDown, rStar };

// A state and its ancestors, nearest first.
std::vector<int> Chain(int s, const std::vector<int>& parent)
{
    std::vector<int> chain{s};
    for (int p = parent[static_cast<size_t>(s)]; p >= 0 && chain.size() <= parent.size();
         p = parent[static_cast<size_t>(p)])
        chain.push_back(p);
    return chain;
}

size_t LongestChain(const std::vector<std::vector<int>>& chains)
{
    size_t longest = 0;
    for (const std::vector<int>& chain : chains) longest = std::max(longest, chain.size());
    return longest;
}

// The longest cell the paths make when every name is cut to limit characters.
qsizetype LongestCell(const std::vector<std::vector<int>>& chains, const QStringList& names,
                      qsizetype limit)
{
    qsizetype longest = 0;
    for (const std::vector<int>& chain : chains) {
        qsizetype length = 2 * (static_cast<qsizetype>(chain.size()) - 1);
        for (int s : chain) length += std::min(names[s].size(), limit);
        longest = std::max(longest, length);
    }
    return longest;
}

// At most limit characters, never half a surrogate pair, no blanks at the ends.
QString CutName(const QString& name, qsizetype limit)
{
    if (limit <= 0) return {};
    if (name.size() <= limit) return name;
    qsizetype n = limit;
    if (name.at(n - 1).isHighSurrogate()) --n;
    return name.left(n).trimmed();
}

// Shortens the tree's state names longer than limit, each kept apart from
// every other name ignoring case (by its symbol, else a number). True when
// some name changed.
bool ShortenNames(QStringList& names, const std::vector<int>& parent, const QString& symbols,
                  qsizetype limit, const QCollator& collator)
{
    const int n = static_cast<int>(names.size());
    bool any = false;
    int nextNumber = 2;  // numbers taken stay taken: no name tries them again
    for (int s = 0; s < n; ++s) {
        if (parent[static_cast<size_t>(s)] == Absent || names[s].size() <= limit) continue;
        bool unused = false;
        const QString symbol = StateName(QString(symbols.at(s)), &unused);
        auto fits = [&](const QString& candidate) {
            if (candidate.isEmpty() || candidate.size() > limit || candidate != candidate.trimmed())
                return false;
            for (int r = 0; r < n; ++r)
                if (r != s && parent[static_cast<size_t>(r)] != Absent &&
                    collator.compare(names[r], candidate) == 0)
                    return false;
            return true;
        };
        QString chosen;
        for (const QString& candidate :
             {CutName(names[s], limit),
              CutName(names[s], limit - symbol.size() - 3) + QStringLiteral(" (%1)").arg(symbol),
              symbol})
            if (chosen.isEmpty() && fits(candidate)) chosen = candidate;
        for (; chosen.isEmpty() && nextNumber <= 2 * n + 2; ++nextNumber) {
            const QString tag = QLatin1Char(' ') + QString::number(nextNumber);
            if (fits(CutName(names[s], limit - tag.size()) + tag))
                chosen = CutName(names[s], limit - tag.size()) + tag;
            else if (fits(tag.trimmed()))
                chosen = tag.trimmed();
        }
        if (chosen.isEmpty()) continue;  // left long: the cells are checked after
        names[s] = chosen;
        any = true;
    }
    return any;
}

// "1 in characters 3, 8-9; 2 in character 7" for per-character counts.
QString CountsByCharacter(const std::vector<int>& counts)
{
    QMap<int, std::vector<int>> byCount;
    for (size_t c = 0; c < counts.size(); ++c)
        if (counts[c] > 0) byCount[counts[c]].push_back(static_cast<int>(c) + 1);
    QStringList parts;
    for (auto it = byCount.cbegin(); it != byCount.cend(); ++it)
        parts << QStringLiteral("%1 in character%2 %3")
                     .arg(it.key())
                     .arg(it.value().size() == 1 ? QString() : QStringLiteral("s"))
                     .arg(NumberRanges(it.value()));
    return parts.join(QStringLiteral("; "));
}
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
    std::vector<int> labelled, renamed, longPaths, shortened;
    std::vector<int> polymorphic(static_cast<size_t>(nChar), 0),
        uncertain(static_cast<size_t>(nChar), 0);
    out.Symbols.Order = m.Symbols;
    out.Symbols.ByState.resize(static_cast<size_t>(nChar) + 1);
    TPathBuilder builder;
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
        TCriterion criterion = TCriterion::Unordered;
        if (type == QLatin1String("ord") || type == QLatin1String("ordered"))
            criterion = TCriterion::Ordered;
        else if (type.startsWith(QLatin1String("irrev")) || type.startsWith(QLatin1String("dollo")))
            criterion = TCriterion::Irreversible;
        else if (m.UserTypes.contains(type) && m.UserTypes[type].IsStateTree)
            criterion = TCriterion::StateTreeReversible;
        else if (m.UserTypes.contains(type))
            out.Criteria.StepMatrices.insert(c, m.UserTypes[type].Name);
        out.Criteria.ByCharacter.push_back(criterion);
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
        for (int o = 1; o <= nTax; ++o)
            if (const auto set = m.CellSets.constFind(qMakePair(o - 1, c - 1));
                set != m.CellSets.constEnd()) {
                QStringList states;
                for (int k : set.value()) states << names[k];
                out.Criteria.CellSets.insert(qMakePair(c, o), states);
            }
        if (anyLabel) labelled.push_back(c);
        if (changed) renamed.push_back(c);

        // Every observed state's path, own state first.
        std::vector<std::vector<int>> chains;
        for (int s = 0; s < nSym; ++s)
            if (used[static_cast<size_t>(s)]) chains.push_back(Chain(s, parent));
        if (LongestCell(chains, names, MaxCellLength) > MaxCellLength) {
            // Long labels would be cut inside a name, which makes a second
            // root: shorten them instead, to the longest length that fits
            // (or, for chains too deep for any, so that state and parent fit).
            int limit = 0;
            for (int low = 1, high = MaxCellLength; low <= high;) {
                const int mid = (low + high) / 2;
                if (LongestCell(chains, names, mid) <= MaxCellLength) {
                    limit = mid;
                    low = mid + 1;
                } else {
                    high = mid - 1;
                }
            }
            if (limit == 0) limit = (MaxCellLength - 2) / 2;
            if (ShortenNames(names, parent, m.Symbols, limit, collator)) shortened.push_back(c);
        }

        for (int o = 1; o <= nTax; ++o) {
            const int s = m.Cells[static_cast<size_t>(o - 1)][static_cast<size_t>(c - 1)];
            if (s < 0) {
                column[static_cast<size_t>(o)] = QStringLiteral("?");
                if (s == NexusGap) out.Criteria.GapCells.insert(qMakePair(c, o));
                continue;
            }
            const std::vector<int> chain = Chain(s, parent);
            QString text = names[s];
            for (size_t k = 1; k < chain.size(); ++k) text += QLatin1Char('[') + names[chain[k]];
            text += QString(static_cast<qsizetype>(chain.size()) - 1, QLatin1Char(']'));
            if (text.size() > MaxCellLength) {
                // Too long for a cell: the parent alone, the rest follows from
                // other cells only where they name it (checked below).
                longPaths.push_back(c);
                text = chain.size() > 1
                           ? names[s] + QLatin1Char('[') + names[chain[1]] + QLatin1Char(']')
                           : names[s];
            }
            out.SetCell(static_cast<size_t>(c), static_cast<size_t>(o), text);
        }
        // No job may run on a state tree the cells do not carry whole.
        builder.BuildFullPaths(out.DataMatrix, nTax, c);
        for (int o = 1; o <= nTax; ++o) {
            const int s = m.Cells[static_cast<size_t>(o - 1)][static_cast<size_t>(c - 1)];
            if (s < 0) continue;
            TPath expected;
            for (int k : Chain(s, parent)) expected.push_back(names[k]);
            if (builder.FullPaths[static_cast<size_t>(o)] != expected)
                return TFailure(
                    QStringLiteral("character %1 (%2): its state tree (%3 states deep) cannot be "
                                   "written in cells of %4 characters, so it cannot be loaded.")
                        .arg(c)
                        .arg(column[0])
                        .arg(LongestChain(chains))
                        .arg(MaxCellLength));
        }
        for (int s = 0; s < nSym; ++s)
            if (parent[static_cast<size_t>(s)] != Absent)
                out.Symbols.ByState[static_cast<size_t>(c)].insert(names[s], m.Symbols.at(s));
        if (c - 1 < static_cast<int>(m.PolymorphicCells.size()))
            polymorphic[static_cast<size_t>(c - 1)] =
                m.PolymorphicCells[static_cast<size_t>(c - 1)];
        if (c - 1 < static_cast<int>(m.UncertainCells.size()))
            uncertain[static_cast<size_t>(c - 1)] = m.UncertainCells[static_cast<size_t>(c - 1)];
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
    if (!shortened.empty())
        lines << QStringLiteral(
                     "WARNING: state labels shortened so that every cell's path to the root fits "
                     "in %1 characters (each kept apart from the others): characters %2.")
                     .arg(MaxCellLength)
                     .arg(NumberRanges(shortened));
    // Counted per character: where a criterion would read them, the user
    // sees which characters lose most.
    if (const QString counts = CountsByCharacter(polymorphic); !counts.isEmpty())
        lines << QStringLiteral("NEXUS: polymorphic cells read as \"?\", by character: %1.")
                     .arg(counts);
    if (const QString counts = CountsByCharacter(uncertain); !counts.isEmpty())
        lines << QStringLiteral("NEXUS: uncertain cells read as \"?\", by character: %1.")
                     .arg(counts);
    if (std::any_of(out.Criteria.ByCharacter.begin(), out.Criteria.ByCharacter.end(),
                    [](TCriterion k) { return k != TCriterion::Irreversible; }))
        lines << QStringLiteral(
            "NEXUS: scored under the file's types (score): unord as unordered (Fitch), ord as "
            "ordered (Wagner), CSTREE as a state tree counted reversibly, irrev and Dollo as "
            "irreversible.");
    if (!out.Criteria.CellSets.isEmpty())
        lines << QStringLiteral(
                     "NEXUS: under the reversible criteria the %1 polymorphic and uncertain cells "
                     "of several states are read as those states (uncertainty, as TNT and PAUP* "
                     "read them); irreversible characters read them as \"?\".")
                     .arg(out.Criteria.CellSets.size());
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
