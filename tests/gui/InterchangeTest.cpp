// The main window's NEXUS / CSV opening and matrix export, driven through
// the scripted desktop services.
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#include "app/Mainform.h"
#include "data/ImportForm.h"
#include "data/StringGrid.h"
#include "tests/support/FakeUiServices.h"
#include "tests/support/FindWidget.h"

namespace {
void WriteFile(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

QByteArray ReadFile(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}
}  // namespace

class InterchangeTest : public QObject {
    Q_OBJECT
private slots:
    void OpensNexusWithItsReportAndKeepsDataOnAFault()
    {
        TFakeUiServices ui;
        TAppContext ctx(ui);
        TFrmMain main(ctx);
        QTemporaryDir dir;
        const QString nexus = dir.filePath("m.nex");
        WriteFile(
            nexus,
            "#NEXUS\nbegin data; dimensions ntax=3 nchar=2; format symbols=\"012\" gap=-;\n"
            "matrix\n a 0(01)\n b 1-\n c 21\n;\nend;\nbegin assumptions; ctype ord: 1; end;\n");
        ui.OpenAnswers.enqueue(nexus);
        main.NexusCsv1Click();
        QVERIFY(ui.Errors.isEmpty());
        QCOMPARE(ui.OpenCalls.last().Filter.contains("*.nex"), true);
        QCOMPARE(ctx.Model.ObjectCount, 3);
        QCOMPARE(Find<TStringGrid>(main.Windows().FrmImport, "SgData")->Cell(1, 3),
                 QString("2[1[0]]"));
        QCOMPARE(Find<TStringGrid>(main.Windows().FrmImport, "SgData")->Cell(2, 1), QString("?"));
        const QString protocol = main.ProtocolLines().join('\n');
        QVERIFY(protocol.contains("Objects = 3\nCharacters = 2\n"));
        QVERIFY(protocol.contains("1 polymorphic cells"));
        QVERIFY(protocol.contains("ordered: a chain from the lowest state"));

        // A faulty file: the message names the line, the data stay.
        const QString bad = dir.filePath("bad.csv");
        WriteFile(bad, "Taxon,a\nx,1\ny,\"2\n");
        ui.OpenAnswers.enqueue(bad);
        main.NexusCsv1Click();
        QCOMPARE(ui.Errors.size(), 1);
        QVERIFY(ui.Errors[0].contains("line 3"));
        QCOMPARE(ctx.Model.ObjectCount, 3);
        QCOMPARE(ctx.Model.DataMatrix[1][3], QString("2[1[0]]"));
    }

    void ExportsTheMatrixByTheChosenName()
    {
        TFakeUiServices ui;
        TAppContext ctx(ui);
        TFrmMain main(ctx);
        QTemporaryDir dir;
        main.ExportMatrix1Click();
        QCOMPARE(ui.Errors.size(), 1);  // nothing loaded
        QVERIFY(main.OpenDataFile(VARNO_SOURCE_DIR "/examples/weevils.txt"));

        const QString nex = dir.filePath("w.nex"), phy = dir.filePath("w.phy"),
                      csv = dir.filePath("w.csv");
        for (const QString& path : {nex, phy, csv}) {
            ui.SaveAnswers.enqueue(path);
            main.ExportMatrix1Click();
        }
        QCOMPARE(ui.Errors.size(), 1);
        QCOMPARE(ui.SaveCalls[0].Caption, QString("Export matrix"));
        QVERIFY(ReadFile(nex).startsWith("#NEXUS"));
        QVERIFY(ReadFile(nex).contains("(CSTREE)"));
        QVERIFY(ReadFile(phy).startsWith("    10"));
        QVERIFY(!ReadFile(dir.filePath("w.anc")).isEmpty());
        QVERIFY(ReadFile(dir.filePath("w.names.txt")).startsWith("PHYLIP name\tObject\r\n"));
        QVERIFY(ReadFile(csv).startsWith("Taxon,wing_venation,"));
        QVERIFY(main.ProtocolLines().join('\n').contains("Matrix exported to " + phy));
        QVERIFY(main.ProtocolLines().contains("PHYLIP names and the objects' own names in " +
                                              dir.filePath("w.names.txt")));

        // What was exported opens again to the same cells' paths.
        const TDynStrMatrix before = ctx.Model.DataMatrix;
        QVERIFY(main.OpenDataFile(csv));
        QCOMPARE(ctx.Model.DataMatrix, before);
        QVERIFY(main.OpenDataFile(nex));
        QCOMPARE(ctx.Model.ObjectCount, 10);

        // A NEXUS file is written back with its own symbols.
        const QString own = dir.filePath("own.nex"), again = dir.filePath("again.nex");
        QFile f(own);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(
            "#NEXUS\nbegin data; dimensions ntax=3 nchar=1; format symbols=\"0129\";\n"
            "matrix a 9 b 2 c 9; end;\n");
        f.close();
        QVERIFY(main.OpenDataFile(own));
        ui.SaveAnswers.enqueue(again);
        main.ExportMatrix1Click();
        QVERIFY(ReadFile(again).contains("SYMBOLS=\"29\""));
        QVERIFY(ReadFile(again).contains("a  9\r\n"));
    }
};

QTEST_MAIN(InterchangeTest)
#include "InterchangeTest.moc"
