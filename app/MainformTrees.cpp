// Trees from a file in the tree results window, and the NEXUS reading choice
// of the Open menu.
#include <QAction>

#include "app/Mainform.h"
#include "data/NumberFormat.h"
#include "data/UiServices.h"
#include "parsimony/evolutionary/CreateTree.h"
#include "parsimony/forms/TreeOptForm.h"
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
    const TResult<TOpenedTrees> opened = [&] {
        TBusyGuard busy(Ctx.Ui);  // many trees on many characters take a moment
        return OpenTreesForData(
            path,
            TMatrixData{Ctx.Model.DataMatrix, Ctx.Model.ObjectCount, Ctx.Model.CharacterCount},
            true, LocaleDecimalSeparator());
    }();
    if (!opened) {
        // The trees shown so far stay.
        Ctx.Ui.ShowError(this, opened.Error());
        return;
    }
    Wnd.FrmTreeOpt->ShowTrees(opened->Rows, opened->Population, opened->Optimum);
    for (const QString& line : opened->Protocol) WriteProtocol(line);
}
