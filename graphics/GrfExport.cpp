#include "graphics/GrfExport.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QFrame>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMimeData>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPrinter>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QSettings>
#include <QVBoxLayout>

#include "data/UiServices.h"
#include "data/WindowPlace.h"
#include "graphics/GrfContainer.h"
#include "graphics/GrfExportOutput.h"
#include "graphics/GrfPaintBox.h"
#include "graphics/PainterCanvas.h"
#include "graphics/TreePage.h"

namespace {
// A group's item index for one of its items; the enums number them in order.
template <class E>
int Item(E item)
{
    return static_cast<int>(item);
}
}  // namespace

int TRadioGroup::ItemIndex() const { return Group ? Group->checkedId() : -1; }

void TRadioGroup::SetItemIndex(int index)
{
    if (index >= 0 && index < Items.size()) Items[index]->setChecked(true);
}

// A group box of radio items, laid out in the given number of columns.
static TRadioGroup MakeRadioGroup(QWidget* parent, const QString& title, const QStringList& items,
                                  int columns = 1)
{
    TRadioGroup g;
    g.Box = new QGroupBox(title, parent);
    g.Group = new QButtonGroup(g.Box);
    auto* grid = new QGridLayout(g.Box);
    grid->setContentsMargins(6, 4, 6, 4);
    grid->setVerticalSpacing(2);
    const int rows = (static_cast<int>(items.size()) + columns - 1) / columns;
    for (int i = 0; i < items.size(); ++i) {
        auto* b = new QRadioButton(items[i], g.Box);
        g.Group->addButton(b, i);
        g.Items.append(b);
        grid->addWidget(b, i % rows, i / rows);
    }
    g.SetItemIndex(0);
    return g;
}

