#pragma once
// The data check: every character must describe one state tree with one root.
#include <QStringList>

#include "data/Global.h"

struct TDataCheck {
    QStringList Report;    // the whole report page, header included
    QStringList Protocol;  // the lines for the protocol
    bool AllValid = true;
    int FaultyCount = 0;
    // Of the faulty ones, those with no data at all ("?" in every object):
    // the report calls them rootless, but they add no steps to any tree.
    int NoDataCount = 0;

    // True when every faulty character is one without data: the jobs can run.
    bool Usable() const { return FaultyCount == NoDataCount; }
};

// The lines the report page starts with.
QStringList DataCheckHeader();

// Checks every character, in order, and never stops early. A character is
// faulty when its roots (case-insensitive, "?" roots left out) are not
// exactly one, or when a state is its own ancestor. More than 256 states is
// a warning only.
TDataCheck PathControl(const TDynStrMatrix& dataMatrix, int objectCount, int characterCount);
