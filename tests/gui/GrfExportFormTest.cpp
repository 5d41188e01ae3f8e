// The graphic export window: page settings while open, destinations, data
// types, picture sizes, files, clipboard and printing to a PDF file.
#include <QButtonGroup>
#include <QCheckBox>
#include <QGroupBox>
#include <QImageReader>
#include <QLineEdit>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSvgRenderer>
#include <QTemporaryDir>
#include <QtTest>

#include "graphics/GrfContainer.h"
#include "graphics/GrfExport.h"
#include "graphics/GrfExportOutput.h"
#include "graphics/GrfPaintBox.h"
#include "graphics/TreeSpezial.h"
#include "tests/graphics/TreeBuilders.h"
#include "tests/support/FakeUiServices.h"
#include "tests/support/FindWidget.h"
#include "tests/support/PixelCounts.h"

namespace {

// A tree page as the tree window has it, and an export window on it.
struct TExport {
    TFakeUiServices Ui;
    TadaTreeNodes Nodes;
    TGrfContainer Page;
    std::unique_ptr<TGrfExpFRM> Window;
    // settingsFile: where the window keeps its choices (another run of the
    // program when given again); empty: a scratch file of this test.
    explicit TExport(int leaves = 10, const QString& settingsFile = {})
    {
        if (!settingsFile.isEmpty()) Ui.UseSettingsFile(settingsFile);
        BuildRandom(Nodes, leaves, 3);
        auto* panel = Page.AddChild(std::make_unique<TadaTreeGrf>());
        panel->TreeNodes = &Nodes;
        panel->ZoomRoot = Nodes.Root;
        panel->RebuildMarkers();
        Page.Title = "Tree Graphics";
        Page.Background.Brush.Color = QColor(0xF0, 0xF0, 0xF0);
        Open();
    }
    void Open()
    {
        Window = std::make_unique<TGrfExpFRM>(Ui);
        Window->SetGraphic(Page);
        Window->show();
    }
    TGrfExpFRM& W() { return *Window; }
    template <class E>
    void Choose(QButtonGroup* g, E item)
    {
        QTest::mouseClick(g->button(static_cast<int>(item)), Qt::LeftButton, {}, QPoint(5, 5));
    }
    // Exports to a file of the data type; the path chosen in the save dialog.
    void ExportFile(TGrfDataType dataType, const QString& path)
    {
        Choose(FindRadioGroup(W(), "DestinationRG"), TGrfDestination::File);
        Choose(FindRadioGroup(W(), "DataTypeRG"), dataType);
        Ui.SaveAnswers.enqueue(path);
        Find<QPushButton>(W(), "ExportBTN")->click();
    }
};

}  // namespace

