#include "graphics/GrfRender.h"

#include <QBuffer>
#include <QDir>
#include <QFileInfo>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QSaveFile>
#include <QSvgGenerator>
#include <QtEndian>
#include <algorithm>
#include <cerrno>
#include <cstdlib>

#include "data/TextFile.h"
#include "graphics/EmfCanvas.h"
#include "graphics/Grafik.h"
#include "graphics/GrfRender.h"
#include "graphics/JpegWriter.h"
#include "graphics/PainterCanvas.h"
#include "graphics/TreePage.h"

TPictureFormat PictureFormatFromPath(const QString& path)
{
    const QString ext = QFileInfo(path).suffix().toLower();
    if (ext == QLatin1String("bmp")) return TPictureFormat::Bmp;
    if (ext == QLatin1String("png")) return TPictureFormat::Png;
    if (ext == QLatin1String("jpg") || ext == QLatin1String("jpeg")) return TPictureFormat::Jpeg;
    if (ext == QLatin1String("emf")) return TPictureFormat::Emf;
    if (ext == QLatin1String("svg")) return TPictureFormat::Svg;
    if (ext == QLatin1String("pdf")) return TPictureFormat::Pdf;
    return TPictureFormat::Unknown;
}

static QImage Bitmap(const TGrafik& page, int width, int height, int scaleHeight)
{
    return page.RenderImage(width, height, scaleHeight).convertToFormat(QImage::Format_RGB888);
}

static QImage MonoBitmap(const TGrafik& page, int width, int height, int scaleHeight)
{
    const QImage colour = page.RenderImage(width, height, scaleHeight);
    QImage mono(colour.size(), QImage::Format_Mono);
    // The bits past the last pixel of a row go into the file too.
    mono.fill(0);
    // Set the table ourselves: conversions may invert a default one.
    mono.setColorCount(2);
    mono.setColor(0, qRgb(0, 0, 0));
    mono.setColor(1, qRgb(255, 255, 255));
    for (int y = 0; y < colour.height(); ++y) {
        const QRgb* in = reinterpret_cast<const QRgb*>(colour.constScanLine(y));
        uchar* out = mono.scanLine(y);
        for (int x = 0; x < colour.width(); ++x) {
            const bool light = qGray(in[x]) >= 128;
            if (light)
                out[x >> 3] |= static_cast<uchar>(0x80 >> (x & 7));
            else
                out[x >> 3] &= static_cast<uchar>(~(0x80 >> (x & 7)));
        }
    }
    return mono;
}

QImage RenderBitmap(const TGrafik& page, int width, int height)
{
    return Bitmap(page, width, height, page.ScaleHeight());
}

QImage RenderMonoBitmap(const TGrafik& page, int width, int height)
{
    return MonoBitmap(page, width, height, page.ScaleHeight());
}

// Lays the page out on canvas and draws it there.
static void RenderOn(TCanvas& canvas, const TGrafik& page, const TIntRect& rect, int scaleHeight)
{
    page.Render(canvas, page.LayOut(canvas, rect, scaleHeight));
}

// The BMP writer leaves the bytes after the last pixel of a one-bit row as it
// found them: zeroed, the same picture gives the same file.
static QByteArray ZeroRowPadding(QByteArray bmp)
{
    if (bmp.size() < 54) return bmp;
    const qint32 offset = qFromLittleEndian<qint32>(bmp.constData() + 10);
    const qint32 width = qFromLittleEndian<qint32>(bmp.constData() + 18);
    const qint32 height = std::abs(qFromLittleEndian<qint32>(bmp.constData() + 22));
    const qint64 used = (qint64(width) + 7) / 8, stride = (qint64(width) + 31) / 32 * 4;
    if (offset < 54 || width < 1 || offset + stride * height > bmp.size()) return bmp;
    char* data = bmp.data();
    for (qint64 y = 0; y < height; ++y)
        std::fill(data + offset + stride * y + used, data + offset + stride * (y + 1), '\0');
    return bmp;
}

static TResult<QByteArray> ImageBytes(const QImage& image, const char* format)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    if (!image.save(&buffer, format)) {
        return TFailure(QStringLiteral("The picture could not be encoded as %1.")
                            .arg(QString::fromLatin1(format)));
    }
    return bytes;
}

int MaxPictureHeight(TPictureFormat format, int width)
{
    switch (format) {
        case TPictureFormat::Svg:
        case TPictureFormat::Emf:
            return 1000000;
        case TPictureFormat::Pdf:
        case TPictureFormat::Unknown:
            return 20000;
        default:
            return std::max(20000, static_cast<int>(64e6 / std::max(1, width)));
    }
}

