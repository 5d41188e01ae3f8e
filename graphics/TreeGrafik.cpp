#include "graphics/TreeGrafik.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPainter>
#include <QPushButton>
#include <QScreen>
#include <QStyle>
#include <QVBoxLayout>
#include <cmath>

#include "data/TextFile.h"
#include "data/UiServices.h"
#include "data/WindowPlace.h"
#include "graphics/GrfContainer.h"
#include "graphics/GrfExport.h"
#include "graphics/GrfPaintBox.h"
#include "graphics/TreePage.h"
#include "graphics/TreeSpezial.h"
#include "graphics/ZoomScrollArea.h"

static const QColor Aqua(0, 255, 255);
const QColor TTreeGrfFRM::SelectionColour(0xE0, 0x20, 0x20);

static QWidget* AquaWidget(QWidget* parent)
{
    auto* w = new QWidget(parent);
    w->setAutoFillBackground(true);
    QPalette pal = w->palette();
    pal.setColor(QPalette::Window, Aqua);
    w->setPalette(pal);
    return w;
}

TTreeGrfFRM::TTreeGrfFRM(TUiServices& ui, QWidget* parent) : QDialog(parent), Ui(ui)
{
    setWindowTitle(QStringLiteral("Tree"));
    resize(870, 661);

    auto* grid = new QGridLayout(this);
    grid->setContentsMargins(0, 0, 0, 0);
    grid->setSpacing(0);
    // A large tree is drawn taller than the window: the paint box scrolls.
    TreeSCR = new TZoomScrollArea(this);
    TreeSCR->setObjectName(QStringLiteral("TreeSCR"));
    TreeSCR->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    TreePBX = new TGrfPaintBox;
    TreePBX->setObjectName(QStringLiteral("TreePBX"));
    TreeSCR->setWidget(TreePBX);
    grid->addWidget(TreeSCR, 0, 0);

    QWidget* column = AquaWidget(this);
    column->setFixedWidth(137);
    grid->addWidget(column, 0, 1);
    QWidget* strip = AquaWidget(this);
    strip->setFixedHeight(9);
    grid->addWidget(strip, 1, 0, 1, 2);

    auto* col = new QVBoxLayout(column);
    col->setContentsMargins(8, 8, 8, 8);
    CloseBTN = new QPushButton(QStringLiteral("Close"), column);
    CloseBTN->setObjectName(QStringLiteral("CloseBTN"));
    CloseBTN->setFlat(true);
    CloseBTN->hide();
    ReRootBTN = new QPushButton(QStringLiteral("Re-Root"), column);
    ReRootBTN->setObjectName(QStringLiteral("ReRootBTN"));
    FlipBTN = new QPushButton(QStringLiteral("Swap"), column);
    FlipBTN->setObjectName(QStringLiteral("FlipBTN"));
    ZoomBTN = new QPushButton(QStringLiteral("Zoom"), column);
    ZoomBTN->setObjectName(QStringLiteral("ZoomBTN"));
    ResetBTN = new QPushButton(QStringLiteral("Reset"), column);
    ResetBTN->setObjectName(QStringLiteral("ResetBTN"));
    auto* zoomRow = new QHBoxLayout;
    zoomRow->setSpacing(4);
    zoomRow->addWidget(ZoomBTN);
    zoomRow->addWidget(ResetBTN);
    DrawAtRightCBX = new QCheckBox(QStringLiteral("Right adjust"), column);
    DrawAtRightCBX->setObjectName(QStringLiteral("DrawAtRightCBX"));
    DrawAtRightCBX->setChecked(true);
    BckGroundCBX = new QCheckBox(QStringLiteral("Background"), column);
    BckGroundCBX->setObjectName(QStringLiteral("BckGroundCBX"));
    BckGroundCBX->setChecked(true);
    ActNodeLBL = new QLabel(QStringLiteral("Node"), column);
    ActNodeLBL->setObjectName(QStringLiteral("ActNodeLBL"));
    QFont labelFont = ActNodeLBL->font();
    labelFont.setPixelSize(16);
    ActNodeLBL->setFont(labelFont);
    ActNodeLBL->setWordWrap(true);
    ChangesCBX = new QCheckBox(QStringLiteral("Changes"), column);
    ChangesCBX->setObjectName(QStringLiteral("ChangesCBX"));
    ChangesCBX->setToolTip(
        QStringLiteral("Draw the state changes on every branch (open circles: ambiguous)"));
    ChangesCBX->hide();
    ChangesLST = new QListWidget(column);
    ChangesLST->setObjectName(QStringLiteral("ChangesLST"));
    // Character names are longer than the column is wide: wrap, never cut.
    ChangesLST->setWordWrap(true);
    ChangesLST->setTextElideMode(Qt::ElideNone);
    ChangesLST->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    ChangesLST->hide();
    ExportBTN = new QPushButton(QStringLiteral("Save"), column);
    ExportBTN->setObjectName(QStringLiteral("ExportBTN"));
    QFont bold = ExportBTN->font();
    bold.setBold(true);
    ExportBTN->setFont(bold);
    SaveNewickBTN = new QPushButton(QStringLiteral("Save Newick..."), column);
    SaveNewickBTN->setObjectName(QStringLiteral("SaveNewickBTN"));
    SaveNewickBTN->setToolTip(
        QStringLiteral("Save the tree as computed, with its labels, as one line of Newick"));
    SaveNewickBTN->hide();
    // The dialog's Enter key must not fire a tree operation by accident.
    for (QPushButton* b :
         {CloseBTN, ReRootBTN, FlipBTN, ZoomBTN, ResetBTN, ExportBTN, SaveNewickBTN})
        b->setAutoDefault(false);

    col->addWidget(CloseBTN);
    col->addWidget(ReRootBTN);
    col->addWidget(FlipBTN);
    col->addLayout(zoomRow);
    col->addSpacing(8);
    col->addWidget(DrawAtRightCBX);
    col->addWidget(BckGroundCBX);
    col->addSpacing(8);
    col->addWidget(ActNodeLBL);
    col->addWidget(ChangesCBX);
    col->addWidget(ChangesLST, 1);
    col->addStretch(1);
    col->addWidget(SaveNewickBTN);
    col->addWidget(ExportBTN);

    connect(CloseBTN, &QPushButton::clicked, this, [this] { CloseBTNClick(); });
    connect(ReRootBTN, &QPushButton::clicked, this, [this] { ReRootBTNClick(); });
    connect(FlipBTN, &QPushButton::clicked, this, [this] { FlipBTNClick(); });
    connect(ZoomBTN, &QPushButton::clicked, this, [this] { ZoomBTNClick(); });
    connect(ResetBTN, &QPushButton::clicked, this, [this] { ResetBTNClick(); });
    connect(DrawAtRightCBX, &QCheckBox::clicked, this, [this] { DrawAtRightCBXClick(); });
    connect(BckGroundCBX, &QCheckBox::clicked, this, [this] { BckGroundCBXClick(); });
    connect(ChangesCBX, &QCheckBox::clicked, this, [this] { ChangesCBXClick(); });
    connect(ExportBTN, &QPushButton::clicked, this, [this] { ExportBTNClick(); });
    connect(SaveNewickBTN, &QPushButton::clicked, this, [this] { SaveNewickBTNClick(); });

    // The page, bound to the paint box.
    Container = std::make_unique<TGrfContainer>();
    Container->TitleLayout = TTitleLayout::None;
    Container->Title = QStringLiteral("Tree Graphics");
    Container->Background.Brush = {palette().color(QPalette::Button), false};
    Container->SetHost(TreePBX);
    TreePBX->Page = Container.get();
    TreePBX->OnPaint = [this](QPainter& p) { TreePBXPaint(p); };
    TreePanel = Container->AddChild(std::make_unique<TadaTreeGrf>());
    TreePanel->OnSelect = [this](TadaArtDot* marker) { NodeSelected(marker); };
    TreePanel->DrawAtRight = DrawAtRightCBX->isChecked();
    TreePanel->MinLabelPixels = ScreenLabelFloor;
    TreeSCR->BaseSize = [this](QSize viewport) {
        TreePanel->MinLabelPixels = ScreenLabelFloor;
        return QSize(viewport.width(),
                     ReadableHeight(*Container, viewport.width(), viewport.height()));
    };

    if (QScreen* s = screen()) move(s->availableGeometry().center() - rect().center());
    RememberWindowPlace(this, Ui, QStringLiteral("TreeGraphic"));
}

