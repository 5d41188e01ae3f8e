#pragma once
// The colours the windows share: the info-tip background of protocols, grids
// and edits, and the aqua of the bottom panels.
class QWidget;

void InfoTipBackground(QWidget* w);
void AquaBackground(QWidget* w);
