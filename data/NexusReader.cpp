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
    TReadResult result;
    TNexusMatrix matrix;
    if (!ParseNexusMatrix(text, &matrix, &result.Error)) return result;
    if (matrix.Taxa.isEmpty() || matrix.CharacterNames.isEmpty()) {
        result.Error = QStringLiteral("the matrix has no taxa or no characters.");
        return result;
    }
    if (static_cast<qint64>(matrix.Taxa.size() + 1) * (matrix.CharacterNames.size() + 1) >
        MaxMatrixCells) {
        result.Error = QStringLiteral("the matrix is too large to load.");
        return result;
    }
    result.Ok = MapNexusMatrix(matrix, rootRule, &result.Data, &result.Notes, &result.Error);
    return result;
}

TReadResult ReadNexusMatrix(const QString& path, TNexusRootRule rootRule)
{
    TReadResult result;
    QByteArray bytes;
    if (!ReadWholeFile(path, &bytes, &result.Error, MaxDataFileBytes)) return result;
    if (bytes.contains('\0')) {
        result.Error =
            QStringLiteral("Cannot load \"%1\": this is not a NEXUS file: it contains binary data.")
                .arg(path);
        return result;
    }
    result = ReadNexusMatrixText(DecodeText(bytes), rootRule);
    if (!result.Ok) result.Error = QStringLiteral("Cannot load \"%1\": %2").arg(path, result.Error);
    return result;
}