TTreeGrfFRM::~TTreeGrfFRM()
{
    // The paint box goes with the window; make sure it no longer reaches the page.
    TreePBX->Page = nullptr;
    TreePBX->OnPaint = nullptr;
}

void TTreeGrfFRM::SetNodes(TscTreeNodes* list)
{
    TreeNodes = list;
    Selected = nullptr;
    TreePanel->TreeNodes = list;
    TreePanel->ZoomRoot = list ? list->Root : nullptr;
    TreePanel->RebuildMarkers();
    // The changes are offered only for trees that carry them.
    bool changes = false;
    for (int i = 0; list && i < list->Count(); ++i)
        if (!list->Item(i)->Changes.isEmpty()) changes = true;
    ChangesCBX->setVisible(changes);
    ChangesLST->setVisible(changes);
    ListChanges();
    TreeSCR->Relayout();
    TreePBX->update();
}

void TTreeGrfFRM::SetTitle(const QString& text) { Container->Title = text; }

void TTreeGrfFRM::NodeSelected(TadaArtDot* marker)
{
    if (!marker || !marker->Node) return;
    Selected = marker->Node;
    ActNodeLBL->setText(Selected->Ident);
    ListChanges();
}

void TTreeGrfFRM::ListChanges()
{
    ChangesLST->clear();
    if (!Selected || !ChangesLST->isVisible()) return;
    if (!Selected->Parent) {
        ChangesLST->addItem(QStringLiteral("(the root has no branch)"));
        return;
    }
    for (qsizetype i = 0; i < Selected->Changes.size(); ++i) {
        const bool ambiguous =
            i < Selected->ChangeAmbiguous.size() && Selected->ChangeAmbiguous.at(i);
        ChangesLST->addItem(Selected->Changes.at(i) +
                            (ambiguous ? QStringLiteral(" (ambiguous)") : QString()));
    }
    if (Selected->Changes.isEmpty()) ChangesLST->addItem(QStringLiteral("(no changes)"));
    // Each item as tall as its text wrapped to the list's width (the list
    // itself sizes items by their unwrapped text).
    const int width = ChangesLST->width() - 2 * ChangesLST->frameWidth() -
                      ChangesLST->style()->pixelMetric(QStyle::PM_ScrollBarExtent) - 6;
    for (int i = 0; i < ChangesLST->count(); ++i) {
        QListWidgetItem* item = ChangesLST->item(i);
        const QRect wrapped = ChangesLST->fontMetrics().boundingRect(
            QRect(0, 0, width, 100000), Qt::TextWrapAnywhere, item->text());
        item->setSizeHint(QSize(width, wrapped.height() + 4));
    }
}