class GrfExportFormTest : public QObject {
    Q_OBJECT
private slots:
    void StartsFromThePageAndGivesItsSettingsBack()
    {
        TExport t;
        TGrfExpFRM& w = t.W();
        QCOMPARE(w.windowTitle(), QString("Graphics -Export"));
        QCOMPARE(w.size(), QSize(768, 564));
        QCOMPARE(Find<QLineEdit>(w, "TitleEDT")->text(), QString("Tree Graphics"));
        QCOMPARE(FindRadioGroup(w, "LayOutRG")->checkedId(), int(TGrfLayoutItem::Lines));
        QVERIFY(!FindRadioGroup(w, "LayOutRG")->button(int(TGrfLayoutItem::Special))->isEnabled());
        QCOMPARE(FindRadioGroup(w, "DestinationRG")->checkedId(), int(TGrfDestination::Printer));
        QCOMPARE(FindRadioGroup(w, "DataTypeRG")->checkedId(), int(TGrfDataType::Metafile));
        QVERIFY(!Find<QGroupBox>(w, "PicSizeGBX")->isEnabled());
        QCOMPARE(Find<QLineEdit>(w, "PicWidthEDT")->text(), QString("1280"));
        QCOMPARE(Find<QLineEdit>(w, "PicHeightEDT")->text(), QString("1024"));
        QVERIFY(Find<QPushButton>(w, "ExportBTN")->font().bold());
        QCOMPARE(w.CurrentMargin(), 0.2);
        // "Lines" is applied to the page at once.
        QCOMPARE(t.Page.TitleLayout, TTitleLayout::Lines);

        // Everything the window changes on the page...
        QTest::keyClicks(Find<QLineEdit>(w, "TitleEDT"), " A");
        QTest::keyClicks(Find<QLineEdit>(w, "SubTitleLeftEDT"), "left");
        QTest::keyClicks(Find<QLineEdit>(w, "SubTitleRightEDT"), "right");
        QCOMPARE(t.Page.Title, QString("Tree Graphics A"));
        QCOMPARE(t.Page.SubTitleLeft, QString("left"));
        QCOMPARE(t.Page.SubTitleRight, QString("right"));
        t.Choose(FindRadioGroup(w, "LayOutRG"), TGrfLayoutItem::RoundRect);
        QCOMPARE(t.Page.TitleLayout, TTitleLayout::None);
        QCOMPARE(t.Page.FrameKind(), TFrameKind::RoundRect);
        Find<QCheckBox>(w, "SidetextCBX")->click();
        QVERIFY(t.Page.Flags() & TGrfFlag::Remarks);
        QTest::keyClicks(Find<QPlainTextEdit>(w, "SideMMO"), "first");
        QTest::keyClick(Find<QPlainTextEdit>(w, "SideMMO"), Qt::Key_Return);
        QTest::keyClicks(Find<QPlainTextEdit>(w, "SideMMO"), "second");
        QCOMPARE(t.Page.Remarks, (QStringList{"first", "second"}));
        // ...is undone when the window closes by Cancel...
        Find<QPushButton>(w, "CancelBTN")->click();
        QCOMPARE(w.result(), int(QDialog::Rejected));
        t.Window.reset();
        QCOMPARE(t.Page.Title, QString("Tree Graphics"));
        QCOMPARE(t.Page.SubTitleLeft, QString());
        QCOMPARE(t.Page.SubTitleRight, QString());
        QCOMPARE(t.Page.TitleLayout, TTitleLayout::None);
        QCOMPARE(t.Page.FrameKind(), TFrameKind::Plain);
        QVERIFY(!(t.Page.Flags() & TGrfFlag::Remarks));

        // ...and by Export.
        QTemporaryDir dir;
        t.Open();
        QTest::keyClicks(Find<QLineEdit>(t.W(), "TitleEDT"), "X");
        t.ExportFile(TGrfDataType::Bitmap, dir.filePath("a.bmp"));
        QCOMPARE(t.W().result(), int(QDialog::Accepted));
        t.Window.reset();
        QCOMPARE(t.Page.Title, QString("Tree Graphics"));
        QCOMPARE(t.Page.TitleLayout, TTitleLayout::None);
    }

    void TitleShowsInPreviewAndPicture()
    {
        TExport t;
        TGrfExpFRM& w = t.W();
        Find<QLineEdit>(w, "TitleEDT")->clear();
        Find<TGrfPaintBox>(w, "PBX")->grab();
        const QRect band(10, 10, 200, 12);
        const int before = CountDark(w.PreviewImage(), band);
        QTest::keyClicks(Find<QLineEdit>(w, "TitleEDT"), "WWWWWWWWWW");
        Find<TGrfPaintBox>(w, "PBX")->grab();
        QCOMPARE(w.PreviewImage().size(), Find<TGrfPaintBox>(w, "PBX")->size() - QSize(20, 20));
        QVERIFY(CountDark(w.PreviewImage(), band) > before + 100);

        QTemporaryDir dir;
        t.ExportFile(TGrfDataType::Bitmap, dir.filePath("t.bmp"));
        const QImage picture(dir.filePath("t.bmp"));
        QVERIFY(CountDark(picture, QRect(0, 0, 600, 40)) > 1000);
    }

