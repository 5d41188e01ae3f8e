#include "graphics/GrfExportOutput.h"

#include "graphics/Grafik.h"
#include "graphics/GrfExportSettings.h"
#include "graphics/PainterCanvas.h"

#include <QBuffer>
#include <QMimeData>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QSaveFile>
#include <QSvgGenerator>

#if __has_include("graphics/JpegWriter.h")
#include "graphics/JpegWriter.h"
#define VARNO_HAVE_JPEG 1
#endif
#if __has_include("graphics/EmfCanvas.h")
#include "graphics/EmfCanvas.h"
#define VARNO_HAVE_EMF 1
#endif

QImage RenderBitmap(TGrafik& page, int width, int height) { return page.RenderImage(width, height); }

QImage RenderMonochrome(TGrafik& page, int width, int height)
{
    const QImage colour = page.RenderImage(width, height);
    // Built by hand: conversions may choose either colour as index 0.
    QImage mono(colour.size(), QImage::Format_Mono);
    mono.setColorCount(2);
    mono.setColor(0, qRgb(0, 0, 0));
    mono.setColor(1, qRgb(255, 255, 255));
    for (int y = 0; y < colour.height(); ++y) {
        const auto* in = reinterpret_cast<const QRgb*>(colour.constScanLine(y));
        for (int x = 0; x < colour.width(); ++x) mono.setPixel(x, y, qGray(in[x]) >= 128 ? 1 : 0);
    }
    return mono;
}

static QByteArray ImageBytes(const QImage& image, const char* format, QString& error)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    if (!image.save(&buffer, format)) {
        error = QStringLiteral("The picture could not be encoded as %1.").arg(QString::fromLatin1(format));
        return {};
    }
    return bytes;
}

static QByteArray SvgBytes(TGrafik& page, int width, int height)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QSvgGenerator svg;
    svg.setOutputDevice(&buffer);
    svg.setSize(QSize(width, height));
    svg.setViewBox(QRect(0, 0, width, height));
    svg.setTitle(QStringLiteral("Tree"));
    {
        QPainter painter(&svg);
        TPainterCanvas canvas(painter);
        page.PaintToCanvas(canvas, {0, 0, width - 1, height - 1});
    }
    return bytes;
}

static QByteArray PdfBytes(TGrafik& page, int width, int height)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    {
        // One page of the picture's size at 96 pixels per inch.
        QPdfWriter pdf(&buffer);
        pdf.setResolution(96);
        pdf.setPageSize(QPageSize(QSizeF(width * 72.0 / 96.0, height * 72.0 / 96.0), QPageSize::Point));
        pdf.setPageMargins(QMarginsF(0, 0, 0, 0));
        pdf.setCreator(QStringLiteral("VARNO Classic"));
        QPainter painter(&pdf);
        painter.scale(double(pdf.width()) / width, double(pdf.height()) / height);
        TPainterCanvas canvas(painter);
        page.PaintToCanvas(canvas, {0, 0, width - 1, height - 1});
    }
    return bytes;
}

static QByteArray EmfBytes(TGrafik& page, int width, int height, QString& error)
{
#ifdef VARNO_HAVE_EMF
    TEmfCanvas canvas;
    if (!canvas.Begin(width, height, error)) return {};
    page.PaintToCanvas(canvas, {0, 0, width - 1, height - 1});
    return canvas.End(error);
#else
    error = QStringLiteral("Enhanced metafiles cannot be written yet.");
    return {};
#endif
}

static QByteArray JpegBytes(TGrafik& page, int width, int height, QString& error)
{
#ifdef VARNO_HAVE_JPEG
    return EncodeJpeg(RenderBitmap(page, width, height), 90, error);
#else
    error = QStringLiteral("JPEG files cannot be written yet.");
    return {};
#endif
}

QByteArray RenderFileBytes(TGrafik& page, int dataType, int width, int height, QString& error)
{
    switch (dataType) {
    case DataBitmap: return ImageBytes(RenderBitmap(page, width, height), "BMP", error);
    case DataMonochrome: return ImageBytes(RenderMonochrome(page, width, height), "BMP", error);
    case DataMetafile: return EmfBytes(page, width, height, error);
    case DataJpeg: return JpegBytes(page, width, height, error);
    case DataSvg: return SvgBytes(page, width, height);
    case DataPdf: return PdfBytes(page, width, height);
    default: error = QStringLiteral("Unknown picture type."); return {};
    }
}

QMimeData* RenderClipboardData(TGrafik& page, int dataType, int width, int height, QString& error)
{
    auto data = std::make_unique<QMimeData>();
    switch (dataType) {
    case DataMonochrome: data->setImageData(RenderMonochrome(page, width, height)); break;
    case DataMetafile:
    case DataSvg:
    case DataPdf: {
        const QByteArray bytes = RenderFileBytes(page, dataType, width, height, error);
        if (bytes.isEmpty()) return nullptr;
        const char* mime = dataType == DataMetafile ? EmfMimeType
                           : dataType == DataSvg    ? "image/svg+xml"
                                                    : "application/pdf";
        data->setData(QString::fromLatin1(mime), bytes);
        data->setImageData(RenderBitmap(page, width, height));
        break;
    }
    default: data->setImageData(RenderBitmap(page, width, height)); break;
    }
    return data.release();
}

bool SavePictureFile(TGrafik& page, int dataType, int width, int height, const QString& path, QString& error)
{
    const QByteArray bytes = RenderFileBytes(page, dataType, width, height, error);
    if (bytes.isEmpty()) {
        if (error.isEmpty()) error = QStringLiteral("The picture could not be made.");
        return false;
    }
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit()) {
        error = QStringLiteral("Could not write %1: %2").arg(path, file.errorString());
        return false;
    }
    return true;
}
