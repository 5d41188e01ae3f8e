#include "graphics/TreeGrf.h"

#include <algorithm>

#include "graphics/TreeLayout.h"

TTreeGrf::TTreeGrf(TGrafik* owner) : TGrafik(owner)
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
        SetPen(*this, std::max(3, 8 - n->Depth()), Qt::black);
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
            SetPen(*this, std::max(3, 8 - n->Depth()), Qt::black);
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
