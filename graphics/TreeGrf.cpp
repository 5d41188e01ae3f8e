#include "graphics/TreeGrf.h"

#include <algorithm>

#include "graphics/TreeLayout.h"

TTreeGrf::TTreeGrf()
{
    SetAutoWorld(true);
    auto label = std::make_unique<TFontStyle>();
    label->StyleName = QStringLiteral("Label");
    label->Size = 0.025;
    label->TextAlign = 0;  // hangs from its top-left corner
    AddStyle(std::move(label));
}

TscTreeNode* TTreeGrf::StartNode() const
{
    if (!TreeNodes) return nullptr;
    if (ZoomRoot) return ZoomRoot;
    if (TreeNodes->Root) return TreeNodes->Root;
    return TreeNodes->Last();
}

double TTreeGrf::ProportionalLabelSize() const
{
    const TscTreeNode* s = StartNode();
    if (!s || !TreeNodes || TreeNodes->Count() < 3) return 0;
    return std::min(1.0 / std::max(1, s->LeafCount()), 0.025);
}

bool TTreeGrf::Drawable() const { return TreeNodes && TreeNodes->Count() >= 3 && StartNode(); }

TFontStyle TTreeGrf::TipLabelStyle() const
{
    TFontStyle label;
    label.Assign(LabelStyle());
    if (const TscTreeNode* s = StartNode())
        label.Size = std::min(1.0 / std::max(1, s->LeafCount()), 0.025);
    label.MinHeight = MinLabelPixels;
    return label;
}

void TTreeGrf::Prepare()
{
    TGrafik::Prepare();
    if (!Drawable()) return;
    TscTreeNode* s = StartNode();
    LayoutY(*TreeNodes, s);
    LayoutX(s);
    LabelStyle().Assign(TipLabelStyle());
}

void TTreeGrf::Draw(TWorldPen& pen) const
{
    if (!Drawable()) return;
    const TFontStyle label = TipLabelStyle();
    DrawSubtree(pen, StartNode(), label);
    if (pen.Measuring()) {
        TWorldRect& r = pen.MeasuredRect();
        if (r.Width() < 0 || r.Height() < 0) return;  // nothing measured
        const double w = r.Width(), h = r.Height();
        r.XMin -= 0.05 * w;
        r.XMax += 0.05 * w;
        r.YMin -= 0.03 * h;
        r.YMax += 0.03 * h;
        // Room for the labels, whose extent the measuring pass does not see.
        r.XMax += r.Width() * 10 * label.Size;
    }
}

void TTreeGrf::DrawSubtree(TWorldPen& pen, TscTreeNode* start, const TFontStyle& label) const
{
    for (TscTreeNode* n : PreOrder(start)) {
        if (n->IsLeaf()) continue;
        pen.SetPen(std::max(3, 8 - n->ShownDepth()), Qt::black);
        for (TscTreeNode* child : {n->Left, n->Right}) {
            if (!child) continue;
            pen.MoveTo(n->X, n->Y);
            pen.LineTo(n->X, child->Y);
            pen.LineTo(child->X, child->Y);
        }
        for (TscTreeNode* child : {n->Left, n->Right}) {
            if (!child || !child->IsLeaf()) continue;
            const double w = pen.World().Rect.Width(), h = pen.World().Rect.Height();
            DrawTipLabel(pen, label, child, child->X + w / 300, child->Y + label.Size * h / 2);
            // Labels change the pen: the next elbow sets its own.
            pen.SetPen(std::max(3, 8 - n->ShownDepth()), Qt::black);
        }
        for (TscTreeNode* child : {n->Left, n->Right}) {
            if (!child) continue;
            if (!child->IsLeaf() && !child->Collapsed) DrawSupport(pen, label, child);
            if (ShowChanges && !child->Changes.isEmpty()) DrawChanges(pen, label, child);
            pen.SetPen(std::max(3, 8 - n->ShownDepth()), Qt::black);
        }
    }
}

