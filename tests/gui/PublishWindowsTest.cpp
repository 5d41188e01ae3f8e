// The consensus from the tree results window and the changes in the tree
// window, on a seeded run of the example. With VARNO_SCREENSHOTS set to a
// folder, the windows are also saved there as pictures to look at.
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTimer>
#include <QtTest>

#include "app/Mainform.h"
#include "data/StringGrid.h"
#include "graphics/GrfPaintBox.h"
#include "graphics/TreeGrafik.h"
#include "graphics/TreeSpezial.h"
#include "parsimony/BranchChanges.h"
#include "parsimony/Consensus.h"
#include "parsimony/CreateTree.h"
#include "parsimony/OptimizeForm.h"
#include "parsimony/TreeOptForm.h"
#include "tests/gui/ParsimonyApp.h"

namespace {
const QString Example = QStringLiteral(VARNO_SOURCE_DIR "/examples/weevils.txt");

// Job > Parsimony and a seeded run of the example.
struct TApp : TParsimonyApp {
    TApp() : TParsimonyApp(Example) {}
    bool Run(std::uint64_t seed) { return ChooseAndRun(seed); }
};


void Shoot(QWidget& w, const QString& name)
{
    const QString dir = qEnvironmentVariable("VARNO_SCREENSHOTS");
    if (dir.isEmpty()) return;
    w.resize(1100, 800);
    QApplication::processEvents();
    w.grab().save(dir + QLatin1Char('/') + name);
}

TadaArtDot* MarkerOf(TTreeGrfFRM& w, const TscTreeNode* node)
{
    for (auto& o : w.TreePanel->GrfObjects)
        if (auto* dot = dynamic_cast<TadaArtDot*>(o.get()); dot && dot->Node == node) return dot;
    return nullptr;
}
}  // namespace

class PublishWindowsTest : public QObject {
    Q_OBJECT
private slots:
    void ConsensusOfTheSelectedRowsInTheTreeWindow()
    {
        TApp app;
        QVERIFY(app.Run(3));
        TParsimonySearch& search = *app.Results.Population();
        QVERIFY(search.TreeCount() >= 4);
        // Rows 1..4 chosen: their majority-rule consensus, trees with equal groups once.
        auto* selection = app.Results.SgOpt->selectionModel();
        selection->clearSelection();
        for (int row = 1; row <= 4; ++row)
            selection->select(app.Results.SgOpt->model()->index(row, 0),
                              QItemSelectionModel::Select | QItemSelectionModel::Rows);
        QCOMPARE(selection->selectedRows().size(), 4);
        QCOMPARE(app.Results.ConsensusCBX->currentText(), QString("Majority-rule"));
        std::vector<const TTree*> trees;
        for (int k = 1; k <= 4; ++k) trees.push_back(&search.Trees[static_cast<size_t>(k)]);
        TConsensusInput input = CladesOfTrees(trees, trees[0]->TipCount());
        RemoveDuplicateTrees(input);
        const QString expected = WriteNewickTree(ConsensusToNewick(
            Consensus(input, TConsensusKind::Majority), search.CharField().Names, true));

        const bool shown = WithTreeWindow(app.Results.BtnConsensus, [&](TTreeGrfFRM& w) {
            QVERIFY(w.TreeNodes);
            QCOMPARE(w.TreeNodes->LeafCount(), trees[0]->TipCount());
            QVERIFY(!w.ChangesCBX->isVisible());  // a consensus carries no changes
            Shoot(w, "consensus-window.png");
            // Polytomies are not re-rooted.
            for (int i = 0; i < w.TreeNodes->Count(); ++i)
                if (w.TreeNodes->Item(i)->Collapsed) {
                    w.NodeSelected(
                        MarkerOf(w, w.TreeNodes->Item(i)->Shown()->ShownChildren().front()));
                    w.ReRootBTNClick();
                    QVERIFY(app.Ui.Informations.last().contains("polytomies"));
                    break;
                }
        });
        QVERIFY(shown);
        const QStringList protocol = app.Main.Memo1->toPlainText().split('\n');
        QCOMPARE(protocol.last(), expected);
        QVERIFY(protocol.at(protocol.size() - 2).startsWith("Majority-rule consensus of "));
    }

    void GraficListsAndDrawsTheChangesOfTheChosenBranch()
    {
        TApp app;
        QVERIFY(app.Run(4));
        app.Results.SgOpt->setCurrentCell(1, 0);
        const TTree& tree = app.Results.Population()->Trees[1];
        const TSField& field = app.Results.Population()->CharField();
        const std::vector<TBranch> branches = BranchChanges(tree, field, tree.MissingDataStates);
        const bool shown = WithTreeWindow(app.Results.TreeBTN, [&](TTreeGrfFRM& w) {
            QVERIFY(w.ChangesCBX->isVisible());
            QVERIFY(!w.TreePanel->ShowChanges);
            // The branch with most changes: its list in the window.
            const TBranch* most = &branches.front();
            for (const TBranch& b : branches)
                if (b.Changes.size() > most->Changes.size()) most = &b;
            TscTreeNode* node = w.TreeNodes->Item(most->Vertex - 1);
            w.NodeSelected(MarkerOf(w, node));
            QCOMPARE(w.ChangesLST->count(), static_cast<int>(most->Changes.size()));
            for (size_t i = 0; i < most->Changes.size(); ++i)
                QVERIFY(w.ChangesLST->item(static_cast<int>(i))
                            ->text()
                            .startsWith(ChangeText(field, most->Changes[i])));
            w.ChangesCBX->click();
            QVERIFY(w.TreePanel->ShowChanges);
            Shoot(w, "changes-window.png");
            // Re-rooting drops them, with a word why.
            TscTreeNode* deep = nullptr;
            for (int i = 0; i < w.TreeNodes->Count(); ++i)
                if (w.TreeNodes->Item(i)->Depth() >= 2) deep = w.TreeNodes->Item(i);
            QVERIFY(deep);
            w.NodeSelected(MarkerOf(w, deep));
            w.ReRootBTNClick();
            QVERIFY(app.Ui.Informations.last().contains("without percentages and changes"));
            QVERIFY(!w.ChangesCBX->isVisible());
            QVERIFY(!w.TreePanel->ShowChanges);
        });
        QVERIFY(shown);
    }
};

QTEST_MAIN(PublishWindowsTest)
#include "PublishWindowsTest.moc"
