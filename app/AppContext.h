#pragma once
// The program's shared state and services. The windows see it as their
// TFormContext; which window answers which request is wired in TFrmMain.
//   TQtUiServices ui;
//   TAppContext context(ui);
//   TFrmMain mainWindow(context);
#include "data/FormContext.h"

using TAppContext = TFormContext;
