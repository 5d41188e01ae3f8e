#include "graphics/TreeGrf.h"

#include <algorithm>

#include "graphics/TreeLayout.h"

TTreeGrf::TTreeGrf()
{
    AutoWorld = true;
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

void TTreeGrf::Draw()
{
    if (!TreeNodes || TreeNodes->Count() < 3) return;
    TscTreeNode* s = StartNode();
    if (!s) return;
    if (!Drawing) LayoutY(*TreeNodes, s);
    TFontStyle& label = LabelStyle();
    label.Size = std::min(1.0 / std::max(1, s->LeafCount()), 0.025);
    label.MinHeight = MinLabelPixels;
    LayoutX(s);
    DrawSubtree(s);
    if (!Drawing) {
        TWorldRect& r = World.Rect;
        if (r.Width() < 0 || r.Height() < 0) return;  // nothing measured
        const double w = r.Width(), h = r.Height();
        r.XMin -= 0.05 * w;
        r.XMax += 0.05 * w;
        r.YMin -= 0.03 * h;
        r.YMax += 0.03 * h;
        // Room for the labels, whose extent the measuring pass does not see.
        r.XMax += r.Width() * 10 * label.Size;
        AfterMeasure();
    }
}

void TTreeGrf::DrawSubtree(TscTreeNode* start)
{
    const TFontStyle& label = LabelStyle();
    for (TscTreeNode* n : PreOrder(start)) {
        if (n->IsLeaf()) continue;
        SetPen(*this, std::max(3, 8 - n->ShownDepth()), Qt::black);
        for (TscTreeNode* child : {n->Left, n->Right}) {
            if (!child) continue;
            MoveToW(*this, n->X, n->Y);
            LineToW(*this, n->X, child->Y);
            LineToW(*this, child->X, child->Y);
        }
        for (TscTreeNode* child : {n->Left, n->Right}) {
            if (!child || !child->IsLeaf()) continue;
            const double w = World.Rect.Width(), h = World.Rect.Height();
            DrawTipLabel(child, child->X + w / 300, child->Y + label.Size * h / 2);
            // Labels change the pen: the next elbow sets its own.
            SetPen(*this, std::max(3, 8 - n->ShownDepth()), Qt::black);
        }
        for (TscTreeNode* child : {n->Left, n->Right}) {
            if (!child) continue;
            if (!child->IsLeaf() && !child->Collapsed) DrawSupport(child);
            if (ShowChanges && !child->Changes.isEmpty()) DrawChanges(child);
            SetPen(*this, std::max(3, 8 - n->ShownDepth()), Qt::black);
        }
    }
}

void TTreeGrf::DrawTipLabel(TscTreeNode* leaf, double xa, double ya)
{
    const TFontStyle& label = LabelStyle();
    const double w = World.Rect.Width();
    double x;
    if (DrawAtRight && Drawing) {
        TCanvas* c = CurrentCanvas();
        int textWidth = 0;
        if (c) {
            label.Apply(*this, *c);
            textWidth = c->TextWidth(leaf->Label);
        }
        const double plotWidth = std::max(1, InnerRect.Width());
        x = World.Rect.XMax - (textWidth / plotWidth + 0.01) * w;
        // A label too long for the room right of its tip starts at the tip
        // instead of being written over the tree; the edge cuts it.
        if (x - 0.01 * w <= xa) {
            TextOutW(*this, leaf->Label, &label, xa + w * HalfDot, ya);
            return;
        }
        if (c) {
            c->Pen = {Qt::black, 1, TPenKind::Dot};
            const QPoint a = World.WorldToDevice(xa, leaf->Y),
                         b = World.WorldToDevice(x - 0.01 * w, leaf->Y);
            c->MoveTo(a.x(), a.y());
            c->LineTo(b.x(), b.y());
        }
    } else if (DrawAtRight) {
        x = xa + HalfDot;
    } else {
        x = xa + w * HalfDot;
    }
    TextOutW(*this, leaf->Label, &label, x, ya);
}

void TTreeGrf::DrawSupport(TscTreeNode* node)
{
    if (node->Support.isEmpty() || !Drawing) return;
    TCanvas* c = CurrentCanvas();
    if (!c) return;
    // Small, above the branch, ending just left of the node.
    TFontStyle style;
    style.Assign(LabelStyle());
    style.Size = LabelStyle().Size * 0.75;
    style.TextAlign = TA_RIGHT_ | TA_BOTTOM_;
    style.Apply(*this, *c);
    const QPoint p = World.WorldToDevice(node->X, node->Y);
    // Clear of the node's marker, whose size HalfDot gives as a share of the plot height.
    const int marker = static_cast<int>(HalfDot * std::max(1, InnerRect.Height()));
    c->TextOut(p.x() - marker - 2, p.y() - 1, node->Support);
}

void TTreeGrf::DrawChanges(TscTreeNode* node)
{
    if (!node->Parent || !Drawing) return;
    TCanvas* c = CurrentCanvas();
    if (!c) return;
    TscTreeNode* from = node->Parent->Shown();
    const QPoint a = World.WorldToDevice(from->X, node->Y),
                 b = World.WorldToDevice(node->X, node->Y);
    const int k = static_cast<int>(node->Changes.size());
    TFontStyle style;
    style.Assign(LabelStyle());
    style.Size = LabelStyle().Size * 0.6;
    style.TextAlign = TA_CENTER_ | TA_BOTTOM_;
    const int r = std::max(2, style.FontHeight(*this) / 4);
    // Evenly along the branch: a circle per change (open when ambiguous),
    // the character (its number when known) above it and the state below.
    for (int i = 0; i < k; ++i) {
        const int x = a.x() + static_cast<int>((b.x() - a.x()) * (i + 0.5) / k);
        const QString& text = node->Changes.at(i);
        const qsizetype colon = text.indexOf(QStringLiteral(": "));
        const bool ambiguous = i < node->ChangeAmbiguous.size() && node->ChangeAmbiguous.at(i);
        c->Pen = {Qt::black, 1, TPenKind::Solid};
        c->Brush = {ambiguous ? QColor(Qt::white) : QColor(Qt::black), false};
        c->Ellipse({x - r, b.y() - r, x + r, b.y() + r});
        style.TextAlign = TA_CENTER_ | TA_BOTTOM_;
        style.Apply(*this, *c);
        // The character's number is shorter than its name: the list beside the picture has the
        // names.
        const QString above = i < node->ChangeCharacters.size()
                                  ? QString::number(node->ChangeCharacters.at(i))
                                  : (colon < 0 ? text : text.left(colon));
        c->TextOut(x, b.y() - r, above);
        if (colon >= 0) {
            style.TextAlign = TA_CENTER_ | TA_TOP_;
            style.Apply(*this, *c);
            c->TextOut(x, b.y() + r, text.mid(colon + 2));
        }
    }
}
