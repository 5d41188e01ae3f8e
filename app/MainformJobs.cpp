// Job commands of the main window that are connected as their windows are built.
#include "app/Mainform.h"

void TFrmMain::BtnGraficClick() {}
void TFrmMain::CreateTree1Click() {}
