#include <QCheckBox>
#include <QFile>
#include <QLabel>
#include <QPlainTextEdit>
#include <QProcess>
#include <QProgressBar>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>
#include <random>

#include "app/Mainform.h"
#include "data/ImportForm.h"
#include "data/LoadForm.h"
#include "data/StringGrid.h"
#include "data/TextFile.h"
#include "graphics/TreeFromNewick.h"
#include "parsimony/evolutionary/CreateTree.h"
#include "parsimony/evolutionary/OptimizeRun.h"
#include "parsimony/evolutionary/TreeTable.h"
#include "parsimony/forms/CharFitForm.h"
#include "parsimony/forms/OptimizeForm.h"
#include "parsimony/forms/TreeOptForm.h"
#include "parsimony/forms/UpDownEdit.h"
#include "parsimony/summaries/CharFit.h"
#include "parsimony/summaries/Consensus.h"
#include "parsimony/summaries/FitStatistics.h"
#include "parsimony/treefiles/Newick.h"
#include "parsimony/treefiles/NexusTrees.h"
#include "tests/gui/ParsimonyApp.h"
#include "tests/support/BatchRun.h"
#include "tests/support/FakeUiServices.h"
#include "tests/support/FindWidget.h"

namespace {
const QString Example = QStringLiteral(VARNO_SOURCE_DIR "/examples/state-trees.txt");

// The program with its fake services, the example loaded.
struct TApp : TParsimonyApp {
    explicit TApp(const QString& path = Example) : TParsimonyApp(path) {}
    bool Run(std::uint64_t seed) { return Continue(seed); }
    // The same search on the core alone.
    std::unique_ptr<TParsimonySearch> CoreRun(std::uint64_t seed, int n, int g, bool missing) const
    {
        TSearchSettings s;
        s.TreeCount = n;
        s.Generations = g;
        s.MissingData = missing;
        s.Seed = seed;
        auto search = std::make_unique<TParsimonySearch>(Ctx.Model.CharField, Ctx.Model.ObjectCount,
                                                         Ctx.Model.CharacterCount, s);
        search->Run();
        return search;
    }
};

std::vector<QStringList> GridRows(const TStringGrid* grid) { return grid->Rows(); }

// A random data file of state trees: states s0..s5 per character, s_k derived from s_(k/2).
QString RandomDataFile(QTemporaryDir& dir, int objects, int characters, unsigned seed)
{
    std::mt19937 rng(seed);
    QStringList lines;
    QStringList header{"Taxon"};
    for (int c = 1; c <= characters; ++c) header << QStringLiteral("c%1").arg(c);
    lines << header.join('\t');
    for (int o = 1; o <= objects; ++o) {
        QStringList row{QStringLiteral("taxon%1").arg(o)};
        for (int c = 1; c <= characters; ++c) {
            const int k = static_cast<int>(rng() % 6);
            row << (k == 0 ? QStringLiteral("s0") : QStringLiteral("s%1[s%2]").arg(k).arg(k / 2));
        }
        lines << row.join('\t');
    }
    const QString path = dir.filePath(QStringLiteral("random.txt"));
    QFile f(path);
    f.open(QIODevice::WriteOnly);
    f.write(lines.join('\n').toUtf8() + '\n');
    return path;
}
}  // namespace

