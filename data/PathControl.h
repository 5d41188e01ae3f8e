#pragma once
// The data check: every character must describe one state tree with one root.
#include <QStringList>

#include "data/Global.h"

struct TDataCheck {
    QStringList Report;    // the whole report page, header included
    QStringList Protocol;  // the lines for the protocol
    bool AllValid = true;
    int FaultyCount = 0;
};

// The lines the report page starts with.
QStringList DataCheckHeader();

// Checks every character, in order, and never stops early. A character is
// faulty when its roots (case-insensitive, "?" roots left out) are not
// exactly one, or when a state is its own ancestor. More than 256 states is
// a warning only.
TDataCheck PathControl(const TDynStrMatrix& dataMatrix, int objectCount, int characterCount);
