// The main window's "Open trees...": a tree file's trees in the tree results
// window, where character fit, drawing and saving work on them as on searched
// trees; the NEXUS root choice of the Open menu; the state-limit warning in
// the protocol.
#include <QAction>
#include <QApplication>
#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

#include "app/Mainform.h"
#include "data/ImportForm.h"
#include "data/StringGrid.h"
#include "graphics/TreeGrafik.h"
#include "parsimony/evolutionary/CreateTree.h"
#include "parsimony/evolutionary/TreeTable.h"
#include "parsimony/forms/CharFitForm.h"
#include "parsimony/forms/OptimizeForm.h"
#include "parsimony/forms/TreeOptForm.h"
#include "parsimony/treefiles/TreeFile.h"
#include "tests/support/FakeUiServices.h"
#include "tests/support/FindWidget.h"
#include "tests/support/ManyStates.h"

namespace {
void WriteFile(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

const QByteArray WeevilTrees =
    "#NEXUS\nBEGIN TREES;\n  TRANSLATE 1 Outgroup_primus, 2 Calodera_alba, 3 Calodera_fusca,\n"
    "    4 Calodera_nigra, 5 Mesolira_lata, 6 Mesolira_tenuis, 7 Peroxa_grandis,\n"
    "    8 Peroxa_minima, 9 Thymnis_aurea, 10 Thymnis_viridis;\n"
    "  TREE ladder = [&R] [length=1] (1,(2,(3,(4,(5,(6,(7,(8,(9,10)))))))));\n"
    "  TREE genera = [&R] (1,((2,(3,4)),((5,6),((7,8),(9,10)))));\nEND;\n";

struct TApp {
    TFakeUiServices Ui;
    TAppContext Ctx{Ui};
    TFrmMain Main{Ctx};
    TFrmTreeOpt& Results = *Main.Windows().FrmTreeOpt;
};
}  // namespace

class OpenTreesTest : public QObject {
    Q_OBJECT
private slots:
    void TreesFromAFileWorkLikeSearchedTrees()
    {
        TApp app;
        QTemporaryDir dir;
        const QString trees = dir.filePath("weevils.nex");
        WriteFile(trees, WeevilTrees);

        // Without a matrix there is nothing to put the trees on.
        app.Main.OpenTrees1Click();
        QCOMPARE(app.Ui.Errors.size(), 1);
        QVERIFY(app.Ui.Errors[0].contains("No data are loaded"));
        QVERIFY(app.Ui.OpenCalls.isEmpty());

        QVERIFY(app.Main.OpenDataFile(VARNO_SOURCE_DIR "/examples/weevils.txt"));
        app.Ui.OpenAnswers.enqueue(trees);
        app.Main.OpenTrees1Click();
        QCOMPARE(app.Ui.Errors.size(), 1);
        QVERIFY(app.Ui.OpenCalls.last().Filter.contains("*.nex"));
        QVERIFY(app.Results.isVisible());
        TStringGrid& list = *Find<TStringGrid>(app.Results, "SgOpt");
        QCOMPARE(list.RowCount(), 3);
        QCOMPARE(list.Cell(0, 0), QString("Trees read from weevils.nex"));
        QCOMPARE(list.Cell(2, 1), QString("ladder"));
        QCOMPARE(list.Cell(2, 2), QString("genera"));
        // The lengths are the batch scorer's, and the label shows the shorter.
        const TResult<TOpenedTrees> expected =
            OpenTreesForData(trees,
                             TMatrixData{app.Ctx.Model.DataMatrix, app.Ctx.Model.ObjectCount,
                                         app.Ctx.Model.CharacterCount},
                             true, QLatin1Char('.'));
        QVERIFY(expected.Ok());
        const double ladder = expected->Population->Tree(1).Fitness;
        const double genera = expected->Population->Tree(2).Fitness;
        QVERIFY(genera < ladder);
        QCOMPARE(app.Results.Population()->Tree(1).Fitness, ladder);
        QCOMPARE(Find<QLabel>(app.Results, "Label1")->text(),
                 OptimumText(genera, QLatin1Char('.')));
        const QString protocol = app.Main.ProtocolLines().join('\n');
        QVERIFY(protocol.contains("Trees from " + trees + "\nTrees = 2\n"));

        // The tree table, the character fit and the drawing take the chosen tree.
        list.setCurrentCell(2, 0);
        QVERIFY(app.Results.SelectedTree());
        QCOMPARE(Find<TStringGrid>(app.Results, "SgTree")->RowCount(), 11);
        app.Results.BtnCharFitClick();
        QVERIFY(app.Main.Windows().FrmCharFit->isVisible());
        QVERIFY(app.Main.ProtocolLines().join('\n').contains("Tree 2: "));
        bool drawn = false;
        QTimer::singleShot(0, [&] {
            if (auto* w = dynamic_cast<TTreeGrfFRM*>(QApplication::activeModalWidget())) {
                drawn = true;
                w->close();
            }
        });
        Find<QPushButton>(app.Results, "TreeBTN")->click();
        QVERIFY(drawn);

        // Saved and opened again: the same trees, the same lengths.
        const QString saved = dir.filePath("saved.nwk");
        app.Ui.SaveAnswers.enqueue(saved);
        app.Results.BtnSaveTreesClick();
        app.Ui.OpenAnswers.enqueue(saved);
        app.Main.OpenTrees1Click();
        QCOMPARE(app.Ui.Errors.size(), 1);
        QCOMPARE(list.RowCount(), 3);
        QCOMPARE(list.Cell(2, 2), QString("tree 2"));
        QCOMPARE(app.Results.Population()->Tree(2).Fitness, genera);

        // Trees of other objects: every stranger and every missing object
        // named; the trees shown stay.
        const QString other = dir.filePath("other.nwk");
        WriteFile(other, "((Outgroup_primus,Calodera_alba),(Homo,Pan));");
        app.Ui.OpenAnswers.enqueue(other);
        app.Main.OpenTrees1Click();
        QCOMPARE(app.Ui.Errors.size(), 2);
        const QString error = app.Ui.Errors[1];
        QVERIFY2(error.contains("\"Homo\", \"Pan\"") && error.contains("\"Calodera_fusca\"") &&
                     error.contains(other),
                 qPrintable(error));
        QCOMPARE(list.RowCount(), 3);
        QCOMPARE(app.Results.Population()->TreeCount(), 2);
    }

