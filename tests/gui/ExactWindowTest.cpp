// The parsimony window's exact search, driven through the fake services.
#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>
#include <random>

#include "app/Mainform.h"
#include "data/StringGrid.h"
#include "parsimony/evolutionary/CreateTree.h"
#include "parsimony/exact/ExactRows.h"
#include "parsimony/exact/ExactSearch.h"
#include "parsimony/forms/CharFitForm.h"
#include "parsimony/forms/OptimizeForm.h"
#include "parsimony/forms/TreeOptForm.h"
#include "parsimony/forms/UpDownEdit.h"
#include "parsimony/summaries/CharFit.h"
#include "tests/gui/ParsimonyApp.h"

namespace {
const QString Example = QStringLiteral(VARNO_SOURCE_DIR "/examples/weevils.txt");

// Random binary characters "1[0]" / "0": hard for branch and bound.
QString RandomDataFile(const QString& dir, int objects, int characters)
{
    std::mt19937_64 rng(static_cast<std::uint64_t>(objects * 1000 + characters));
    QString text = QStringLiteral("Name");
    for (int c = 1; c <= characters; ++c) text += QStringLiteral("\tC%1").arg(c);
    text += QStringLiteral("\r\n");
    for (int o = 1; o <= objects; ++o) {
        text += QStringLiteral("Taxon%1").arg(o);
        for (int c = 1; c <= characters; ++c)
            text += std::uniform_int_distribution<int>(0, 1)(rng) ? QStringLiteral("\t1[0]")
                                                                  : QStringLiteral("\t0");
        text += QStringLiteral("\r\n");
    }
    const QString path = dir + QStringLiteral("/random%1.txt").arg(objects);
    QFile f(path);
    if (f.open(QIODevice::WriteOnly)) f.write(text.toUtf8());
    return path;
}

struct TApp : TParsimonyApp {
    explicit TApp(const QString& path = Example) : TParsimonyApp(path)
    {
        Main.CreateTree1Click();
        Optimize.SetSearchKind(TFrmOptimize::TSearchKind::Exact);
        Find<QLineEdit>(Optimize, "EdExactThreads")->setText("2");
    }
    QString Protocol(qsizetype from) const { return Main.ProtocolLines().mid(from).join('\n'); }
    // The run's lengths agree: the optimum shown, every row, every tree.
    void CheckResultsAgree(std::int64_t optimum)
    {
        QCOMPARE(Find<QLabel>(Results, "Label1")->text(),
                 QString("Optimum = Minimum = %1").arg(optimum));
        const std::vector<QStringList> rows = Find<TStringGrid>(Results, "SgOpt")->Rows();
        TParsimonySearch* population = Results.Population();
        QVERIFY(population);
        QCOMPARE(population->TreeCount(), static_cast<int>(rows.size()) - 1);
        for (int k = 1; k <= population->TreeCount(); ++k) {
            QCOMPARE(rows[static_cast<size_t>(k)][1], QString::number(optimum));
            QCOMPARE(population->Tree(k).Fitness, static_cast<double>(optimum));
        }
    }
};

QString LineAfter(const QString& protocol, const QString& key)
{
    for (const QString& line : protocol.split('\n'))
        if (line.startsWith(key)) return line.mid(key.size());
    return {};
}
}  // namespace

class ExactWindowTest : public QObject {
    Q_OBJECT
private slots:
    void KindsAndTheirSettings()
    {
        TFakeUiServices ui;
        TAppContext ctx{ui};
        TFrmMain main{ctx};
        TFrmOptimize& w = *main.Windows().FrmOptimize;
        QCOMPARE(w.SearchKind(), TFrmOptimize::TSearchKind::Evolutionary);
        QCOMPARE(Find<QComboBox>(w, "CbKind")->count(), 3);
        QCOMPARE(Find<QComboBox>(w, "CbKind")->itemText(0),
                 QString("Evolutionary (random addition, random swaps)"));
        QCOMPARE(Find<QComboBox>(w, "CbKind")->itemText(1), QString("Thorough (TBR + ratchet)"));
        QCOMPARE(Find<QComboBox>(w, "CbKind")->itemText(2), QString("Exact (branch and bound)"));
        QVERIFY(!Find<QWidget>(w, "ExactBox")->isVisibleTo(&w));
        w.SetSearchKind(TFrmOptimize::TSearchKind::Exact);
        QCOMPARE(w.SearchKind(), TFrmOptimize::TSearchKind::Exact);
        QVERIFY(Find<QWidget>(w, "ExactBox")->isVisibleTo(&w));
        QVERIFY(!Find<QWidget>(w, "ThoroughBox")->isVisibleTo(&w));
        QVERIFY(!Find<TUpDownEdit>(w, "Edit1")->isVisibleTo(&w));
        w.SetSearchKind(TFrmOptimize::TSearchKind::Thorough);
        QVERIFY(!Find<QWidget>(w, "ExactBox")->isVisibleTo(&w));
        QVERIFY(Find<QWidget>(w, "ThoroughBox")->isVisibleTo(&w));
    }

