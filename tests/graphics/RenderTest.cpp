// The file formats: each gets the same page, each must be a real file of its kind.
#include <gtest/gtest.h>

#include <QBuffer>
#include <QFontMetrics>
#include <QImageReader>
#include <QPainter>
#include <QProcess>
#include <QStandardPaths>
#include <QSvgRenderer>
#include <QTemporaryDir>
#include <algorithm>
#include <optional>
#include <vector>

#include "TreeBuilders.h"
#include "graphics/GrfContainer.h"
#include "graphics/GrfRender.h"
#include "graphics/JpegWriter.h"
#include "graphics/PainterCanvas.h"
#include "graphics/TreePage.h"
#include "tests/support/TitleRule.h"

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

struct TPicturePage {
    TGrfContainer Page;
    TadaTreeNodes Nodes;
    explicit TPicturePage(int leaves = 10)
    {
        auto* panel = Page.AddChild(std::make_unique<TadaTreeGrf>());
        BuildRandom(Nodes, leaves, 3);
        Nodes.Item(0)->Label = QStringLiteral("Quercus robur");
        Nodes.Item(1)->Label = QStringLiteral("Größe ß");
        panel->TreeNodes = &Nodes;
        panel->ZoomRoot = Nodes.Root;
        panel->RebuildMarkers();
        Page.Title = QStringLiteral("Title");
        Page.TitleLayout = TTitleLayout::Lines;
    }
};

QByteArray Utf16(const QString& s)
{
    return QByteArray(reinterpret_cast<const char*>(s.utf16()), s.size() * 2);
}

quint32 Le32(const QByteArray& b, int at)
{
    return quint8(b[at]) | quint8(b[at + 1]) << 8 | quint8(b[at + 2]) << 16 |
           quint32(quint8(b[at + 3])) << 24;
}

TEST(Render, BitmapsAre24BitAndOneBit)
{
    TPicturePage p;
    QString error;
    const QByteArray bmp = BytesOf(RenderPicture(p.Page, TPictureFormat::Bmp, 640, 480), error);
    ASSERT_GT(bmp.size(), 54) << error.toStdString();
    EXPECT_TRUE(bmp.startsWith("BM"));
    EXPECT_EQ(Le32(bmp, 18), 640u);
    EXPECT_EQ(Le32(bmp, 22), 480u);
    EXPECT_EQ(quint8(bmp[28]), 24);

    const QByteArray mono =
        BytesOf(RenderPicture(p.Page, TPictureFormat::MonoBmp, 640, 480), error);
    ASSERT_GT(mono.size(), 54);
    EXPECT_EQ(quint8(mono[28]), 1);
    // Black lines on white: the picture reads back with both, mostly white.
    QImage back = QImage::fromData(mono, "BMP").convertToFormat(QImage::Format_RGB32);
    ASSERT_EQ(back.size(), QSize(640, 480));
    int black = 0;
    for (int y = 0; y < back.height(); ++y)
        for (int x = 0; x < back.width(); ++x) black += qGray(back.pixel(x, y)) < 128;
    EXPECT_GT(black, 500);
    EXPECT_LT(black, 640 * 480 / 4);
    EXPECT_EQ(back.pixel(320, 470), qRgb(255, 255, 255));  // below the plot area

    // 600 pixels fill 75 bytes of a 76-byte row: the last byte is padding and
    // must be zero, not what the memory held before (blocks full of ones were
    // freed just now, ready to be reused), or the same picture gives another file.
    for (int k = 0; k < 16; ++k) std::vector<char>(600 * 480 / 8 + 64 * k, '\xFF');
    const QByteArray odd = BytesOf(RenderPicture(p.Page, TPictureFormat::MonoBmp, 600, 480), error);
    ASSERT_GT(odd.size(), 54);
    const quint32 pixels = Le32(odd, 10);
    ASSERT_EQ(odd.size(), qsizetype(pixels + 76 * 480));
    int dirty = 0;
    for (int y = 0; y < 480; ++y) dirty += odd[qsizetype(pixels + 76 * y + 75)] != 0;
    EXPECT_EQ(dirty, 0);
}

