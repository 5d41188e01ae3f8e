#include <QAction>
#include <QDir>
#include <QDropEvent>
#include <QFile>
#include <QGuiApplication>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QRegularExpression>
#include <QScreen>
#include <QScrollBar>
#include <QSettings>
#include <QTemporaryDir>
#include <QUrl>
#include <QtTest>

#include "app/Mainform.h"
#include "data/ImportForm.h"
#include "data/StringGrid.h"
#include "parsimony/forms/CharFitForm.h"
#include "parsimony/forms/OptimizeForm.h"
#include "parsimony/forms/TreeOptForm.h"
#include "tests/support/FakeUiServices.h"
#include "tests/support/FindWidget.h"

namespace {
// A small data file of three objects.
QString WriteData(const QTemporaryDir& dir, const QString& name)
{
    const QString path = dir.filePath(name);
    QFile f(path);
    if (f.open(QIODevice::WriteOnly)) f.write("Taxon\tc1\na\tA\nb\tB[A]\nc\tC[B]\n");
    return path;
}

QStringList RecentMenuTexts(const TFrmMain& main)
{
    QStringList texts;
    for (QAction* a : Find<QMenu>(main, "RecentFiles1")->actions())
        if (!a->isSeparator()) texts << a->text();
    return texts;
}

// Drops files on a part of the window as a file manager would: false when
// the drop was refused at once.
bool Drop(QWidget* on, const QList<QUrl>& urls)
{
    QMimeData data;
    data.setUrls(urls);
    const QPoint at = on->rect().center();
    QDragEnterEvent enter(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(on, &enter);
    if (!enter.isAccepted()) return false;
    QDragMoveEvent move(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(on, &move);
    if (!move.isAccepted()) return false;
    QDropEvent drop(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(on, &drop);
    QCoreApplication::processEvents();
    return drop.isAccepted();
}
}  // namespace

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

    void HelpMenuShowsAboutAndOpensTheGuideOrSaysWhyNot()
    {
        TFakeUiServices ui;
        TAppContext ctx(ui);
        TFrmMain main(ctx);
        // Help comes after the original menus, which keep their titles.
        QStringList titles;
        for (QAction* a : main.menuBar()->actions()) titles << a->text();
        QCOMPARE(titles, QStringList({"File/Data", "Job", "Help"}));

        Find<QAction>(main, "About1")->trigger();
        QCOMPARE(ui.Informations.size(), 1);
        const QString about = ui.Informations[0];
        QVERIFY2(about.startsWith("VARNO Classic " VARNO_EXPECTED_VERSION "\n"), qPrintable(about));
        for (const QString& part :
             {QString("Licence: GNU General Public License"), "Qt " + QString(qVersion()),
              QString("libzip 1."), QString("FreeXL 1."), QString("libjpeg"), QString("libEMF")})
            QVERIFY2(about.contains(part), qPrintable(part + " missing from: " + about));

        QTemporaryDir dir;
        const QString absent = dir.filePath("none/guide.html");
        main.SetUserGuidePlaces({absent});
        Find<QAction>(main, "UserGuide1")->trigger();
        QCOMPARE(ui.Errors.size(), 1);
        QVERIFY(ui.Errors[0].startsWith("The user guide is not installed."));
        QVERIFY(ui.Errors[0].contains(absent));
        QVERIFY(ui.OpenedInApplication.isEmpty());

        // The first place that holds the guide wins; a folder of that name does not.
        QVERIFY(QDir(dir.path()).mkpath("folder/guide.md"));
        const QString guide = WriteData(dir, "guide.md");
        main.SetUserGuidePlaces({absent, dir.filePath("folder/guide.md"), guide});
        Find<QAction>(main, "UserGuide1")->trigger();
        QCOMPARE(ui.OpenedInApplication, QStringList({QFileInfo(guide).canonicalFilePath()}));
        QCOMPARE(ui.Errors.size(), 1);
        ui.DefaultApplicationAvailable = false;
        Find<QAction>(main, "UserGuide1")->trigger();
        QCOMPARE(ui.Errors.size(), 2);
        QVERIFY(ui.Errors[1].startsWith("No application could be started"));
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
        QCOMPARE(Find<QAction>(main, "Quit1")->text(), QString("Quit"));
        QTest::keyClick(&main, Qt::Key_Q, Qt::ControlModifier);
        QVERIFY(!main.isVisible());
    }

    void ALoadShowsItsReportAndSaveDialogsStartBesideTheData()
    {
        TFakeUiServices ui;
        TAppContext ctx(ui);
        TFrmMain main(ctx);
        main.resize(600, 300);
        main.show();
        auto* memo = Find<QPlainTextEdit>(main, "Memo1");
        for (int i = 0; i < 300; ++i) main.WriteProtocol(QString("line %1").arg(i));
        QScrollBar* bar = memo->verticalScrollBar();
        QVERIFY(bar->maximum() > 0);
        bar->setValue(0);  // the user reads the beginning
        QTemporaryDir dir;
        QVERIFY(main.OpenDataFile(WriteData(dir, "a.txt")));
        QCOMPARE(bar->value(), bar->maximum());

        main.BtnSaveClick();  // cancelled
        QCOMPARE(ui.SaveCalls.last().StartPath, QDir(dir.path()).filePath("Protocol"));
        QCOMPARE(ui.SaveCalls.last().InitialName, QString("Protocol"));
    }

    void SavingTheProtocolWritesCrLfLinesIncludingTypedText()
    {
        TFakeUiServices ui;
        TAppContext ctx(ui);
        TFrmMain main(ctx);
        QTemporaryDir dir;
        const QString path = dir.filePath("Protocol.txt");
        ui.SaveAnswers.enqueue(path);
        Find<QPlainTextEdit>(main, "Memo1")->appendPlainText("typed by the user");
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
        QCOMPARE(ctx.Model.CharField.Places.Count(), 4);
        QVERIFY(!ctx.Model.FromExcel);
        QCOMPARE(ctx.Model.DataMatrix[2][1], QString("0,5"));
        QVERIFY(main.Windows().FrmImport->isVisible());
        QCOMPARE(main.Windows().FrmImport->windowTitle(), "Data from " + path);
        QCOMPARE(Find<TStringGrid>(main.Windows().FrmImport, "SgData")->RowCount(), 4);
        QCOMPARE(Find<TStringGrid>(main.Windows().FrmImport, "SgData")->ColCount(), 5);
        QCOMPARE(Find<TStringGrid>(main.Windows().FrmImport, "SgData")->Cell(1, 2),
                 QString("B[A]"));
        QCOMPARE(Find<TStringGrid>(main.Windows().FrmImport, "SgData")->ColWidth(0),
                 (5 + 1) * 7);  // "Taxon"

        // A column of empty cells is 7 pixels wide.
        QFile g(dir.filePath("empty-column.txt"));
        QVERIFY(g.open(QIODevice::WriteOnly));
        g.write("\t\tb\nx\t\t1\n");
        g.close();
        QVERIFY(main.OpenDataFile(g.fileName()));
        QCOMPARE(Find<TStringGrid>(main.Windows().FrmImport, "SgData")->ColWidth(1), 7);
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

    void RecentFilesNewestFirstKeptBetweenRunsAndMissingOnesLeave()
    {
        QTemporaryDir dir;
        const QString settings = dir.filePath("settings.ini");
        const QString a = WriteData(dir, "a.txt"), b = WriteData(dir, "b.txt");
        {
            TFakeUiServices ui;
            ui.UseSettingsFile(settings);
            TAppContext ctx(ui);
            TFrmMain main(ctx);
            // Nothing opened yet: the submenu has nothing to offer.
            QVERIFY(!Find<QMenu>(main, "RecentFiles1")->isEnabled());
            ui.OpenAnswers.enqueue(a);
            main.Text1Click();
            ui.OpenAnswers.enqueue(b);
            main.Text1Click();
            ui.OpenAnswers.enqueue(a);  // again: moves to the front, once
            main.Text1Click();
            // A file that fails to load is not remembered.
            ui.OpenAnswers.enqueue(dir.filePath("missing.txt"));
            main.Text1Click();
            QCOMPARE(main.RecentFiles().Paths(), (QStringList{a, b}));
            QVERIFY(Find<QMenu>(main, "RecentFiles1")->isEnabled());
            QCOMPARE(RecentMenuTexts(main),
                     (QStringList{"&1  " + QDir::toNativeSeparators(a),
                                  "&2  " + QDir::toNativeSeparators(b), "Clear list"}));
        }
        // The next run offers the same list; choosing an entry loads the file.
        TFakeUiServices ui;
        ui.UseSettingsFile(settings);
        TAppContext ctx(ui);
        TFrmMain main(ctx);
        QCOMPARE(main.RecentFiles().Paths(), (QStringList{a, b}));
        Find<QMenu>(main, "RecentFiles1")->actions().at(1)->trigger();
        QCOMPARE(ctx.Model.ObjectCount, 3);
        QVERIFY(main.ProtocolLines().contains("Data from " + b));
        QCOMPARE(main.RecentFiles().Paths(), (QStringList{b, a}));
        QCOMPARE(ctx.TextFileName, b);  // the open dialog starts there next time

        // A file deleted since is reported and leaves the list, here and in the settings.
        QVERIFY(QFile::remove(a));
        const int lines = main.ProtocolLines().size();
        main.OpenRecentFile(1);
        QCOMPARE(ui.Errors.size(), 1);
        QVERIFY(ui.Errors[0].contains(QDir::toNativeSeparators(a)));
        QVERIFY(ui.Errors[0].contains("no longer exists"));
        QCOMPARE(main.ProtocolLines().size(), lines);
        QCOMPARE(main.RecentFiles().Paths(), QStringList{b});
        QCOMPARE(
            QSettings(settings, QSettings::IniFormat).value("RecentFiles/Paths").toStringList(),
            QStringList{b});

        // Workbooks and NEXUS files are remembered too; "Clear list" empties it.
        const QString nexus = dir.filePath("m.nex");
        QFile n(nexus);
        QVERIFY(n.open(QIODevice::WriteOnly));
        n.write(
            "#NEXUS\nBEGIN DATA;\nDIMENSIONS NTAX=3 NCHAR=2;\nFORMAT SYMBOLS=\"01\";\n"
            "MATRIX\nx 01\ny 11\nz 10\n;\nEND;\n");
        n.close();
        QVERIFY(main.OpenDataFile(nexus));
        // The mapping line is followed by the menu that changes its rule.
        const QStringList loaded = main.ProtocolLines();
        const qsizetype mapping = loaded.indexOf(QRegularExpression("^NEXUS: .* unordered: .*"));
        QVERIFY(mapping > 0);
        auto* rule = qobject_cast<QMenu*>(Find<QAction>(main, "NexusRootFirst1")->parent());
        auto* open = qobject_cast<QMenu*>(rule ? rule->parent() : nullptr);
        QVERIFY(rule && open);
        QCOMPARE(
            loaded.value(mapping + 1),
            QString("NEXUS: the root of unordered characters is chosen in File/Data > %1 > %2.")
                .arg(open->title(), rule->title()));
        QCOMPARE(main.RecentFiles().Paths(), (QStringList{nexus, b}));
        Find<QMenu>(main, "RecentFiles1")->actions().last()->trigger();
        QVERIFY(main.RecentFiles().Paths().isEmpty());
        QVERIFY(!Find<QMenu>(main, "RecentFiles1")->isEnabled());
    }

    void DroppingAFileOpensItAsFileOpenDoes()
    {
        TFakeUiServices ui;
        TAppContext ctx(ui);
        TFrmMain main(ctx);
        QVERIFY(main.acceptDrops());
        QTemporaryDir dir;
        const QString a = WriteData(dir, "a.txt"), b = WriteData(dir, "b.txt");
        // Dropped on the protocol, the file opens (the text edit does not take it as text).
        QVERIFY(Drop(Find<QPlainTextEdit>(main, "Memo1")->viewport(), {QUrl::fromLocalFile(a)}));
        QCOMPARE(ctx.Model.ObjectCount, 3);
        QCOMPARE(main.ProtocolLines().mid(10),
                 (QStringList{"", "Data from " + a, "Objects = 3", "Characters = 1"}));
        QCOMPARE(ctx.TextFileName, a);
        QCOMPARE(main.RecentFiles().Paths().front(), a);
        QVERIFY(main.Windows().FrmImport->isVisible());

        // Several files: the first is opened, and the protocol says so.
        QVERIFY(Find<QPlainTextEdit>(main, "Memo1")->toPlainText().indexOf("file://") < 0);
        QVERIFY(
            Drop(Find<QWidget>(main, "Panel1"), {QUrl::fromLocalFile(b), QUrl::fromLocalFile(a)}));
        const QStringList lines = main.ProtocolLines();
        QVERIFY(lines.contains("2 files were dropped; only the first is opened."));
        QCOMPARE(lines.last(), QString("Characters = 1"));
        QVERIFY(lines.contains("Data from " + b));
        QCOMPARE(main.RecentFiles().Paths().front(), b);

        // A folder, a web address or a damaged file: refused in words, data kept.
        const int before = main.ProtocolLines().size();
        Drop(&main, {QUrl::fromLocalFile(dir.path())});
        QCOMPARE(ui.Errors.size(), 1);
        QVERIFY(ui.Errors[0].contains("is a folder"));
        QVERIFY(!Drop(&main, {QUrl("https://example.org/data.txt")}));
        QCOMPARE(ui.Errors.size(), 1);
        QFile bad(dir.filePath("bad.xlsx"));
        QVERIFY(bad.open(QIODevice::WriteOnly));
        bad.write("not a workbook");
        bad.close();
        Drop(Find<QPlainTextEdit>(main, "Memo1")->viewport(),
             {QUrl::fromLocalFile(bad.fileName())});
        QCOMPARE(ui.Errors.size(), 2);
        QCOMPARE(main.ProtocolLines().size(), before);
        QCOMPARE(ctx.Model.ObjectCount, 3);
        QCOMPARE(main.RecentFiles().Paths().front(), b);
    }

    void WindowsOpenWhereTheyWereLeftAndOnScreen()
    {
        QTemporaryDir dir;
        const QString settings = dir.filePath("settings.ini");
        const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
        QRect mainPlace, fitPlace;
        {
            TFakeUiServices ui;
            ui.UseSettingsFile(settings);
            TAppContext ctx(ui);
            TFrmMain main(ctx);
            main.show();
            QVERIFY(QTest::qWaitForWindowExposed(&main));
            main.setGeometry(screen.left() + 40, screen.top() + 60, 700, 400);
            main.Windows().FrmCharFit->show();
            QVERIFY(QTest::qWaitForWindowExposed(main.Windows().FrmCharFit));
            main.Windows().FrmCharFit->setGeometry(screen.left() + 100, screen.top() + 80, 500,
                                                   350);
            QCoreApplication::processEvents();
            mainPlace = main.geometry();
            fitPlace = main.Windows().FrmCharFit->geometry();
            QVERIFY(screen.contains(fitPlace));
            main.Windows().FrmCharFit->close();
            main.close();
        }
        {
            TFakeUiServices ui;
            ui.UseSettingsFile(settings);
            TAppContext ctx(ui);
            TFrmMain main(ctx);
            QCOMPARE(main.geometry(), mainPlace);
            QCOMPARE(main.Windows().FrmCharFit->geometry(), fitPlace);
            // Windows never shown keep their default size.
            TFakeUiServices freshUi;
            TAppContext fresh(freshUi);
            TFrmMain freshMain(fresh);
            QCOMPARE(main.Windows().FrmOptimize->size(), freshMain.Windows().FrmOptimize->size());
            QVERIFY(freshMain.geometry() != mainPlace);
        }
        // A place from a larger screen setup comes back onto this screen, whole.
        {
            QSettings s(settings, QSettings::IniFormat);
            s.setValue("Windows/Main/Geometry", QRect(screen.right() + 3000, -2000, 50000, 300));
        }
        TFakeUiServices ui;
        ui.UseSettingsFile(settings);
        TAppContext ctx(ui);
        TFrmMain main(ctx);
        QVERIFY(screen.contains(main.geometry()));
        QCOMPARE(main.height(), 300);
        QVERIFY(main.width() <= screen.width());
    }
};

QTEST_MAIN(MainformTest)
#include "MainformTest.moc"
