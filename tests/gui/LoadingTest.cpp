// Loading data through the main window's menu: workbooks, files that fail,
// warnings, and the spreadsheet editing flow, all driven through the fake.
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QtTest>

#include "app/Mainform.h"
#include "data/ImportForm.h"
#include "tests/support/FakeUiServices.h"

namespace {
QString Fixture(const char* name)
{
    return QStringLiteral(VARNO_SOURCE_DIR "/tests/data/fixtures/") + QString::fromUtf8(name);
}

QString WriteFile(const QTemporaryDir& dir, const QString& name, const QByteArray& bytes)
{
    const QString path = dir.filePath(name);
    QFile f(path);
    if (f.open(QIODevice::WriteOnly)) f.write(bytes);
    return path;
}

const QByteArray SmallMatrix = "Taxon\tc1\tc2\na\tA\t0.5\nb\tB[A]\t1\n";

struct TWindow {
    TFakeUiServices Ui;
    TAppContext Ctx{Ui};
    TFrmMain Main{Ctx};
};
}  // namespace

class LoadingTest : public QObject {
    Q_OBJECT
private slots:
    void WorkbookLoadReportsAndKeepsDecimalPoints()
    {
        TWindow w;
        const QString path = Fixture("matrix_openpyxl.xlsx");
        w.Ui.OpenAnswers.enqueue(path);
        w.Main.Excelxls1Click();
        QCOMPARE(w.Ui.OpenCalls.size(), 1);
        QVERIFY(w.Ui.Errors.isEmpty());
        const QStringList lines = w.Main.ProtocolLines().mid(10);
        QCOMPARE(lines.mid(0, 4),
                 (QStringList{"", "Data from " + path, "Objects = 4", "Characters = 4"}));
        // openpyxl saves the formula of E5 without a result, and one cell is
        // longer than a cell keeps: the protocol says both.
        QCOMPARE(lines.size(), 6);
        QVERIFY(lines[4].startsWith(
            "WARNING: 1 formula cell without a stored result read as empty (E5)"));
        QVERIFY(lines[5].startsWith("WARNING: 1 cell(s) longer than 255 characters were cut"));
        QVERIFY(w.Ctx.Model.FromExcel);
        QCOMPARE(w.Ctx.WorkbookFileName, path);
        QCOMPARE(w.Ctx.Model.CharField.Places.Count(), 4);
        QCOMPARE(w.Ctx.Model.DataMatrix[3][1], QString("2.5"));  // no point-to-comma for workbooks
        QVERIFY(w.Main.Windows().FrmImport->isVisible());
        QCOMPARE(w.Main.Windows().FrmImport->windowTitle(), "Data from " + path);

        // A text load afterwards clears FromExcel and replaces the first point.
        QTemporaryDir dir;
        w.Ui.OpenAnswers.enqueue(WriteFile(dir, "m.txt", SmallMatrix));
        w.Main.Text1Click();
        QVERIFY(!w.Ctx.Model.FromExcel);
        QCOMPARE(w.Ctx.Model.DataMatrix[2][1], QString("0,5"));
    }

    void FileNamedOnTheCommandLineIsReportedByItsFullPath()
    {
        TWindow w;
        QTemporaryDir dir;
        const QString full = WriteFile(dir, "given.txt", SmallMatrix);
        const QString previous = QDir::currentPath();
        QDir::setCurrent(dir.path());
        const bool ok = w.Main.OpenDataFile(QStringLiteral("given.txt"));
        QDir::setCurrent(previous);
        QVERIFY(ok);
        const QString absolute = QFileInfo(full).absoluteFilePath();
        QCOMPARE(w.Main.ProtocolLines().value(11), "Data from " + absolute);
        QCOMPARE(w.Ctx.TextFileName, absolute);  // what the editing flow opens
    }

    void CancelledWorkbookDialogChangesNothing()
    {
        TWindow w;
        w.Main.Excelxls1Click();
        QCOMPARE(w.Ui.OpenCalls.size(), 1);
        QCOMPARE(w.Main.ProtocolLines().size(), 10);
        QCOMPARE(w.Ctx.Model.ObjectCount, 0);
        QVERIFY(!w.Main.Windows().FrmImport->isVisible());
    }