    void ProvedOptimumFillsTheResultsWindow()
    {
        TApp app;
        const qsizetype before = app.Main.ProtocolLines().size();
        QSignalSpy finished(&app.Optimize, &TFrmOptimize::RunFinished);
        app.Optimize.Button1Click();
        QVERIFY(app.Optimize.IsRunning());
        QVERIFY(finished.wait(120000));
        QVERIFY(app.Ui.Errors.isEmpty());
        QVERIFY(app.Ui.Informations.isEmpty());  // 10 objects: no warning
        QVERIFY(app.Results.isVisible());

        // The same search on the core alone, with one thread.
        TExactSettings settings;
        settings.Threads = 1;
        TExactSearch core(app.Ctx.Model.CharField, app.Ctx.Model.ObjectCount,
                          app.Ctx.Model.CharacterCount, settings);
        const TResult<TExactResult> run = core.Run();
        QVERIFY(run.Ok());
        const TExactResult& r = *run;
        QVERIFY(r.Proved);
        QCOMPARE(Find<TStringGrid>(app.Results, "SgOpt")->Rows(), ExactListRows(r, '.'));
        QCOMPARE(static_cast<std::uint64_t>(r.Trees.size()), r.OptimalTrees);
        app.CheckResultsAgree(r.Optimum);
        QCOMPARE(Find<TStringGrid>(app.Results, "SgOpt")->Rows()[1][2],
                 QString("branch and bound"));
        // The trees are the core's, in its order.
        TParsimonySearch* population = app.Results.Population();
        for (size_t k = 0; k < r.Trees.size(); ++k)
            QCOMPARE(TreeClades(population->Tree(static_cast<int>(k) + 1)), TreeClades(r.Trees[k]));

        const QString protocol = app.Protocol(before);
        QVERIFY(protocol.contains(
            "Exact search (branch and bound) over every rooted binary tree of 10 objects"));
        QVERIFY(
            protocol.contains("Settings: time limit 600 s, at most 1000 trees kept, 2 threads"));
        QVERIFY(protocol.contains("\nproved optimal\n"));
        QCOMPARE(LineAfter(protocol, "Optimum = Minimum = "), QString::number(r.Optimum));
        QCOMPARE(LineAfter(protocol, "Optimal trees = "), r.OptimalTreesText);
        QCOMPARE(LineAfter(protocol, "Proved = "), QString("yes"));

        // "Tree compatibility" and "Save trees" work on the exact trees.
        Find<TStringGrid>(app.Results, "SgOpt")
            ->setCurrentCell(static_cast<int>(r.Trees.size()), 0);
        app.Results.BtnCharFitClick();
        QVERIFY(app.Main.Windows().FrmCharFit->isVisible());
        // The character fit's own columns; the fit statistics follow them.
        std::vector<QStringList> shown =
            Find<TStringGrid>(app.Main.Windows().FrmCharFit, "StringGrid1")->Rows();
        for (QStringList& row : shown) row = row.mid(0, CharFitHeader().size());
        TTree counted = population->Tree(static_cast<int>(r.Trees.size()));
        QCOMPARE(shown, CharFitTable(counted, population->CharField()));
        QTemporaryDir dir;
        const QString path = dir.filePath("trees.nwk");
        app.Ui.SaveAnswers.enqueue(path);
        app.Results.BtnSaveTreesClick();
        QFile saved(path);
        QVERIFY(saved.open(QIODevice::ReadOnly));
        QCOMPARE(saved.readAll().count(';'), static_cast<qsizetype>(r.Trees.size()));
    }

    void BadSettingsAndTooManyObjectsRunNothing()
    {
        QTemporaryDir dir;
        TApp big(RandomDataFile(dir.path(), 41, 4));
        const qsizetype before = big.Main.ProtocolLines().size();
        big.Optimize.Button1Click();
        QVERIFY(!big.Optimize.IsRunning());
        QCOMPARE(big.Ui.Errors, QStringList{ValidateExactSearch(41, TExactSettings()).Error() +
                                            " Choose the search \"Thorough (TBR + ratchet)\"."});
        QVERIFY(big.Ui.Errors.first().contains("40"));
        QCOMPARE(big.Main.ProtocolLines().size(), before);
        QVERIFY(!big.Results.Population());

        TApp app;
        app.ExpectRefused({{"EdExactTimeLimit", "0"},
                           {"EdExactTimeLimit", "soon"},
                           {"EdMaxTrees", "0"},
                           {"EdMaxTrees", "many"},
                           {"EdExactThreads", "0"}});
    }