TGrfExpFRM::TGrfExpFRM(TUiServices& ui, QWidget* parent) : QDialog(parent), Ui(ui)
{
    setWindowTitle(QStringLiteral("Graphics -Export"));
    resize(768, 564);

    auto* main = new QVBoxLayout(this);
    main->setContentsMargins(6, 6, 6, 6);
    main->setSpacing(4);

    // Preview and the right column.
    auto* top = new QHBoxLayout;
    auto* frame = new QFrame(this);
    frame->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    auto* frameLayout = new QVBoxLayout(frame);
    frameLayout->setContentsMargins(1, 1, 1, 1);
    PBX = new TGrfPaintBox(frame);
    PBX->setObjectName(QStringLiteral("PBX"));
    PBX->setAutoFillBackground(true);
    PBX->OnPaint = [this](QPainter& p) { PBXPaint(p); };
    frameLayout->addWidget(PBX);
    top->addWidget(frame, 1);

    auto* right = new QWidget(this);
    right->setFixedWidth(200);
    auto* rightLayout = new QVBoxLayout(right);
    rightLayout->setContentsMargins(0, 0, 0, 0);
    SidetextCBX = new QCheckBox(QStringLiteral("Remarks"), right);
    SidetextCBX->setObjectName(QStringLiteral("SidetextCBX"));
    SideMMO = new QPlainTextEdit(right);
    SideMMO->setObjectName(QStringLiteral("SideMMO"));
    LayOutRG = MakeRadioGroup(
        right, QStringLiteral(" Layout "),
        {QStringLiteral("Lines"), QStringLiteral("Title Only"), QStringLiteral("None"),
         QStringLiteral("Rectangle,"), QStringLiteral("RoundRect"), QStringLiteral("Special")});
    LayOutRG.Box->setObjectName(QStringLiteral("LayOutRG"));
    ShrinkCBX = new QCheckBox(QStringLiteral("Large Printout"), right);
    ShrinkCBX->setObjectName(QStringLiteral("ShrinkCBX"));
    rightLayout->addWidget(SidetextCBX);
    rightLayout->addWidget(SideMMO, 1);
    rightLayout->addWidget(LayOutRG.Box);
    rightLayout->addWidget(ShrinkCBX);
    top->addWidget(right);
    main->addLayout(top, 1);

    // Titles.
    auto* titles = new QGridLayout;
    TitleEDT = new QLineEdit(this);
    TitleEDT->setObjectName(QStringLiteral("TitleEDT"));
    SubTitleLeftEDT = new QLineEdit(this);
    SubTitleLeftEDT->setObjectName(QStringLiteral("SubTitleLeftEDT"));
    SubTitleRightEDT = new QLineEdit(this);
    SubTitleRightEDT->setObjectName(QStringLiteral("SubTitleRightEDT"));
    titles->addWidget(new QLabel(QStringLiteral("Title"), this), 0, 0);
    titles->addWidget(TitleEDT, 0, 1, 1, 3);
    titles->addWidget(new QLabel(QStringLiteral("Subtitle left"), this), 1, 0);
    titles->addWidget(SubTitleLeftEDT, 1, 1);
    titles->addWidget(new QLabel(QStringLiteral("Subtitle right"), this), 1, 2);
    titles->addWidget(SubTitleRightEDT, 1, 3);
    main->addLayout(titles);

    // Destination, data type, picture size and the buttons.
    auto* strip = new QHBoxLayout;
    DestinationRG = MakeRadioGroup(
        this, QStringLiteral(" Destination "),
        {QStringLiteral("Printer"), QStringLiteral("Clipboard"), QStringLiteral("File")});
    DestinationRG.Box->setObjectName(QStringLiteral("DestinationRG"));
    DataTypeRG = MakeRadioGroup(
        this, QStringLiteral(" Datatype "),
        {QStringLiteral("Bitmap (.BMP)"), QStringLiteral("Metafile (.EMF)"),
         QStringLiteral("Jpeg (.JPG)"), QStringLiteral("monochrome"), QStringLiteral("SVG (.SVG)"),
         QStringLiteral("PDF (.PDF)"), QStringLiteral("PNG (.PNG)")},
        2);
    DataTypeRG.Box->setObjectName(QStringLiteral("DataTypeRG"));
    DataTypeRG.SetItemIndex(Item(TGrfDataType::Metafile));
    PicSizeGBX = new QGroupBox(QStringLiteral(" Picture-Size "), this);
    PicSizeGBX->setObjectName(QStringLiteral("PicSizeGBX"));
    auto* size = new QGridLayout(PicSizeGBX);
    PicWidthEDT = new QLineEdit(QStringLiteral("1280"), PicSizeGBX);
    PicWidthEDT->setObjectName(QStringLiteral("PicWidthEDT"));
    PicHeightEDT = new QLineEdit(QStringLiteral("1024"), PicSizeGBX);
    PicHeightEDT->setObjectName(QStringLiteral("PicHeightEDT"));
    PicWidthEDT->setMaximumWidth(70);
    PicHeightEDT->setMaximumWidth(70);
    size->addWidget(new QLabel(QStringLiteral("Width"), PicSizeGBX), 0, 0);
    size->addWidget(PicWidthEDT, 0, 1);
    size->addWidget(new QLabel(QStringLiteral("Height"), PicSizeGBX), 1, 0);
    size->addWidget(PicHeightEDT, 1, 1);
    PicSizeGBX->setEnabled(false);
    ExportBTN = new QPushButton(QStringLiteral("Export"), this);
    ExportBTN->setObjectName(QStringLiteral("ExportBTN"));
    QFont bold = ExportBTN->font();
    bold.setBold(true);
    ExportBTN->setFont(bold);
    CancelBTN = new QPushButton(QStringLiteral("Cancel"), this);
    CancelBTN->setObjectName(QStringLiteral("CancelBTN"));
    // Enter in a title edit must not export by surprise (e.g. over the clipboard).
    ExportBTN->setAutoDefault(false);
    CancelBTN->setAutoDefault(false);
    auto* buttons = new QVBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(ExportBTN);
    buttons->addWidget(CancelBTN);
    strip->addWidget(DestinationRG.Box);
    strip->addWidget(DataTypeRG.Box);
    strip->addWidget(PicSizeGBX);
    strip->addStretch(1);
    strip->addLayout(buttons);
    main->addLayout(strip);

    for (QLineEdit* e : {TitleEDT, SubTitleLeftEDT, SubTitleRightEDT})
        connect(e, &QLineEdit::textChanged, this, [this] { TitlesChange(); });
    connect(SidetextCBX, &QCheckBox::clicked, this, [this] { SidetextCBXClick(); });
    connect(SideMMO, &QPlainTextEdit::textChanged, this, [this] { SideMMOChange(); });
    connect(LayOutRG.Group, &QButtonGroup::idClicked, this, [this] { LayOutRGClick(); });
    connect(ShrinkCBX, &QCheckBox::clicked, this, [this] { ShrinkCBXClick(); });
    connect(DestinationRG.Group, &QButtonGroup::idClicked, this, [this] { DestinationRGClick(); });
    connect(DataTypeRG.Group, &QButtonGroup::idClicked, this, [this] { DataTypeRGClick(); });
    connect(ExportBTN, &QPushButton::clicked, this, [this] { ExportBTNClick(); });
    connect(CancelBTN, &QPushButton::clicked, this, &QDialog::reject);

    if (QScreen* s = screen()) move(s->availableGeometry().center() - rect().center());
    RememberWindowPlace(this, Ui, QStringLiteral("GraphicsExport"));
    RestoreChoices();
}

