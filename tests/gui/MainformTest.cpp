#include <QAction>
#include <QFile>
#include <QPlainTextEdit>
#include <QTemporaryDir>
#include <QtTest>

#include "app/Mainform.h"
#include "data/ImportForm.h"
#include "data/StringGrid.h"
#include "tests/support/FakeUiServices.h"

class MainformTest : public QObject {
    Q_OBJECT
private slots:
    void StartsWithTheTenBannerLines()
    {
        TFakeUiServices ui;
        TAppContext ctx(ui);
        TFrmMain main(ctx);
        const QStringList lines = main.ProtocolLines();
        QCOMPARE(lines.size(), 10);
        QVERIFY(lines[0].startsWith("\"VARNO Classic\""));
        QCOMPARE(lines[1], QString("This is a simplyfied testversion."));
        QCOMPARE(lines[9], QString(">> Protocol <<"));
        QCOMPARE(main.windowTitle(), QString("VARNO Classic"));
        QCOMPARE(ctx.Model.ObjectCount, 0);
        const TAppWindows& w = main.Windows();
        QVERIFY(w.FrmImport && w.FrmLoad && w.FrmCST && w.FrmDistMat && w.FrmTreeOpt &&
                w.FrmOptimize && w.FrmCharFit);
    }

    void KeyboardShortcutsOpenSaveAndQuit()
    {
        TFakeUiServices ui;
        TAppContext ctx(ui);
        TFrmMain main(ctx);
        main.show();
        QVERIFY(QTest::qWaitForWindowActive(&main));
        // Ctrl+O asks for a text file, Ctrl+Shift+O for a workbook (both cancelled here).
        QTest::keyClick(&main, Qt::Key_O, Qt::ControlModifier);
        QCOMPARE(ui.OpenCalls.size(), 1);
        QCOMPARE(ui.OpenCalls[0].Caption, QString("Open text data"));
        QTest::keyClick(&main, Qt::Key_O, Qt::ControlModifier | Qt::ShiftModifier);
        QCOMPARE(ui.OpenCalls.size(), 2);
        QCOMPARE(ui.OpenCalls[1].Caption, QString("Open workbook"));
        // Ctrl+S saves the protocol as the Save button does.
        QTest::keyClick(&main, Qt::Key_S, Qt::ControlModifier);
        QCOMPARE(ui.SaveCalls.size(), 1);
        QCOMPARE(ui.SaveCalls[0].InitialName, QString("Protocol"));
        // File/Data > Quit (Ctrl+Q) closes the main window.
        QCOMPARE(main.Quit1->text(), QString("Quit"));
        QTest::keyClick(&main, Qt::Key_Q, Qt::ControlModifier);
        QVERIFY(!main.isVisible());
    }

    void SavingTheProtocolWritesCrLfLinesIncludingTypedText()
    {
        TFakeUiServices ui;
        TAppContext ctx(ui);
        TFrmMain main(ctx);
        QTemporaryDir dir;
        const QString path = dir.filePath("Protocol.txt");
        ui.SaveAnswers.enqueue(path);
        main.Memo1->appendPlainText("typed by the user");
        main.BtnSaveClick();
        QCOMPARE(ui.SaveCalls.size(), 1);
        QCOMPARE(ui.SaveCalls[0].InitialName, QString("Protocol"));
        QCOMPARE(ui.SaveCalls[0].DefaultSuffix, QString("txt"));
        QFile f(path);
        QVERIFY(f.open(QIODevice::ReadOnly));
        const QByteArray bytes = f.readAll();
        QCOMPARE(bytes.count("\r\n"), 11);
        QVERIFY(bytes.endsWith("typed by the user\r\n"));
        QVERIFY(bytes.contains(">> Protocol <<\r\n"));
    }

    void LoadingATextFileReportsAndShowsTheData()
    {
        TFakeUiServices ui;
        TAppContext ctx(ui);
        TFrmMain main(ctx);
        QTemporaryDir dir;
        const QString path = dir.filePath("data.txt");
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("Taxon\tc1\tc2\tc3\tc4\na\tA\t0.5\tx\ty\nb\tB[A]\t1\tx\ty\nc\tC[B]\t2\tx\ty\n");
        f.close();

        ui.OpenAnswers.enqueue(path);
        main.Text1Click();
        const QStringList lines = main.ProtocolLines();
        QCOMPARE(lines.mid(10),
                 (QStringList{"", "Data from " + path, "Objects = 3", "Characters = 4"}));
        QCOMPARE(ctx.Model.CharField.Places.size(), size_t(5));
        QVERIFY(!ctx.Model.FromExcel);
        QCOMPARE(ctx.Model.DataMatrix[2][1], QString("0,5"));
        QVERIFY(main.Windows().FrmImport->isVisible());
        QCOMPARE(main.Windows().FrmImport->windowTitle(), "Data from " + path);
        QCOMPARE(main.Windows().FrmImport->SgData->RowCount(), 4);
        QCOMPARE(main.Windows().FrmImport->SgData->ColCount(), 5);
        QCOMPARE(main.Windows().FrmImport->SgData->Cell(1, 2), QString("B[A]"));
        QCOMPARE(main.Windows().FrmImport->SgData->ColWidth(0), (5 + 1) * 7);  // "Taxon"

        // A column of empty cells is 7 pixels wide.
        QFile g(dir.filePath("empty-column.txt"));
        QVERIFY(g.open(QIODevice::WriteOnly));
        g.write("\t\tb\nx\t\t1\n");
        g.close();
        QVERIFY(main.OpenDataFile(g.fileName()));
        QCOMPARE(main.Windows().FrmImport->SgData->ColWidth(1), 7);
        ui.OpenAnswers.enqueue(path);
        main.Text1Click();

        // Cancelling the dialog changes nothing; a failed load keeps the data.
        main.Text1Click();
        ui.OpenAnswers.enqueue(dir.filePath("missing.txt"));
        main.Text1Click();
        QCOMPARE(ui.Errors.size(), 1);
        QCOMPARE(main.ProtocolLines().size(), 22);
        QCOMPARE(ctx.Model.ObjectCount, 3);
    }
};

QTEST_MAIN(MainformTest)
#include "MainformTest.moc"
