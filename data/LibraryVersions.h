#pragma once
// Versions of the libraries the readers use, as the loaded libraries report them.
#include <QStringList>

// "Qt 6.4.2", "libzip 1.7.3", "FreeXL 1.0.6".
QStringList DataLibraryVersions();
