// The parsimony job of the main window and the way back to its results.
#include "app/Mainform.h"
#include "data/LoadForm.h"
#include "data/Path.h"
#include "data/StringGrid.h"
#include "parsimony/OptimizeForm.h"
#include "parsimony/TreeOptForm.h"

void TFrmMain::CreateTree1Click()
{
    Ctx.FrmLoad->hide();
    Ctx.Model.MissingAsState = false;
    Ctx.FrmLoad->Button1Click();
    TModel& m = Ctx.Model;
    m.CharField = BuildPathSets(m.DataMatrix, m.ObjectCount, m.CharacterCount);
    WriteProtocol(QString());
    for (const QString& line : StateLimitLines(m.CharField)) WriteProtocol(line);
    WriteProtocol(QStringLiteral("Character type modulation successful"));
    Ctx.FrmOptimize->show();
    Ctx.FrmOptimize->raise();
    Ctx.FrmOptimize->activateWindow();
    WriteProtocol(QString());
    WriteProtocol(QStringLiteral("Camin Sokal parsimony was chosen"));
}

void TFrmMain::BtnGraficClick() { BringToFront(Ctx.FrmTreeOpt); }
