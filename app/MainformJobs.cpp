// Job commands of the main window that are connected as their windows are built.
#include "app/Mainform.h"

void TFrmMain::DistanceMatrix1Click() {}
void TFrmMain::Cramer1Click() {}
void TFrmMain::StateCombiClick() {}
void TFrmMain::PairwisecompatibilityClick() {}