class ParsimonyWindowsTest : public QObject {
    Q_OBJECT
private slots:
    void JobParsimonyPreparesInOrderAndShowsTheWindow()
    {
        TApp app;
        app.Main.Windows().FrmLoad->show();
        app.Ctx.Model.MissingAsState = true;
        const qsizetype before = app.Main.ProtocolLines().size();
        app.Main.CreateTree1Click();
        const QStringList added = app.Main.ProtocolLines().mid(before);
        QCOMPARE(added.size(), 8);
        QCOMPARE(added[0], QString());
        QVERIFY(added[1].startsWith("Character Type = \"Matroschka\""));
        QCOMPARE(added.mid(4), QStringList({"", "Character type modulation successful", "",
                                            "Camin Sokal parsimony was chosen"}));
        QVERIFY(!app.Main.Windows().FrmLoad->isVisible());
        QVERIFY(!app.Ctx.Model.MissingAsState);
        QCOMPARE(app.Ctx.Model.CharField.Places.Count(), 4);
        QCOMPARE(app.Ctx.Model.CharField.Places[4].Name, QString("colour"));
        QVERIFY(app.Ctx.Model.CharField.Places[4].HasMissing);
        QVERIFY(app.Optimize.isVisible());
        QVERIFY(Find<QAction>(app.Main, "CreateTree1")->isEnabled());
        QVERIFY(Find<QAction>(app.Main, "BtnGrafic")->isEnabled());

        // The settings as they start.
        TFrmOptimize& w = app.Optimize;
        QCOMPARE(w.windowTitle(), QString("Camin - Sokal parsimony"));
        QCOMPARE(Find<QLabel>(w, "Label1")->text(), QString("Generations"));
        QCOMPARE(Find<QLabel>(w, "Label2")->text(), QString("No. of trees"));
        QCOMPARE(Find<TUpDownEdit>(w, "Edit1")->text(), QString("1000"));
        QCOMPARE(Find<TUpDownEdit>(w, "Edit2")->text(), QString("10"));
        QCOMPARE(Find<QCheckBox>(w, "CheckBox1")->text(), QString("Missing data ?"));
        QVERIFY(Find<QCheckBox>(w, "CheckBox1")->isChecked());
        QCOMPARE(Find<QPushButton>(w, "Button1")->text(), QString("Continue"));
        QVERIFY(Find<QLabel>(w, "Label3")->text().isEmpty() &&
                Find<QLabel>(w, "Label4")->text().isEmpty());
    }

    void UpDownButtonsStepWithinTheirRangeButTypedTextStays()
    {
        TApp app;
        TUpDownEdit& trees = *Find<TUpDownEdit>(app.Optimize, "Edit2");
        TUpDownEdit& generations = *Find<TUpDownEdit>(app.Optimize, "Edit1");
        trees.stepBy(1);
        QCOMPARE(trees.text(), QString("15"));
        trees.stepBy(10);
        QCOMPARE(trees.text(), QString("30"));
        generations.stepBy(-1);
        QCOMPARE(generations.text(), QString("900"));
        generations.stepBy(-100);
        QCOMPARE(generations.text(), QString("500"));
        // Typed values outside the range are kept as typed; the buttons start from the range's
        // edge.
        trees.SetText("3");
        QCOMPARE(trees.text(), QString("3"));
        trees.stepBy(1);
        QCOMPARE(trees.text(), QString("10"));
        generations.SetText("abc");
        QCOMPARE(generations.text(), QString("abc"));
    }

