#include <QAction>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QPushButton>
#include <QTemporaryDir>
#include <QtTest>

#include "analyses/DistMatForm.h"
#include "app/Mainform.h"
#include "data/LoadForm.h"
#include "data/StringGrid.h"
#include "tests/support/FakeUiServices.h"
#include "tests/support/FindWidget.h"

namespace {
const char* const Data =
    "Taxon\tlegs\twings\tcolour\n"
    "alpha\tA[ ]\tX[ ]\tred\n"
    "beta\tB[A]\tY[X]\tred\n"
    "gamma\tC[B]\t?\tblue&red\n";

QByteArray ReadAll(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// What varno-batch writes for the same file and command.
QByteArray BatchOutput(const QStringList& args)
{
    QProcess p;
    p.start(QStringLiteral(VARNO_BATCH), args);
    if (!p.waitForFinished(60000) || p.exitCode() != 0)
        return "batch failed: " + p.readAllStandardError();
    return p.readAllStandardOutput();
}
}  // namespace

class AnalysesTest : public QObject {
    Q_OBJECT
private:
    QTemporaryDir Dir;
    QString DataPath;

    void Load(TFakeUiServices& ui, TFrmMain& main)
    {
        ui.OpenAnswers.enqueue(DataPath);
        main.Text1Click();
    }
    // Saves the result grid and checks it against the batch tool's output.
    void SaveAndCompare(TFakeUiServices& ui, TFrmMain& main, const QString& name,
                        const QStringList& batchArgs)
    {
        const QString path = Dir.filePath(name);
        ui.SaveAnswers.enqueue(path);
        Find<QPushButton>(main.Windows().FrmDistMat, "BtnSave")->click();
        QCOMPARE(ui.SaveCalls.last().InitialName, QString("Matrix"));
        QCOMPARE(ui.SaveCalls.last().DefaultSuffix, QString("txt"));
        const QByteArray saved = ReadAll(path);
        QVERIFY(!saved.isEmpty());
        QCOMPARE(saved, BatchOutput(QStringList(batchArgs) << DataPath));
    }

private slots:
    void initTestCase()
    {
        QVERIFY(Dir.isValid());
        DataPath = Dir.filePath("data.txt");
        QFile f(DataPath);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(Data);
    }

    void DistanceMatrixFromTheMenu()
    {
        TFakeUiServices ui;
        TAppContext ctx(ui);
        TFrmMain main(ctx);
        QVERIFY(Find<QAction>(main, "DistanceMatrix1")->isEnabled());
        Load(ui, main);
        const qsizetype before = main.ProtocolLines().size();
        main.Windows().FrmLoad->show();
        Find<QAction>(main, "DistanceMatrix1")->trigger();

        const QStringList added = main.ProtocolLines().mid(before);
        QCOMPARE(added.size(), 8);
        QVERIFY(added[1].startsWith("Character Type = \"Matroschka\""));
        QCOMPARE(added.mid(4), (QStringList{"", "Character type modulation successful", "",
                                            "Distance matrix created"}));
        QCOMPARE(ctx.Model.CharacterType, TCharacterType::Matroschka);
        QVERIFY(!main.Windows().FrmLoad->isVisible());

        TFrmDistMat* w = main.Windows().FrmDistMat;
        auto* grid = Find<TStringGrid>(w, "SGDist");
        QVERIFY(w->isVisible());
        QCOMPARE(w->windowTitle(), QString("Distance matrix"));
        QCOMPARE(grid->RowCount(), 4);
        QCOMPARE(grid->ColCount(), 4);
        QCOMPARE(grid->Cell(0, 0), QString());
        QCOMPARE(grid->Cell(3, 0), QString("gamma"));
        QCOMPARE(grid->Cell(0, 2), QString("beta"));
        // alpha-beta: 1 + 1 steps over 2 characters; alpha-gamma: 2 steps, wings missing.
        QCOMPARE(grid->Cell(2, 1), QString("1"));
        QCOMPARE(grid->Cell(3, 1), QString("2"));
        QCOMPARE(grid->Cell(1, 3), QString("2"));
        QCOMPARE(grid->Cell(2, 2), QString("0"));
        QCOMPARE(grid->ColWidth(0), (5 + 1) * 7);  // "alpha", "gamma"
        QCOMPARE(grid->ColWidth(2), (4 + 1) * 7);  // "beta"

        SaveAndCompare(ui, main, "distance.txt", {"distance"});
        QCOMPARE(ReadAll(Dir.filePath("distance.txt")).count("\r\n"), 4);

        // Cancel writes nothing; a failed save is reported.
        const int calls = static_cast<int>(ui.SaveCalls.size());
        w->BtnSaveClick();
        QCOMPARE(ui.SaveCalls.size(), calls + 1);
        ui.SaveAnswers.enqueue(Dir.filePath("no/such/folder/m.txt"));
        w->BtnSaveClick();
        QCOMPARE(ui.Errors.size(), 1);
    }

