// What the export window makes of a page: settings, print geometry, pictures.
#include "TreeBuilders.h"
#include "graphics/GrfContainer.h"
#include "graphics/GrfExportOutput.h"
#include "graphics/GrfExportSettings.h"

#include <QBuffer>
#include <QImageReader>
#include <QMimeData>
#include <QSvgRenderer>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

struct TExportPage {
    TGrfContainer Page;
    TadaTreeGrf* Panel;
    TadaTreeNodes Nodes;
    TExportPage()
    {
        Panel = new TadaTreeGrf(&Page);
        BuildRandom(Nodes, 8, 11);
        Panel->TreeNodes = &Nodes;
        Panel->ZoomRoot = Nodes.Root;
        Panel->RebuildMarkers();
        Page.Background.Brush.Color = QColor(0xF0, 0xF0, 0xF0);
    }
};

int CountDark(const QImage& image, const QRect& area)
{
    int n = 0;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x) n += qGray(image.pixel(x, y)) < 100;
    return n;
}

TEST(GrfExportSettings, LayoutItemsSetTitleLayoutAndFrame)
{
    const int expected[6][2] = {{1, 0}, {2, 0}, {0, 0}, {0, 1}, {0, 2}, {3, 0}};
    for (int item = 0; item < 6; ++item) {
        EXPECT_EQ(LayoutItemSettings(item).TitleLayout, expected[item][0]) << item;
        EXPECT_EQ(LayoutItemSettings(item).FrameKind, expected[item][1]) << item;
    }
}

TEST(GrfExportSettings, ExtensionsAndFilterPutTheTypeFirst)
{
    EXPECT_EQ(DataTypeExtension(DataBitmap), "BMP");
    // An enhanced metafile is proposed as .EMF, never with the old format's .WMF.
    EXPECT_EQ(DataTypeExtension(DataMetafile), "EMF");
    EXPECT_EQ(DataTypeExtension(DataJpeg), "JPG");
    EXPECT_EQ(DataTypeExtension(DataMonochrome), "BMP");
    EXPECT_EQ(DataTypeExtension(DataSvg), "SVG");
    EXPECT_EQ(DataTypeExtension(DataPdf), "PDF");
    EXPECT_TRUE(DataTypeFilter(DataMetafile).startsWith("Metafile (*.EMF"));
    EXPECT_TRUE(DataTypeFilter(DataMonochrome).startsWith("Bitmap (*.BMP"));
    EXPECT_FALSE(DataTypeFilter(DataMetafile).contains("WMF"));
    EXPECT_EQ(DataTypeFilter(DataJpeg).count(";;"), 4);
}

TEST(GrfExportSettings, PictureSizeMustBeAWholeNumberInRange)
{
    int v = 0;
    QString error;
    EXPECT_TRUE(ParsePictureSize("1280", v, error));
    EXPECT_EQ(v, 1280);
    EXPECT_TRUE(ParsePictureSize(" 64 ", v, error));
    EXPECT_EQ(v, 64);
    for (const char* bad : {"", "12a", "1.5", "abc", "99999999999"}) {
        v = 7;
        EXPECT_FALSE(ParsePictureSize(bad, v, error)) << bad;
        EXPECT_EQ(error, QStringLiteral("'%1' is not a valid integer value").arg(bad));
        EXPECT_EQ(v, 7);
    }
    // Zero, negative and gigantic sizes would make no picture or exhaust memory.
    for (const char* bad : {"0", "-5", "20001"}) {
        EXPECT_FALSE(ParsePictureSize(bad, v, error)) << bad;
        EXPECT_TRUE(error.contains("not possible")) << error.toStdString();
    }
}

