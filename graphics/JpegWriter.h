#pragma once
// JPEG encoding with libjpeg: baseline, 24-bit colour.
#include <QByteArray>
#include <QImage>

#include "data/Result.h"

// Encodes image, or says why it could not.
TResult<QByteArray> EncodeJpeg(const QImage& image, int quality);

// "libjpeg-turbo 2.1.5" (or "libjpeg 8"), as this program was built with.
QString JpegLibraryVersion();
