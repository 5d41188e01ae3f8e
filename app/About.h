#pragma once
// Help > About and Help > User guide: what they show and where the guide is.
#include <QString>
#include <QStringList>

// The version, the licence and the libraries with their versions.
QString AboutText();

// Where the guide may be, in order: as installed beside the program
// (share/doc/varno), then this source tree's docs/guide.md.
QStringList UserGuidePlaces();
// The first of places that is a readable file, or an empty text.
QString FindUserGuide(const QStringList& places);