    void ContinueGivesTheCoreRunsResultsAndProtocol()
    {
        for (const bool missing : {true, false}) {
            TApp app;
            app.Main.CreateTree1Click();
            Find<QCheckBox>(app.Optimize, "CheckBox1")->setChecked(missing);
            Find<TUpDownEdit>(app.Optimize, "Edit1")
                ->SetText("40");  // below the buttons' range: used as typed
            const qsizetype before = app.Main.ProtocolLines().size();
            QVERIFY(app.Run(11));
            QVERIFY(!app.Optimize.IsRunning());
            QVERIFY(!app.Optimize.isVisible());
            QVERIFY(app.Results.isVisible());
            QCOMPARE(Find<QLabel>(app.Optimize, "LabelSeed")->text(), QString("Seed = 11"));
            QCOMPARE(Find<QLabel>(app.Optimize, "Label4")->text(),
                     QString("add branches randomly"));
            QCOMPARE(Find<QLabel>(app.Optimize, "Label3")->text(),
                     QString("swap branches randomly"));
            QCOMPARE(Find<QProgressBar>(app.Optimize, "ProgressBar1")->value(), 0);
            QCOMPARE(Find<QProgressBar>(app.Optimize, "ProgressBar2")->value(), 0);

            const auto core = app.CoreRun(11, 10, 40, missing);
            QCOMPARE(GridRows(Find<TStringGrid>(app.Results, "SgOpt")),
                     PopulationListRows(core->Histories(), '.'));
            QCOMPARE(Find<TStringGrid>(app.Results, "SgOpt")->Cell(0, 0), OptLegend);
            QCOMPARE(Find<QLabel>(app.Results, "Label1")->text(),
                     OptimumText(core->FindBestTree().second, '.'));

            // The batch tool gives the same list for the same seed.
            QTemporaryDir dir;
            const QString table = dir.filePath("table.txt");
            QStringList args{"parsimony", Example, "--generations", "40",
                             "--seed",    "11",    "--table",       table};
            if (!missing) args << "--no-missing";
            QProcess batch;
            batch.start(QStringLiteral(VARNO_BATCH), args);
            QVERIFY(batch.waitForFinished(60000));
            QCOMPARE(batch.exitCode(), 0);
            QFile tableFile(table);
            QVERIFY(tableFile.open(QIODevice::ReadOnly));
            QCOMPARE(tableFile.readAll(),
                     EncodeTextTable(GridRows(Find<TStringGrid>(app.Results, "SgOpt"))));
            QVERIFY(batch.readAllStandardOutput().contains(
                Find<QLabel>(app.Results, "Label1")->text().toUtf8()));

            QStringList expected{"", "10 trees are created",
                                 "40 generations of branch swapping are calculated for each tree"};
            if (missing)
                expected << "Missing data (\"?\") are expected";
            else
                expected << "no missing data (\"?\") are expected"
                         << "WARNING: if your data file contains \"?\", the computation will be "
                            "errorness!";
            expected << ""
                     << "";
            QCOMPARE(app.Main.ProtocolLines().mid(before), expected);

            // Row 1 is selected; another row shows its tree.
            QCOMPARE(app.Results.SelectedSlot(), 1);
            QCOMPARE(GridRows(Find<TStringGrid>(app.Results, "SgTree")),
                     TreeTableRows(core->Tree(1), core->CharField().Names, '.'));
            Find<TStringGrid>(app.Results, "SgOpt")->setCurrentCell(4, 1);
            QCOMPARE(app.Results.SelectedSlot(), 4);
            QCOMPARE(GridRows(Find<TStringGrid>(app.Results, "SgTree")),
                     TreeTableRows(core->Tree(4), core->CharField().Names, '.'));
            QCOMPARE(Find<TStringGrid>(app.Results, "SgTree")->RowCount(), 7);
            QCOMPARE(Find<TStringGrid>(app.Results, "SgTree")->Cell(3, 6), QString("Fitness"));
        }
    }

