#include "graphics/TreeSpezial.h"

#include <QLocale>
#include <algorithm>
#include <cmath>

QString FormatNodeLength(double length)
{
    if (length == 0) return {};
    if (!std::isfinite(length)) return QString(10, u'*');
    const bool negative = length < 0;
    const double rounded = std::round(std::fabs(length) * 1e5) / 1e5;
    QString digits = QString::number(rounded, 'f', 5);  // "1234.50000"
    const qsizetype point = digits.indexOf(u'.');
    QString whole = digits.left(point);
    const QString fraction = digits.mid(point + 1);
    for (qsizetype i = whole.size() - 3; i > 0; i -= 3) whole.insert(i, u'.');
    QString text = (negative ? QStringLiteral("-") : QString()) + whole + u',' + fraction;
    if (text.size() > 10) {
        if (text.size() - 10 <= 6)
            text.truncate(10);
        else
            text = QString(10, u'*');
    }
    return text;
}

TadaArtDot::TadaArtDot(TDotStyle* style, TscTreeNode* node)
    : TDotObject(style, node->X, node->Y), Node(node)
{
}

QString TadaArtDot::GetText() const { return Node ? Node->Ident : QString(); }

void TadaArtDot::Draw(TCanvas& canvas, const TPanelLayout& layout) const
{
    auto* dot = dynamic_cast<const TDotStyle*>(Style);
    if (!dot || DrawnDiameter < 0 || DrawnDiameter >= dot->Diameter(layout.Geometry)) {
        TSimpleDot::Draw(canvas, layout);
        return;
    }
    TDotStyle smaller;
    smaller.Assign(*dot);
    smaller.Size = double(DrawnDiameter) / std::max(1, layout.Geometry.Inner.Height());
    smaller.DrawMarker(layout.Geometry, canvas, layout.World.WorldToDevice(X(), Y()));
}

std::vector<int> NonOverlappingSizes(const std::vector<QPoint>& centres, int size)
{
    std::vector<size_t> byX(centres.size());
    for (size_t i = 0; i < byX.size(); ++i) byX[i] = i;
    std::sort(byX.begin(), byX.end(),
              [&](size_t a, size_t b) { return centres[a].x() < centres[b].x(); });
    std::vector<int> sizes(centres.size(), size);
    for (size_t k = 0; k < byX.size(); ++k) {
        const QPoint p = centres[byX[k]];
        int nearest = size;
        // Sorted by x: stop once x alone is as far as the nearest so far.
        for (size_t j = k + 1; j < byX.size() && centres[byX[j]].x() - p.x() < nearest; ++j) {
            const QPoint q = centres[byX[j]];
            nearest = std::min(nearest, std::max(q.x() - p.x(), std::abs(q.y() - p.y())));
        }
        for (size_t j = k; j-- > 0 && p.x() - centres[byX[j]].x() < nearest;) {
            const QPoint q = centres[byX[j]];
            nearest = std::min(nearest, std::max(p.x() - q.x(), std::abs(q.y() - p.y())));
        }
        sizes[byX[k]] = nearest;
    }
    return sizes;
}

void TadaTreeGrf::Draw(TWorldPen& pen) const
{
    TTreeGrf::Draw(pen);
    if (pen.Measuring()) return;
    // Short branches bring a node's marker next to its children's: each is
    // drawn at most as large as the room to its nearest neighbour, never
    // smaller than a few pixels, so that it can still be seen and clicked.
    std::vector<QPoint> centres;
    std::vector<const TadaArtDot*> dots;
    for (const auto& o : GrfObjects())
        if (auto* dot = dynamic_cast<const TadaArtDot*>(o.get())) {
            dots.push_back(dot);
            centres.push_back(pen.World().WorldToDevice(dot->X(), dot->Y()));
        }
    const int size = LeaveStyle().Diameter(pen.Geometry());
    const std::vector<int> sizes = NonOverlappingSizes(centres, size);
    for (size_t i = 0; i < dots.size(); ++i)
        dots[i]->DrawnDiameter = std::max(std::min(size, 4), sizes[i] - 1);
}

