#include "graphics/GrfExportOutput.h"

#include <QMimeData>
#include <memory>

#include "graphics/GrfExportSettings.h"
#include "graphics/TreePage.h"

TPictureFormat PictureFormatOf(int dataType)
{
    switch (dataType) {
        case DataBitmap:
            return TPictureFormat::Bmp;
        case DataMetafile:
            return TPictureFormat::Emf;
        case DataJpeg:
            return TPictureFormat::Jpeg;
        case DataMonochrome:
            return TPictureFormat::MonoBmp;
        case DataSvg:
            return TPictureFormat::Svg;
        case DataPdf:
            return TPictureFormat::Pdf;
        default:
            return TPictureFormat::Unknown;
    }
}

QMimeData* RenderClipboardData(TGrafik& page, int dataType, int width, int height, QString& error)
{
    auto data = std::make_unique<QMimeData>();
    const TScaleGuard scale(page, height);
    height = ReadableHeight(page, width, height);
    const char* mime = dataType == DataMetafile ? EmfMimeType
                       : dataType == DataSvg    ? "image/svg+xml"
                       : dataType == DataPdf    ? "application/pdf"
                                                : nullptr;
    if (mime) {
        const QByteArray bytes =
            RenderPicture(page, PictureFormatOf(dataType), width, height, error);
        if (bytes.isEmpty()) return nullptr;
        data->setData(QString::fromLatin1(mime), bytes);
    }
    data->setImageData(dataType == DataMonochrome ? RenderMonoBitmap(page, width, height)
                                                  : RenderBitmap(page, width, height));
    return data.release();
}