    void TreeCompatibilityTableSaveAndSpreadsheet()
    {
        TApp app;
        app.Main.CreateTree1Click();
        Find<QCheckBox>(app.Optimize, "CheckBox1")
            ->setChecked(false);  // the table still counts on missing-data states
        Find<TUpDownEdit>(app.Optimize, "Edit1")->SetText("20");
        QVERIFY(app.Run(5));
        Find<TStringGrid>(app.Results, "SgOpt")->setCurrentCell(2, 0);
        auto core = app.CoreRun(5, 10, 20, false);
        TTree counted = core->UseMissingDataRule(2);
        const std::vector<QStringList> expected = CharFitTable(counted, core->CharField());

        app.Results.BtnCharFitClick();
        TFrmCharFit& fit = *app.Main.Windows().FrmCharFit;
        QVERIFY(fit.isVisible());
        QCOMPARE(fit.windowTitle(), QString("Compatibility of characters"));
        // The fit statistics follow at the right; Save keeps the five columns.
        std::vector<QStringList> shown = expected;
        const TFitStatistics stats = FitStatistics(core->Tree(2), core->CharField(), true);
        shown[0] += FitStatisticsHeader().mid(1);
        for (size_t r = 1; r < shown.size(); ++r)
            shown[r] += FitStatisticsCells(stats.Characters[r]);
        QCOMPARE(GridRows(Find<TStringGrid>(fit, "StringGrid1")), shown);
        QCOMPARE(Find<TStringGrid>(fit, "StringGrid1")->Cell(1, 4),
                 QString("1 + ?"));  // colour: "red" and "Red" are one state

        // The results window shows the recomputed fits on its next activation.
        app.Results.FormActivate();
        QCOMPARE(GridRows(Find<TStringGrid>(app.Results, "SgTree")),
                 TreeTableRows(core->Tree(2), core->CharField().Names, '.'));

        QTemporaryDir dir;
        const QString path = dir.filePath("Compatibility.txt");
        app.Ui.SaveAnswers.enqueue(path);
        fit.Button2Click();
        QCOMPARE(app.Ui.SaveCalls.last().InitialName, QString("Compatibility"));
        QCOMPARE(app.Ui.SaveCalls.last().DefaultSuffix, QString("txt"));
        QFile saved(path);
        QVERIFY(saved.open(QIODevice::ReadOnly));
        const QByteArray bytes = saved.readAll();
        QCOMPARE(bytes, EncodeTextTable(expected));
        QVERIFY(bytes.startsWith(
            "Characters\tNo of states\tEvolutionary steps\tCompatibility\tHomoplasy\r\n"));
        fit.Button2Click();  // cancelled: nothing
        QVERIFY(app.Ui.Errors.isEmpty());

        // A new run keeps the selected row and shows its new tree.
        QVERIFY(app.Run(6));
        QCOMPARE(app.Results.SelectedSlot(), 2);
        core = app.CoreRun(6, 10, 20, false);
        QCOMPARE(GridRows(Find<TStringGrid>(app.Results, "SgTree")),
                 TreeTableRows(core->Tree(2), core->CharField().Names, '.'));

        // Start Excel opens the data file, then the loader's dialog.
        const qsizetype opens = app.Ui.OpenCalls.size();
        fit.Button1Click();
        QCOMPARE(app.Ui.OpenedInApplication, QStringList{Example});
        QCOMPARE(app.Ui.OpenCalls.size(), opens + 1);
    }

    void SaveTreesWritesThePopulationAsNewick()
    {
        TApp app;
        app.Main.CreateTree1Click();
        Find<TUpDownEdit>(app.Optimize, "Edit2")->SetText("6");
        Find<TUpDownEdit>(app.Optimize, "Edit1")->SetText("30");
        QVERIFY(app.Run(21));
        QTemporaryDir dir;
        const QString path = dir.filePath("Trees.nwk");
        app.Ui.SaveAnswers.enqueue(path);
        app.Results.BtnSaveTreesClick();
        QCOMPARE(app.Ui.SaveCalls.last().InitialName, QString("Trees"));
        QCOMPARE(app.Ui.SaveCalls.last().DefaultSuffix, QString("nwk"));
        QFile f(path);
        QVERIFY(f.open(QIODevice::ReadOnly));
        const QByteArray bytes = f.readAll();
        QCOMPARE(bytes.count("\r\n"), 6);
        const TResult<TNewickTrees> read = ReadNewick(QString::fromUtf8(bytes));
        QVERIFY2(read.Ok(), qPrintable(read.Error()));
        QCOMPARE(read->Trees.size(), size_t(6));
        const TParsimonySearch& population = *app.Results.Population();
        for (int k = 1; k <= 6; ++k) {
            TResult<TTree> tree = NewickToTree(read->Trees[static_cast<size_t>(k - 1)],
                                               population.CharField().Names, 6);
            QVERIFY2(tree.Ok(), qPrintable(tree.Error()));
            EvaluateTree(*tree, population.CharField(), true);
            QCOMPARE(tree->Fitness, population.Tree(k).Fitness);
        }
        // A .nex name gives a NEXUS TREES block with the same trees.
        app.Ui.SaveAnswers.enqueue(dir.filePath("Trees.nex"));
        app.Results.BtnSaveTreesClick();
        QFile nex(dir.filePath("Trees.nex"));
        QVERIFY(nex.open(QIODevice::ReadOnly));
        const TResult<TNewickTrees> nexus = ReadTreeText(QString::fromUtf8(nex.readAll()));
        QVERIFY2(nexus.Ok(), qPrintable(nexus.Error()));
        QCOMPARE(nexus->Trees.size(), size_t(6));
        for (size_t k = 0; k < 6; ++k) {
            TResult<TTree> a = NewickToTree(nexus->Trees[k], population.CharField().Names, 6);
            TResult<TTree> b = NewickToTree(read->Trees[k], population.CharField().Names, 6);
            QVERIFY2(a.Ok(), qPrintable(a.Error()));
            QCOMPARE(WriteNewick(*a, population.CharField().Names),
                     WriteNewick(*b, population.CharField().Names));
        }
        // A file that cannot be written is reported; the old one stays.
        app.Ui.SaveAnswers.enqueue(dir.filePath("no/such/folder/Trees.nwk"));
        app.Results.BtnSaveTreesClick();
        QCOMPARE(app.Ui.Errors.size(), 1);
    }

