#pragma once
// What the graphic export window decides, apart from its widgets: the page
// settings of each layout item, file extensions and filters, the picture size
// check, the print geometry and the page settings kept while it is open.
#include <QString>

#include "data/Result.h"
#include "graphics/GrfContainer.h"

class QSettings;

// The numbers below are the items' order in the window's groups and what the
// settings keep: they must stay as they are.
// Items of the " Layout " group.
enum class TGrfLayoutItem { Lines = 0, TitleOnly, None, Rectangle, RoundRect, Special };
// Items of the " Datatype " group (SVG and PDF: vector files for other programs;
// PNG: a lossless bitmap as the batch tool draws it).
enum class TGrfDataType { Bitmap = 0, Metafile, Jpeg, Monochrome, Svg, Pdf, Png };
// Items of the " Destination " group.
enum class TGrfDestination { Printer = 0, Clipboard, File };

// Applies a layout item's title layout and frame to the page.
void ApplyLayoutItem(TGrfContainer& page, TGrfLayoutItem item);

// The file extension proposed for a data type ("BMP", "EMF", ...).
QString DataTypeExtension(TGrfDataType dataType);
// The save dialog's filter, the data type's own entry first.
QString DataTypeFilter(TGrfDataType dataType);

// Reads a picture width or height; fails when the text is not a whole number
// or the size is not one a picture can have.
TResult<int> ParsePictureSize(const QString& text);
constexpr int MaxPictureSize = 20000;

// Where a printout goes: an image of Width × Height pixels drawn at (X, Y).
struct TPrintPlacement {
    int Width = 0, Height = 0, X = 0, Y = 0;
    bool operator==(const TPrintPlacement&) const = default;
};
// pageWidth, pageHeight: printer page in device pixels; margin: fraction of
// the page height.
TPrintPlacement PrintPlacement(int pageWidth, int pageHeight, bool landscape, double margin);

// The page settings the export window changes only while it is open.
struct TSavedPageSettings {
    TGrfFlags Flags;
    TTitleLayout TitleLayout = TTitleLayout::None;
    TFrameKind FrameKind = TFrameKind::Plain;
    QString Title, SubTitleLeft, SubTitleRight;
    static TSavedPageSettings From(const TGrfContainer& page);
    void RestoreInto(TGrfContainer& page) const;
};

// What the trees drawn on a page are (their tips and groups), as a short text:
// titles typed for one tree must not come back for another.
QString PageSubject(const TGrafik& page);

// What the export window remembers between openings and runs. Titles typed
// for one page come back only for a page with the same title of its own and
// the same trees, so a consensus keeps its informative title and another
// tree starts from its own.
//
// Use: `TExportChoices c; if (c.Load(settings)) ...; c.Save(settings);`
struct TExportChoices {
    QString PageTitle;    // the page's own title when the titles were kept
    QString PageSubject;  // and its PageSubject
    QString Title, SubTitleLeft, SubTitleRight;
    bool Remarks = false;
    QString RemarksText;
    TGrfLayoutItem Layout = TGrfLayoutItem::Lines;
    bool LargePrintout = false;
    TGrfDestination Destination = TGrfDestination::Printer;
    TGrfDataType DataType = TGrfDataType::Metafile;
    QString Width = QStringLiteral("1280"), Height = QStringLiteral("1024");

    // False (and the defaults above) when nothing was kept yet.
    bool Load(const QSettings& settings);
    void Save(QSettings& settings) const;
    bool operator==(const TExportChoices&) const = default;
};
