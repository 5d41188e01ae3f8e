#include "data/NexusReader.h"

#include <QFileInfo>

#include "data/TextFile.h"

bool IsNexusPath(const QString& path)
{
    const QString suffix = QFileInfo(path).suffix().toLower();
    return suffix == QLatin1String("nex") || suffix == QLatin1String("nexus") ||
           suffix == QLatin1String("nxs");
}

TReadResult ReadNexusMatrixText(const QString& text, TNexusRootRule rootRule)
{
    const TResult<TNexusMatrix> parsed = ParseNexusMatrix(text);
    if (!parsed) return TFailure(parsed.Error());
    const TNexusMatrix& matrix = *parsed;
    if (matrix.Taxa.isEmpty() || matrix.CharacterNames.isEmpty())
        return TFailure(QStringLiteral("the matrix has no taxa or no characters."));
    if (static_cast<qint64>(matrix.Taxa.size() + 1) * (matrix.CharacterNames.size() + 1) >
        MaxMatrixCells)
        return TFailure(QStringLiteral("the matrix is too large to load."));
    return MapNexusMatrix(matrix, rootRule);
}

TReadResult ReadNexusMatrix(const QString& path, TNexusRootRule rootRule)
{
    const TResult<QByteArray> bytes = ReadWholeFile(path, MaxDataFileBytes);
    if (!bytes) return TFailure(bytes.Error());
    if (bytes->contains('\0'))
        return TFailure(
            QStringLiteral("Cannot load \"%1\": this is not a NEXUS file: it contains binary data.")
                .arg(path));
    TReadResult result = ReadNexusMatrixText(DecodeText(*bytes), rootRule);
    if (!result)
        return TFailure(QStringLiteral("Cannot load \"%1\": %2").arg(path, result.Error()));
    return result;
}
