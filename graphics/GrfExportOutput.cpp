#include "graphics/GrfExportOutput.h"

#include <QMimeData>
#include <memory>

#include "graphics/GrfExportSettings.h"
#include "graphics/TreePage.h"

TPictureFormat PictureFormatOf(TGrfDataType dataType)
{
    switch (dataType) {
        case TGrfDataType::Bitmap:
            return TPictureFormat::Bmp;
        case TGrfDataType::Metafile:
            return TPictureFormat::Emf;
        case TGrfDataType::Jpeg:
            return TPictureFormat::Jpeg;
        case TGrfDataType::Monochrome:
            return TPictureFormat::MonoBmp;
        case TGrfDataType::Svg:
            return TPictureFormat::Svg;
        case TGrfDataType::Pdf:
            return TPictureFormat::Pdf;
        case TGrfDataType::Png:
            return TPictureFormat::Png;
        default:
            return TPictureFormat::Unknown;
    }
}

TResult<QMimeData*> RenderClipboardData(TGrafik& page, TGrfDataType dataType, int width, int height)
{
    auto data = std::make_unique<QMimeData>();
    const TScaleGuard scale(page, height);
    height = ReadableHeight(page, width, height);
    const char* mime = dataType == TGrfDataType::Metafile ? EmfMimeType
                       : dataType == TGrfDataType::Svg    ? "image/svg+xml"
                       : dataType == TGrfDataType::Pdf    ? "application/pdf"
                       : dataType == TGrfDataType::Png    ? "image/png"
                                                          : nullptr;
    if (mime) {
        const TResult<QByteArray> bytes =
            RenderPicture(page, PictureFormatOf(dataType), width, height);
        if (!bytes) return TFailure(bytes.Error());
        if (bytes->isEmpty()) return TFailure(QStringLiteral("Nothing was drawn."));
        data->setData(QString::fromLatin1(mime), *bytes);
    }
    data->setImageData(dataType == TGrfDataType::Monochrome ? RenderMonoBitmap(page, width, height)
                                                            : RenderBitmap(page, width, height));
    return data.release();
}
