// What the export window makes of a page: settings, print geometry, pictures.
#include <gtest/gtest.h>

#include <QBuffer>
#include <QImageReader>
#include <QMimeData>
#include <QSettings>
#include <QSvgRenderer>
#include <QTemporaryDir>

#include "TreeBuilders.h"
#include "graphics/GrfContainer.h"
#include "graphics/GrfExportOutput.h"
#include "graphics/GrfExportSettings.h"
#include "tests/support/PixelCounts.h"

namespace {
// The picture's bytes, or none with why in error.
QByteArray BytesOf(const TResult<QByteArray>& rendered, QString& error)
{
    if (!rendered) {
        error = rendered.Error();
        return {};
    }
    return *rendered;
}

struct TExportPage {
    TGrfContainer Page;
    TadaTreeGrf* Panel;
    TadaTreeNodes Nodes;
    TExportPage()
    {
        Panel = Page.AddChild(std::make_unique<TadaTreeGrf>());
        BuildRandom(Nodes, 8, 11);
        Panel->TreeNodes = &Nodes;
        Panel->ZoomRoot = Nodes.Root;
        Panel->RebuildMarkers();
        Page.Background.Brush.Color = QColor(0xF0, 0xF0, 0xF0);
    }
};

TEST(GrfExportSettings, LayoutItemsSetTitleLayoutAndFrame)
{
    using L = TTitleLayout;
    using F = TFrameKind;
    const std::pair<L, F> expected[6] = {{L::Lines, F::Plain},    {L::TitleOnly, F::Plain},
                                         {L::None, F::Plain},     {L::None, F::Rectangle},
                                         {L::None, F::RoundRect}, {L::Special, F::Plain}};
    TGrfContainer page;
    for (int item = 5; item >= 0; --item) {
        ApplyLayoutItem(page, static_cast<TGrfLayoutItem>(item));
        EXPECT_EQ(page.TitleLayout, expected[item].first) << item;
        EXPECT_EQ(page.FrameKind(), expected[item].second) << item;
    }
}

TEST(GrfExportOutput, EveryDataTypeHasItsFormat)
{
    TExportPage t;
    QString error;
    struct {
        TGrfDataType Type;
        const char* Format;  // as the image readers name it; none for vector files
    } cases[] = {{TGrfDataType::Bitmap, "bmp"},
                 {TGrfDataType::Monochrome, "bmp"},
                 {TGrfDataType::Jpeg, "jpeg"}};
    for (const auto& c : cases) {
        QByteArray bytes = BytesOf(RenderPicture(t.Page, PictureFormatOf(c.Type), 320, 200), error);
        QBuffer buffer(&bytes);
        QImageReader reader(&buffer);
        EXPECT_EQ(reader.format(), QByteArray(c.Format)) << int(c.Type);
        EXPECT_EQ(reader.size(), QSize(320, 200)) << int(c.Type);
        EXPECT_EQ(reader.read().depth(), c.Type == TGrfDataType::Monochrome ? 1 : 32)
            << int(c.Type);
    }
    EXPECT_EQ(
        BytesOf(RenderPicture(t.Page, PictureFormatOf(TGrfDataType::Metafile), 320, 200), error)
            .mid(40, 4),
        " EMF");
    EXPECT_TRUE(BytesOf(RenderPicture(t.Page, PictureFormatOf(TGrfDataType::Svg), 320, 200), error)
                    .contains("<svg"));
    EXPECT_TRUE(BytesOf(RenderPicture(t.Page, PictureFormatOf(TGrfDataType::Pdf), 320, 200), error)
                    .startsWith("%PDF-"));
    EXPECT_EQ(PictureFormatOf(static_cast<TGrfDataType>(17)), TPictureFormat::Unknown);
}

TEST(GrfExportSettings, ExtensionsAndFilterPutTheTypeFirst)
{
    EXPECT_EQ(DataTypeExtension(TGrfDataType::Bitmap), "BMP");
    // An enhanced metafile is proposed as .EMF, never with the old format's .WMF.
    EXPECT_EQ(DataTypeExtension(TGrfDataType::Metafile), "EMF");
    EXPECT_EQ(DataTypeExtension(TGrfDataType::Jpeg), "JPG");
    EXPECT_EQ(DataTypeExtension(TGrfDataType::Monochrome), "BMP");
    EXPECT_EQ(DataTypeExtension(TGrfDataType::Svg), "SVG");
    EXPECT_EQ(DataTypeExtension(TGrfDataType::Pdf), "PDF");
    EXPECT_EQ(DataTypeExtension(TGrfDataType::Png), "PNG");
    EXPECT_TRUE(DataTypeFilter(TGrfDataType::Png).startsWith("PNG (*.PNG"));
    EXPECT_TRUE(DataTypeFilter(TGrfDataType::Metafile).startsWith("Metafile (*.EMF"));
    EXPECT_TRUE(DataTypeFilter(TGrfDataType::Monochrome).startsWith("Bitmap (*.BMP"));
    EXPECT_FALSE(DataTypeFilter(TGrfDataType::Metafile).contains("WMF"));
    EXPECT_EQ(DataTypeFilter(TGrfDataType::Jpeg).count(";;"), 5);
}

TEST(GrfExportSettings, PictureSizeMustBeAWholeNumberInRange)
{
    const TResult<int> wide = ParsePictureSize("1280");
    ASSERT_TRUE(wide.Ok());
    EXPECT_EQ(*wide, 1280);
    const TResult<int> blanks = ParsePictureSize(" 64 ");
    ASSERT_TRUE(blanks.Ok());
    EXPECT_EQ(*blanks, 64);
    for (const char* bad : {"", "12a", "1.5", "abc", "99999999999"}) {
        const TResult<int> v = ParsePictureSize(bad);
        EXPECT_FALSE(v.Ok()) << bad;
        EXPECT_EQ(v.Error(), QStringLiteral("'%1' is not a valid integer value").arg(bad));
    }
    // Zero, negative and gigantic sizes would make no picture or exhaust memory.
    for (const char* bad : {"0", "-5", "20001"}) {
        const TResult<int> v = ParsePictureSize(bad);
        EXPECT_FALSE(v.Ok()) << bad;
        EXPECT_TRUE(v.Error().contains("not possible")) << v.Error().toStdString();
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
    page.SetFlags(TGrfFlag::ClipBackground);
    const TSavedPageSettings saved = TSavedPageSettings::From(page);
    ApplyLayoutItem(page, TGrfLayoutItem::RoundRect);
    page.SetFlag(TGrfFlag::Remarks);
    page.Title = "Other";
    page.SubTitleLeft = "left";
    EXPECT_EQ(page.FrameKind(), TFrameKind::RoundRect);
    saved.RestoreInto(page);
    EXPECT_EQ(page.Title, "Tree Graphics");
    EXPECT_EQ(page.SubTitleLeft, "");
    EXPECT_EQ(page.Flags(), TGrfFlags(TGrfFlag::ClipBackground));
    EXPECT_EQ(page.FrameKind(), TFrameKind::Plain);
    EXPECT_EQ(page.TitleLayout, TTitleLayout::None);
}

// The remembered choices are stored as the items' numbers: settings written
// before keep their meaning, and a number out of range falls back.
TEST(GrfExportSettings, ChoicesKeepTheirStoredNumbers)
{
    QTemporaryDir dir;
    QSettings settings(dir.filePath("choices.ini"), QSettings::IniFormat);
    settings.setValue("GraphicsExport/Layout", 4);
    settings.setValue("GraphicsExport/Destination", 2);
    settings.setValue("GraphicsExport/DataType", "4");  // as an ini file reads back
    TExportChoices c;
    ASSERT_TRUE(c.Load(settings));
    EXPECT_EQ(c.Layout, TGrfLayoutItem::RoundRect);
    EXPECT_EQ(c.Destination, TGrfDestination::File);
    EXPECT_EQ(c.DataType, TGrfDataType::Svg);

    c.Layout = TGrfLayoutItem::Rectangle;
    c.Destination = TGrfDestination::Clipboard;
    c.DataType = TGrfDataType::Monochrome;
    c.Save(settings);
    EXPECT_EQ(settings.value("GraphicsExport/Layout").toInt(), 3);
    EXPECT_EQ(settings.value("GraphicsExport/Destination").toInt(), 1);
    EXPECT_EQ(settings.value("GraphicsExport/DataType").toInt(), 3);
    TExportChoices back;
    ASSERT_TRUE(back.Load(settings));
    EXPECT_EQ(back, c);

    // The special layout is never offered, so it is not kept either.
    settings.setValue("GraphicsExport/Layout", 5);
    settings.setValue("GraphicsExport/Destination", 3);
    settings.setValue("GraphicsExport/DataType", -1);
    ASSERT_TRUE(back.Load(settings));
    EXPECT_EQ(back.Layout, TGrfLayoutItem::Lines);
    EXPECT_EQ(back.Destination, TGrfDestination::Printer);
    EXPECT_EQ(back.DataType, TGrfDataType::Metafile);
}

TEST(GrfExportOutput, ClipboardDataCarriesVectorAndBitmap)
{
    TExportPage t;
    TResult<QMimeData*> svgData = RenderClipboardData(t.Page, TGrfDataType::Svg, 400, 300);
    ASSERT_TRUE(svgData) << svgData.Error().toStdString();
    std::unique_ptr<QMimeData> svg(*svgData);
    EXPECT_TRUE(svg->hasFormat("image/svg+xml"));
    EXPECT_EQ(qvariant_cast<QImage>(svg->imageData()).size(), QSize(400, 300));
    TResult<QMimeData*> emfData = RenderClipboardData(t.Page, TGrfDataType::Metafile, 400, 300);
    ASSERT_TRUE(emfData) << emfData.Error().toStdString();
    std::unique_ptr<QMimeData> emf(*emfData);
    EXPECT_EQ(emf->data(EmfMimeType).mid(40, 4), " EMF");
    EXPECT_TRUE(emf->hasImage());
    TResult<QMimeData*> monoData = RenderClipboardData(t.Page, TGrfDataType::Monochrome, 400, 300);
    ASSERT_TRUE(monoData) << monoData.Error().toStdString();
    std::unique_ptr<QMimeData> mono(*monoData);
    EXPECT_EQ(qvariant_cast<QImage>(mono->imageData()).format(), QImage::Format_Mono);
    // A size no picture can have makes no clipboard data.
    const TResult<QMimeData*> none = RenderClipboardData(t.Page, TGrfDataType::Svg, 0, 300);
    EXPECT_FALSE(none);
    EXPECT_FALSE(none.Error().isEmpty());
}

TEST(GrfExportOutput, TitleShowsInThePicture)
{
    TExportPage t;
    ApplyLayoutItem(t.Page, TGrfLayoutItem::Lines);
    const QRect titleBand(0, 0, 600, 40);  // above the title line of a 1024-pixel page
    t.Page.Title = "";
    const int without = CountDark(RenderBitmap(t.Page, 1280, 1024), titleBand);
    t.Page.Title = "WWWWWWWWWW";
    const int with = CountDark(RenderBitmap(t.Page, 1280, 1024), titleBand);
    EXPECT_GT(with, without + 500);
}

}  // namespace