    void SaveShortestTreesOnceEachWithTheirLengths()
    {
        TApp app;
        app.Main.CreateTree1Click();
        Find<TUpDownEdit>(app.Optimize, "Edit2")->SetText("20");
        Find<TUpDownEdit>(app.Optimize, "Edit1")->SetText("40");
        QVERIFY(app.Run(7));
        const TParsimonySearch& population = *app.Results.Population();
        const std::vector<QString>& names = population.CharField().Names;
        QTemporaryDir dir;
        const QString newickShortest =
            "Newick, shortest trees, each topology once (*.nwk *.tre *.tree)";
        const QString nexusShortest =
            "NEXUS, shortest trees, each topology once (*.nex *.nexus *.nxs)";

        // The default writes the whole list, byte for byte as before: no comments.
        QStringList all;
        double shortest = population.Tree(1).Fitness;
        for (int k = 1; k <= population.TreeCount(); ++k) {
            all << WriteNewick(population.Tree(k), names);
            shortest = std::min(shortest, population.Tree(k).Fitness);
        }
        app.Ui.SaveAnswers.enqueue(dir.filePath("all.nwk"));
        app.Results.BtnSaveTreesClick();
        // Today's two file types come first, the first is the default.
        QCOMPARE(app.Ui.SaveCalls.last().Filter,
                 QStringList({"Newick (*.nwk *.tre *.tree)", "NEXUS (*.nex *.nexus *.nxs)",
                              newickShortest, nexusShortest})
                     .join(";;"));
        QFile allFile(dir.filePath("all.nwk"));
        QVERIFY(allFile.open(QIODevice::ReadOnly));
        QCOMPARE(allFile.readAll(), EncodeTextLines(all));

        const QString path = dir.filePath("shortest.nwk");
        app.Ui.SaveAnswers.enqueue(path);
        app.Ui.SaveFilterAnswers.enqueue(newickShortest);
        app.Results.BtnSaveTreesClick();
        QFile f(path);
        QVERIFY(f.open(QIODevice::ReadOnly));
        const QString text = QString::fromUtf8(f.readAll());
        QStringList lines = text.split("\r\n");
        QCOMPARE(lines.takeLast(), QString());
        const QString comment = QStringLiteral("[length=%1] ").arg(shortest);
        for (const QString& line : lines) QVERIFY2(line.startsWith(comment), qPrintable(line));

        // Each shortest topology of the list once, none longer (groups read back
        // from the file, against those of the list).
        const TResult<TNewickTrees> read = ReadNewick(text);
        QVERIFY2(read.Ok(), qPrintable(read.Error()));
        QCOMPARE(read->Trees.size(), size_t(lines.size()));
        std::vector<TNewickTree> both = read->Trees;
        for (int k = 1; k <= population.TreeCount(); ++k)
            if (population.Tree(k).Fitness == shortest)
                both.push_back(ReadNewick(all[k - 1])->Trees.front());
        const TResult<TNewickSet> groups = CladesOfNewick(both);
        QVERIFY2(groups.Ok(), qPrintable(groups.Error()));
        const size_t saved = read->Trees.size();
        QVERIFY(both.size() > saved + 1);      // several shortest trees in the list...
        QVERIFY(saved < both.size() - saved);  // ...some of them alike
        for (size_t i = 0; i < saved; ++i)
            for (size_t j = i + 1; j < saved; ++j)
                QVERIFY(groups->Input.Trees[i] != groups->Input.Trees[j]);
        for (size_t j = saved; j < both.size(); ++j) {
            bool found = false;
            for (size_t i = 0; i < saved; ++i)
                found |= groups->Input.Trees[i] == groups->Input.Trees[j];
            QVERIFY(found);
        }

        // Every reader of ours skips the comments: the search trees, the drawing,
        // and the batch tool's score and draw.
        for (const TNewickTree& tree : read->Trees) {
            TResult<TTree> back = NewickToTree(tree, names, app.Ctx.Model.ObjectCount);
            QVERIFY2(back.Ok(), qPrintable(back.Error()));
            EvaluateTree(*back, population.CharField(), true);
            QCOMPARE(back->Fitness, shortest);
            TadaTreeNodes nodes;
            const TStatus drawn = NewickToTreeNodes(tree, nodes);
            QVERIFY2(drawn.Ok(), qPrintable(drawn.Error()));
        }
        const TBatchText score = RunBatchText({"score", Example, path});
        QCOMPARE(score.Exit, 0);
        QCOMPARE(score.Out.split('\n', Qt::SkipEmptyParts),
                 QStringList(lines.size(), QString::number(shortest)));
        const TBatchText draw = RunBatchText({"draw", path, "-o", dir.filePath("t.svg")});
        QVERIFY2(draw.Exit == 0, qPrintable(draw.Err));
        QVERIFY(QFile::exists(dir.filePath("t.svg")));

        // As NEXUS: the same trees, each with its length comment.
        app.Ui.SaveAnswers.enqueue(dir.filePath("shortest.nex"));
        app.Ui.SaveFilterAnswers.enqueue(nexusShortest);
        app.Results.BtnSaveTreesClick();
        QFile nex(dir.filePath("shortest.nex"));
        QVERIFY(nex.open(QIODevice::ReadOnly));
        const QString nexus = QString::fromUtf8(nex.readAll());
        QCOMPARE(nexus.count(comment), lines.size());
        const TResult<TNewickTrees> nexusRead = ReadTreeText(nexus);
        QVERIFY2(nexusRead.Ok(), qPrintable(nexusRead.Error()));
        QCOMPARE(nexusRead->Trees.size(), read->Trees.size());
        const TBatchText nexusScore =
            RunBatchText({"score", Example, dir.filePath("shortest.nex")});
        QCOMPARE(nexusScore.Out, score.Out);
    }

