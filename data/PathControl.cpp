#include "data/PathControl.h"

#include <QSet>

#include "data/Path.h"

QStringList DataCheckHeader()
{
    return {QString(), QStringLiteral("Data check"),
            QString(), QStringLiteral("Only matroschka - coded data are allowed"),
            QString(), QStringLiteral("Data check:")};
}

TDataCheck PathControl(const TDynStrMatrix& dataMatrix, int objectCount, int characterCount)
{
    TDataCheck check;
    check.Report = DataCheckHeader();
    auto both = [&check](const QString& line) {
        check.Report << line;
        check.Protocol << line;
    };
    TPathBuilder builder;
    for (int c = 1; c <= characterCount; ++c) {
        const QString name = c < static_cast<int>(dataMatrix.size()) && !dataMatrix[c].empty()
                                 ? dataMatrix[static_cast<size_t>(c)][0]
                                 : QString();
        builder.BuildFullPaths(dataMatrix, objectCount, c);
        bool faulty = true;
        if (builder.AnyCycle()) {
            // Worse than an incomplete description: no path reaches a root.
            both(QStringLiteral(" Cycle in character ") + name +
                 QStringLiteral(": a state is its own ancestor"));
        } else {
            QSet<QString> seen;
            QStringList roots;
            for (int o = 1; o <= objectCount; ++o) {
                const QString& root = builder.FullPaths[static_cast<size_t>(o)].back();
                if (!IsMissingName(root) && !seen.contains(root)) {
                    seen.insert(root);
                    roots << root;
                }
            }
            const int rootCount = RankNames(roots, builder.Collator()).GroupCount();
            if (rootCount > 1)
                both(QStringLiteral(" More than one root in character ") + name +
                     QStringLiteral(" or description of this character is incomplete"));
            else if (rootCount == 0)
                both(QStringLiteral(" No root in character ") + name);
            else
                faulty = false;
            // "No root" also for cells such as "B[?]"; only "?" alone is no data.
            bool noData = rootCount == 0;
            for (int o = 1; o <= objectCount && noData; ++o)
                noData = IsMissingName(builder.FullPaths[static_cast<size_t>(o)].front());
            if (noData) ++check.NoDataCount;
        }
        if (builder.MoreStatesThan(TInclusion::Capacity, objectCount))
            both(QStringLiteral(" More than 256 states in character ") + name +
                 QStringLiteral(": states after the 256th are left out of the coding"));
        if (faulty) {
            check.AllValid = false;
            ++check.FaultyCount;
        }
    }
    if (!check.AllValid) {
        check.Report << QString() << QStringLiteral(" CORRECT DATA!") << QString()
                     << QStringLiteral(" Use the \"Start excel\" button to edit data");
    } else {
        check.Protocol << QStringLiteral(" All data are valid");
        check.Report << QStringLiteral(" All data are valid") << QString()
                     << QStringLiteral(" (Continue using main menu)");
    }
    return check;
}
