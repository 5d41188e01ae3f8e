// The parsimony window's thorough search, driven through the fake services.
#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>
#include <algorithm>

#include "app/Mainform.h"
#include "data/StringGrid.h"
#include "parsimony/evolutionary/CreateTree.h"
#include "parsimony/forms/OptimizeForm.h"
#include "parsimony/forms/TreeOptForm.h"
#include "parsimony/forms/UpDownEdit.h"
#include "parsimony/thorough/ThoroughRows.h"
#include "tests/gui/ParsimonyApp.h"

namespace {
const QString Example = QStringLiteral(VARNO_SOURCE_DIR "/examples/weevils.txt");

struct TApp : TParsimonyApp {
    explicit TApp(const QString& path = Example) : TParsimonyApp(path) { Main.CreateTree1Click(); }
    bool Run(std::uint64_t seed) { return Continue(seed); }
};
}  // namespace

class ThoroughWindowTest : public QObject {
    Q_OBJECT
private slots:
    void EvolutionaryStaysTheDefault()
    {
        TApp app;
        QCOMPARE(app.Optimize.SearchKind(), TFrmOptimize::TSearchKind::Evolutionary);
        QVERIFY(!Find<QWidget>(app.Optimize, "ThoroughBox")->isVisibleTo(&app.Optimize));
        QVERIFY(Find<TUpDownEdit>(app.Optimize, "Edit1")->isVisibleTo(&app.Optimize));
        app.Optimize.SetSearchKind(TFrmOptimize::TSearchKind::Thorough);
        QVERIFY(Find<QWidget>(app.Optimize, "ThoroughBox")->isVisibleTo(&app.Optimize));
        QVERIFY(!Find<TUpDownEdit>(app.Optimize, "Edit1")->isVisibleTo(&app.Optimize));
    }

    void ShortestTreesFillTheResultsWindow()
    {
        TApp app;
        app.Optimize.SetSearchKind(TFrmOptimize::TSearchKind::Thorough);
        Find<QLineEdit>(app.Optimize, "EdReplicates")->setText("6");
        Find<QLineEdit>(app.Optimize, "EdThreads")->setText("2");
        const qsizetype before = app.Main.ProtocolLines().size();
        QVERIFY(app.Run(5));
        QVERIFY(app.Ui.Errors.isEmpty());
        QVERIFY(app.Results.isVisible());
        QCOMPARE(Find<QLabel>(app.Optimize, "LabelSeed")->text(), QString("Seed = 5"));

        // The same run on the core alone.
        TThoroughSettings settings;
        settings.Seed = 5;
        settings.Replicates = 6;
        settings.Threads = 2;
        settings.TimeLimit = 60;
        TThoroughSearch core(app.Ctx.Model.CharField, app.Ctx.Model.ObjectCount,
                             app.Ctx.Model.CharacterCount, settings);
        QCOMPARE(core.Run(), TSearchStatus::Finished);
        const std::vector<QStringList> rows = Find<TStringGrid>(app.Results, "SgOpt")->Rows();
        QCOMPARE(rows, ThoroughListRows(core, '.'));
        QCOMPARE(Find<QLabel>(app.Results, "Label1")->text(),
                 QString("Optimum = Minimum = %1").arg(core.BestLength()));
        // Every row's tree is in the population with the length shown.
        TParsimonySearch* population = app.Results.Population();
        QVERIFY(population);
        QCOMPARE(population->TreeCount(), static_cast<int>(rows.size()) - 1);
        for (int k = 1; k <= population->TreeCount(); ++k)
            QCOMPARE(population->Tree(k).Fitness, static_cast<double>(core.BestLength()));
        QVERIFY(rows[1][2].startsWith("replicate "));
        // The "found by" column has room for every text it holds.
        const auto* list = Find<TStringGrid>(app.Results, "SgOpt");
        QVERIFY(std::any_of(rows.begin() + 1, rows.end(), [&](const QStringList& row) {
            return list->fontMetrics().horizontalAdvance(row[2]) >
                   list->fontMetrics().horizontalAdvance("replicate 999, ratchet 99");
        }));
        for (size_t r = 1; r < rows.size(); ++r)
            QVERIFY2(list->fontMetrics().horizontalAdvance(rows[r][2]) < list->ColWidth(2),
                     qPrintable(rows[r][2]));
        // And for the widest text a run of these settings can give.
        for (const QString& how : ThoroughHowTexts(core.Settings()))
            QVERIFY2(list->fontMetrics().horizontalAdvance(how) < list->ColWidth(2),
                     qPrintable(how));
        QVERIFY(ThoroughHowTexts(core.Settings()).contains("replicate 6, addition + TBR"));

        const QStringList protocol = app.Main.ProtocolLines().mid(before);
        QVERIFY(protocol.join('\n').contains("Thorough search: random addition sequence"));
        QVERIFY(protocol.join('\n').contains("seed: 5"));

        // "Save trees" writes them.
        QTemporaryDir dir;
        const QString path = dir.filePath("trees.nwk");
        app.Ui.SaveAnswers.enqueue(path);
        app.Results.BtnSaveTreesClick();
        QFile saved(path);
        QVERIFY(saved.open(QIODevice::ReadOnly));
        QCOMPARE(saved.readAll().count(';'), population->TreeCount());
    }

