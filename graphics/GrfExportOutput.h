#pragma once
// The pictures the export window makes of a page: bitmaps (24-bit and 1-bit),
// enhanced metafile, JPEG, SVG and PDF, as images, bytes, clipboard data or
// files. Files are written whole or not at all.
#include <QByteArray>
#include <QImage>
#include <QString>

class QMimeData;
class TGrafik;

// The page on a 24-bit bitmap of width × height pixels.
QImage RenderBitmap(TGrafik& page, int width, int height);
// The page on a one-bit bitmap: colour 0 black, colour 1 white; every pixel
// darker than middle grey becomes black.
QImage RenderMonochrome(TGrafik& page, int width, int height);
// The page as a file of the data type (TGrfDataType); empty with error on failure.
QByteArray RenderFileBytes(TGrafik& page, int dataType, int width, int height, QString& error);
// Clipboard contents for a data type: the picture itself in its own format
// where there is one, and always a bitmap for programs that take only those.
QMimeData* RenderClipboardData(TGrafik& page, int dataType, int width, int height, QString& error);
// Writes the picture to path (replacing a file only when all went well).
bool SavePictureFile(TGrafik& page, int dataType, int width, int height, const QString& path, QString& error);

// MIME type of an enhanced metafile on the clipboard.
inline constexpr char EmfMimeType[] = "image/x-emf";
