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
#include <QProgressBar>
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
#include "parsimony/evolutionary/CreateTree.h"
#include "parsimony/forms/OptimizeForm.h"
#include "parsimony/forms/SupportForm.h"
#include "parsimony/forms/TreeOptForm.h"
#include "parsimony/forms/UpDownEdit.h"
#include "parsimony/summaries/BranchChanges.h"
#include "parsimony/summaries/Consensus.h"
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

}  // namespace

class SummaryWindowsTest : public QObject {
    Q_OBJECT
private slots:
    void ConsensusOfTheSelectedRowsInTheTreeWindow()
    {
        TApp app;
        QVERIFY(app.Run(3));
        TParsimonySearch& search = *app.Results.Population();
        QVERIFY(search.TreeCount() >= 4);
        // Rows 1..4 chosen: their majority-rule consensus, trees with equal groups once.
        auto* selection = Find<TStringGrid>(app.Results, "SgOpt")->selectionModel();
        selection->clearSelection();
        for (int row = 1; row <= 4; ++row)
            selection->select(Find<TStringGrid>(app.Results, "SgOpt")->model()->index(row, 0),
                              QItemSelectionModel::Select | QItemSelectionModel::Rows);
        QCOMPARE(selection->selectedRows().size(), 4);
        QCOMPARE(Find<QComboBox>(app.Results, "ConsensusCBX")->currentText(),
                 QString("Majority-rule"));
        std::vector<const TTree*> trees;
        for (int k = 1; k <= 4; ++k) trees.push_back(&search.Tree(k));
        TConsensusInput input = CladesOfTrees(trees, trees[0]->TipCount());
        RemoveDuplicateTrees(input);
        const QString expected = WriteNewickTree(ConsensusToNewick(
            Consensus(input, TConsensusKind::Majority), search.CharField().Names, true));

        const bool shown =
            WithTreeWindow(Find<QPushButton>(app.Results, "BtnConsensus"), [&](TTreeGrfFRM& w) {
                QVERIFY(w.Nodes());
                QCOMPARE(w.Nodes()->LeafCount(), trees[0]->TipCount());
                QVERIFY(!Find<QCheckBox>(w, "ChangesCBX")
                             ->isVisible());  // a consensus carries no changes
                Shoot(w, "consensus-window.png");
                // "Save Newick..." writes the consensus with its percentages; cancel writes
                // nothing.
                QVERIFY(Find<QPushButton>(w, "SaveNewickBTN")->isVisible());
                QTemporaryDir dir;
                app.Ui.SaveAnswers.enqueue(dir.filePath("consensus.nwk"));
                Find<QPushButton>(w, "SaveNewickBTN")->click();
                QFile saved(dir.filePath("consensus.nwk"));
                QVERIFY(saved.open(QIODevice::ReadOnly));
                QCOMPARE(QString::fromUtf8(saved.readAll()), expected + "\r\n");
                app.Ui.SaveAnswers.enqueue(QString());
                Find<QPushButton>(w, "SaveNewickBTN")->click();
                QCOMPARE(QDir(dir.path()).entryList(QDir::Files).size(), 1);
                app.Ui.SaveAnswers.enqueue(dir.filePath("missing-folder/consensus.nwk"));
                const int errors = app.Ui.Errors.size();
                Find<QPushButton>(w, "SaveNewickBTN")->click();
                QCOMPARE(app.Ui.Errors.size(), errors + 1);
                // Polytomies are not re-rooted.
                for (int i = 0; i < w.Nodes()->Count(); ++i)
                    if (w.Nodes()->Item(i)->Collapsed) {
                        w.NodeSelected(
                            MarkerOf(w, w.Nodes()->Item(i)->Shown()->ShownChildren().front()));
                        w.ReRootBTNClick();
                        QVERIFY(app.Ui.Informations.last().contains("polytomies"));
                        break;
                    }
            });
        QVERIFY(shown);
        const QStringList protocol =
            Find<QPlainTextEdit>(app.Main, "Memo1")->toPlainText().split('\n');
        QCOMPARE(protocol.last(), expected);
        QVERIFY(protocol.at(protocol.size() - 2).startsWith("Majority-rule consensus of "));
    }

