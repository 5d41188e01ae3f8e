#pragma once
// Every top-level window keeps its size and place between runs: call once,
// after the window has set its own default size and place.
//
// Use: `RememberWindowPlace(this, ui, QStringLiteral("Trees"));`
// A saved place overrides the default and is fitted onto a present screen;
// every move, resize and hide of the shown window is written back.
#include <QString>

class QWidget;
class TUiServices;

// The places go to ui.Settings().
void RememberWindowPlace(QWidget* window, TUiServices& ui, const QString& key);