    void StandardTypeGivesJaccardDistances()
    {
        TFakeUiServices ui;
        TAppContext ctx(ui);
        TFrmMain main(ctx);
        Load(ui, main);
        main.Windows().FrmLoad->SelectCharacterType(TCharacterType::Standard);
        main.DistanceMatrix1Click();
        QCOMPARE(ctx.Model.CharacterType, TCharacterType::Standard);
        // alpha-gamma: legs 1, colour {red} vs {blue, red} 0.5, wings missing.
        QCOMPARE(Find<TStringGrid>(main.Windows().FrmDistMat, "SGDist")->Cell(3, 1),
                 QString("0.75"));
        SaveAndCompare(ui, main, "jaccard.txt", {"distance", "--type", "standard"});
    }

    void CorrelationCommands()
    {
        TFakeUiServices ui;
        TAppContext ctx(ui);
        TFrmMain main(ctx);
        Load(ui, main);
        qsizetype before = main.ProtocolLines().size();
        Find<QAction>(main, "Cramer1")->trigger();
        QCOMPARE(
            main.ProtocolLines().mid(before),
            (QStringList{"", "Character type modulation successful", "",
                         "Matrix of character correlation created", "Cramer contingency index"}));
        QCOMPARE(ctx.Model.CharacterType, TCharacterType::Standard);
        TStringGrid* g = Find<TStringGrid>(main.Windows().FrmDistMat, "SGDist");
        QCOMPARE(g->RowCount(), 4);
        QCOMPARE(g->Cell(1, 0), QString("legs"));
        QCOMPARE(g->Cell(0, 3), QString("colour"));
        QCOMPARE(g->Cell(1, 1), QString("1"));
        SaveAndCompare(ui, main, "cramer.txt", {"cramer"});

        before = main.ProtocolLines().size();
        Find<QAction>(main, "StateCombi")->trigger();
        QCOMPARE(main.ProtocolLines().mid(before).last(),
                 QString("State combinations of two characters: actual / potential"));
        // legs has 3 states, wings 2 plus "?": 2 combinations of 6.
        QCOMPARE(g->Cell(2, 1), QString("0.333"));
        QCOMPARE(g->Cell(1, 1), QString("0.333"));
        SaveAndCompare(ui, main, "combinations.txt", {"combinations"});
    }

    void PairwiseCompatibilityCommand()
    {
        TFakeUiServices ui;
        TAppContext ctx(ui);
        TFrmMain main(ctx);
        Load(ui, main);
        // Leave stale numbers in the grid first: the table must not show them.
        main.Cramer1Click();
        const qsizetype before = main.ProtocolLines().size();
        Find<QAction>(main, "Pairwisecompatibility")->trigger();
        QCOMPARE(main.ProtocolLines().mid(before),
                 (QStringList{"", "Matrix of pairwise compatibility of characters created"}));
        QCOMPARE(ctx.Model.CharacterType, TCharacterType::Matroschka);
        TStringGrid* g = Find<TStringGrid>(main.Windows().FrmDistMat, "SGDist");
        QCOMPARE(g->Cell(1, 1), QString("   "));
        QCOMPARE(g->Cell(2, 1), QString("yes"));
        // colour has no brackets: all missing, compatible with everything.
        QCOMPARE(g->Cell(3, 1), QString("yes"));
        SaveAndCompare(ui, main, "compat.txt", {"compatibility"});
    }

    void LargeMatrixFillsTheWholeGrid()
    {
        TFakeUiServices ui;
        TAppContext ctx(ui);
        TFrmMain main(ctx);
        const QString path = Dir.filePath("large.txt");
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly));
        QByteArray text = "Taxon";
        for (int c = 1; c <= 40; ++c) text += "\tc" + QByteArray::number(c);
        text += "\n";
        for (int o = 1; o <= 255; ++o) {
            text += "t" + QByteArray::number(o);
            for (int c = 1; c <= 40; ++c) text += (o + c) % 3 ? "\tB[A]" : "\tA[ ]";
            text += "\n";
        }
        f.write(text);
        f.close();
        ui.OpenAnswers.enqueue(path);
        main.Text1Click();
        QElapsedTimer timer;
        timer.start();
        main.DistanceMatrix1Click();
        qInfo("distance matrix of 255 objects into the window: %lld ms",
              static_cast<long long>(timer.elapsed()));
        TStringGrid* g = Find<TStringGrid>(main.Windows().FrmDistMat, "SGDist");
        QCOMPARE(g->RowCount(), 256);
        QCOMPARE(g->Cell(255, 0), QString("t255"));
        QCOMPARE(g->Cell(255, 255), QString("0"));
        QVERIFY(!g->Cell(1, 255).isEmpty());
        QCOMPARE(ui.BusyDepth, 0);
    }

    void JobsWithoutDataShowAnEmptyGrid()
    {
        TFakeUiServices ui;
        TAppContext ctx(ui);
        TFrmMain main(ctx);
        main.DistanceMatrix1Click();
        main.Cramer1Click();
        main.StateCombiClick();
        main.PairwisecompatibilityClick();
        QCOMPARE(Find<TStringGrid>(main.Windows().FrmDistMat, "SGDist")->RowCount(), 1);
        QCOMPARE(Find<TStringGrid>(main.Windows().FrmDistMat, "SGDist")->ColCount(), 1);
        QCOMPARE(ui.BusyDepth, 0);
    }
};

QTEST_MAIN(AnalysesTest)
#include "AnalysesTest.moc"