TGrfExpFRM::~TGrfExpFRM()
{
    KeepChoices();
    PBX->OnPaint = nullptr;
    if (Page) Saved.RestoreInto(*Page);
}

int TGrfExpFRM::Execute(TUiServices& ui, TGrfContainer& page, bool bitmapFirst, QWidget* parent)
{
    TGrfExpFRM window(ui, parent);
    window.SetGraphic(page);
    if (bitmapFirst) {
        window.DataTypeRG.SetItemIndex(Item(TGrfDataType::Bitmap));
        window.DataTypeRGClick();
    }
    return window.exec();
}

void TGrfExpFRM::SetGraphic(TGrfContainer& page)
{
    Page = nullptr;  // filling the edits must not write half-filled titles
    Saved = TSavedPageSettings::From(page);
    TitleEDT->setText(page.Title);
    SubTitleLeftEDT->setText(page.SubTitleLeft);
    SubTitleRightEDT->setText(page.SubTitleRight);
    if (HasRemembered && Remembered.PageTitle == page.Title &&
        Remembered.PageSubject == PageSubject(page)) {
        TitleEDT->setText(Remembered.Title);
        SubTitleLeftEDT->setText(Remembered.SubTitleLeft);
        SubTitleRightEDT->setText(Remembered.SubTitleRight);
    }
    Page = &page;
    if (HasRemembered) TitlesChange();
    // No page of this program has a special title block.
    LayOutRG.Items[Item(TGrfLayoutItem::Special)]->setEnabled(false);
    LayOutRGClick();
    if (HasRemembered) {
        SideMMOChange();
        SidetextCBXClick();
    }
    Margin = page.PrintMargin;
    if (HasRemembered) ShrinkCBXClick();
}

void TGrfExpFRM::RestoreChoices()
{
    HasRemembered = Remembered.Load(Ui.Settings());
    if (!HasRemembered) return;
    const TExportChoices& c = Remembered;
    SidetextCBX->setChecked(c.Remarks);
    SideMMO->setPlainText(c.RemarksText);
    LayOutRG.SetItemIndex(Item(c.Layout));
    ShrinkCBX->setChecked(c.LargePrintout);
    DestinationRG.SetItemIndex(Item(c.Destination));
    DestinationRGClick();
    if (DataTypeRG.Items[Item(c.DataType)]->isEnabled()) DataTypeRG.SetItemIndex(Item(c.DataType));
    DataTypeRGClick();
    PicWidthEDT->setText(c.Width);
    PicHeightEDT->setText(c.Height);
}