    void DestinationChoosesDataTypesAndPictureSize()
    {
        TExport t;
        TGrfExpFRM& w = t.W();
        t.Choose(FindRadioGroup(w, "DestinationRG"), TGrfDestination::File);
        QVERIFY(Find<QGroupBox>(w, "PicSizeGBX")->isEnabled());
        t.Choose(FindRadioGroup(w, "DataTypeRG"), TGrfDataType::Jpeg);
        QCOMPARE(w.ProposedExtension(), QString("JPG"));
        // JPEG cannot go to the clipboard: the item is disabled and not left chosen.
        t.Choose(FindRadioGroup(w, "DestinationRG"), TGrfDestination::Clipboard);
        QVERIFY(!FindRadioGroup(w, "DataTypeRG")->button(int(TGrfDataType::Jpeg))->isEnabled());
        QCOMPARE(FindRadioGroup(w, "DataTypeRG")->checkedId(), int(TGrfDataType::Bitmap));
        QVERIFY(Find<QGroupBox>(w, "PicSizeGBX")->isEnabled());
        // Enter in a title edit exports nothing.
        QTest::keyClick(Find<QLineEdit>(w, "TitleEDT"), Qt::Key_Return);
        QVERIFY(t.Ui.ClipboardImage.isNull());
        QVERIFY(w.isVisible());
        t.Choose(FindRadioGroup(w, "DestinationRG"), TGrfDestination::File);
        QVERIFY(FindRadioGroup(w, "DataTypeRG")->button(int(TGrfDataType::Jpeg))->isEnabled());
        t.Choose(FindRadioGroup(w, "DestinationRG"), TGrfDestination::Printer);
        QVERIFY(!Find<QGroupBox>(w, "PicSizeGBX")->isEnabled());
        QCOMPARE(FindRadioGroup(w, "DataTypeRG")->checkedId(), int(TGrfDataType::Metafile));
        Find<QCheckBox>(w, "ShrinkCBX")->click();
        QCOMPARE(w.CurrentMargin(), 0.05);
        Find<QCheckBox>(w, "ShrinkCBX")->click();
        QCOMPARE(w.CurrentMargin(), 0.2);
    }

    void EveryFileTypeHasItsFormatAndSize()
    {
        QTemporaryDir dir;
        struct {
            TGrfDataType Type;
            const char* Name;
            const char* Suffix;
            const char* Format;
            int Depth;
        } cases[] = {{TGrfDataType::Bitmap, "b.bmp", "BMP", "bmp", 32},
                     {TGrfDataType::Monochrome, "m.bmp", "BMP", "bmp", 1},
                     {TGrfDataType::Jpeg, "j.jpg", "JPG", "jpeg", 32},
                     {TGrfDataType::Metafile, "e.emf", "EMF", nullptr, 0},
                     {TGrfDataType::Svg, "s.svg", "SVG", nullptr, 0},
                     {TGrfDataType::Pdf, "p.pdf", "PDF", nullptr, 0},
                     {TGrfDataType::Png, "n.png", "PNG", "png", 32}};
        for (const auto& c : cases) {
            TExport t;
            Find<QLineEdit>(t.W(), "PicWidthEDT")->setText("1000");
            Find<QLineEdit>(t.W(), "PicHeightEDT")->setText("760");
            const QString path = dir.filePath(c.Name);
            t.ExportFile(c.Type, path);
            QCOMPARE(t.Ui.SaveCalls.size(), 1);
            QCOMPARE(t.Ui.SaveCalls[0].DefaultSuffix, QString(c.Suffix));
            QCOMPARE(t.W().result(), int(QDialog::Accepted));
            QCOMPARE(t.Ui.BusyDepth, 0);
            QVERIFY2(t.Ui.Errors.isEmpty(), qPrintable(t.Ui.Errors.join('|')));
            QFile file(path);
            QVERIFY2(file.open(QIODevice::ReadOnly), c.Name);
            const QByteArray bytes = file.readAll();
            if (c.Format) {
                QImageReader reader(path);
                QCOMPARE(reader.format(), QByteArray(c.Format));
                QCOMPARE(reader.size(), QSize(1000, 760));
                QCOMPARE(reader.read().depth(), c.Depth);
            } else if (c.Type == TGrfDataType::Metafile) {
                QCOMPARE(bytes.mid(40, 4), QByteArray(" EMF"));
            } else if (c.Type == TGrfDataType::Svg) {
                QSvgRenderer svg(path);
                QVERIFY(svg.isValid());
                QCOMPARE(svg.viewBox(), QRect(0, 0, 1000, 760));
            } else {
                QVERIFY(bytes.startsWith("%PDF-"));
                QVERIFY(bytes.contains(
                    "/MediaBox [0 0 750.000000 570.000000]"));  // at 96 pixels per inch
            }
        }
    }