    void ConsensusWithoutASelectionTakesTheShortestTrees()
    {
        TApp app;
        app.Main.CreateTree1Click();
        Find<TUpDownEdit>(app.Optimize, "Edit1")->SetText("1");  // trees of several lengths
        QVERIFY(app.Continue(3));
        const TParsimonySearch& search = *app.Results.Population();
        std::vector<const TTree*> shortest;
        const double best = search.FindBestTree().second;
        bool mixed = false;
        for (int k = 1; k <= search.TreeCount(); ++k) {
            if (search.Tree(k).Fitness == best)
                shortest.push_back(&search.Tree(k));
            else
                mixed = true;
        }
        QVERIFY(mixed);  // else the list cannot tell
        TConsensusInput input = CladesOfTrees(shortest, shortest[0]->TipCount());
        RemoveDuplicateTrees(input);
        const QString expected = WriteNewickTree(ConsensusToNewick(
            Consensus(input, TConsensusKind::Majority), search.CharField().Names, true));
        Find<TStringGrid>(app.Results, "SgOpt")->selectionModel()->clearSelection();
        // The consensus opens in a window of its own, titled by what it shows.
        TTreeWindowSeen seen;
        QVERIFY(WithTreeWindow(Find<QPushButton>(app.Results, "BtnConsensus"),
                               [&](TTreeGrfFRM& w) { seen.See(w); }));
        QVERIFY(!seen.Modal);
        QCOMPARE(seen.Title, QString("Majority-rule consensus of %1 tree%2 - weevils.txt")
                                 .arg(input.Trees.size())
                                 .arg(input.Trees.size() == 1 ? "" : "s"));
        // The list's own trees still open in the modal "Grafic" window.
        QVERIFY(WithTreeWindow(Find<QPushButton>(app.Results, "TreeBTN"),
                               [&](TTreeGrfFRM& w) { seen.See(w); }));
        QVERIFY(seen.Modal);
        const QStringList protocol = app.Main.ProtocolLines();
        QCOMPARE(protocol.last(), expected);
        const QString said = protocol.at(protocol.size() - 2);
        QVERIFY2(
            said.startsWith(QString("Majority-rule consensus of %1 tree").arg(input.Trees.size())),
            qPrintable(said));
        QVERIFY2(said.contains(QString(": the %1 shortest of the %2 listed, length %3")
                                   .arg(shortest.size())
                                   .arg(search.TreeCount())
                                   .arg(best)),
                 qPrintable(said));

        // A selection of two rows of different lengths still decides, and says so.
        int other = 1;
        while (search.Tree(other).Fitness == best) ++other;
        int shortRow = 1;
        while (search.Tree(shortRow).Fitness != best) ++shortRow;
        auto* grid = Find<TStringGrid>(app.Results, "SgOpt");
        for (int row : {shortRow, other})
            grid->selectionModel()->select(grid->model()->index(row, 0),
                                           QItemSelectionModel::Select | QItemSelectionModel::Rows);
        QVERIFY(
            WithTreeWindow(Find<QPushButton>(app.Results, "BtnConsensus"), [](TTreeGrfFRM&) {}));
        const QStringList lengths{QString::number(best),
                                  QString::number(search.Tree(other).Fitness)};
        QVERIFY2(app.Main.ProtocolLines()
                     .at(app.Main.ProtocolLines().size() - 2)
                     .contains(": 2 selected, lengths " + lengths.join(", ")),
                 qPrintable(app.Main.ProtocolLines().at(app.Main.ProtocolLines().size() - 2)));
    }

    void ANewLoadDropsEveryResultOfTheEarlierData()
    {
        TApp app;
        QVERIFY(app.Run(5));
        Find<QPushButton>(app.Results, "BtnSupport")->click();
        QPointer<TFrmSupport> support = app.Results.findChild<TFrmSupport*>();
        QVERIFY(support && support->isVisible());
        auto* seed = Find<QLabel>(app.Optimize, "LabelSeed");
        auto* grown = Find<QProgressBar>(app.Optimize, "ProgressBar2");
        QVERIFY(!seed->text().isEmpty());

        Find<QPushButton>(app.Results, "BtnConsensus")->click();  // a window of its own
        QPointer<TTreeGrfFRM> consensus;
        for (QWidget* top : QApplication::topLevelWidgets())
            if (auto* w = dynamic_cast<TTreeGrfFRM*>(top); w && w->isVisible()) consensus = w;
        QVERIFY(consensus);

        app.Ui.OpenAnswers.enqueue(QStringLiteral(VARNO_SOURCE_DIR "/examples/Beetles.txt"));
        app.Main.Text1Click();
        QTRY_VERIFY(support.isNull());
        QTRY_VERIFY(consensus.isNull());
        QVERIFY(!app.Results.Population());
        QVERIFY(!app.Results.isVisible());
        QCOMPARE(Find<TStringGrid>(app.Results, "SgOpt")->RowCount(), 1);
        QVERIFY(Find<QLabel>(app.Results, "Label1")->text().isEmpty());
        QVERIFY(seed->text().isEmpty());
        QCOMPARE(grown->value(), grown->minimum());
        // "Tree compatibility" has no old tree left to score on the new data.
        const qsizetype lines = app.Main.ProtocolLines().size();
        Find<QPushButton>(app.Results, "BtnCharFit")->click();
        QCOMPARE(app.Main.ProtocolLines().size(), lines);
    }