void TGrfExpFRM::KeepChoices()
{
    if (!Page) return;
    TExportChoices c = Remembered;
    // Titles left as another page had them do not replace those typed for
    // the remembered page.
    const bool edited = TitleEDT->text() != Saved.Title ||
                        SubTitleLeftEDT->text() != Saved.SubTitleLeft ||
                        SubTitleRightEDT->text() != Saved.SubTitleRight;
    const QString subject = PageSubject(*Page);
    if (!HasRemembered || edited ||
        (Saved.Title == Remembered.PageTitle && subject == Remembered.PageSubject)) {
        c.PageTitle = Saved.Title;
        c.PageSubject = subject;
        c.Title = TitleEDT->text();
        c.SubTitleLeft = SubTitleLeftEDT->text();
        c.SubTitleRight = SubTitleRightEDT->text();
    }
    c.Remarks = SidetextCBX->isChecked();
    c.RemarksText = SideMMO->toPlainText();
    c.Layout = static_cast<TGrfLayoutItem>(LayOutRG.ItemIndex());
    c.LargePrintout = ShrinkCBX->isChecked();
    c.Destination = static_cast<TGrfDestination>(DestinationRG.ItemIndex());
    c.DataType = static_cast<TGrfDataType>(DataTypeRG.ItemIndex());
    // A size that would be refused is not kept.
    if (ParsePictureSize(PicWidthEDT->text()) && ParsePictureSize(PicHeightEDT->text())) {
        c.Width = PicWidthEDT->text().trimmed();
        c.Height = PicHeightEDT->text().trimmed();
    }
    c.Save(Ui.Settings());
}

void TGrfExpFRM::TitlesChange()
{
    if (!Page) return;
    Page->Title = TitleEDT->text();
    Page->SubTitleLeft = SubTitleLeftEDT->text();
    Page->SubTitleRight = SubTitleRightEDT->text();
    PBX->update();
}

void TGrfExpFRM::SidetextCBXClick()
{
    if (!Page) return;
    Page->SetFlag(TGrfFlag::Remarks, SidetextCBX->isChecked());
    PBX->update();
}

void TGrfExpFRM::SideMMOChange()
{
    if (!Page) return;
    QStringList lines = SideMMO->toPlainText().split(u'\n');
    if (!lines.isEmpty() && lines.back().isEmpty()) lines.removeLast();
    Page->Remarks = lines;
    if (SidetextCBX->isChecked()) PBX->update();
}

void TGrfExpFRM::LayOutRGClick()
{
    if (!Page) return;
    ApplyLayoutItem(*Page, static_cast<TGrfLayoutItem>(LayOutRG.ItemIndex()));
    PBX->update();
}

void TGrfExpFRM::ShrinkCBXClick() { Margin = ShrinkCBX->isChecked() ? 0.05 : 0.2; }

void TGrfExpFRM::DestinationRGClick()
{
    DataTypeRG.Box->setEnabled(true);
    switch (static_cast<TGrfDestination>(DestinationRG.ItemIndex())) {
        case TGrfDestination::Printer:
            PicSizeGBX->setEnabled(false);
            DataTypeRG.SetItemIndex(Item(TGrfDataType::Metafile));
            break;
        case TGrfDestination::Clipboard:
            DataTypeRG.Items[Item(TGrfDataType::Jpeg)]->setEnabled(false);
            // A disabled item must not stay chosen.
            if (DataTypeRG.ItemIndex() == Item(TGrfDataType::Jpeg))
                DataTypeRG.SetItemIndex(Item(TGrfDataType::Bitmap));
            PicSizeGBX->setEnabled(true);
            break;
        default:
            PicSizeGBX->setEnabled(true);
            DataTypeRG.Items[Item(TGrfDataType::Jpeg)]->setEnabled(true);
            break;
    }
    DataTypeRGClick();
}