    void InvalidSettingsAreRefusedBeforeAnythingIsComputed()
    {
        TApp app;
        app.Main.CreateTree1Click();
        const QStringList protocol = app.Main.ProtocolLines();
        struct Case {
            QString Trees, Generations, Message;
        };
        const Case cases[] = {{"10", "abc", "'abc' is not a valid integer value"},
                              {"1x", "1000", "'1x' is not a valid integer value"},
                              {"0", "1000", ""},
                              {"256", "1000", ""},
                              {"10", "-5", ""}};
        for (const Case& c : cases) {
            app.Ui.Errors.clear();
            Find<TUpDownEdit>(app.Optimize, "Edit2")->SetText(c.Trees);
            Find<TUpDownEdit>(app.Optimize, "Edit1")->SetText(c.Generations);
            app.Optimize.Button1Click();
            QVERIFY(!app.Optimize.IsRunning());
            QCOMPARE(app.Ui.Errors.size(), 1);
            if (!c.Message.isEmpty()) QCOMPARE(app.Ui.Errors[0], c.Message);
            QCOMPARE(Find<QLabel>(app.Optimize, "LabelSeed")->text(), QString());
            QVERIFY(Find<QLabel>(app.Optimize, "Label4")->text().isEmpty());
        }
        QCOMPARE(app.Main.ProtocolLines(), protocol);
        QCOMPARE(app.Results.Population(), nullptr);

        // Another job replaced the coding.
        Find<TUpDownEdit>(app.Optimize, "Edit2")->SetText("10");
        Find<TUpDownEdit>(app.Optimize, "Edit1")->SetText("10");
        app.Main.Cramer1Click();
        app.Ui.Errors.clear();
        app.Optimize.Button1Click();
        QVERIFY(!app.Optimize.IsRunning());
        QCOMPARE(app.Ui.Errors, QStringList{CodingOutdated});

        // Data loaded after Job > Parsimony are not coded yet.
        app.Main.CreateTree1Click();
        QTemporaryDir dir;
        app.Ui.OpenAnswers.enqueue(RandomDataFile(dir, 6, 3, 1));
        app.Main.Text1Click();
        app.Ui.Errors.clear();
        app.Optimize.Button1Click();
        QVERIFY(!app.Optimize.IsRunning());
        QCOMPARE(app.Ui.Errors, QStringList{CodingOutdated});

        // A transposed matrix is other data.
        app.Main.CreateTree1Click();
        app.Main.Windows().FrmImport->Button3Click();
        app.Ui.Errors.clear();
        app.Optimize.Button1Click();
        QVERIFY(!app.Optimize.IsRunning());
        QCOMPARE(app.Ui.Errors, QStringList{CodingOutdated});

        // Fewer than three objects.
        QFile two(dir.filePath("two.txt"));
        QVERIFY(two.open(QIODevice::WriteOnly));
        two.write("Taxon\tc\na\tA\nb\tB[A]\n");
        two.close();
        app.Ui.OpenAnswers.enqueue(two.fileName());
        app.Main.Text1Click();
        app.Main.CreateTree1Click();
        app.Ui.Errors.clear();
        app.Optimize.Button1Click();
        QVERIFY(!app.Optimize.IsRunning());
        QCOMPARE(app.Ui.Errors.size(), 1);
        QVERIFY(app.Ui.Errors[0].contains("at least 3 objects"));
    }