TEST(Render, JpegIsBaselineAtQuality90)
{
    TPicturePage p;
    QString error;
    const QByteArray jpg = BytesOf(RenderPicture(p.Page, TPictureFormat::Jpeg, 725, 625), error);
    ASSERT_FALSE(jpg.isEmpty()) << error.toStdString();
    ASSERT_TRUE(jpg.startsWith("\xFF\xD8"));
    bool sof0 = false, progressive = false;
    std::vector<int> luminance;
    for (int i = 2; i + 4 < jpg.size();) {
        if (quint8(jpg[i]) != 0xFF) break;
        const int marker = quint8(jpg[i + 1]);
        const int length = quint8(jpg[i + 2]) << 8 | quint8(jpg[i + 3]);
        if (marker == 0xC0) {
            sof0 = true;
            EXPECT_EQ(quint8(jpg[i + 9]), 3);  // three colour components
        }
        if (marker == 0xC2) progressive = true;
        if (marker == 0xDB && luminance.empty() && (quint8(jpg[i + 4]) & 0x0F) == 0)
            for (int k = 0; k < 64; ++k) luminance.push_back(quint8(jpg[i + 5 + k]));
        if (marker == 0xDA) break;
        i += 2 + length;
    }
    EXPECT_TRUE(sof0);
    EXPECT_FALSE(progressive);
    // The standard luminance table scaled for quality 90 (factor 20 %).
    const int base[64] = {16, 11, 10, 16, 24,  40,  51,  61,  12, 12, 14, 19, 26,  58,  60,  55,
                          14, 13, 16, 24, 40,  57,  69,  56,  14, 17, 22, 29, 51,  87,  80,  62,
                          18, 22, 37, 56, 68,  109, 103, 77,  24, 35, 55, 64, 81,  104, 113, 92,
                          49, 64, 78, 87, 103, 121, 120, 101, 72, 92, 95, 98, 112, 100, 103, 99};
    std::vector<int> expected;
    for (int b : base) expected.push_back(std::clamp((b * 20 + 50) / 100, 1, 255));
    std::sort(expected.begin(), expected.end());
    std::sort(luminance.begin(), luminance.end());
    EXPECT_EQ(luminance, expected);
    EXPECT_EQ(QImage::fromData(jpg, "JPG").size(), QSize(725, 625));
}

TEST(Render, MetafileCarriesSignatureAndText)
{
    TPicturePage p;
    QString error;
    const QByteArray emf = BytesOf(RenderPicture(p.Page, TPictureFormat::Emf, 800, 600), error);
    ASSERT_GT(emf.size(), 100) << error.toStdString();
    EXPECT_EQ(Le32(emf, 0), 1u);                    // header record
    EXPECT_EQ(emf.mid(40, 4), " EMF");              // signature
    EXPECT_EQ(Le32(emf, 48), quint32(emf.size()));  // size in the header is the file size
    EXPECT_TRUE(emf.contains(Utf16("Quercus robur")));
    EXPECT_TRUE(emf.contains(Utf16(QStringLiteral("Größe ß"))));
    EXPECT_TRUE(emf.contains(Utf16("Title")));
    EXPECT_EQ(Le32(emf, emf.size() - 20), 14u);  // the end-of-file record closes it
}

TEST(Render, VectorFormatsAndPng)
{
    TPicturePage p;
    QString error;
    const QByteArray svg = BytesOf(RenderPicture(p.Page, TPictureFormat::Svg, 800, 600), error);
    EXPECT_TRUE(svg.contains("<svg"));
    EXPECT_TRUE(svg.contains("Quercus robur"));
    const QByteArray pdf = BytesOf(RenderPicture(p.Page, TPictureFormat::Pdf, 800, 600), error);
    EXPECT_TRUE(pdf.startsWith("%PDF"));
    EXPECT_TRUE(
        pdf.contains("/MediaBox [0 0 600.000000 450.000000]"));  // 800 x 600 pixels at 96 dpi
    const QByteArray png = BytesOf(RenderPicture(p.Page, TPictureFormat::Png, 300, 200), error);
    EXPECT_EQ(QImage::fromData(png, "PNG").size(), QSize(300, 200));
}