void TGrfExpFRM::DataTypeRGClick()
{
    DefaultExt = DataTypeExtension(static_cast<TGrfDataType>(DataTypeRG.ItemIndex()));
}

void TGrfExpFRM::PBXPaint(QPainter& painter)
{
    const QColor face = PBX->palette().color(QPalette::Window);
    painter.fillRect(PBX->rect(), face);
    const QRect r = PBX->rect().adjusted(10, 10, -10, -10);
    if (!Page || r.width() < 1 || r.height() < 1) return;
    Preview = QImage(r.size(), QImage::Format_RGB32);
    Preview.fill(face);
    {
        QPainter p(&Preview);
        TPainterCanvas canvas(p);
        Page->PaintToCanvas(canvas, {0, 0, PBX->width() - 20, PBX->height() - 20});
    }
    painter.drawImage(10, 10, Preview);
}

bool TGrfExpFRM::PictureSize(int& width, int& height)
{
    const TResult<int> w = ParsePictureSize(PicWidthEDT->text());
    const TResult<int> h = w ? ParsePictureSize(PicHeightEDT->text()) : w;
    if (!h) {
        Ui.ShowError(this, h.Error());
        return false;
    }
    width = *w;
    height = *h;
    return true;
}

void TGrfExpFRM::ExportBTNClick()
{
    if (!Page) return;
    const auto dataType = static_cast<TGrfDataType>(DataTypeRG.ItemIndex());
    bool done = false;
    switch (static_cast<TGrfDestination>(DestinationRG.ItemIndex())) {
        case TGrfDestination::Printer:
            done = ExportToPrinter(dataType);
            break;
        case TGrfDestination::Clipboard:
            done = ExportToClipboard(dataType);
            break;
        default:
            done = ExportToFile(dataType);
            break;
    }
    PBX->update();
    // On a cancelled dialog or an error the choices stay for another try.
    if (done) accept();
}

bool TGrfExpFRM::ExportToPrinter(TGrfDataType dataType)
{
    // 300 dots per inch keep a page-sized bitmap to a few tens of megabytes.
    QPrinter printer(QPrinter::HighResolution);
    printer.setResolution(300);
    printer.setPageOrientation(QPageLayout::Landscape);
    if (!Ui.RunPrintDialog(this, printer)) return false;
    TBusyGuard busy(Ui);
    return PrintOn(printer, dataType);
}

bool TGrfExpFRM::PrintOn(QPrinter& printer, TGrfDataType dataType)
{
    const bool landscape = printer.pageLayout().orientation() == QPageLayout::Landscape;
    const TPrintPlacement at = PrintPlacement(printer.width(), printer.height(), landscape, Margin);
    QPainter painter;
    if (!painter.begin(&printer)) {
        Ui.ShowError(this, QStringLiteral("The printer could not be started."));
        return false;
    }
    const bool vector = dataType == TGrfDataType::Metafile || dataType == TGrfDataType::Svg ||
                        dataType == TGrfDataType::Pdf;
    if (ShrinkCBX->isChecked()) return PrintPages(painter, printer, at, vector, dataType);
    if (vector) {
        painter.translate(at.X, at.Y);
        TPainterCanvas canvas(painter);
        Page->PaintToCanvas(canvas, {0, 0, at.Width - 1, at.Height - 1});
    } else {
        const QImage image = dataType == TGrfDataType::Monochrome
                                 ? RenderMonoBitmap(*Page, at.Width, at.Height)
                                 : RenderBitmap(*Page, at.Width, at.Height);
        painter.drawImage(at.X, at.Y, image);
    }
    return painter.end();
}