    void UnorderedNexusRootIsChosenInTheOpenMenu()
    {
        TApp app;
        QTemporaryDir dir;
        const QString nexus = dir.filePath("u.nex");
        WriteFile(nexus,
                  "#NEXUS\nbegin data; dimensions ntax=3 nchar=1; matrix a 2 b 0 c 1; end;\n");
        QVERIFY(Find<QAction>(app.Main, "NexusRootFirst1")->isChecked());
        app.Ui.OpenAnswers.enqueue(nexus);
        app.Main.NexusCsv1Click();
        QCOMPARE(app.Ctx.Model.DataMatrix[1][2], QString("0[2]"));
        QVERIFY(app.Main.ProtocolLines().join('\n').contains("rooted at the first object's state"));

        Find<QAction>(app.Main, "NexusRootLowest1")->trigger();
        QVERIFY(!Find<QAction>(app.Main, "NexusRootFirst1")->isChecked());
        QCOMPARE(app.Main.NexusRootRule(), TNexusRootRule::LowestState);
        app.Ui.OpenAnswers.enqueue(nexus);
        app.Main.NexusCsv1Click();
        QCOMPARE(app.Ctx.Model.DataMatrix[1][1], QString("2[0]"));
        QCOMPARE(app.Ctx.Model.DataMatrix[1][2], QString("0"));
        QVERIFY(app.Main.ProtocolLines().join('\n').contains("rooted at the lowest state"));
        QVERIFY(app.Ui.Errors.isEmpty());
    }

    void JobsWarnOfCharactersBeyond256States()
    {
        TApp app;
        QTemporaryDir dir;
        const QByteArray bytes = ManyStatesData();
        const QString data = dir.filePath("many.txt"), tree = dir.filePath("t.nwk");
        WriteFile(data, bytes);
        WriteFile(tree, ManyStatesTree);
        const QString warning =
            " More than 256 states in character many: states after the 256th are left out of the "
            "coding";
        app.Ui.OpenAnswers.enqueue(data);
        app.Main.Text1Click();
        app.Main.CreateTree1Click();
        app.Main.Windows().FrmOptimize->hide();
        QCOMPARE(app.Main.ProtocolLines().count(warning), 1);
        app.Ui.OpenAnswers.enqueue(tree);
        app.Main.OpenTrees1Click();
        QVERIFY(app.Ui.Errors.isEmpty());
        QCOMPARE(app.Main.ProtocolLines().count(warning), 2);
        QVERIFY(!app.Main.ProtocolLines().join('\n').contains("character few"));
    }
};

QTEST_MAIN(OpenTreesTest)
#include "OpenTreesTest.moc"