// The page as a picture in one format, read back as pixels.
QImage Rendered(TGrfContainer& page, TPictureFormat format, int w, int h)
{
    QString error;
    const QByteArray bytes = BytesOf(RenderPicture(page, format, w, h), error);
    if (format != TPictureFormat::Svg)
        return QImage::fromData(bytes).convertToFormat(QImage::Format_RGB32);
    QImage image(w, h, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    QSvgRenderer(bytes).render(&painter);
    return image;
}

TEST(Render, TitleRuleLiesBelowTheTitleText)
{
    TPicturePage p;
    for (TTitleLayout layout : {TTitleLayout::Lines, TTitleLayout::TitleOnly}) {
        for (TPictureFormat format : {TPictureFormat::Bmp, TPictureFormat::Svg}) {
            for (QSize size : {QSize(1280, 1024), QSize(640, 300)}) {
                p.Page.TitleLayout = layout;
                p.Page.Title = QString();
                const QImage without = Rendered(p.Page, format, size.width(), size.height());
                // Descenders reach lowest in "gyp", accents and capitals highest in "ÄÉ".
                p.Page.Title = QStringLiteral("ÄÉ gyp jq");
                const QImage with = Rendered(p.Page, format, size.width(), size.height());
                const TTitleRows rows = FindTitleRows(with, without);
                ASSERT_GE(rows.RuleTop, 0) << int(layout);
                ASSERT_GE(rows.TextBottom, 0) << int(layout);
                EXPECT_LT(rows.TextBottom, rows.RuleTop)
                    << "layout " << int(layout) << " format " << int(format) << " height "
                    << size.height();
            }
        }
    }
}

// A PDF page as pixels at 96 dpi (one pixel per unit of the picture), by
// poppler's pdftoppm; nothing when it is not installed.
std::optional<QImage> RasterizedPdf(const QByteArray& pdf)
{
    const QString tool = QStandardPaths::findExecutable(QStringLiteral("pdftoppm"));
    if (tool.isEmpty()) return std::nullopt;
    QTemporaryDir dir;
    QFile file(dir.filePath("page.pdf"));
    if (!file.open(QIODevice::WriteOnly) || file.write(pdf) != pdf.size()) return QImage();
    file.close();
    QProcess p;
    p.start(tool, {"-r", "96", "-png", "-singlefile", file.fileName(), dir.filePath("page")});
    if (!p.waitForFinished(60000) || p.exitCode() != 0) return QImage();
    return QImage(dir.filePath("page.png")).convertToFormat(QImage::Format_RGB32);
}

TEST(Render, TitleRuleLiesBelowTheTitleTextInPdf)
{
    TPicturePage p;
    const QSize size(1000, 700);
    for (TTitleLayout layout : {TTitleLayout::Lines, TTitleLayout::TitleOnly}) {
        p.Page.TitleLayout = layout;
        QString error;
        p.Page.Title = QString();
        const auto without = RasterizedPdf(BytesOf(
            RenderPicture(p.Page, TPictureFormat::Pdf, size.width(), size.height()), error));
        if (!without) GTEST_SKIP() << "pdftoppm (poppler-utils) is not installed";
        p.Page.Title = QStringLiteral("ÄÉ gyp jq");
        const auto with = RasterizedPdf(BytesOf(
            RenderPicture(p.Page, TPictureFormat::Pdf, size.width(), size.height()), error));
        ASSERT_EQ(without->size(), size);
        ASSERT_EQ(with->size(), size);
        const TTitleRows rows = FindTitleRows(*with, *without);
        ASSERT_GE(rows.RuleTop, 0) << int(layout);
        ASSERT_GE(rows.TextBottom, 0) << int(layout);
        EXPECT_LT(rows.TextBottom, rows.RuleTop) << "layout " << int(layout);
    }
}

// The records of an enhanced metafile that place the title and its rule.
struct TEmfTitle {
    int TextX = 0, TextY = 0, Align = -1;  // where the title was drawn, and how
    int FontHeight = 0;                    // the character height the font asks for
    QString Face;
    std::vector<std::pair<QLine, int>> Lines;  // every MOVETO / LINETO, with its record number
    int TextRecord = -1;
};

TEmfTitle ReadEmfTitle(const QByteArray& emf, const QString& title)
{
    TEmfTitle t;
    QPoint at;
    int fontHeight = 0, align = 0;
    QString face;
    auto i32 = [&](qsizetype o) { return qint32(Le32(emf, int(o))); };
    int record = 0;
    for (qsizetype o = 0; o + 8 <= emf.size(); ++record) {
        const quint32 type = Le32(emf, int(o)), size = Le32(emf, int(o) + 4);
        if (size < 8 || o + size > emf.size()) break;
        switch (type) {
            case 82:  // EMR_EXTCREATEFONTINDIRECTW: ihFont, then the LOGFONTW
                fontHeight = i32(o + 12);
                face =
                    QString::fromUtf16(reinterpret_cast<const char16_t*>(emf.constData() + o + 40));
                break;
            case 22:  // EMR_SETTEXTALIGN
                align = i32(o + 8);
                break;
            case 27:  // EMR_MOVETOEX
                at = QPoint(i32(o + 8), i32(o + 12));
                break;
            case 54: {  // EMR_LINETO
                const QPoint to(i32(o + 8), i32(o + 12));
                t.Lines.push_back({QLine(at, to), record});
                at = to;
                break;
            }
            case 84: {  // EMR_EXTTEXTOUTW: the EMRTEXT begins at 36
                const int chars = i32(o + 44), offset = i32(o + 48);
                const QString text = QString::fromUtf16(
                    reinterpret_cast<const char16_t*>(emf.constData() + o + offset), chars);
                if (text == title) {
                    t.TextX = i32(o + 36);
                    t.TextY = i32(o + 40);
                    t.Align = align;
                    t.FontHeight = fontHeight;
                    t.Face = face;
                    t.TextRecord = record;
                }
                break;
            }
            default:
                break;
        }
        o += size;
    }
    return t;
}

TEST(Render, TitleRuleLiesBelowTheTitleTextInEmf)
{
    TPicturePage p;
    const QString title = QStringLiteral("ÄÉ gyp jq");
    p.Page.Title = title;
    for (TTitleLayout layout : {TTitleLayout::Lines, TTitleLayout::TitleOnly}) {
        for (QSize size : {QSize(1280, 1024), QSize(640, 300)}) {
            p.Page.TitleLayout = layout;
            QString error;
            const QByteArray emf = BytesOf(
                RenderPicture(p.Page, TPictureFormat::Emf, size.width(), size.height()), error);
            const TEmfTitle t = ReadEmfTitle(emf, title);
            ASSERT_GE(t.TextRecord, 0) << error.toStdString();
            ASSERT_EQ(t.Align, 0) << "the title is drawn from its top left";
            ASSERT_LT(t.FontHeight, 0) << "a character height, as a pixel size";
            // The line the text takes as a reader renders it: ascent + descent of the named face.
            QFont font(t.Face);
            font.setPixelSize(-t.FontHeight);
            const int textBottom = t.TextY + QFontMetrics(font).height() - 1;
            // The rule: the highest line across most of the page below the title's top.
            std::optional<int> rule;
            for (const auto& [line, record] : t.Lines)
                if (line.dy() == 0 && std::abs(line.dx()) > 0.8 * size.width() &&
                    line.y1() > t.TextY)
                    rule = std::min(rule.value_or(line.y1()), line.y1());
            ASSERT_TRUE(rule) << "layout " << int(layout);
            EXPECT_LT(textBottom, *rule) << "layout " << int(layout) << " height " << size.height()
                                         << " font " << t.Face.toStdString() << " " << t.FontHeight;
            EXPECT_LT(*rule, size.height() / 3);
        }
    }
}

TEST(Render, SubtitlesStayBetweenTheRuleAndThePlot)
{
    TPicturePage p;
    p.Page.Title = QStringLiteral("gyp");
    for (const char* left : {"Quercus gyp", "first^gyp second"}) {
        p.Page.SubTitleLeft = QString();
        const QImage without = Rendered(p.Page, TPictureFormat::Bmp, 1000, 700);
        p.Page.SubTitleLeft = QString::fromUtf8(left);
        const QImage with = Rendered(p.Page, TPictureFormat::Bmp, 1000, 700);
        int top = -1, bottom = -1;
        for (int y = 0; y < 700; ++y)
            for (int x = 0; x < 1000; ++x)
                if (with.pixel(x, y) != without.pixel(x, y)) {
                    if (top < 0) top = y;
                    bottom = y;
                }
        const TTitleRows rows = FindTitleRows(without, without);
        ASSERT_GE(top, 0) << left;
        EXPECT_GT(top, rows.RuleTop) << left;
        // The frame round the plot area begins where the band ends.
        QImage scratch(1000, 700, QImage::Format_RGB32);
        QPainter painter(&scratch);
        TPainterCanvas canvas(painter);
        const TPanelLayouts layout = p.Page.LayOut(canvas, {0, 0, 999, 699}, 700);
        EXPECT_LT(bottom, layout.Of(p.Page).Geometry.Inner.Top) << left;
    }
}

// The font sizes of the tip labels written in an SVG picture.
std::vector<double> SvgLabelSizes(const QByteArray& svg, const QString& label)
{
    std::vector<double> sizes;
    const QString text = QString::fromUtf8(svg);
    // QSvgGenerator writes a group with the font, then the text inside it.
    qsizetype at = 0;
    while ((at = text.indexOf(">" + label + "<", at)) >= 0) {
        const qsizetype size = text.lastIndexOf(QStringLiteral("font-size=\""), at);
        if (size >= 0) sizes.push_back(text.mid(size + 11, 8).section(u'"', 0, 0).toDouble());
        ++at;
    }
    return sizes;
}

TEST(Render, TipLabelsKeepAFloorAndThePictureGrows)
{
    // A small tree keeps its proportions: labels well above the floor, size as asked.
    TPicturePage small;
    small.Page.TitleLayout = TTitleLayout::None;
    SetLabelFloor(small.Page, LabelFloorPixels(PrintLabelFloorPoints, 96));
    QString error;
    EXPECT_EQ(ReadableHeight(small.Page, 800, 600), 600);
    const QByteArray smallSvg =
        BytesOf(RenderPicture(small.Page, TPictureFormat::Svg, 800, 600), error);
    ASSERT_FALSE(SvgLabelSizes(smallSvg, "T3").empty());
    EXPECT_GT(SvgLabelSizes(smallSvg, "T3").front(), 10);

    // 255 leaves: without a floor the labels are a 255th of the picture.
    TPicturePage large(255);
    const QByteArray tiny =
        BytesOf(RenderPicture(large.Page, TPictureFormat::Svg, 1280, 1024), error);
    ASSERT_FALSE(SvgLabelSizes(tiny, "T30").empty());
    EXPECT_LT(SvgLabelSizes(tiny, "T30").front(), 6);
    EXPECT_TRUE(tiny.contains("viewBox=\"0 0 1280 1024\""));
    // With it every label is 6 points (8 pixels at 96 dpi) or more, and the
    // picture grows so that they do not overlap.
    SetLabelFloor(large.Page, LabelFloorPixels(PrintLabelFloorPoints, 96));
    const int tall = ReadableHeight(large.Page, 1280, 1024);
    EXPECT_GT(tall, 255 * 8);
    EXPECT_LT(tall, 255 * 8 * 1.3);
    const QByteArray readable =
        BytesOf(RenderPicture(large.Page, TPictureFormat::Svg, 1280, 1024), error);
    for (int leaf : {3, 30, 255}) {
        const auto sizes = SvgLabelSizes(readable, QStringLiteral("T%1").arg(leaf));
        ASSERT_EQ(sizes.size(), 1u) << leaf;
        EXPECT_GE(sizes.front(), 6) << leaf;
    }
    EXPECT_TRUE(readable.contains(QStringLiteral("viewBox=\"0 0 1280 %1\"").arg(tall).toUtf8()));
    // The title keeps the size it has on the picture asked for.
    const QImage bitmap = QImage::fromData(
        BytesOf(RenderPicture(large.Page, TPictureFormat::Png, 1280, 1024), error));
    EXPECT_EQ(bitmap.size(), QSize(1280, tall));
    ASSERT_EQ(SvgLabelSizes(readable, "Title").size(), 1u);
    EXPECT_EQ(SvgLabelSizes(readable, "Title").front(), 61);  // 0.06 × 1024
    // A picture that already has the room stays as asked.
    EXPECT_EQ(ReadableHeight(large.Page, 1280, 4000), 4000);
    // No floor, no growth.
    SetLabelFloor(large.Page, 0);
    EXPECT_EQ(ReadableHeight(large.Page, 1280, 1024), 1024);
}

TEST(Render, FormatFromNameAndFailures)
{
    EXPECT_EQ(PictureFormatFromPath("a/b.BMP"), TPictureFormat::Bmp);
    EXPECT_EQ(PictureFormatFromPath("x.jpeg"), TPictureFormat::Jpeg);
    EXPECT_EQ(PictureFormatFromPath("x.Emf"), TPictureFormat::Emf);
    EXPECT_EQ(PictureFormatFromPath("x.gif"), TPictureFormat::Unknown);
    EXPECT_EQ(PictureFormatFromPath("noext"), TPictureFormat::Unknown);

    TPicturePage p;
    QTemporaryDir dir;
    const TStatus noFolder =
        SavePicture(p.Page, dir.filePath("missing/tree.bmp"), TPictureFormat::Bmp, 100, 100);
    EXPECT_FALSE(noFolder);
    EXPECT_TRUE(noFolder.Error().contains("missing")) << noFolder.Error().toStdString();
    const TStatus noSize = SavePicture(p.Page, dir.filePath("t.bmp"), TPictureFormat::Bmp, 0, 100);
    EXPECT_FALSE(noSize);
    EXPECT_FALSE(noSize.Error().isEmpty());
    EXPECT_FALSE(QFile::exists(dir.filePath("t.bmp")));
    const TStatus saved = SavePicture(p.Page, dir.filePath("t.jpg"), TPictureFormat::Jpeg, 100, 80);
    EXPECT_TRUE(saved) << saved.Error().toStdString();
    EXPECT_EQ(QImage(dir.filePath("t.jpg")).size(), QSize(100, 80));

    // Each refusal says why, and a refused picture has no bytes at all.
    const TResult<QByteArray> tooWide = RenderPicture(p.Page, TPictureFormat::Png, 20001, 100);
    EXPECT_FALSE(tooWide);
    EXPECT_EQ(tooWide.Error(), "Picture size 20001 x 100 is out of range (1 to 20000 pixels).");
    const TResult<QByteArray> unknown = RenderPicture(p.Page, TPictureFormat::Unknown, 100, 100);
    EXPECT_FALSE(unknown);
    EXPECT_EQ(unknown.Error(), "Unknown picture format.");
    const TStatus notSaved =
        SavePicture(p.Page, dir.filePath("t.png"), TPictureFormat::Unknown, 100, 100);
    EXPECT_EQ(notSaved.Error(), "Unknown picture format.");
    EXPECT_FALSE(QFile::exists(dir.filePath("t.png")));
    const TResult<QByteArray> noImage = EncodeJpeg(QImage(), JpegQuality);
    EXPECT_FALSE(noImage);
    EXPECT_EQ(noImage.Error(), "The picture is empty.");
}

}  // namespace
