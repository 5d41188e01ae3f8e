#include "graphics/GrfExportSettings.h"

#include <QCryptographicHash>
#include <QSettings>
#include <QStringList>
#include <algorithm>
#include <cmath>

#include "graphics/TreeClasses.h"
#include "graphics/TreeGrf.h"
#include "graphics/TreePage.h"

void ApplyLayoutItem(TGrfContainer& page, TGrfLayoutItem item)
{
    if (item == TGrfLayoutItem::Special) {
        page.TitleLayout = TTitleLayout::Special;
        page.SetFrameKind(TFrameKind::Plain);
        return;
    }
    ApplyPageLayout(page, static_cast<TPageLayout>(item));
}

QString DataTypeExtension(TGrfDataType dataType)
{
    switch (dataType) {
        case TGrfDataType::Metafile:
            return QStringLiteral("EMF");
        case TGrfDataType::Jpeg:
            return QStringLiteral("JPG");
        case TGrfDataType::Svg:
            return QStringLiteral("SVG");
        case TGrfDataType::Pdf:
            return QStringLiteral("PDF");
        case TGrfDataType::Png:
            return QStringLiteral("PNG");
        default:
            return QStringLiteral("BMP");
    }
}

QString DataTypeFilter(TGrfDataType dataType)
{
    const QString bitmap = QStringLiteral("Bitmap (*.BMP *.bmp)");
    const QString metafile = QStringLiteral("Metafile (*.EMF *.emf)");
    const QString jpeg = QStringLiteral("JPeg (*.JPG *.jpg *.jpeg)");
    const QString svg = QStringLiteral("SVG (*.SVG *.svg)");
    const QString pdf = QStringLiteral("PDF (*.PDF *.pdf)");
    const QString png = QStringLiteral("PNG (*.PNG *.png)");
    QStringList all{bitmap, metafile, jpeg, svg, pdf, png};
    const QString own = dataType == TGrfDataType::Metafile ? metafile
                        : dataType == TGrfDataType::Jpeg   ? jpeg
                        : dataType == TGrfDataType::Svg    ? svg
                        : dataType == TGrfDataType::Pdf    ? pdf
                        : dataType == TGrfDataType::Png    ? png
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

// The item numbered v when 0 <= v < count, otherwise fallback.
template <class E>
E ItemIn(const QVariant& v, int count, E fallback)
{
    bool ok = false;
    const int i = v.toInt(&ok);
    return ok && i >= 0 && i < count ? static_cast<E>(i) : fallback;
}
}  // namespace

QString PageSubject(const TGrafik& page)
{
    // A tip's way from the root names its place in the rooted tree.
    QStringList tips;
    for (const auto& child : page.Children()) {
        const auto* tree = dynamic_cast<const TTreeGrf*>(child.get());
        if (!tree || !tree->TreeNodes) continue;
        for (int i = 0; i < tree->TreeNodes->Count(); ++i)
            if (const TscTreeNode* node = tree->TreeNodes->Item(i); node->IsLeaf())
                tips << node->Code + QLatin1Char('=') + node->Ident;
        tips << QStringLiteral("|");
    }
    std::sort(tips.begin(), tips.end());
    return QString::fromLatin1(
        QCryptographicHash::hash(tips.join(QLatin1Char('\n')).toUtf8(), QCryptographicHash::Sha1)
            .toHex());
}

bool TExportChoices::Load(const QSettings& settings)
{
    *this = TExportChoices();
    auto value = [&](const char* key) { return settings.value(ChoicesGroup + QLatin1String(key)); };
    if (!settings.contains(ChoicesGroup + QStringLiteral("Layout"))) return false;
    PageTitle = value("PageTitle").toString();
    PageSubject = value("PageSubject").toString();
    Title = value("Title").toString();
    SubTitleLeft = value("SubTitleLeft").toString();
    SubTitleRight = value("SubTitleRight").toString();
    Remarks = value("Remarks").toBool();
    RemarksText = value("RemarksText").toString();
    // Items out of range (a settings file edited by hand) fall back to the defaults.
    Layout =
        ItemIn(value("Layout"), static_cast<int>(TGrfLayoutItem::Special), TGrfLayoutItem::Lines);
    LargePrintout = value("LargePrintout").toBool();
    Destination = ItemIn(value("Destination"), static_cast<int>(TGrfDestination::File) + 1,
                         TGrfDestination::Printer);
    DataType =
        ItemIn(value("DataType"), static_cast<int>(TGrfDataType::Png) + 1, TGrfDataType::Metafile);
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
    set("PageSubject", PageSubject);
    set("Title", Title);
    set("SubTitleLeft", SubTitleLeft);
    set("SubTitleRight", SubTitleRight);
    set("Remarks", Remarks);
    set("RemarksText", RemarksText);
    set("Layout", static_cast<int>(Layout));
    set("LargePrintout", LargePrintout);
    set("Destination", static_cast<int>(Destination));
    set("DataType", static_cast<int>(DataType));
    set("Width", Width);
    set("Height", Height);
}