    // Stopped by the time limit or by cancel: not proved, the lower bound
    // reported, and the list, the optimum and the trees still agree.
    void StoppedRunsStayConsistent()
    {
        QTemporaryDir dir;
        {
            TApp app(RandomDataFile(dir.path(), 30, 40));
            Find<QLineEdit>(app.Optimize, "EdExactTimeLimit")->setText("1");
            const qsizetype before = app.Main.ProtocolLines().size();
            QSignalSpy finished(&app.Optimize, &TFrmOptimize::RunFinished);
            app.Optimize.Button1Click();
            QCOMPARE(app.Ui.Informations, QStringList{ExactSearchWarning(30)});
            QVERIFY(finished.wait(60000));
            const QString protocol = app.Protocol(before);
            QVERIFY(protocol.contains("not proved (stopped after"));
            QVERIFY(protocol.contains("by the time limit of 1 s)"));
            QCOMPARE(LineAfter(protocol, "Proved = "), QString("no"));
            const std::int64_t optimum = LineAfter(protocol, "Optimum = Minimum = ").toLongLong();
            QVERIFY(LineAfter(protocol, "Lower bound = ").toLongLong() <= optimum);
            app.CheckResultsAgree(optimum);
            QCOMPARE(Find<TStringGrid>(app.Results, "SgOpt")->Rows()[1][2],
                     QString("branch and bound, not proved"));
        }
        TApp app(RandomDataFile(dir.path(), 24, 40));
        Find<QLineEdit>(app.Optimize, "EdExactTimeLimit")
            ->setText("");  // no limit: only cancel stops it
        const qsizetype before = app.Main.ProtocolLines().size();
        QSignalSpy finished(&app.Optimize, &TFrmOptimize::RunFinished);
        app.Optimize.Button1Click();
        QVERIFY(app.Ui.Informations.isEmpty());
        QTest::qWait(1500);
        QVERIFY(app.Optimize.IsRunning());
        app.Optimize.BtnCancelClick();
        QVERIFY(finished.wait(60000));
        QVERIFY(!app.Optimize.IsRunning());
        QVERIFY(app.Ui.Errors.isEmpty());
        const QString protocol = app.Protocol(before);
        QVERIFY(protocol.contains("Settings: no time limit"));
        QVERIFY(protocol.contains("by a cancel)"));
        const std::int64_t optimum = LineAfter(protocol, "Optimum = Minimum = ").toLongLong();
        const std::int64_t bound = LineAfter(protocol, "Lower bound = ").toLongLong();
        QVERIFY(bound > 0 && bound <= optimum);
        app.CheckResultsAgree(optimum);
        // The window is ready for the next run.
        QVERIFY(Find<QPushButton>(app.Optimize, "Button1")->isEnabled());
        QVERIFY(Find<QWidget>(app.Optimize, "ExactBox")->isEnabled());
    }

    // Data loaded while a run goes on do not change what it found: the trees
    // are of the data the run was started on.
    void DataLoadedDuringARunLeaveItsTreesAlone()
    {
        QTemporaryDir dir;
        TApp app(RandomDataFile(dir.path(), 24, 40));
        Find<QLineEdit>(app.Optimize, "EdExactTimeLimit")->setText("");
        QSignalSpy finished(&app.Optimize, &TFrmOptimize::RunFinished);
        app.Optimize.Button1Click();
        QVERIFY(app.Optimize.IsRunning());
        app.Ui.OpenAnswers.enqueue(Example);
        app.Main.Text1Click();
        QTest::qWait(1000);  // past the first upper bound, so trees are kept
        QVERIFY(app.Optimize.IsRunning());
        app.Optimize.BtnCancelClick();
        QVERIFY(finished.wait(60000));
        QVERIFY(app.Ui.Errors.isEmpty());
        TParsimonySearch* population = app.Results.Population();
        QVERIFY(population);
        QCOMPARE(population->CharField().Names.Count(), 24);
        QCOMPARE(population->CharField().Names[24], QString("Taxon24"));
        const double optimum = population->FindBestTree().second;
        for (int k = 1; k <= population->TreeCount(); ++k) {
            TTree tree = population->Tree(k);
            EvaluateTree(tree, population->CharField(), true);
            QCOMPARE(tree.Fitness, optimum);
        }
    }

    // A picture of the window after a run for a person to look at: set
    // VARNO_SCREENSHOT_DIR and run under a real display (e.g. xvfb-run).
    void PictureAfterARun()
    {
        const QString out = qEnvironmentVariable("VARNO_SCREENSHOT_DIR");
        if (out.isEmpty()) QSKIP("no picture folder given");
        TApp app;
        app.Optimize.show();
        QSignalSpy finished(&app.Optimize, &TFrmOptimize::RunFinished);
        app.Optimize.Button1Click();
        QVERIFY(finished.wait(60000));
        app.Optimize.show();
        app.Results.resize(900, 600);
        QTest::qWait(500);
        app.Optimize.grab().save(out + "/exact-window.png");
        app.Results.grab().save(out + "/exact-results.png");
        app.Main.grab().save(out + "/exact-protocol.png");
    }
};

QTEST_MAIN(ExactWindowTest)
#include "ExactWindowTest.moc"