    void BadSizeOrCancelledDialogWritesNothing()
    {
        TExport t;
        QTemporaryDir dir;
        const QString path = dir.filePath("x.bmp");
        // A size that cannot be used is refused before the save dialog opens.
        t.Choose(FindRadioGroup(t.W(), "DestinationRG"), TGrfDestination::File);
        t.Choose(FindRadioGroup(t.W(), "DataTypeRG"), TGrfDataType::Bitmap);
        const struct {
            const char *Width, *Height;
        } bad[] = {{"12a", "480"}, {"640", "0"}, {"-5", "480"}, {"640", ""}, {"640", "20001"}};
        for (const auto& b : bad) {
            Find<QLineEdit>(t.W(), "PicWidthEDT")->setText(b.Width);
            Find<QLineEdit>(t.W(), "PicHeightEDT")->setText(b.Height);
            Find<QPushButton>(t.W(), "ExportBTN")->click();
        }
        QCOMPARE(t.Ui.Errors.size(), 5);
        QCOMPARE(t.Ui.Errors.first(), QString("'12a' is not a valid integer value"));
        QCOMPARE(t.Ui.SaveCalls.size(), 0);
        // The window stays for another try with the choices kept.
        QVERIFY(t.W().isVisible());
        QCOMPARE(FindRadioGroup(t.W(), "DataTypeRG")->checkedId(), int(TGrfDataType::Bitmap));
        // Cancelled save dialog.
        Find<QLineEdit>(t.W(), "PicHeightEDT")->setText("480");
        t.Choose(FindRadioGroup(t.W(), "DestinationRG"), TGrfDestination::File);
        Find<QPushButton>(t.W(), "ExportBTN")->click();
        QCOMPARE(t.Ui.SaveCalls.size(), 1);
        QVERIFY(QDir(dir.path()).isEmpty());
        QVERIFY(t.W().isVisible());
        // The clipboard gets nothing from a bad size either.
        t.Choose(FindRadioGroup(t.W(), "DestinationRG"), TGrfDestination::Clipboard);
        Find<QLineEdit>(t.W(), "PicHeightEDT")->setText("");
        Find<QPushButton>(t.W(), "ExportBTN")->click();
        QVERIFY(t.Ui.ClipboardImage.isNull());
        QCOMPARE(t.Ui.Errors.size(), 6);
        QCOMPARE(t.Ui.BusyDepth, 0);
        // Finally it works.
        Find<QLineEdit>(t.W(), "PicHeightEDT")->setText("480");
        t.ExportFile(TGrfDataType::Bitmap, path);
        QCOMPARE(QImage(path).size(), QSize(640, 480));
    }

    void ClipboardBitmapMonochromeAndMetafile()
    {
        TExport t;
        TGrfExpFRM& w = t.W();
        t.Choose(FindRadioGroup(w, "DestinationRG"), TGrfDestination::Clipboard);
        t.Choose(FindRadioGroup(w, "DataTypeRG"), TGrfDataType::Bitmap);
        Find<QPushButton>(w, "ExportBTN")->click();
        QCOMPARE(t.Ui.ClipboardImage.size(), QSize(1280, 1024));
        QVERIFY(t.Ui.ClipboardImage.depth() >= 24);
        QCOMPARE(w.result(), int(QDialog::Accepted));

        TExport m;
        m.Choose(FindRadioGroup(m.W(), "DestinationRG"), TGrfDestination::Clipboard);
        m.Choose(FindRadioGroup(m.W(), "DataTypeRG"), TGrfDataType::Monochrome);
        Find<QLineEdit>(m.W(), "PicWidthEDT")->setText("640");
        Find<QLineEdit>(m.W(), "PicHeightEDT")->setText("400");
        Find<QPushButton>(m.W(), "ExportBTN")->click();
        const QImage mono = m.Ui.ClipboardImage;
        QCOMPARE(mono.size(), QSize(640, 400));
        QCOMPARE(mono.format(), QImage::Format_Mono);
        QCOMPARE(mono.color(0), qRgb(0, 0, 0));
        QVERIFY(CountDark(mono.convertToFormat(QImage::Format_RGB32), mono.rect()) > 1000);
        QCOMPARE(mono.pixelIndex(320, 5), 1);  // the light background is white

        TExport e;
        e.Choose(FindRadioGroup(e.W(), "DestinationRG"), TGrfDestination::Clipboard);
        e.Choose(FindRadioGroup(e.W(), "DataTypeRG"), TGrfDataType::Metafile);
        Find<QPushButton>(e.W(), "ExportBTN")->click();
        QVERIFY(e.Ui.ClipboardData);
        QCOMPARE(e.Ui.ClipboardData->data(EmfMimeType).mid(40, 4), QByteArray(" EMF"));
        QCOMPARE(qvariant_cast<QImage>(e.Ui.ClipboardData->imageData()).size(), QSize(1280, 1024));
        QVERIFY(e.Ui.ClipboardImage.isNull());
    }

