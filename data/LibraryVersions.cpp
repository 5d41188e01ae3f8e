#include "data/LibraryVersions.h"

#include <freexl.h>
#include <zip.h>

#include <QtGlobal>

QStringList DataLibraryVersions()
{
    return {QStringLiteral("Qt ") + QString::fromLatin1(qVersion()),
            QStringLiteral("libzip ") + QString::fromLatin1(zip_libzip_version()),
            QStringLiteral("FreeXL ") + QString::fromLatin1(freexl_version())};
}