void TTreeGrfFRM::ChangesCBXClick()
{
    TreePanel->ShowChanges = ChangesCBX->isChecked();
    TreePBX->update();
}

void TTreeGrfFRM::TreePBXPaint(QPainter& painter)
{
    TreePanel->DrawAtRight = DrawAtRightCBX->isChecked();
    // Zoomed in, everything grows; unzoomed, a tall tree keeps the window's
    // sizes; zoomed out, only the labels' floor goes down, to the whole tree.
    const double zoom = TreeSCR->Zoom();
    Container->SetScaleHeight(
        static_cast<int>(std::lround(TreeSCR->viewport()->height() * std::max(1.0, zoom))));
    TreePanel->MinLabelPixels = static_cast<int>(std::lround(ScreenLabelFloor * zoom));
    Container->PaintInto(painter, TreePBX->size());
    Container->SetScaleHeight(0);
    TreePanel->MinLabelPixels = ScreenLabelFloor;
    // The selected node, marked on screen only (exports draw the page, not this).
    if (const TIntRect r = SelectedMarkerRect(); r.Width() > 0) {
        painter.save();
        painter.setRenderHint(QPainter::Antialiasing, false);
        painter.setBrush(Qt::NoBrush);
        painter.setPen(QPen(SelectionColour, 3));
        painter.drawRect(QRect(r.Left, r.Top, r.Width(), r.Height()));
        painter.restore();
    }
}

