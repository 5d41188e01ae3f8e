#pragma once
// The export window's data types as picture formats, and what goes on the
// clipboard for each. The pictures themselves come from GrfRender.h.
#include "graphics/GrfExportSettings.h"
#include "graphics/GrfRender.h"

class QMimeData;

// The picture format of a data type (TGrfDataType).
TPictureFormat PictureFormatOf(TGrfDataType dataType);
// Clipboard contents for a data type: the picture in its own format where
// there is one, and always a bitmap for programs that take only those.
// The caller owns the data (hand it to QClipboard::setMimeData).
TResult<QMimeData*> RenderClipboardData(TGrafik& page, TGrfDataType dataType, int width,
                                        int height);

// MIME type of an enhanced metafile on the clipboard.
inline constexpr char EmfMimeType[] = "image/x-emf";