TResult<QByteArray> RenderPicture(const TGrafik& page, TPictureFormat format, int width, int height)
{
    if (width < 1 || height < 1 || width > 20000 || height > 20000) {
        return TFailure(QStringLiteral("Picture size %1 x %2 is out of range (1 to 20000 pixels).")
                            .arg(width)
                            .arg(height));
    }
    // Tip labels below their floor would overlap: the picture grows downwards,
    // with the title block and fonts of the height asked for.
    const int scale = page.ScaleHeight() > 0 ? page.ScaleHeight() : height;
    height = ReadableHeight(page, width, height, MaxPictureHeight(format, width));
    const TIntRect rect{0, 0, width - 1, height - 1};
    switch (format) {
        case TPictureFormat::Bmp:
            return ImageBytes(Bitmap(page, width, height, scale), "BMP");
        case TPictureFormat::MonoBmp: {
            auto bmp = ImageBytes(MonoBitmap(page, width, height, scale), "BMP");
            if (!bmp) return bmp;
            return ZeroRowPadding(std::move(*bmp));
        }
        case TPictureFormat::Png:
            return ImageBytes(Bitmap(page, width, height, scale), "PNG");
        case TPictureFormat::Jpeg:
            return EncodeJpeg(Bitmap(page, width, height, scale), JpegQuality);
        case TPictureFormat::Emf: {
            TEmfCanvas canvas;
            if (TStatus begun = canvas.Begin(width, height); !begun) return TFailure(begun.Error());
            RenderOn(canvas, page, rect, scale);
            return canvas.End();
        }
        case TPictureFormat::Svg: {
            QByteArray bytes;
            QBuffer buffer(&bytes);
            QSvgGenerator svg;
            svg.setOutputDevice(&buffer);
            svg.setSize(QSize(width, height));
            svg.setViewBox(QRect(0, 0, width, height));
            svg.setResolution(96);  // so that the size reads as the pixels asked for
            svg.setTitle(QStringLiteral("VARNO Classic"));
            QPainter painter;
            if (!painter.begin(&svg)) {
                return TFailure(QStringLiteral("The SVG picture could not be started."));
            }
            TPainterCanvas canvas(painter);
            RenderOn(canvas, page, rect, scale);
            painter.end();
            return bytes;
        }
        case TPictureFormat::Pdf: {
            QByteArray bytes;
            QBuffer buffer(&bytes);
            buffer.open(QIODevice::WriteOnly);
            QPdfWriter pdf(&buffer);
            // One page exactly the picture's size, one unit per pixel at 96 dpi.
            pdf.setResolution(96);
            pdf.setPageSize(
                QPageSize(QSizeF(width * 72.0 / 96, height * 72.0 / 96), QPageSize::Point));
            pdf.setPageMargins(QMarginsF(0, 0, 0, 0));
            pdf.setCreator(QStringLiteral("VARNO Classic"));
            QPainter painter;
            if (!painter.begin(&pdf)) {
                return TFailure(QStringLiteral("The PDF document could not be started."));
            }
            TPainterCanvas canvas(painter);
            RenderOn(canvas, page, rect, scale);
            painter.end();
            return bytes;
        }
        case TPictureFormat::Unknown:
            break;
    }
    return TFailure(QStringLiteral("Unknown picture format."));
}

TStatus SavePicture(const TGrafik& page, const QString& path, TPictureFormat format, int width,
                    int height)
{
    const TResult<QByteArray> rendered = RenderPicture(page, format, width, height);
    if (!rendered) return TFailure(rendered.Error());
    const QByteArray& bytes = *rendered;
    if (bytes.isEmpty()) return TFailure(QStringLiteral("Nothing was drawn."));
    if (TStatus usable = OutputFileRefusal(path); !usable) return usable;
    QSaveFile file(path);
    // Unbuffered: a write cut short (a full disk, a file size limit) shows in
    // write()'s count; through the buffer it went unnoticed.
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered)) {
        return TFailure(QStringLiteral("Cannot write \"%1\": %2")
                            .arg(QDir::toNativeSeparators(path), file.errorString()));
    }
    errno = 0;
    if (file.write(bytes) != bytes.size() || !file.commit()) {
        return TFailure(WriteErrorText(QDir::toNativeSeparators(path), file.errorString(), errno));
    }
    return {};
}
