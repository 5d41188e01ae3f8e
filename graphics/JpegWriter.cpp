#include "graphics/JpegWriter.h"

#include <csetjmp>
#include <cstdio>
#include <cstdlib>
// jpeglib.h needs size_t and FILE declared first.
#include <jpeglib.h>

namespace {
struct TJpegError {
    jpeg_error_mgr Manager;
    std::jmp_buf Jump;
    char Message[JMSG_LENGTH_MAX];
};

// The library's own handler ends the process; jump back instead.
[[noreturn]] void OnJpegError(j_common_ptr info)
{
    auto* e = reinterpret_cast<TJpegError*>(info->err);
    (*info->err->format_message)(info, e->Message);
    std::longjmp(e->Jump, 1);
}
}  // namespace

TResult<QByteArray> EncodeJpeg(const QImage& source, int quality)
{
    if (source.isNull() || source.width() < 1 || source.height() < 1) {
        return TFailure(QStringLiteral("The picture is empty."));
    }
    const QImage image = source.convertToFormat(QImage::Format_RGB888);
    jpeg_compress_struct info;
    TJpegError jerr;
    unsigned char* buffer = nullptr;
    unsigned long size = 0;
    info.err = jpeg_std_error(&jerr.Manager);
    jerr.Manager.error_exit = OnJpegError;
    // Nothing below may own C++ objects with destructors: longjmp skips them.
    if (setjmp(jerr.Jump)) {
        jpeg_destroy_compress(&info);
        // buffer is not freed: a grown output buffer may already have replaced it.
        return TFailure(
            QStringLiteral("JPEG encoding failed: %1").arg(QString::fromLocal8Bit(jerr.Message)));
    }
    jpeg_create_compress(&info);
    jpeg_mem_dest(&info, &buffer, &size);
    info.image_width = static_cast<JDIMENSION>(image.width());
    info.image_height = static_cast<JDIMENSION>(image.height());
    info.input_components = 3;
    info.in_color_space = JCS_RGB;
    jpeg_set_defaults(&info);
    jpeg_set_quality(&info, quality, TRUE);
    // jpeg_set_defaults gives a baseline (sequential) file; no progression asked.
    jpeg_start_compress(&info, TRUE);
    while (info.next_scanline < info.image_height) {
        JSAMPROW row =
            const_cast<JSAMPROW>(image.constScanLine(static_cast<int>(info.next_scanline)));
        jpeg_write_scanlines(&info, &row, 1);
    }
    jpeg_finish_compress(&info);
    jpeg_destroy_compress(&info);
    QByteArray bytes(reinterpret_cast<const char*>(buffer), static_cast<qsizetype>(size));
    std::free(buffer);
    return bytes;
}

QString JpegLibraryVersion()
{
#ifdef LIBJPEG_TURBO_VERSION
#define VARNO_TEXT(x) #x
#define VARNO_STRINGIFY(x) VARNO_TEXT(x)
    return QStringLiteral("libjpeg-turbo " VARNO_STRINGIFY(LIBJPEG_TURBO_VERSION));
#else
    return QStringLiteral("libjpeg %1").arg(JPEG_LIB_VERSION / 10);
#endif
}
