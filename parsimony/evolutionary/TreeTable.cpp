#include "parsimony/evolutionary/TreeTable.h"

#include <algorithm>

#include "data/NumberFormat.h"

std::vector<QStringList> TreeTableRows(const TTree& tree, const std::vector<QString>& names,
                                       QChar sep)
{
    const int t = tree.TipCount();
    TTreeTableLinks links;
    links.TipObject.assign(static_cast<size_t>(t) + 1, 0);
    links.TipParent.assign(static_cast<size_t>(t) + 1, 0);
    links.TipFit.assign(static_cast<size_t>(t) + 1, 0);
    for (int i = 1; i <= t; ++i) {
        const TTip& tip = tree.Tips[static_cast<size_t>(i)];
        links.TipObject[static_cast<size_t>(i)] = tip.Objects.empty() ? -1 : tip.Objects[0];
        links.TipParent[static_cast<size_t>(i)] = tip.Anc;
        links.TipFit[static_cast<size_t>(i)] = tip.Fit;
    }
    const int n = std::min(tree.NodeCount(), std::max(0, t - 1));
    links.NodeParent.assign(static_cast<size_t>(n) + 1, 0);
    links.NodeFit.assign(static_cast<size_t>(n) + 1, 0);
    for (int j = 1; j <= n; ++j) {
        links.NodeParent[static_cast<size_t>(j)] = tree.Nodes[static_cast<size_t>(j)].Anc;
        links.NodeFit[static_cast<size_t>(j)] = tree.Nodes[static_cast<size_t>(j)].Fit;
    }
    links.Fitness = tree.Fitness;
    return TreeTableRows(links, names, sep);
}

std::vector<QStringList> TreeTableRows(const TTreeTableLinks& links,
                                       const std::vector<QString>& names, QChar sep)
{
    const int t = std::max(0, static_cast<int>(links.TipParent.size()) - 1);
    std::vector<QStringList> rows(static_cast<size_t>(t) + 1, QStringList(5, QString()));
    rows[0] = {QString(), QStringLiteral("Tips"), QStringLiteral("T-fit"), QStringLiteral("Nodes"),
               QStringLiteral("N-fit")};
    for (int i = 1; i <= t; ++i) {
        const size_t k = static_cast<size_t>(i);
        QStringList& row = rows[k];
        const int object = links.TipObject[k];
        row[0] = object >= 0 && static_cast<size_t>(object) < names.size()
                     ? names[static_cast<size_t>(object)]
                     : QString();
        row[1] = QStringLiteral("%1[%2]").arg(i).arg(links.TipParent[k]);
        if (!links.TipFit.empty()) row[2] = FormatGeneral3(links.TipFit[k], sep);
    }
    // Nodes share rows with tips by number only.
    const int nodes = std::max(0, static_cast<int>(links.NodeParent.size()) - 1);
    for (int j = 1; j <= nodes && j < t; ++j) {
        const size_t k = static_cast<size_t>(j);
        QStringList& row = rows[k];
        const int anc = links.NodeParent[k];
        row[3] =
            anc == 0 ? QStringLiteral("%1[]").arg(j) : QStringLiteral("%1[%2]").arg(j).arg(anc);
        if (!links.NodeFit.empty()) row[4] = FormatGeneral3(links.NodeFit[k], sep);
    }
    if (t >= 1) {
        rows[static_cast<size_t>(t)][3] = QStringLiteral("Fitness");
        rows[static_cast<size_t>(t)][4] = FormatShortest(links.Fitness, sep);
    }
    return rows;
}

QString OptimumText(double fitness, QChar sep)
{
    return QStringLiteral("Optimum = Minimum = ") + FormatShortest(fitness, sep);
}

QStringList PopulationListRow(const TSlotHistory& history, QChar sep)
{
    QString lineage = QString::number(history.Number);
    for (const TSlotReplacement& r : history.Replacements)
        lineage += QLatin1Char(' ') + QString::number(r.Lineage) + QLatin1Char(r.Move);
    const QString now = history.Replacements.empty()
                            ? QString()
                            : FormatShortest(history.Replacements.back().Length, sep);
    return {lineage, FormatShortest(history.GrownLength, sep), now};
}

std::vector<QStringList> PopulationListRows(const std::vector<TSlotHistory>& histories, QChar sep)
{
    std::vector<QStringList> rows{{OptLegend, OptAddFit, OptSwapFit}};
    for (size_t k = 1; k < histories.size(); ++k)
        rows.push_back(PopulationListRow(histories[k], sep));
    return rows;
}
