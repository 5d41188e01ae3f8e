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
    Ctx.FrmLoad->Button1Click();  // sets CharacterType, explains it
    TBusyGuard busy(Ctx.Ui);
    CodeForJob(model, TAnalysisJob::DistanceMatrix);
    Ctx.WriteProtocol(StateLimitLines(model.CharField));
    Ctx.WriteProtocol(CodingProtocolLines(TAnalysisJob::DistanceMatrix));
    ShowResultWindow(Ctx.FrmDistMat);
    ComputeJob(model, TAnalysisJob::DistanceMatrix);
    Ctx.FrmDistMat->ShowObjectHeaders(model.ObjectCount);
    Ctx.FrmDistMat->ShowRealMatrix(model.ResultMatrix, model.ObjectCount);
    Ctx.WriteProtocol(ResultProtocolLines(TAnalysisJob::DistanceMatrix));
}

namespace {
void RunCorrelation(TAppContext& ctx, TAnalysisJob job)
{
    TBusyGuard busy(ctx.Ui);
    TModel& model = ctx.Model;
    CodeForJob(model, job);
    ctx.WriteProtocol(StateLimitLines(model.CharField));
    ctx.WriteProtocol(CodingProtocolLines(job));
    ShowResultWindow(ctx.FrmDistMat);
    ComputeJob(model, job);
    ctx.FrmDistMat->ShowCharacterHeaders(model.CharacterCount);
    ctx.FrmDistMat->ShowRealMatrix(model.ResultMatrix, model.CharacterCount);
    ctx.WriteProtocol(ResultProtocolLines(job));
}
}  // namespace

void TFrmMain::Cramer1Click() { RunCorrelation(Ctx, TAnalysisJob::Cramer); }

void TFrmMain::StateCombiClick() { RunCorrelation(Ctx, TAnalysisJob::StateCombinations); }

void TFrmMain::PairwisecompatibilityClick()
{
    TBusyGuard busy(Ctx.Ui);
    TModel& model = Ctx.Model;
    CodeForJob(model, TAnalysisJob::PairwiseCompatibility);
    Ctx.WriteProtocol(StateLimitLines(model.CharField));
    ShowResultWindow(Ctx.FrmDistMat);
    ComputeJob(model, TAnalysisJob::PairwiseCompatibility);
    Ctx.FrmDistMat->ShowCharacterHeaders(model.CharacterCount);
    Ctx.FrmDistMat->ShowCompatibility(model.CompatMatrix, model.CharacterCount);
    Ctx.WriteProtocol(ResultProtocolLines(TAnalysisJob::PairwiseCompatibility));
}