bool TGrfExpFRM::ExportToClipboard(TGrfDataType dataType)
{
    int width = 0, height = 0;
    if (!PictureSize(width, height)) return false;
    TBusyGuard busy(Ui);
    if (dataType == TGrfDataType::Bitmap || dataType == TGrfDataType::Monochrome) {
        Ui.SetClipboardImage(dataType == TGrfDataType::Monochrome
                                 ? RenderMonoBitmap(*Page, width, height)
                                 : RenderBitmap(*Page, width, height));
        return true;
    }
    TResult<QMimeData*> data = RenderClipboardData(*Page, dataType, width, height);
    if (!data) {
        Ui.ShowError(this, data.Error());
        return false;
    }
    Ui.SetClipboardMimeData(*data);
    return true;
}

bool TGrfExpFRM::ExportToFile(TGrfDataType dataType)
{
    // A size that cannot be used is refused before the user picks a name.
    int width = 0, height = 0;
    if (!PictureSize(width, height)) return false;
    DefaultExt = DataTypeExtension(dataType);
    const QString path = Ui.GetSaveFileName(this, QStringLiteral("Save picture"),
                                            DataTypeFilter(dataType), QString(), DefaultExt);
    if (path.isEmpty()) return false;
    TBusyGuard busy(Ui);
    if (TStatus saved = SavePicture(*Page, path, PictureFormatOf(dataType), width, height);
        !saved) {
        Ui.ShowError(this, saved.Error());
        return false;
    }
    return true;
}

bool TGrfExpFRM::PrintPages(QPainter& painter, QPrinter& printer, const TPrintPlacement& at,
                            bool vector, TGrfDataType dataType)
{
    // "Large Printout": tip labels at least 6 points high, over as many pages
    // as they need, each page numbered.
    int keptFloor = 0;
    for (auto& child : Page->Children())
        if (auto* tree = dynamic_cast<TTreeGrf*>(child.get())) keptFloor = tree->MinLabelPixels;
    SetLabelFloor(*Page, LabelFloorPixels(PrintLabelFloorPoints, printer.resolution()));
    const TScaleGuard scale(*Page, at.Height);
    const int total = ReadableHeight(*Page, at.Width, at.Height, at.Height * MaxPrintPages);
    const int pages = (total + at.Height - 1) / at.Height;
    for (int k = 0; k < pages; ++k) {
        if (k > 0 && !printer.newPage()) break;
        painter.save();
        painter.setClipRect(QRect(at.X, at.Y, at.Width, at.Height));
        if (vector) {
            painter.translate(at.X, at.Y - k * at.Height);
            TPainterCanvas canvas(painter);
            Page->PaintToCanvas(canvas, {0, 0, at.Width - 1, total - 1});
        } else {
            QImage slice(at.Width, at.Height, QImage::Format_RGB32);
            slice.fill(Qt::white);
            {
                QPainter p(&slice);
                p.translate(0, -k * at.Height);
                TPainterCanvas canvas(p);
                Page->PaintToCanvas(canvas, {0, 0, at.Width - 1, total - 1});
            }
            painter.drawImage(at.X, at.Y,
                              dataType == TGrfDataType::Monochrome
                                  ? slice.convertToFormat(QImage::Format_Mono)
                                  : slice);
        }
        painter.restore();
        if (pages > 1) {
            // The page number in the bottom margin.
            QFont font(QStringLiteral("Arial"));
            font.setPixelSize(std::max(8, LabelFloorPixels(9, printer.resolution())));
            painter.setFont(font);
            painter.setPen(Qt::black);
            const int top = at.Y + at.Height, bottom = printer.height();
            painter.drawText(QRect(at.X, top, at.Width, std::max(1, bottom - top)), Qt::AlignCenter,
                             QStringLiteral("Page %1 of %2").arg(k + 1).arg(pages));
        }
    }
    SetLabelFloor(*Page, keptFloor);
    return painter.end();
}
