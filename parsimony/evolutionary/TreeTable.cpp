#include "parsimony/evolutionary/TreeTable.h"

#include "data/NumberFormat.h"

std::vector<QStringList> TreeTableRows(const TTree& tree, const std::vector<QString>& names,
                                       QChar sep)
{
    const int t = tree.TipCount();
    std::vector<QStringList> rows(static_cast<size_t>(t) + 1, QStringList(5, QString()));
    rows[0] = {QString(), QStringLiteral("Tips"), QStringLiteral("T-fit"), QStringLiteral("Nodes"),
               QStringLiteral("N-fit")};
    auto name = [&names](const TIntNumArr& objects) {
        if (objects.empty()) return QString();
        const size_t o = objects[0];
        return o < names.size() ? names[o] : QString();
    };
    for (int i = 1; i <= t; ++i) {
        const TTip& tip = tree.Tips[static_cast<size_t>(i)];
        QStringList& row = rows[static_cast<size_t>(i)];
        row[0] = name(tip.Objects);
        row[1] = QStringLiteral("%1[%2]").arg(i).arg(tip.Anc);
        row[2] = FormatGeneral3(tip.Fit, sep);
    }
    // Nodes share rows with tips by number only.
    for (int j = 1; j <= tree.NodeCount() && j < t; ++j) {
        const TNode& node = tree.Nodes[static_cast<size_t>(j)];
        QStringList& row = rows[static_cast<size_t>(j)];
        row[3] = node.Anc == 0 ? QStringLiteral("%1[]").arg(j)
                               : QStringLiteral("%1[%2]").arg(j).arg(node.Anc);
        row[4] = FormatGeneral3(node.Fit, sep);
    }
    if (t >= 1) {
        rows[static_cast<size_t>(t)][3] = QStringLiteral("Fitness");
        rows[static_cast<size_t>(t)][4] = FormatShortest(tree.Fitness, sep);
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