    void FailedLoadsShowAMessageAndKeepThePreviousData()
    {
        TWindow w;
        QTemporaryDir dir;
        const QString good = WriteFile(dir, "good.txt", SmallMatrix);
        w.Ui.OpenAnswers.enqueue(good);
        w.Main.Text1Click();
        const TDynStrMatrix before = w.Ctx.Model.DataMatrix;
        const QStringList protocol = w.Main.ProtocolLines();
        const QString caption = w.Main.Windows().FrmImport->windowTitle();

        QByteArray binary(1 << 20, '\x7f');
        binary[4096] = '\0';
        const struct {
            QString Path;
            bool Workbook;
        } bad[] = {
            {dir.filePath("missing.txt"), false},
            {dir.path(), false},
            {WriteFile(dir, "binary.txt", binary), false},
            {dir.filePath("missing.xls"), true},
            {WriteFile(dir, "empty.xlsx", {}), true},
            {WriteFile(dir, "text.xls", SmallMatrix), true},
            {Fixture("garbage_zip.xlsx"), true},
            {Fixture("empty_first_sheet.ods"), true},
            {Fixture("empty_first_sheet_openpyxl.xlsx"), true},
        };
        int errors = 0;
        for (const auto& b : bad) {
            w.Ui.OpenAnswers.enqueue(b.Path);
            b.Workbook ? w.Main.Excelxls1Click() : w.Main.Text1Click();
            QCOMPARE(w.Ui.Errors.size(), ++errors);
            QVERIFY2(w.Ui.Errors.last().contains(b.Path), qPrintable(w.Ui.Errors.last()));
            QCOMPARE(w.Main.ProtocolLines(), protocol);
            QVERIFY(w.Ctx.Model.DataMatrix == before);
            QCOMPARE(w.Ctx.Model.ObjectCount, 2);
            QCOMPARE(w.Ctx.Model.CharacterCount, 2);
            QVERIFY(!w.Ctx.Model.FromExcel);
            QCOMPARE(w.Main.Windows().FrmImport->windowTitle(), caption);
        }
    }

    void WarningsFollowTheLoadReport()
    {
        TWindow w;
        QTemporaryDir dir;
        QByteArray many = "Taxon\tc1\n";
        for (int o = 1; o <= 256; ++o) many += "Taxon_" + QByteArray::number(o) + "\tA\n";
        const QString path = WriteFile(dir, "many.txt", many);
        w.Ui.OpenAnswers.enqueue(path);
        w.Main.Text1Click();
        const QStringList lines = w.Main.ProtocolLines().mid(10);
        QCOMPARE(lines.size(), 5);
        QCOMPARE(lines.mid(0, 4),
                 (QStringList{"", "Data from " + path, "Objects = 256", "Characters = 1"}));
        QVERIFY2(lines[4].contains("at most 255 objects"), qPrintable(lines[4]));
        QCOMPARE(w.Ctx.Model.ObjectCount, 256);  // loaded all the same
    }