void TTreeGrf::DrawTipLabel(TWorldPen& pen, const TFontStyle& label, TscTreeNode* leaf, double xa,
                            double ya) const
{
    const TWorld& world = pen.World();
    const double w = world.Rect.Width();
    double x;
    if (DrawAtRight && !pen.Measuring()) {
        TCanvas& c = *pen.Canvas();
        label.Apply(pen.Geometry(), c);
        const int textWidth = c.TextWidth(leaf->Label);
        const double plotWidth = std::max(1, pen.Geometry().Inner.Width());
        x = world.Rect.XMax - (textWidth / plotWidth + 0.01) * w;
        // A label too long for the room right of its tip starts at the tip
        // instead of being written over the tree; the edge cuts it.
        if (x - 0.01 * w <= xa) {
            pen.TextOut(leaf->Label, &label, xa + w * HalfDot, ya);
            return;
        }
        c.Pen = {Qt::black, 1, TPenKind::Dot};
        const QPoint a = world.WorldToDevice(xa, leaf->Y),
                     b = world.WorldToDevice(x - 0.01 * w, leaf->Y);
        c.MoveTo(a.x(), a.y());
        c.LineTo(b.x(), b.y());
    } else if (DrawAtRight) {
        x = xa + HalfDot;
    } else {
        x = xa + w * HalfDot;
    }
    pen.TextOut(leaf->Label, &label, x, ya);
}

void TTreeGrf::DrawSupport(TWorldPen& pen, const TFontStyle& label, TscTreeNode* node) const
{
    if (node->Support.isEmpty() || pen.Measuring()) return;
    TCanvas& c = *pen.Canvas();
    const TPanelGeometry& g = pen.Geometry();
    // Small, above the branch, ending just left of the node.
    TFontStyle style;
    style.Assign(label);
    style.Size = label.Size * 0.75;
    style.TextAlign = TA_RIGHT_ | TA_BOTTOM_;
    style.Apply(g, c);
    const QPoint p = pen.World().WorldToDevice(node->X, node->Y);
    // Clear of the node's marker, whose size HalfDot gives as a share of the plot height.
    const int marker = static_cast<int>(HalfDot * std::max(1, g.Inner.Height()));
    c.TextOut(p.x() - marker - 2, p.y() - 1, node->Support);
}

void TTreeGrf::DrawChanges(TWorldPen& pen, const TFontStyle& label, TscTreeNode* node) const
{
    if (!node->Parent || pen.Measuring()) return;
    TCanvas& c = *pen.Canvas();
    const TPanelGeometry& g = pen.Geometry();
    TscTreeNode* from = node->Parent->Shown();
    const QPoint a = pen.World().WorldToDevice(from->X, node->Y),
                 b = pen.World().WorldToDevice(node->X, node->Y);
    const int k = static_cast<int>(node->Changes.size());
    TFontStyle style;
    style.Assign(label);
    style.Size = label.Size * 0.6;
    style.TextAlign = TA_CENTER_ | TA_BOTTOM_;
    const int r = std::max(2, style.FontHeight(g) / 4);
    // Evenly along the branch: a circle per change (open when ambiguous),
    // the character (its number when known) above it and the state below.
    for (int i = 0; i < k; ++i) {
        const int x = a.x() + static_cast<int>((b.x() - a.x()) * (i + 0.5) / k);
        const QString& text = node->Changes.at(i);
        const qsizetype colon = text.indexOf(QStringLiteral(": "));
        const bool ambiguous = i < node->ChangeAmbiguous.size() && node->ChangeAmbiguous.at(i);
        c.Pen = {Qt::black, 1, TPenKind::Solid};
        c.Brush = {ambiguous ? QColor(Qt::white) : QColor(Qt::black), false};
        c.Ellipse({x - r, b.y() - r, x + r, b.y() + r});
        style.TextAlign = TA_CENTER_ | TA_BOTTOM_;
        style.Apply(g, c);
        // The character's number is shorter than its name: the list beside the picture has the
        // names.
        const QString above = i < node->ChangeCharacters.size()
                                  ? QString::number(node->ChangeCharacters.at(i))
                                  : (colon < 0 ? text : text.left(colon));
        c.TextOut(x, b.y() - r, above);
        if (colon >= 0) {
            style.TextAlign = TA_CENTER_ | TA_TOP_;
            style.Apply(g, c);
            c.TextOut(x, b.y() + r, text.mid(colon + 2));
        }
    }
}