TEST(GrfExportSettings, PrintPlacementKeepsTheMargins)
{
    // A4 landscape at 300 dpi.
    TPrintPlacement p = PrintPlacement(3507, 2480, true, 0.2);
    EXPECT_EQ(p, (TPrintPlacement{3507 - 496, 2480 - 496, 248, 248}));
    // "Large Printout": a quarter of the margin, 0.025 of the page height at the left and top.
    p = PrintPlacement(3507, 2480, true, 0.05);
    EXPECT_EQ(p.X, 62);
    EXPECT_EQ(p.Y, 62);
    EXPECT_EQ(p.Width, 3507 - 124);
    EXPECT_EQ(p.Height, 2480 - 124);
    // Portrait ignores the margin.
    p = PrintPlacement(2480, 3507, false, 0.05);
    EXPECT_EQ(p, (TPrintPlacement{2232, 1674, 248, 248}));
}

TEST(GrfExportSettings, SavedSettingsComeBack)
{
    TGrfContainer page;
    page.Title = "Tree Graphics";
    page.Flags = GrfClipBackground;
    const TSavedPageSettings saved = TSavedPageSettings::From(page);
    ApplyLayoutItem(page, LayoutRoundRect);
    page.Flags |= GrfRemarks;
    page.Title = "Other";
    page.SubTitleLeft = "left";
    EXPECT_EQ(page.FrameKind, 2);
    saved.RestoreInto(page);
    EXPECT_EQ(page.Title, "Tree Graphics");
    EXPECT_EQ(page.SubTitleLeft, "");
    EXPECT_EQ(page.Flags, GrfClipBackground);
    EXPECT_EQ(page.FrameKind, 0);
    EXPECT_EQ(page.TitleLayout, 0);
}

TEST(GrfExportOutput, MonochromeIsOneBitBlackOnWhite)
{
    TExportPage t;
    const QImage mono = RenderMonochrome(t.Page, 640, 480);
    ASSERT_EQ(mono.format(), QImage::Format_Mono);
    EXPECT_EQ(mono.size(), QSize(640, 480));
    ASSERT_EQ(mono.colorCount(), 2);
    EXPECT_EQ(mono.color(0), qRgb(0, 0, 0));
    EXPECT_EQ(mono.color(1), qRgb(255, 255, 255));
    // The light background is white, the branches black: same dark pixels as in colour.
    const QImage colour = RenderBitmap(t.Page, 640, 480);
    const int dark = CountDark(colour, colour.rect());
    const int black = CountDark(mono.convertToFormat(QImage::Format_RGB32), mono.rect());
    EXPECT_GT(black, 1000);
    EXPECT_NEAR(black, dark, dark * 0.1);
    EXPECT_EQ(mono.pixelIndex(1, 1), 1);
}