    void SupportRunsInTheBackgroundThenShowsTheConsensus()
    {
        TApp app;
        QVERIFY(app.Run(5));
        Find<QPushButton>(app.Results, "BtnSupport")->click();
        auto* w = app.Results.findChild<TFrmSupport*>();
        QVERIFY(w && w->isVisible());
        w->SetAutoShow(false);
        auto* method = Find<QComboBox>(w, "MethodCBX");
        auto* replicates = Find<QSpinBox>(w, "ReplicatesSPN");
        auto* seed = Find<QLineEdit>(w, "SeedEDT");
        auto* threads = Find<QSpinBox>(w, "ThreadsSPN");
        auto* start = Find<QPushButton>(w, "StartBTN");
        auto* cancel = Find<QPushButton>(w, "CancelBTN");
        auto* show = Find<QPushButton>(w, "ShowBTN");
        auto* status = Find<QLabel>(w, "StatusLBL");
        seed->setText("7");
        replicates->setValue(40);
        threads->setValue(2);
        QSignalSpy finished(w, &TFrmSupport::RunFinished);
        start->click();
        QVERIFY(finished.count() == 1 || finished.wait(120000));
        QVERIFY(!w->IsRunning());
        QVERIFY(show->isEnabled());
        QCOMPARE(status->text(), QString("Jackknife support, 40 replicates"));
        // The same run in the core gives the Newick the protocol ends with.
        const TParsimonySearch& search = *app.Results.Population();
        TSupportRequest request;
        request.Replicates = 40;
        request.Seed = 7;
        request.Threads = 1;
        request.MissingData = search.Settings().MissingData;
        TSupportJob job(search.CharField(), search.Tree(1).TipCount(),
                        search.CharField().Places.Count(), request);
        job.Run();
        const TResult<TSupportOutcome>& run = job.Outcome();
        QVERIFY(run.Ok());
        const TSupportOutcome& outcome = *run;
        const QStringList protocol =
            Find<QPlainTextEdit>(app.Main, "Memo1")->toPlainText().split('\n');
        QCOMPARE(protocol.last(), outcome.Newick);
        QVERIFY(protocol.at(protocol.size() - 3).startsWith("Jackknife (1/e"));
        const bool shown = WithTreeWindow(show, [&](TTreeGrfFRM& t) {
            QCOMPARE(t.Nodes()->LeafCount(), search.Tree(1).TipCount());
            QVERIFY(Find<QPushButton>(t, "SaveNewickBTN")->isVisible());
            Shoot(t, "support-window.png");
        });
        QVERIFY(shown);
        if (const QString dir = qEnvironmentVariable("VARNO_SCREENSHOTS"); !dir.isEmpty())
            w->grab().save(dir + "/support-dialog.png");

        // Bremer support of these ten objects is proved by branch and bound.
        method->setCurrentIndex(2);
        start->click();
        QVERIFY(finished.wait(120000));
        QVERIFY(status->text().startsWith("Bremer support (decay index), shortest length"));
        QVERIFY(!status->text().contains("upper bounds"));
        QVERIFY(Find<QPlainTextEdit>(app.Main, "Memo1")
                    ->toPlainText()
                    .contains("Every value is exact"));
        QVERIFY(WithTreeWindow(show, [&](TTreeGrfFRM& t) { Shoot(t, "bremer-window.png"); }));

        // A long run does not hold the window: it runs until cancelled, and a
        // cancelled Bremer run leaves the last result as it was.
        method->setCurrentIndex(0);
        replicates->setValue(10000);
        start->click();
        QVERIFY(w->IsRunning());
        QVERIFY(!start->isEnabled());
        QVERIFY(cancel->isEnabled());
        QTest::qWait(200);
        cancel->click();
        QVERIFY(finished.wait(60000));
        QVERIFY(start->isEnabled());
        QVERIFY(status->text().contains("cancelled"));
        method->setCurrentIndex(2);
        QVERIFY(!replicates->isEnabled());
        const int lines = Find<QPlainTextEdit>(app.Main, "Memo1")->toPlainText().split('\n').size();
        start->click();
        cancel->click();
        QVERIFY(finished.wait(60000));
        QCOMPARE(Find<QPlainTextEdit>(app.Main, "Memo1")->toPlainText().split('\n').size(), lines);
        QVERIFY(show->isEnabled());
        // A bad seed is refused before anything runs.
        seed->setText("minus one");
        start->click();
        QVERIFY(!w->IsRunning());
        QVERIFY(app.Ui.Errors.last().contains("seed"));
    }

