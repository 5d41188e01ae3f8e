// The analysis jobs of the main window: distance matrix, correlation of
// characters and pairwise compatibility, all shown in the result window.
#include "analyses/AnalysisJobs.h"
#include "analyses/DistMatForm.h"
#include "app/Mainform.h"
#include "data/LoadForm.h"
#include "data/Path.h"
#include "data/UiServices.h"

namespace {
void ShowResultWindow(TFrmDistMat* window)
{
    window->show();
    window->raise();
    window->activateWindow();
}
}  // namespace

void TFrmMain::DistanceMatrix1Click()
{
    TModel& model = Ctx.Model;
    model.MissingAsState = false;
    CharacterTypeStep();  // sets CharacterType, explains it
    TBusyGuard busy(Ctx.Ui);
    CodeForJob(model, TAnalysisJob::DistanceMatrix);
    Ctx.WriteProtocol(StateLimitLines(model.CharField));
    Ctx.WriteProtocol(CodingProtocolLines(TAnalysisJob::DistanceMatrix));
    ShowResultWindow(Wnd.FrmDistMat);
    ComputeJob(model, TAnalysisJob::DistanceMatrix);
    Wnd.FrmDistMat->ShowObjectHeaders(model.ObjectCount);
    Wnd.FrmDistMat->ShowRealMatrix(model.ResultMatrix, model.ObjectCount);
    Ctx.WriteProtocol(ResultProtocolLines(TAnalysisJob::DistanceMatrix));
}

namespace {
void RunCorrelation(TAppContext& ctx, TFrmDistMat* window, TAnalysisJob job)
{
    TBusyGuard busy(ctx.Ui);
    TModel& model = ctx.Model;
    CodeForJob(model, job);
    ctx.WriteProtocol(StateLimitLines(model.CharField));
    ctx.WriteProtocol(CodingProtocolLines(job));
    ShowResultWindow(window);
    ComputeJob(model, job);
    window->ShowCharacterHeaders(model.CharacterCount);
    window->ShowRealMatrix(model.ResultMatrix, model.CharacterCount);
    ctx.WriteProtocol(ResultProtocolLines(job));
}
}  // namespace

void TFrmMain::Cramer1Click() { RunCorrelation(Ctx, Wnd.FrmDistMat, TAnalysisJob::Cramer); }

void TFrmMain::StateCombiClick()
{
    RunCorrelation(Ctx, Wnd.FrmDistMat, TAnalysisJob::StateCombinations);
}

void TFrmMain::PairwisecompatibilityClick()
{
    TBusyGuard busy(Ctx.Ui);
    TModel& model = Ctx.Model;
    CodeForJob(model, TAnalysisJob::PairwiseCompatibility);
    Ctx.WriteProtocol(StateLimitLines(model.CharField));
    ShowResultWindow(Wnd.FrmDistMat);
    ComputeJob(model, TAnalysisJob::PairwiseCompatibility);
    Wnd.FrmDistMat->ShowCharacterHeaders(model.CharacterCount);
    Wnd.FrmDistMat->ShowCompatibility(model.CompatMatrix, model.CharacterCount);
    Ctx.WriteProtocol(ResultProtocolLines(TAnalysisJob::PairwiseCompatibility));
}