    void PrintingToAPdfFile()
    {
        QTemporaryDir dir;
        for (int dataType : {int(TGrfDataType::Metafile), int(TGrfDataType::Bitmap)}) {
            TExport t;
            const QString path = dir.filePath(QString("print%1.pdf").arg(dataType));
            QPageLayout::Orientation offered = QPageLayout::Portrait;
            t.Ui.PrintAnswer = [&](QPrinter& printer) {
                offered = printer.pageLayout().orientation();
                printer.setOutputFormat(QPrinter::PdfFormat);
                printer.setOutputFileName(path);
                return true;
            };
            t.Choose(FindRadioGroup(t.W(), "DataTypeRG"), dataType);
            Find<QCheckBox>(t.W(), "ShrinkCBX")->click();
            Find<QPushButton>(t.W(), "ExportBTN")->click();
            QCOMPARE(offered, QPageLayout::Landscape);  // set before the dialog
            QFile pdf(path);
            QVERIFY(pdf.open(QIODevice::ReadOnly));
            const QByteArray bytes = pdf.readAll();
            QVERIFY(bytes.startsWith("%PDF-"));
            // A landscape page.
            const QRegularExpression box("/MediaBox \\[0 0 ([0-9.]+) ([0-9.]+)\\]");
            const auto match = box.match(QString::fromLatin1(bytes));
            QVERIFY(match.hasMatch());
            QVERIFY(match.captured(1).toDouble() > match.captured(2).toDouble());
            QCOMPARE(t.W().result(), int(QDialog::Accepted));
            QCOMPARE(t.Ui.BusyDepth, 0);
        }
        // A cancelled print dialog prints nothing and keeps the window open.
        TExport c;
        Find<QPushButton>(c.W(), "ExportBTN")->click();
        QVERIFY(c.W().isVisible());
        QCOMPARE(c.W().result(), 0);
        QVERIFY(c.Ui.Errors.isEmpty());
        // A printer that cannot start is reported, not taken for success.
        c.Ui.PrintAnswer = [&](QPrinter& printer) {
            printer.setOutputFormat(QPrinter::PdfFormat);
            printer.setOutputFileName(dir.filePath("no/such/folder/x.pdf"));
            return true;
        };
        Find<QPushButton>(c.W(), "ExportBTN")->click();
        QCOMPARE(c.Ui.Errors, QStringList{"The printer could not be started."});
        QVERIFY(c.W().isVisible());
        QCOMPARE(c.Ui.BusyDepth, 0);
    }

    void LargePrintoutOfALargeTreeTakesSeveralPages()
    {
        QTemporaryDir dir;
        auto pagesPrinted = [&](int leaves, bool large, const QString& name) {
            TExport t(leaves);
            const QString path = dir.filePath(name);
            t.Ui.PrintAnswer = [&](QPrinter& printer) {
                printer.setOutputFormat(QPrinter::PdfFormat);
                printer.setOutputFileName(path);
                return true;
            };
            if (large) Find<QCheckBox>(t.W(), "ShrinkCBX")->click();
            Find<QPushButton>(t.W(), "ExportBTN")->click();
            if (const QString dump = qEnvironmentVariable("VARNO_DUMP_DIR"); !dump.isEmpty())
                QFile::copy(path, dump + "/" + name);
            QFile pdf(path);
            if (!pdf.open(QIODevice::ReadOnly)) return -1;
            return int(
                QString::fromLatin1(pdf.readAll()).count(QRegularExpression("/Type /Page[^s]")));
        };
        QCOMPARE(pagesPrinted(255, false, "one.pdf"), 1);  // as before: one page
        QCOMPARE(pagesPrinted(10, true, "small.pdf"), 1);  // a small tree fits on one
        const int pages = pagesPrinted(255, true, "many.pdf");
        QVERIFY2(pages >= 3 && pages <= 8, qPrintable(QString::number(pages)));
    }

