#pragma once
// JPEG encoding with libjpeg: baseline, 24-bit colour.
#include <QByteArray>
#include <QImage>
#include <QString>

// Encodes image; on failure returns empty bytes and sets error.
QByteArray EncodeJpeg(const QImage& image, int quality, QString& error);
