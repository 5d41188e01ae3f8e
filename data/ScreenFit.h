#pragma once
// Where a window opens again: its last place, moved and shrunk onto a screen
// that is present now (screens come and go, resolutions change).
//
// Use: `QRect r = FitOnScreens(saved, frame, availableGeometries, primary);`
#include <QList>
#include <QMargins>
#include <QRect>

// client: the window's inner rectangle as it was; frame: the window
// manager's frame around it (title bar, borders); screens: the available
// geometry of each present screen; primary: index of the primary screen.
// The result is the inner rectangle: the framed window lies wholly on the
// screen that showed most of it before (the primary screen when none did),
// at its old size where it fits.
QRect FitOnScreens(const QRect& client, const QMargins& frame, const QList<QRect>& screens,
                   int primary);