QStringList TadaTreeGrf::InfoLines(const TscTreeNode& n)
{
    QStringList lines{QStringLiteral("Ident=") + n.Ident, QStringLiteral("Code=") + n.Code,
                      QStringLiteral("Leaves=") + QString::number(n.LeafCount()),
                      QStringLiteral("Length=") + FormatNodeLength(n.Length)};
    if (!n.Support.isEmpty()) lines << QStringLiteral("Support=") + n.Support;
    if (!n.Changes.isEmpty())
        lines << QStringLiteral("Changes=") + QString::number(n.Changes.size());
    lines << QString();
    return lines;
}

void TadaArtDot::Activate(const TGrfMouse& m)
{
    auto* panel = dynamic_cast<TadaTreeGrf*>(Owner);
    if (!panel || !Node) return;
    if (m.Button == TMouseButton::Left)
        panel->ShowTextBox(TadaTreeGrf::InfoLines(*Node), panel->World().WorldToDevice(X(), Y()));
    if (panel->OnSelect) panel->OnSelect(this);
}

void TadaArtDot::Release(const TGrfMouse& m)
{
    if (m.Button == TMouseButton::Left && Owner) {
        Owner->ClearTextBox();
        Owner->RequestRepaint();
    }
}

TadaTreeGrf::TadaTreeGrf()
{
    SetDragMode(TDragMode::Rectangle);
    HintStyle.Size = 0.035;
    OnZoomRect = [](TGrafik& panel, const TWorldRect& r) {
        const TWorldRect& w = panel.World().Rect;
        const bool accepted = r.Width() > 0.01 * w.Width() && r.Height() > 0.01 * w.Height();
        if (accepted) panel.RequestRepaint();
        return accepted;
    };
    auto leave = std::make_unique<TDotStyle>();
    leave->StyleName = QStringLiteral("Leave");
    leave->Brush = {QColor(0xC0, 0xC0, 0xC0), false};
    leave->Shape = TDotShape::Rectangle;
    leave->Size = 0.02;
    AddStyle(std::move(leave));
    auto node = std::make_unique<TDotStyle>();
    node->StyleName = QStringLiteral("Node");
    node->Brush = {QColor(0, 255, 255), false};
    node->Shape = TDotShape::Ellipse;
    node->Size = 0.02;
    AddStyle(std::move(node));
}

void TadaTreeGrf::UpdateMarkerSizes()
{
    const int k = ZoomRoot ? ZoomRoot->LeafCount() : (TreeNodes ? TreeNodes->LeafCount() : 0);
    const double size = std::min(0.05, 1.0 / (1.2 * std::max(1, k)));
    LeaveStyle().Size = size;
    NodeStyle().Size = size;
    HalfDot = size / 2;
}

void TadaTreeGrf::Prepare()
{
    TTreeGrf::Prepare();
    UpdateMarkerSizes();
    for (auto& o : GrfObjects())
        if (auto* dot = dynamic_cast<TadaArtDot*>(o.get()); dot && dot->Node)
            dot->SetPos(dot->Node->X, dot->Node->Y);
}

void TadaTreeGrf::RebuildMarkers()
{
    ClearGrfObjects();
    if (!TreeNodes) {
        Prepare();
        return;
    }
    for (int i = 0; i < TreeNodes->Count(); ++i) {
        TscTreeNode* n = TreeNodes->Item(i);
        if (ZoomRoot && n != ZoomRoot && !n->HasAncestor(ZoomRoot)) continue;
        if (n->Collapsed) continue;  // part of its parent's polytomy
        TDotStyle* style = n->IsLeaf() ? &LeaveStyle() : &NodeStyle();
        AddGrfObj(std::make_unique<TadaArtDot>(style, n));
    }
    Prepare();
}
