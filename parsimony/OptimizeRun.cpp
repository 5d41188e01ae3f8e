#include "parsimony/OptimizeRun.h"

#include "data/Path.h"
#include "parsimony/CreateTree.h"

bool ReadIntegerText(const QString& text, int* value, QString* error)
{
    bool ok = false;
    const int v = text.trimmed().toInt(&ok, 10);
    if (!ok) {
        if (error) *error = QStringLiteral("'%1' is not a valid integer value").arg(text);
        return false;
    }
    *value = v;
    return true;
}

TSearchRequest ReadSearchRequest(const QString& treesText, const QString& generationsText,
                                 int objectCount)
{
    TSearchRequest request;
    if (!ReadIntegerText(treesText, &request.TreeCount, &request.Error)) return request;
    if (!ReadIntegerText(generationsText, &request.Generations, &request.Error)) return request;
    request.Error = ValidateSearch(objectCount, request.TreeCount, request.Generations);
    request.Ok = request.Error.isEmpty();
    return request;
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
