#include "graphics/GrfExportSettings.h"

#include <QSettings>
#include <cmath>

#include "graphics/TreePage.h"

void ApplyLayoutItem(TGrfContainer& page, int item)
{
    if (item == LayoutSpecial) {
        page.TitleLayout = TTitleLayout::Special;
        page.SetFrameKind(TFrameKind::Plain);
        return;
    }
    ApplyPageLayout(page, static_cast<TPageLayout>(item));
}

QString DataTypeExtension(int dataType)
{
    switch (dataType) {
        case DataMetafile:
            return QStringLiteral("EMF");
        case DataJpeg:
            return QStringLiteral("JPG");
        case DataSvg:
            return QStringLiteral("SVG");
        case DataPdf:
            return QStringLiteral("PDF");
        default:
            return QStringLiteral("BMP");
    }
}

QString DataTypeFilter(int dataType)
{
    const QString bitmap = QStringLiteral("Bitmap (*.BMP *.bmp)");
    const QString metafile = QStringLiteral("Metafile (*.EMF *.emf)");
    const QString jpeg = QStringLiteral("JPeg (*.JPG *.jpg *.jpeg)");
    const QString svg = QStringLiteral("SVG (*.SVG *.svg)");
    const QString pdf = QStringLiteral("PDF (*.PDF *.pdf)");
    QStringList all{bitmap, metafile, jpeg, svg, pdf};
    const QString own = dataType == DataMetafile ? metafile
                        : dataType == DataJpeg   ? jpeg
                        : dataType == DataSvg    ? svg
                        : dataType == DataPdf    ? pdf
                                                 : bitmap;
    all.removeAll(own);
    all.prepend(own);
    return all.join(QStringLiteral(";;"));
}

TResult<int> ParsePictureSize(const QString& text)
{
    bool ok = false;
    const int v = text.trimmed().toInt(&ok);
    if (!ok) return TFailure(QStringLiteral("'%1' is not a valid integer value").arg(text));
    if (v < 1 || v > MaxPictureSize)
        return TFailure(QStringLiteral("A picture width or height of %1 pixels is not possible: "
                                       "use 1 to %2 pixels.")
                            .arg(v)
                            .arg(MaxPictureSize));
    return v;
}

TPrintPlacement PrintPlacement(int pageWidth, int pageHeight, bool landscape, double margin)
{
    const double pw = pageWidth, ph = pageHeight;
    if (landscape) {
        const int m = static_cast<int>(std::trunc(ph * margin));
        const int offset = static_cast<int>(std::trunc(ph * margin * 0.5));
        return {pageWidth - m, pageHeight - m, offset, offset};
    }
    const int offset = static_cast<int>(std::trunc(0.1 * pw));
    return {static_cast<int>(std::trunc(0.9 * pw)),
            static_cast<int>(std::trunc(0.75 * (pw - 0.1 * pw))), offset, offset};
}

TSavedPageSettings TSavedPageSettings::From(const TGrfContainer& page)
{
    return {page.Flags(), page.TitleLayout,  page.FrameKind(),
            page.Title,   page.SubTitleLeft, page.SubTitleRight};
}

void TSavedPageSettings::RestoreInto(TGrfContainer& page) const
{
    page.SetFlags(Flags);
    page.TitleLayout = TitleLayout;
    page.SetFrameKind(FrameKind);
    page.Title = Title;
    page.SubTitleLeft = SubTitleLeft;
    page.SubTitleRight = SubTitleRight;
}

namespace {
const QString ChoicesGroup = QStringLiteral("GraphicsExport/");

int ItemIn(const QVariant& v, int count, int fallback)
{
    bool ok = false;
    const int i = v.toInt(&ok);
    return ok && i >= 0 && i < count ? i : fallback;
}
}  // namespace

bool TExportChoices::Load(const QSettings& settings)
{
    *this = TExportChoices();
    auto value = [&](const char* key) { return settings.value(ChoicesGroup + QLatin1String(key)); };
    if (!settings.contains(ChoicesGroup + QStringLiteral("Layout"))) return false;
    PageTitle = value("PageTitle").toString();
    Title = value("Title").toString();
    SubTitleLeft = value("SubTitleLeft").toString();
    SubTitleRight = value("SubTitleRight").toString();
    Remarks = value("Remarks").toBool();
    RemarksText = value("RemarksText").toString();
    // Items out of range (a settings file edited by hand) fall back to the defaults.
    Layout = ItemIn(value("Layout"), LayoutSpecial, LayoutLines);
    LargePrintout = value("LargePrintout").toBool();
    Destination = ItemIn(value("Destination"), DestFile + 1, DestPrinter);
    DataType = ItemIn(value("DataType"), DataPdf + 1, DataMetafile);
    Width = value("Width").toString();
    Height = value("Height").toString();
    return true;
}

void TExportChoices::Save(QSettings& settings) const
{
    auto set = [&](const char* key, const QVariant& v) {
        settings.setValue(ChoicesGroup + QLatin1String(key), v);
    };
    set("PageTitle", PageTitle);
    set("Title", Title);
    set("SubTitleLeft", SubTitleLeft);
    set("SubTitleRight", SubTitleRight);
    set("Remarks", Remarks);
    set("RemarksText", RemarksText);
    set("Layout", Layout);
    set("LargePrintout", LargePrintout);
    set("Destination", Destination);
    set("DataType", DataType);
    set("Width", Width);
    set("Height", Height);
}