    void ChoicesAreRememberedBetweenOpeningsAndRuns()
    {
        QTemporaryDir dir;
        const QString settings = dir.filePath("settings.ini");
        {
            TExport t(10, settings);
            TGrfExpFRM& w = t.W();
            Find<QLineEdit>(w, "TitleEDT")->setText("Figure 2 gyp");
            Find<QLineEdit>(w, "SubTitleLeftEDT")->setText("left");
            Find<QLineEdit>(w, "SubTitleRightEDT")->setText("right");
            t.Choose(FindRadioGroup(w, "LayOutRG"), TGrfLayoutItem::RoundRect);
            Find<QCheckBox>(w, "SidetextCBX")->click();
            Find<QPlainTextEdit>(w, "SideMMO")->setPlainText("first\nsecond");
            Find<QCheckBox>(w, "ShrinkCBX")->click();
            t.Choose(FindRadioGroup(w, "DestinationRG"), TGrfDestination::File);
            t.Choose(FindRadioGroup(w, "DataTypeRG"), TGrfDataType::Svg);
            Find<QLineEdit>(w, "PicWidthEDT")->setText("800");
            Find<QLineEdit>(w, "PicHeightEDT")->setText("600");
            Find<QPushButton>(w, "CancelBTN")->click();
            t.Window.reset();
            // The page itself gets its settings back, as before.
            QCOMPARE(t.Page.Title, QString("Tree Graphics"));
            QCOMPARE(t.Page.FrameKind(), TFrameKind::Plain);
            QVERIFY(!(t.Page.Flags() & TGrfFlag::Remarks));

            // The next opening starts from the last choices and applies them to the page.
            t.Open();
            TGrfExpFRM& v = t.W();
            QCOMPARE(Find<QLineEdit>(v, "TitleEDT")->text(), QString("Figure 2 gyp"));
            QCOMPARE(Find<QLineEdit>(v, "SubTitleRightEDT")->text(), QString("right"));
            QCOMPARE(t.Page.Title, QString("Figure 2 gyp"));
            QCOMPARE(t.Page.SubTitleLeft, QString("left"));
            QCOMPARE(FindRadioGroup(v, "LayOutRG")->checkedId(), int(TGrfLayoutItem::RoundRect));
            QCOMPARE(t.Page.FrameKind(), TFrameKind::RoundRect);
            QVERIFY(Find<QCheckBox>(v, "SidetextCBX")->isChecked());
            QVERIFY(t.Page.Flags() & TGrfFlag::Remarks);
            QCOMPARE(t.Page.Remarks, (QStringList{"first", "second"}));
            QVERIFY(Find<QCheckBox>(v, "ShrinkCBX")->isChecked());
            QCOMPARE(v.CurrentMargin(), 0.05);
            QCOMPARE(FindRadioGroup(v, "DestinationRG")->checkedId(), int(TGrfDestination::File));
            QCOMPARE(FindRadioGroup(v, "DataTypeRG")->checkedId(), int(TGrfDataType::Svg));
            QCOMPARE(v.ProposedExtension(), QString("SVG"));
            QVERIFY(Find<QGroupBox>(v, "PicSizeGBX")->isEnabled());
            QCOMPARE(Find<QLineEdit>(v, "PicWidthEDT")->text(), QString("800"));
            // Export takes them as they are: an 800 x 600 SVG with the remarks
            // (a round frame has no title block).
            t.Ui.SaveAnswers.enqueue(dir.filePath("t.svg"));
            Find<QPushButton>(v, "ExportBTN")->click();
            QCOMPARE(v.result(), int(QDialog::Accepted));
            QFile svg(dir.filePath("t.svg"));
            QVERIFY(svg.open(QIODevice::ReadOnly));
            const QByteArray bytes = svg.readAll();
            QVERIFY(bytes.contains(">second<"));
            QCOMPARE(QSvgRenderer(bytes).viewBox(), QRect(0, 0, 800, 600));
            // A size that would be refused is not kept.
            Find<QLineEdit>(v, "PicWidthEDT")->setText("0");
            t.Window.reset();
        }
        // The next run of the program.
        TExport t(10, settings);
        QCOMPARE(Find<QLineEdit>(t.W(), "TitleEDT")->text(), QString("Figure 2 gyp"));
        QCOMPARE(FindRadioGroup(t.W(), "DataTypeRG")->checkedId(), int(TGrfDataType::Svg));
        QCOMPARE(Find<QLineEdit>(t.W(), "PicWidthEDT")->text(), QString("800"));
        QCOMPARE(Find<QLineEdit>(t.W(), "PicHeightEDT")->text(), QString("600"));
        QCOMPARE(Find<QPlainTextEdit>(t.W(), "SideMMO")->toPlainText(), QString("first\nsecond"));
        t.Window.reset();
        // A page with a title of its own (a consensus) keeps it; the rest is remembered.
        t.Page.Title = "Strict consensus of 3 trees";
        t.Open();
        QCOMPARE(Find<QLineEdit>(t.W(), "TitleEDT")->text(),
                 QString("Strict consensus of 3 trees"));
        QCOMPARE(Find<QLineEdit>(t.W(), "SubTitleLeftEDT")->text(), QString());
        QCOMPARE(t.Page.SubTitleLeft, QString());
        QCOMPARE(FindRadioGroup(t.W(), "LayOutRG")->checkedId(), int(TGrfLayoutItem::RoundRect));
        // The printer as destination keeps a chosen bitmap type.
        t.Choose(FindRadioGroup(t.W(), "DestinationRG"), TGrfDestination::Printer);
        t.Choose(FindRadioGroup(t.W(), "DataTypeRG"), TGrfDataType::Bitmap);
        t.Window.reset();
        // Back on a tree page, the titles typed for it return.
        t.Page.Title = "Tree Graphics";
        t.Open();
        QCOMPARE(Find<QLineEdit>(t.W(), "TitleEDT")->text(), QString("Figure 2 gyp"));
        QCOMPARE(FindRadioGroup(t.W(), "DestinationRG")->checkedId(),
                 int(TGrfDestination::Printer));
        QCOMPARE(FindRadioGroup(t.W(), "DataTypeRG")->checkedId(), int(TGrfDataType::Bitmap));
        QVERIFY(!Find<QGroupBox>(t.W(), "PicSizeGBX")->isEnabled());
        t.Window.reset();

        // Another tree under the same page title starts from its own title;
        // layout, format and size stay as chosen. Its own typed title comes back.
        for (int leaves : {12, 10}) {
            TExport other(leaves, settings);
            QCOMPARE(Find<QLineEdit>(other.W(), "TitleEDT")->text(),
                     QString(leaves == 10 ? "Figure 2 gyp" : "Tree Graphics"));
            QCOMPARE(Find<QLineEdit>(other.W(), "SubTitleRightEDT")->text(),
                     QString(leaves == 10 ? "right" : ""));
            QCOMPARE(FindRadioGroup(other.W(), "LayOutRG")->checkedId(),
                     int(TGrfLayoutItem::RoundRect));
            QCOMPARE(FindRadioGroup(other.W(), "DataTypeRG")->checkedId(),
                     int(TGrfDataType::Bitmap));
            QCOMPARE(Find<QLineEdit>(other.W(), "PicWidthEDT")->text(), QString("800"));
            Find<QPushButton>(other.W(), "CancelBTN")->click();
        }
    }

    void ExecuteWithBitmapFirst()
    {
        TExport t;
        t.Window.reset();
        bool seen = false;
        QTimer::singleShot(0, [&] {
            auto* w = dynamic_cast<TGrfExpFRM*>(QApplication::activeModalWidget());
            if (!w) return;
            seen = FindRadioGroup(*w, "DataTypeRG")->checkedId() == int(TGrfDataType::Bitmap) &&
                   t.Page.TitleLayout == TTitleLayout::Lines;
            Find<QPushButton>(*w, "CancelBTN")->click();
        });
        QCOMPARE(TGrfExpFRM::Execute(t.Ui, t.Page, true), int(QDialog::Rejected));
        QVERIFY(seen);
        QCOMPARE(t.Page.TitleLayout, TTitleLayout::None);
    }
};

QTEST_MAIN(GrfExportFormTest)
#include "GrfExportFormTest.moc"
