#include "parsimony/evolutionary/OptimizeRun.h"

#include "data/Path.h"
#include "parsimony/evolutionary/CreateTree.h"

TResult<int> ReadIntegerText(const QString& text)
{
    bool ok = false;
    const int v = text.trimmed().toInt(&ok, 10);
    if (!ok) return TFailure(QStringLiteral("'%1' is not a valid integer value").arg(text));
    return v;
}

TResult<TSearchRequest> ReadSearchRequest(const QString& treesText, const QString& generationsText,
                                          int objectCount)
{
    const TResult<int> trees = ReadIntegerText(treesText);
    if (!trees) return TFailure(trees.Error());
    const TResult<int> generations = ReadIntegerText(generationsText);
    if (!generations) return TFailure(generations.Error());
    if (TStatus valid = ValidateSearch(objectCount, *trees, *generations); !valid)
        return TFailure(valid.Error());
    return TSearchRequest{*trees, *generations};
}

bool CodingFitsData(const TModel& model) { return model.PathSetsCurrent(); }

QStringList ParsimonyStartLines(const QStringList& stateLimits)
{
    return QStringList{QString()} + stateLimits +
           QStringList{QStringLiteral("Character type modulation successful"), QString(),
                       QStringLiteral("Camin Sokal parsimony was chosen")};
}

QStringList CancelledProtocolLines(int treesGrown, int treesAsked, int generationsDone,
                                   int generationsAsked, bool missingData)
{
    QStringList lines{
        QString(),
        QStringLiteral(
            "The run was cancelled: %1 of %2 trees were created, %3 of %4 generations of "
            "branch swapping were calculated")
            .arg(treesGrown)
            .arg(treesAsked)
            .arg(generationsDone)
            .arg(generationsAsked)};
    // The missing-data note and the closing empty lines, as after a full run.
    lines << SearchProtocolLines(QString(), QString(), missingData).mid(3);
    return lines;
}
