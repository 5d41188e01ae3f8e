// The consensus from the tree results window and the changes in the tree
// window, on a seeded run of the example. With VARNO_SCREENSHOTS set to a
// folder, the windows are also saved there as pictures to look at.
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QSpinBox>
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
#include "parsimony/SupportForm.h"
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
    for (auto& o : w.TreePanel->GrfObjects())
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
        for (int k = 1; k <= 4; ++k) trees.push_back(&search.Tree(k));
        TConsensusInput input = CladesOfTrees(trees, trees[0]->TipCount());
        RemoveDuplicateTrees(input);
        const QString expected = WriteNewickTree(ConsensusToNewick(
            Consensus(input, TConsensusKind::Majority), search.CharField().Names, true));

        const bool shown = WithTreeWindow(app.Results.BtnConsensus, [&](TTreeGrfFRM& w) {
            QVERIFY(w.TreeNodes);
            QCOMPARE(w.TreeNodes->LeafCount(), trees[0]->TipCount());
            QVERIFY(!w.ChangesCBX->isVisible());  // a consensus carries no changes
            Shoot(w, "consensus-window.png");
            // "Save Newick..." writes the consensus with its percentages; cancel writes nothing.
            QVERIFY(w.SaveNewickBTN->isVisible());
            QTemporaryDir dir;
            app.Ui.SaveAnswers.enqueue(dir.filePath("consensus.nwk"));
            w.SaveNewickBTN->click();
            QFile saved(dir.filePath("consensus.nwk"));
            QVERIFY(saved.open(QIODevice::ReadOnly));
            QCOMPARE(QString::fromUtf8(saved.readAll()), expected + "\r\n");
            app.Ui.SaveAnswers.enqueue(QString());
            w.SaveNewickBTN->click();
            QCOMPARE(QDir(dir.path()).entryList(QDir::Files).size(), 1);
            app.Ui.SaveAnswers.enqueue(dir.filePath("missing-folder/consensus.nwk"));
            const int errors = app.Ui.Errors.size();
            w.SaveNewickBTN->click();
            QCOMPARE(app.Ui.Errors.size(), errors + 1);
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

    void SupportRunsInTheBackgroundThenShowsTheConsensus()
    {
        TApp app;
        QVERIFY(app.Run(5));
        app.Results.BtnSupport->click();
        TFrmSupport* w = app.Results.SupportWindow;
        QVERIFY(w && w->isVisible());
        w->AutoShow = false;
        w->SeedEDT->setText("7");
        w->ReplicatesSPN->setValue(40);
        w->ThreadsSPN->setValue(2);
        QSignalSpy finished(w, &TFrmSupport::RunFinished);
        w->StartBTN->click();
        QVERIFY(finished.count() == 1 || finished.wait(120000));
        QVERIFY(!w->IsRunning());
        QVERIFY(w->ShowBTN->isEnabled());
        QCOMPARE(w->StatusLBL->text(), QString("Jackknife support, 40 replicates"));
        // The same run in the core gives the Newick the protocol ends with.
        const TParsimonySearch& search = *app.Results.Population();
        TSupportRequest request;
        request.Replicates = 40;
        request.Seed = 7;
        request.Threads = 1;
        request.MissingData = search.Settings().MissingData;
        TSupportJob job(search.CharField(), search.Tree(1).TipCount(),
                        static_cast<int>(search.CharField().Places.size()) - 1, request);
        const TResult<TSupportOutcome> run = job.Run();
        QVERIFY(run.Ok());
        const TSupportOutcome& outcome = *run;
        const QStringList protocol = app.Main.Memo1->toPlainText().split('\n');
        QCOMPARE(protocol.last(), outcome.Newick);
        QVERIFY(protocol.at(protocol.size() - 3).startsWith("Jackknife (1/e"));
        const bool shown = WithTreeWindow(w->ShowBTN, [&](TTreeGrfFRM& t) {
            QCOMPARE(t.TreeNodes->LeafCount(), search.Tree(1).TipCount());
            QVERIFY(t.SaveNewickBTN->isVisible());
            Shoot(t, "support-window.png");
        });
        QVERIFY(shown);
        if (const QString dir = qEnvironmentVariable("VARNO_SCREENSHOTS"); !dir.isEmpty())
            w->grab().save(dir + "/support-dialog.png");

        // Bremer support of these ten objects is proved by branch and bound.
        w->MethodCBX->setCurrentIndex(2);
        w->StartBTN->click();
        QVERIFY(finished.wait(120000));
        QVERIFY(w->StatusLBL->text().startsWith("Bremer support (decay index), shortest length"));
        QVERIFY(!w->StatusLBL->text().contains("upper bounds"));
        QVERIFY(app.Main.Memo1->toPlainText().contains("Every value is exact"));
        QVERIFY(WithTreeWindow(w->ShowBTN, [&](TTreeGrfFRM& t) { Shoot(t, "bremer-window.png"); }));

        // A long run does not hold the window: it runs until cancelled, and a
        // cancelled Bremer run leaves the last result as it was.
        w->MethodCBX->setCurrentIndex(0);
        w->ReplicatesSPN->setValue(10000);
        w->StartBTN->click();
        QVERIFY(w->IsRunning());
        QVERIFY(!w->StartBTN->isEnabled());
        QVERIFY(w->CancelBTN->isEnabled());
        QTest::qWait(200);
        w->CancelBTN->click();
        QVERIFY(finished.wait(60000));
        QVERIFY(w->StartBTN->isEnabled());
        QVERIFY(w->StatusLBL->text().contains("cancelled"));
        w->MethodCBX->setCurrentIndex(2);
        QVERIFY(!w->ReplicatesSPN->isEnabled());
        const int lines = app.Main.Memo1->toPlainText().split('\n').size();
        w->StartBTN->click();
        w->CancelBTN->click();
        QVERIFY(finished.wait(60000));
        QCOMPARE(app.Main.Memo1->toPlainText().split('\n').size(), lines);
        QVERIFY(w->ShowBTN->isEnabled());
        // A bad seed is refused before anything runs.
        w->SeedEDT->setText("minus one");
        w->StartBTN->click();
        QVERIFY(!w->IsRunning());
        QVERIFY(app.Ui.Errors.last().contains("seed"));
    }

    void GraficListsAndDrawsTheChangesOfTheChosenBranch()
    {
        TApp app;
        QVERIFY(app.Run(4));
        app.Results.SgOpt->setCurrentCell(1, 0);
        const TTree& tree = app.Results.Population()->Tree(1);
        const TSField& field = app.Results.Population()->CharField();
        const std::vector<TBranch> branches = BranchChanges(tree, field, tree.MissingDataStates);
        const bool shown = WithTreeWindow(app.Results.TreeBTN, [&](TTreeGrfFRM& w) {
            QVERIFY(!w.SaveNewickBTN->isVisible());  // only computed trees offer it
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