    void GraficListsAndDrawsTheChangesOfTheChosenBranch()
    {
        TApp app;
        QVERIFY(app.Run(4));
        Find<TStringGrid>(app.Results, "SgOpt")->setCurrentCell(1, 0);
        const TTree& tree = app.Results.Population()->Tree(1);
        const TSField& field = app.Results.Population()->CharField();
        const std::vector<TBranch> branches = BranchChanges(tree, field, tree.MissingDataStates);
        const bool shown =
            WithTreeWindow(Find<QPushButton>(app.Results, "TreeBTN"), [&](TTreeGrfFRM& w) {
                QVERIFY(!Find<QPushButton>(w, "SaveNewickBTN")
                             ->isVisible());  // only computed trees offer it
                QVERIFY(Find<QCheckBox>(w, "ChangesCBX")->isVisible());
                QVERIFY(!w.Panel().ShowChanges);
                // The branch with most changes: its list in the window.
                const TBranch* most = &branches.front();
                for (const TBranch& b : branches)
                    if (b.Changes.size() > most->Changes.size()) most = &b;
                TscTreeNode* node = w.Nodes()->Item(most->Vertex - 1);
                w.NodeSelected(MarkerOf(w, node));
                QCOMPARE(Find<QListWidget>(w, "ChangesLST")->count(),
                         static_cast<int>(most->Changes.size()));
                for (size_t i = 0; i < most->Changes.size(); ++i)
                    QVERIFY(Find<QListWidget>(w, "ChangesLST")
                                ->item(static_cast<int>(i))
                                ->text()
                                .startsWith(ChangeText(field, most->Changes[i])));
                // The narrow column shows each change whole, wrapped where needed.
                auto* list = Find<QListWidget>(w, "ChangesLST");
                QApplication::processEvents();
                bool wide = false;
                for (int i = 0; i < list->count(); ++i) {
                    const QRect r = list->visualItemRect(list->item(i));
                    const QString text = list->item(i)->text();
                    wide = wide || list->fontMetrics().horizontalAdvance(text) > r.width();
                    QVERIFY2(r.right() <= list->viewport()->width(), qPrintable(text));
                    QVERIFY2(list->fontMetrics()
                                     .boundingRect(QRect(0, 0, r.width(), 10000),
                                                   Qt::TextWrapAnywhere, text)
                                     .height() <= r.height(),
                             qPrintable(text));
                }
                QVERIFY(wide);  // else nothing needed wrapping
                Find<QCheckBox>(w, "ChangesCBX")->click();
                QVERIFY(w.Panel().ShowChanges);
                Shoot(w, "changes-window.png");
                // Re-rooting drops them, with a word why.
                TscTreeNode* deep = nullptr;
                for (int i = 0; i < w.Nodes()->Count(); ++i)
                    if (w.Nodes()->Item(i)->Depth() >= 2) deep = w.Nodes()->Item(i);
                QVERIFY(deep);
                w.NodeSelected(MarkerOf(w, deep));
                w.ReRootBTNClick();
                QVERIFY(app.Ui.Informations.last().contains("without percentages and changes"));
                QVERIFY(!Find<QCheckBox>(w, "ChangesCBX")->isVisible());
                QVERIFY(!w.Panel().ShowChanges);
            });
        QVERIFY(shown);
    }
};

QTEST_MAIN(SummaryWindowsTest)
#include "SummaryWindowsTest.moc"
