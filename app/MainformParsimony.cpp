// The parsimony job of the main window and the way back to its results.
#include "app/Mainform.h"
#include "data/CharacterType.h"
#include "data/LoadForm.h"
#include "data/Path.h"
#include "data/StringGrid.h"
#include "parsimony/evolutionary/OptimizeRun.h"
#include "parsimony/forms/OptimizeForm.h"
#include "parsimony/forms/TreeOptForm.h"

void TFrmMain::CreateTree1Click()
{
    Wnd.FrmLoad->hide();
    Ctx.Model.MissingAsState = false;
    CharacterTypeStep();
    TModel& m = Ctx.Model;
    m.SetCharField(BuildPathSets(m.DataMatrix, m.ObjectCount, m.CharacterCount), true);
    Ctx.WriteProtocol(ParsimonyStartLines(StateLimitLines(m.CharField)));
    Wnd.FrmOptimize->show();
    Wnd.FrmOptimize->raise();
    Wnd.FrmOptimize->activateWindow();
}

void TFrmMain::CharacterTypeStep()
{
    const std::optional<QStringList> lines =
        ApplyCharacterType(Ctx.Model, Wnd.FrmLoad->CharacterTypeChoice());
    if (lines) Ctx.WriteProtocol(*lines);
    Wnd.FrmLoad->CharacterTypeApplied(lines.has_value());
}

void TFrmMain::BtnGraficClick() { BringToFront(Wnd.FrmTreeOpt); }