    void CancelLeavesAConsistentPopulationAndRefusesASecondStart()
    {
        QTemporaryDir dir;
        TApp app(RandomDataFile(dir, 40, 30, 3));
        app.Main.CreateTree1Click();
        Find<TUpDownEdit>(app.Optimize, "Edit1")->SetText("100000000");
        QSignalSpy finished(&app.Optimize, &TFrmOptimize::RunFinished);
        app.Optimize.SetSeed(3);
        app.Optimize.Button1Click();
        QVERIFY(app.Optimize.IsRunning());
        QVERIFY(!Find<QPushButton>(app.Optimize, "Button1")->isEnabled());
        QVERIFY(Find<QPushButton>(app.Optimize, "BtnCancel")->isEnabled());
        app.Optimize.Button1Click();  // a second start is refused
        QCOMPARE(app.Ui.Informations.size(), 1);
        QTRY_VERIFY_WITH_TIMEOUT(Find<QProgressBar>(app.Optimize, "ProgressBar2")->value() > 1,
                                 60000);
        QCOMPARE(Find<QLabel>(app.Optimize, "Label3")->text(), QString("swap branches randomly"));
        const qsizetype before = app.Main.ProtocolLines().size();
        app.Optimize.BtnCancelClick();
        QVERIFY(finished.wait(60000));
        QVERIFY(!app.Optimize.IsRunning());
        QVERIFY(Find<QPushButton>(app.Optimize, "Button1")->isEnabled());

        TParsimonySearch* population = app.Results.Population();
        QVERIFY(population);
        QCOMPARE(population->TreeCount(), 10);
        QVERIFY(population->GenerationsDone() > 0);
        QVERIFY(population->GenerationsDone() < 100000000);
        for (int k = 1; k <= 10; ++k) {
            TTree copy = population->Tree(k);
            QVERIFY(IsConsistentTree(copy, 40));
            const double length = copy.Fitness;
            EvaluateTree(copy, population->CharField(), true);
            QCOMPARE(copy.Fitness, length);
        }
        QCOMPARE(GridRows(Find<TStringGrid>(app.Results, "SgOpt")),
                 PopulationListRows(population->Histories(), '.'));
        QCOMPARE(Find<QLabel>(app.Results, "Label1")->text(),
                 OptimumText(population->FindBestTree().second, '.'));
        QVERIFY(app.Results.isVisible());
        const QStringList added = app.Main.ProtocolLines().mid(before);
        QCOMPARE(added.size(), 5);
        QVERIFY(added[1].startsWith("The run was cancelled: 10 of 10 trees were created, "));
        QCOMPARE(added[2], QString("Missing data (\"?\") are expected"));
    }

