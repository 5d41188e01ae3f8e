#include "app/About.h"

#include <QCoreApplication>
#include <QFileInfo>

#include "VarnoVersion.h"
#include "data/LibraryVersions.h"
#include "graphics/JpegWriter.h"

QString AboutText()
{
    // libEMF reports no version of its own.
    const QStringList libraries = DataLibraryVersions()
                                  << JpegLibraryVersion() << QStringLiteral("libEMF");
    return QStringLiteral(
               "VARNO Classic %1\n\n"
               "Phylogenetic reconstruction by Camin-Sokal parsimony on character "
               "state trees.\n\n"
               "Licence: GNU General Public License, version 3 or later.\n\n"
               "Libraries: %2.")
        .arg(QStringLiteral(VARNO_VERSION), libraries.join(QStringLiteral(", ")));
}

QStringList UserGuidePlaces()
{
    QStringList places;
    if (QCoreApplication::instance()) {
        const QString doc =
            QCoreApplication::applicationDirPath() + QStringLiteral("/../share/doc/varno/");
        places << doc + QStringLiteral("guide.html") << doc + QStringLiteral("guide.md");
    }
    places << QStringLiteral(VARNO_SOURCE_GUIDE);
    return places;
}

QString FindUserGuide(const QStringList& places)
{
    for (const QString& place : places) {
        const QFileInfo info(place);
        if (info.isFile() && info.isReadable()) return info.canonicalFilePath();
    }
    return {};
}
