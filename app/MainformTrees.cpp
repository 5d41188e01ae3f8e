// Trees from a file in the tree results window, and the NEXUS reading choice
// of the Open menu.
#include <QAction>

#include "app/Mainform.h"
#include "data/NumberFormat.h"
#include "data/UiServices.h"
#include "parsimony/evolutionary/CreateTree.h"
#include "parsimony/forms/TreeOptForm.h"
#include "parsimony/summaries/BigTreeResults.h"
#include "parsimony/treefiles/TreeFile.h"

TNexusRootRule TFrmMain::NexusRootRule() const
{
    return NexusRootLowest1->isChecked() ? TNexusRootRule::LowestState
                                         : TNexusRootRule::FirstObject;
}

void TFrmMain::SetNexusRootRule(TNexusRootRule rule)
{
    (rule == TNexusRootRule::LowestState ? NexusRootLowest1 : NexusRootFirst1)->setChecked(true);
}

void TFrmMain::OpenTrees1Click()
{
    if (Ctx.Model.ObjectCount < 1 || Ctx.Model.CharacterCount < 1) {
        Ctx.Ui.ShowError(this, QStringLiteral("No data are loaded. Open the matrix whose objects "
                                              "the trees hold first, then the trees."));
        return;
    }
    const QString path = Ctx.Ui.GetOpenFileName(
        this, QStringLiteral("Open trees"),
        QStringLiteral("Newick or NEXUS trees (*.nwk *.newick *.tre *.tree *.trees *.nex *.nexus "
                       "*.nxs *.txt);;All files (*)"),
        TreeFileName);
    if (path.isEmpty()) return;
    TreeFileName = path;
    const TMatrixData data{Ctx.Model.DataMatrix, Ctx.Model.ObjectCount, Ctx.Model.CharacterCount};
    if (Ctx.Model.ObjectCount > MaxParsimonyObjects) {
        // Past 255 objects the trees stay compact trees.
        const TResult<TOpenedBigTrees> big = [&] {
            TBusyGuard busy(Ctx.Ui);
            return OpenBigTreesForData(path, data, true, LocaleDecimalSeparator());
        }();
        if (!big) {
            Ctx.Ui.ShowError(this, big.Error());
            return;
        }
        Wnd.FrmTreeOpt->ShowBigTrees(big->Rows, big->Big, big->Optimum);
        for (const QString& line : big->Protocol) WriteProtocol(line);
        return;
    }
    const TResult<TOpenedTrees> opened = [&] {
        TBusyGuard busy(Ctx.Ui);  // many trees on many characters take a moment
        return OpenTreesForData(path, data, true, LocaleDecimalSeparator());
    }();
    if (!opened) {
        // The trees shown so far stay.
        Ctx.Ui.ShowError(this, opened.Error());
        return;
    }
    Wnd.FrmTreeOpt->ShowTrees(opened->Rows, opened->Population, opened->Optimum);
    for (const QString& line : opened->Protocol) WriteProtocol(line);
}