    void TheDrivenStrategyGivesTheCoresTrees()
    {
        TApp app;
        app.Optimize.SetSearchKind(TFrmOptimize::TSearchKind::Thorough);
        auto* strategy = Find<QComboBox>(app.Optimize, "CbStrategy");
        QCOMPARE(strategy->currentIndex(), 0);  // the ratchet stays the default
        strategy->setCurrentIndex(1);
        Find<QLineEdit>(app.Optimize, "EdReplicates")->setText("8");
        Find<QLineEdit>(app.Optimize, "EdThreads")->setText("2");
        const qsizetype before = app.Main.ProtocolLines().size();
        QVERIFY(app.Run(7));
        QVERIFY(app.Ui.Errors.isEmpty());
        TThoroughSettings settings;
        settings.Seed = 7;
        settings.Replicates = 8;
        settings.Threads = 2;
        settings.TimeLimit = 60;
        settings.Strategy = TThoroughStrategy::Driven;
        TThoroughSearch core(app.Ctx.Model.CharField, app.Ctx.Model.ObjectCount,
                             app.Ctx.Model.CharacterCount, settings);
        QCOMPARE(core.Run(), TSearchStatus::Finished);
        QCOMPARE(Find<TStringGrid>(app.Results, "SgOpt")->Rows(), ThoroughListRows(core, '.'));
        QVERIFY(
            app.Main.ProtocolLines().mid(before).join('\n').contains("Driven search: rounds of"));
    }

    void LongProgressTextsKeepTheWindowsWidth()
    {
        TApp app;
        app.Optimize.SetSearchKind(TFrmOptimize::TSearchKind::Thorough);
        app.Optimize.show();
        QApplication::processEvents();
        const int width = app.Optimize.width();
        for (const char* name : {"Label4", "Label3"})
            Find<QLabel>(app.Optimize, name)
                ->setText(
                    "replicate 1000 of 1000, best length 38021, 100 trees kept, "
                    "ratchet 99 of 99");
        QApplication::processEvents();
        QCOMPARE(app.Optimize.width(), width);

        // The results window keeps its default width with a long optimum too.
        QVERIFY(app.Run(5));
        QApplication::processEvents();
        const int results = app.Results.width();
        QCOMPARE(results, 973);
        Find<QLabel>(app.Results, "Label1")->setText("Optimum = Minimum = 1234567.125 (proved)");
        QApplication::processEvents();
        QCOMPARE(app.Results.width(), results);
        QVERIFY(Find<QPushButton>(app.Results, "BtnSupport")->geometry().right() <
                app.Results.width());
    }

    void BadSettingsAreRefusedBeforeAnythingRuns()
    {
        TApp app;
        app.Optimize.SetSearchKind(TFrmOptimize::TSearchKind::Thorough);
        app.ExpectRefused({{"EdTimeLimit", "0"},
                           {"EdTimeLimit", "soon"},
                           {"EdReplicates", "0"},
                           {"EdThreads", "1000"}});
    }

    // Pictures of a run for a person to look at: set VARNO_SCREENSHOT_DIR and
    // VARNO_SCREENSHOT_DATA and run under a real display (e.g. xvfb-run).
    void PicturesOfARun()
    {
        const QString out = qEnvironmentVariable("VARNO_SCREENSHOT_DIR");
        const QString data = qEnvironmentVariable("VARNO_SCREENSHOT_DATA");
        if (out.isEmpty() || data.isEmpty()) QSKIP("no picture folder or data given");
        TApp app(data);
        app.Optimize.SetSearchKind(TFrmOptimize::TSearchKind::Thorough);
        Find<QLineEdit>(app.Optimize, "EdTimeLimit")->setText("30");
        Find<QLineEdit>(app.Optimize, "EdThreads")->setText("2");
        app.Optimize.show();
        QSignalSpy finished(&app.Optimize, &TFrmOptimize::RunFinished);
        app.Optimize.SetSeed(1);
        app.Optimize.Button1Click();
        QVERIFY(app.Optimize.IsRunning());
        for (int k = 1; k <= 2 && app.Optimize.IsRunning(); ++k) {
            QTest::qWait(1200);
            app.Optimize.grab().save(QStringLiteral("%1/running-%2.png").arg(out).arg(k));
        }
        QVERIFY(finished.count() > 0 || finished.wait(120000));
        QTest::qWait(500);
        app.Results.resize(900, 600);
        QTest::qWait(300);
        app.Results.grab().save(out + "/results.png");
        app.Main.grab().save(out + "/protocol.png");
    }
};

QTEST_MAIN(ThoroughWindowTest)
#include "ThoroughWindowTest.moc"