TEST(GrfExportOutput, FilesHaveTheirFormatAndSize)
{
    TExportPage t;
    QTemporaryDir dir;
    QString error;
    struct {
        int Type;
        const char* Name;
        const char* Format;
    } cases[] = {{DataBitmap, "a.bmp", "bmp"}, {DataMonochrome, "m.bmp", "bmp"}, {DataJpeg, "j.jpg", "jpeg"}};
    for (const auto& c : cases) {
        const QString path = dir.filePath(c.Name);
        ASSERT_TRUE(SavePictureFile(t.Page, c.Type, 800, 600, path, error)) << error.toStdString();
        QImageReader reader(path);
        EXPECT_EQ(reader.format(), QByteArray(c.Format)) << c.Name;
        EXPECT_EQ(reader.size(), QSize(800, 600)) << c.Name;
        const QImage image = reader.read();
        EXPECT_EQ(image.depth(), c.Type == DataMonochrome ? 1 : c.Type == DataBitmap ? 32 : 32) << c.Name;
    }
    // A 1-bit BMP: bits per pixel in the header.
    QFile mono(dir.filePath("m.bmp"));
    ASSERT_TRUE(mono.open(QIODevice::ReadOnly));
    const QByteArray header = mono.read(30);
    EXPECT_EQ(static_cast<unsigned char>(header[28]), 1);
    // JPEG: baseline (SOF0), not progressive.
    QFile jpeg(dir.filePath("j.jpg"));
    ASSERT_TRUE(jpeg.open(QIODevice::ReadOnly));
    const QByteArray jbytes = jpeg.readAll();
    EXPECT_TRUE(jbytes.contains(QByteArray("\xFF\xC0", 2)));
    EXPECT_FALSE(jbytes.contains(QByteArray("\xFF\xC2", 2)));

    // Vector files.
    ASSERT_TRUE(SavePictureFile(t.Page, DataSvg, 1280, 1024, dir.filePath("v.svg"), error));
    QSvgRenderer svg(dir.filePath("v.svg"));
    EXPECT_TRUE(svg.isValid());
    EXPECT_EQ(svg.defaultSize(), QSize(1280, 1024));
    ASSERT_TRUE(SavePictureFile(t.Page, DataPdf, 1280, 1024, dir.filePath("v.pdf"), error));
    QFile pdf(dir.filePath("v.pdf"));
    ASSERT_TRUE(pdf.open(QIODevice::ReadOnly));
    const QByteArray pbytes = pdf.readAll();
    EXPECT_TRUE(pbytes.startsWith("%PDF-"));
    EXPECT_TRUE(pbytes.contains("/MediaBox [0 0 960 768]")) << pbytes.left(2000).toStdString();
    ASSERT_TRUE(SavePictureFile(t.Page, DataMetafile, 1280, 1024, dir.filePath("v.emf"), error))
        << error.toStdString();
    QFile emf(dir.filePath("v.emf"));
    ASSERT_TRUE(emf.open(QIODevice::ReadOnly));
    const QByteArray ebytes = emf.readAll();
    ASSERT_GT(ebytes.size(), 88);
    EXPECT_EQ(ebytes.mid(40, 4), QByteArray(" EMF"));  // enhanced metafile header signature
}

TEST(GrfExportOutput, AFailedWriteKeepsTheOldFile)
{
    TExportPage t;
    QTemporaryDir dir;
    QString error;
    EXPECT_FALSE(SavePictureFile(t.Page, DataBitmap, 100, 100, dir.filePath("no/such/dir/a.bmp"), error));
    EXPECT_TRUE(error.contains("a.bmp"));
    const QString path = dir.filePath("keep.bmp");
    {
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("old");
    }
    error.clear();
    // An unknown type makes nothing and leaves the file alone.
    EXPECT_FALSE(SavePictureFile(t.Page, 99, 100, 100, path, error));
    EXPECT_FALSE(error.isEmpty());
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll(), QByteArray("old"));
}

TEST(GrfExportOutput, ClipboardDataCarriesVectorAndBitmap)
{
    TExportPage t;
    QString error;
    std::unique_ptr<QMimeData> svg(RenderClipboardData(t.Page, DataSvg, 400, 300, error));
    ASSERT_TRUE(svg);
    EXPECT_TRUE(svg->hasFormat("image/svg+xml"));
    EXPECT_EQ(qvariant_cast<QImage>(svg->imageData()).size(), QSize(400, 300));
    std::unique_ptr<QMimeData> emf(RenderClipboardData(t.Page, DataMetafile, 400, 300, error));
    ASSERT_TRUE(emf) << error.toStdString();
    EXPECT_TRUE(emf->hasFormat(EmfMimeType));
    EXPECT_TRUE(emf->hasImage());
}

TEST(GrfExportOutput, TitleShowsInThePicture)
{
    TExportPage t;
    ApplyLayoutItem(t.Page, LayoutLines);
    const QRect titleBand(0, 0, 600, 40);  // above the title line of a 1024-pixel page
    t.Page.Title = "";
    const int without = CountDark(RenderBitmap(t.Page, 1280, 1024), titleBand);
    t.Page.Title = "WWWWWWWWWW";
    const int with = CountDark(RenderBitmap(t.Page, 1280, 1024), titleBand);
    EXPECT_GT(with, without + 500);
}

}  // namespace