    void OneHundredThousandColumnsLoadWithoutFreezing()
    {
        TWindow w;
        QTemporaryDir dir;
        const QString path =
            WriteFile(dir, "wide.txt", "names" + QByteArray(100'000, '\t') + "end\n");
        QElapsedTimer timer;
        timer.start();
        w.Ui.OpenAnswers.enqueue(path);
        w.Main.Text1Click();
        qInfo("loading and showing 100001 columns took %lld ms",
              static_cast<long long>(timer.elapsed()));
        QCOMPARE(w.Ctx.Model.CharacterCount, 100'000);
        QCOMPARE(w.Ctx.Model.ObjectCount, 0);
        QVERIFY(w.Main.ProtocolLines().last().contains("only a header line"));
        QVERIFY(timer.elapsed() < 60'000);
    }

    void EditingOpensTheTextFileThenItsOpenDialog()
    {
        TWindow w;
        QTemporaryDir dir;
        const QString path = WriteFile(dir, "edit.txt", SmallMatrix);
        w.Ui.OpenAnswers.enqueue(path);
        w.Main.Text1Click();
        const int openCalls = w.Ui.OpenCalls.size();

        // The message comes first, before the spreadsheet application opens.
        int openedWhenMessageShown = -1;
        w.Ui.OnMessage = [&] { openedWhenMessageShown = w.Ui.OpenedInApplication.size(); };
        w.Ui.OpenAnswers.enqueue(path);
        w.Main.StartSpreadsheetEditing();
        QCOMPARE(w.Ui.Informations, QStringList{"After editing, close Excel and reopen file"});
        QCOMPARE(openedWhenMessageShown, 0);
        QCOMPARE(w.Ui.OpenedInApplication, QStringList{path});
        QCOMPARE(w.Ui.OpenCalls.size(), openCalls + 1);
        QCOMPARE(w.Ui.OpenCalls.last().InitialName, path);  // the text dialog, at the file
        QVERIFY(w.Ui.OpenCalls.last().Filter.contains("txt"));
        QCOMPARE(w.Main.ProtocolLines().filter("Data from ").size(), 2);  // loaded again
        QVERIFY(w.Ui.Errors.isEmpty());
    }

    void EditingAWorkbookReopensTheWorkbookDialog()
    {
        TWindow w;
        const QString path = Fixture("matrix.ods");
        w.Ui.OpenAnswers.enqueue(path);
        w.Main.Excelxls1Click();
        w.Main.StartSpreadsheetEditing();  // the user cancels the dialog afterwards
        QCOMPARE(w.Ui.OpenedInApplication, QStringList{path});
        QCOMPARE(w.Ui.OpenCalls.size(), 2);
        QVERIFY(w.Ui.OpenCalls.last().Filter.contains("xls"));
        QCOMPARE(w.Main.ProtocolLines().filter("Data from ").size(), 1);
        QVERIFY(w.Ctx.Model.FromExcel);
    }

    void EditingWithoutASpreadsheetApplicationOnlyTellsSo()
    {
        TWindow w;
        QTemporaryDir dir;
        const QString path = WriteFile(dir, "edit.txt", SmallMatrix);
        w.Ui.OpenAnswers.enqueue(path);
        w.Main.Text1Click();
        const QStringList protocol = w.Main.ProtocolLines();
        const TDynStrMatrix before = w.Ctx.Model.DataMatrix;
        w.Ui.DefaultApplicationAvailable = false;
        w.Ui.OpenAnswers.enqueue(path);  // must stay unused
        w.Main.StartSpreadsheetEditing();
        QCOMPARE(w.Ui.Informations.size(), 1);
        QCOMPARE(w.Ui.Errors.size(), 1);
        QVERIFY(w.Ui.Errors[0].contains(path));
        QVERIFY(w.Ui.Errors[0].contains(w.Ui.DefaultApplicationError));
        QCOMPARE(w.Ui.OpenCalls.size(), 1);
        QCOMPARE(w.Ui.OpenAnswers.size(), 1);
        QCOMPARE(w.Main.ProtocolLines(), protocol);
        QVERIFY(w.Ctx.Model.DataMatrix == before);
    }

    void TheDesktopOpenerReportsWhatXdgOpenSays()
    {
        // xdg-open starts but finds no application: its exit code and message count.
        QTemporaryDir dir;
        const QString file = WriteFile(dir, "edit.txt", SmallMatrix);
        const QString opener = dir.filePath("xdg-open");
        const QByteArray oldPath = qgetenv("PATH");
        qputenv("PATH", dir.path().toLocal8Bit() + ':' + oldPath);
        TQtUiServices ui;
        struct TCase {
            QByteArray Script;
            bool Opened;
            QString Error;
        };
        const QList<TCase> cases{
            {"echo 'xdg-open: 882: x-terminal-emulator: not found' >&2; exit 3", false,
             "xdg-open: 882: x-terminal-emulator: not found"},
            {"exit 4", false, "xdg-open ended with code 4"},
            {"test -f \"$1\"", true, QString()},
        };
        for (const TCase& c : cases) {
            QFile script(opener);
            QVERIFY(script.open(QIODevice::WriteOnly));
            script.write("#!/bin/sh\n" + c.Script + '\n');
            script.close();
            script.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
            QString error;
            QCOMPARE(ui.OpenInDefaultApplication(file, &error), c.Opened);
            QCOMPARE(error, c.Error);
        }
        qputenv("PATH", oldPath);
    }

    void EditingBeforeAnyLoadHasNothingToOpen()
    {
        TWindow w;
        w.Main.StartSpreadsheetEditing();
        QCOMPARE(w.Ui.Errors.size(), 1);
        QVERIFY(w.Ui.OpenedInApplication.isEmpty());
        QVERIFY(w.Ui.OpenCalls.isEmpty());
    }
};

QTEST_MAIN(LoadingTest)
#include "LoadingTest.moc"