    void ClosingTheWindowCancelsAndClosingTheProgramStopsTheWorker()
    {
        QTemporaryDir dir;
        const QString data = RandomDataFile(dir, 30, 20, 4);
        {
            TApp app(data);
            app.Main.CreateTree1Click();
            Find<TUpDownEdit>(app.Optimize, "Edit1")->SetText("100000000");
            QSignalSpy finished(&app.Optimize, &TFrmOptimize::RunFinished);
            app.Optimize.Button1Click();
            QVERIFY(app.Optimize.IsRunning());
            QTRY_VERIFY_WITH_TIMEOUT(Find<QProgressBar>(app.Optimize, "ProgressBar2")->value() > 0,
                                     60000);
            QVERIFY(!app.Optimize.close());  // refused while running, but the run stops
            QVERIFY(finished.wait(60000));
            QVERIFY(!app.Optimize.isVisible());
            QVERIFY(app.Results.Population());
        }
        QElapsedTimer clock;
        clock.start();
        {
            TApp app(data);
            app.Main.CreateTree1Click();
            Find<TUpDownEdit>(app.Optimize, "Edit1")->SetText("100000000");
            app.Optimize.Button1Click();
            QVERIFY(app.Optimize.IsRunning());
        }  // the program ends while the search runs
        QVERIFY(clock.elapsed() < 30000);
    }

    void ResultsWindowBeforeAnyRunDoesNothingHarmful()
    {
        TApp app;
        app.Main.BtnGraficClick();
        QVERIFY(app.Results.isVisible());
        QCOMPARE(app.Results.windowTitle(), QString("Trees"));
        QCOMPARE(Find<QPushButton>(app.Results, "BtnCharFit")->text(),
                 QString("Tree compatibility"));
        QCOMPARE(Find<QPushButton>(app.Results, "TreeBTN")->text(), QString("Grafic"));
        QCOMPARE(Find<TStringGrid>(app.Results, "SgOpt")->ColCount(), 3);
        QCOMPARE(Find<TStringGrid>(app.Results, "SgOpt")->ColWidth(0), 394);
        QCOMPARE(Find<TStringGrid>(app.Results, "SgTree")->ColCount(), 5);
        QCOMPARE(Find<TStringGrid>(app.Results, "SgOpt")->RowCount(), 1);
        app.Results.FormActivate();
        app.Results.SgOptClick();
        app.Results.BtnCharFitClick();
        app.Results.TreeBTNClick();
        app.Results.BtnSaveTreesClick();
        QVERIFY(!app.Main.Windows().FrmCharFit->isVisible());
        QVERIFY(app.Ui.SaveCalls.isEmpty());
        QVERIFY(app.Ui.Errors.isEmpty());
        QCOMPARE(Find<TStringGrid>(app.Results, "SgTree")->RowCount(), 1);
    }
};

QTEST_MAIN(ParsimonyWindowsTest)
#include "ParsimonyWindowsTest.moc"