TIntRect TTreeGrfFRM::SelectedMarkerRect() const
{
    if (!Selected) return {};
    for (auto& o : TreePanel->GrfObjects())
        if (auto* dot = dynamic_cast<TadaArtDot*>(o.get()); dot && dot->Node == Selected)
            return dot->DeviceBounds().Inflated(4);
    return {};
}

void TTreeGrfFRM::Changed()
{
    TreePanel->RebuildMarkers();
    TreeSCR->Relayout();
    TreePBX->update();
}

void TTreeGrfFRM::ReRootBTNClick()
{
    if (!Selected || !TreeNodes) return;
    bool polytomy = false, labels = false;
    for (int i = 0; i < TreeNodes->Count(); ++i) {
        const TscTreeNode* n = TreeNodes->Item(i);
        polytomy = polytomy || n->Collapsed;
        labels = labels || !n->Support.isEmpty() || !n->Changes.isEmpty();
    }
    if (polytomy) {
        Ui.ShowInformation(this, QStringLiteral("A tree with polytomies cannot be re-rooted."));
        return;
    }
    if (labels) {
        // Percentages and changes belong to the groups of the tree as rooted.
        for (int i = 0; i < TreeNodes->Count(); ++i) {
            TreeNodes->Item(i)->Support.clear();
            TreeNodes->Item(i)->Changes.clear();
            TreeNodes->Item(i)->ChangeAmbiguous.clear();
            TreeNodes->Item(i)->ChangeCharacters.clear();
        }
        ChangesCBX->hide();
        ChangesLST->hide();
        TreePanel->ShowChanges = false;
        Ui.ShowInformation(
            this,
            QStringLiteral("The re-rooted tree is drawn without percentages and changes: they "
                           "belong to the groups of the tree as it was rooted."));
    }
    ReRoot(*TreeNodes, Selected, QStringLiteral("R"));
    TreePanel->ZoomRoot = nullptr;
    Changed();
}

void TTreeGrfFRM::FlipBTNClick()
{
    if (!Selected || !TreeNodes) return;
    TreeNodes->Swap(Selected);
    TreePanel->ZoomRoot = nullptr;
    Changed();
}

void TTreeGrfFRM::ZoomBTNClick()
{
    if (!Selected) {
        Ui.ShowInformation(this, QStringLiteral("No node selected !"));
        return;
    }
    if (Selected->IsLeaf()) {
        Ui.ShowInformation(this, QStringLiteral("Tip selected !"));
        return;
    }
    TreePanel->ZoomRoot = Selected;
    Changed();
}

void TTreeGrfFRM::ResetBTNClick()
{
    TreePanel->ZoomRoot = TreeNodes ? TreeNodes->Root : nullptr;
    // Reset undoes the wheel's zoom too: the whole tree in the window.
    TreeSCR->ShowWhole();
    Changed();
}

void TTreeGrfFRM::DrawAtRightCBXClick()
{
    TreePanel->DrawAtRight = DrawAtRightCBX->isChecked();
    TreePBX->update();
}

void TTreeGrfFRM::BckGroundCBXClick()
{
    Container->Background.Brush.Color =
        BckGroundCBX->isChecked() ? palette().color(QPalette::Button) : QColor(0xFF, 0xFF, 0xFF);
    TreePBX->update();
}

void TTreeGrfFRM::ExportBTNClick()
{
    TreePBX->Freeze();
    TGrfExpFRM::Execute(Ui, *Container, false, this);
    // The preview borrowed the page; bind it to the paint box again.
    TreePBX->Thaw();
}

void TTreeGrfFRM::CloseBTNClick() { close(); }

void TTreeGrfFRM::SetNewick(const QString& line)
{
    NewickText = line;
    SaveNewickBTN->setVisible(!line.isEmpty());
}

void TTreeGrfFRM::SaveNewickBTNClick()
{
    if (NewickText.isEmpty()) return;
    const QString path = Ui.GetSaveFileName(this, QStringLiteral("Save Newick"),
                                            QStringLiteral("Newick (*.nwk *.tre *.tree)"),
                                            QStringLiteral("Tree"), QStringLiteral("nwk"));
    if (path.isEmpty()) return;
    if (TStatus saved = SaveTextFile(path, EncodeTextLines({NewickText})); !saved)
        Ui.ShowError(this, saved.Error());
}
