#include "graphics/TreeGrf.h"

#include <algorithm>
#include <cmath>

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

bool BoxesCross(const TIntRect& a, const TIntRect& b)
{
    return a.Left < b.Right && b.Left < a.Right && a.Top < b.Bottom && b.Top < a.Bottom;
}

namespace {
int BandOf(int row, int rows) { return row >= 0 ? row / rows : -((-row + rows - 1) / rows); }
}  // namespace

TTakenBoxes::TTakenBoxes(std::vector<TIntRect> boxes)
{
    for (const TIntRect& b : boxes) Add(b);
}

// Two boxes that cross share a pixel row between their tops and bottoms
// (taken as a closed range either way round), so they share a band.
void TTakenBoxes::Add(const TIntRect& box)
{
    const int low = BandOf(std::min(box.Top, box.Bottom), BandRows),
              high = BandOf(std::max(box.Top, box.Bottom), BandRows);
    for (int band = low; band <= high; ++band) Bands[band].push_back(Boxes.size());
    Boxes.push_back(box);
}

bool TTakenBoxes::CrossesAny(const TIntRect& box, size_t skip) const
{
    const int low = BandOf(std::min(box.Top, box.Bottom), BandRows),
              high = BandOf(std::max(box.Top, box.Bottom), BandRows);
    for (int band = low; band <= high; ++band) {
        const auto found = Bands.find(band);
        if (found == Bands.end()) continue;
        for (size_t i : found->second)
            if (i != skip && BoxesCross(box, Boxes[i])) return true;
    }
    return false;
}

std::vector<TChangeMarkPlace> PlaceChangeMarks(int x0, int x1, int y, int radius, int textHeight,
                                               const std::vector<std::pair<int, int>>& widths,
                                               const std::vector<TIntRect>& taken, size_t own)
{
    return PlaceChangeMarks(x0, x1, y, radius, textHeight, widths, TTakenBoxes(taken), own);
}

std::vector<TChangeMarkPlace> PlaceChangeMarks(int x0, int x1, int y, int radius, int textHeight,
                                               const std::vector<std::pair<int, int>>& widths,
                                               const TTakenBoxes& taken, size_t own)
{
    constexpr int Gap = 4;
    std::vector<int> slot;
    int total = 0;
    for (const auto& [above, below] : widths) {
        slot.push_back(std::max({2 * radius, above, below}) + Gap);
        total += slot.back();
    }
    const int k = static_cast<int>(widths.size());
    if (k == 0 || total > x1 - x0) return {};
    const int spare = (x1 - x0 - total) / (k + 1);
    std::vector<TChangeMarkPlace> marks;
    int x = x0;
    for (int i = 0; i < k; ++i) {
        x += spare;
        const int cx = x + slot[static_cast<size_t>(i)] / 2;
        const auto& [above, below] = widths[static_cast<size_t>(i)];
        TChangeMarkPlace m;
        m.Circle = {cx - radius, y - radius, cx + radius, y + radius};
        m.Above = {cx - above / 2 - 1, y - radius - 1 - textHeight, cx + (above + 1) / 2 + 1,
                   y - radius - 1};
        m.Below = {cx - below / 2 - 1, y + radius + 1, cx + (below + 1) / 2 + 1,
                   y + radius + 1 + (below > 0 ? textHeight : 0)};
        if (taken.CrossesAny(m.Circle, own)) return {};
        for (const TIntRect& b : {m.Above, m.Below})
            if (b.Width() > 2 && b.Height() > 0 && taken.CrossesAny(b, taken.Count())) return {};
        for (const TChangeMarkPlace& p : marks)
            if (BoxesCross(p.Circle, m.Circle) || BoxesCross(p.Above, m.Above) ||
                BoxesCross(p.Below, m.Below))
                return {};
        marks.push_back(m);
        x += slot[static_cast<size_t>(i)];
    }
    return marks;
}

void TTreeGrf::Draw(TWorldPen& pen) const
{
    if (!Drawable()) return;
    const TFontStyle label = TipLabelStyle();
    const bool changes = ShowChanges && !pen.Measuring();
    TTaken taken;
    DrawSubtree(pen, StartNode(), label, changes ? &taken : nullptr);
    if (changes) DrawChanges(pen, label, StartNode(), taken);
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

// A branch's pen: thick near the root, thinner below; where there are more
// leaves than pixel rows (thousands of them seen whole), hairlines, or the
// branches run together into black.
static int BranchPen(int depth, double rowPixels)
{
    return rowPixels < 1 ? 1 : std::max(3, 8 - depth);
}

// Device pixels between two neighbouring leaves of the subtree.
static double RowPixels(const TWorldPen& pen, const TscTreeNode* start)
{
    return static_cast<double>(pen.Geometry().Inner.Height()) / std::max(1, start->LeafCount());
}

static TIntRect LineBox(QPoint a, QPoint b, int width)
{
    const int half = width / 2 + 1;
    return {std::min(a.x(), b.x()) - half, std::min(a.y(), b.y()) - half,
            std::max(a.x(), b.x()) + half, std::max(a.y(), b.y()) + half};
}

void TTreeGrf::DrawSubtree(TWorldPen& pen, TscTreeNode* start, const TFontStyle& label,
                           TTaken* taken) const
{
    const double rows = RowPixels(pen, start);
    for (TscTreeNode* n : PreOrder(start)) {
        if (n->IsLeaf()) continue;
        const int width = BranchPen(n->ShownDepth(), rows);
        pen.SetPen(width, Qt::black);
        for (TscTreeNode* child : {n->Left, n->Right}) {
            if (!child) continue;
            pen.MoveTo(n->X, n->Y);
            pen.LineTo(n->X, child->Y);
            pen.LineTo(child->X, child->Y);
        }
        for (TscTreeNode* child : {n->Left, n->Right}) {
            if (!child || !child->IsLeaf()) continue;
            const double w = pen.World().Rect.Width(), h = pen.World().Rect.Height();
            DrawTipLabel(pen, label, child, child->X + w / 300, child->Y + label.Size * h / 2,
                         taken);
            // Labels change the pen: the next elbow sets its own.
            pen.SetPen(width, Qt::black);
        }
        for (TscTreeNode* child : {n->Left, n->Right}) {
            if (!child) continue;
            if (!child->IsLeaf() && !child->Collapsed) DrawSupport(pen, label, child, taken);
            pen.SetPen(width, Qt::black);
        }
    }
}

void TTreeGrf::DrawTipLabel(TWorldPen& pen, const TFontStyle& label, TscTreeNode* leaf, double xa,
                            double ya, TTaken* taken) const
{
    const TWorld& world = pen.World();
    const double w = world.Rect.Width();
    double x;
    auto text = [&](double at) {
        pen.TextOut(leaf->Label, &label, at, ya);
        if (!taken || pen.Measuring()) return;
        TCanvas& c = *pen.Canvas();
        const QPoint p = world.WorldToDevice(at, ya);
        taken->push_back(
            {p.x(), p.y(), p.x() + c.TextWidth(leaf->Label), p.y() + c.TextHeight(leaf->Label)});
    };
    if (DrawAtRight && !pen.Measuring()) {
        TCanvas& c = *pen.Canvas();
        label.Apply(pen.Geometry(), c);
        const int textWidth = c.TextWidth(leaf->Label);
        const double plotWidth = std::max(1, pen.Geometry().Inner.Width());
        x = world.Rect.XMax - (textWidth / plotWidth + 0.01) * w;
        // A label too long for the room right of its tip starts at the tip
        // instead of being written over the tree; the edge cuts it.
        if (x - 0.01 * w <= xa) {
            text(xa + w * HalfDot);
            return;
        }
        c.Pen = {Qt::black, 1, TPenKind::Dot};
        const QPoint a = world.WorldToDevice(xa, leaf->Y),
                     b = world.WorldToDevice(x - 0.01 * w, leaf->Y);
        c.MoveTo(a.x(), a.y());
        c.LineTo(b.x(), b.y());
        if (taken) taken->push_back(LineBox(a, b, 1));
    } else if (DrawAtRight) {
        x = xa + HalfDot;
    } else {
        x = xa + w * HalfDot;
    }
    text(x);
}

void TTreeGrf::DrawSupport(TWorldPen& pen, const TFontStyle& label, TscTreeNode* node,
                           TTaken* taken) const
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
    if (taken)
        taken->push_back({p.x() - marker - 2 - c.TextWidth(node->Support),
                          p.y() - 1 - c.TextHeight(node->Support), p.x() - marker - 2, p.y() - 1});
}

void TTreeGrf::DrawChanges(TWorldPen& pen, const TFontStyle& label, TscTreeNode* start,
                           TTaken& taken) const
{
    TCanvas& c = *pen.Canvas();
    const TPanelGeometry& g = pen.Geometry();
    const TWorld& world = pen.World();
    // The node markers, as large as their style draws them at most.
    const int marker = static_cast<int>(std::lround(2 * HalfDot * std::max(1, g.Inner.Height())));
    const std::vector<TscTreeNode*> order = PreOrder(start);
    // Every branch as drawn (a vertical line at the parent, a horizontal one
    // to the node) and every marker.
    std::vector<size_t> branch(order.size(), 0);
    const double rows = RowPixels(pen, start);
    for (size_t i = 0; i < order.size(); ++i) {
        TscTreeNode* n = order[i];
        const QPoint p = world.WorldToDevice(n->X, n->Y);
        if (!n->Collapsed)
            taken.push_back({p.x() - marker / 2, p.y() - marker / 2, p.x() + marker - marker / 2,
                             p.y() + marker - marker / 2});
        if (n == start || !n->Parent) continue;
        TscTreeNode* from = n->Parent;
        const int width = BranchPen(from->Shown()->ShownDepth(), rows);
        const QPoint up = world.WorldToDevice(from->X, from->Y),
                     corner = world.WorldToDevice(from->X, n->Y);
        taken.push_back(LineBox(up, corner, width));
        branch[i] = taken.size();
        taken.push_back(LineBox(corner, p, width));
    }
    TTakenBoxes placed(std::move(taken));
    TFontStyle style;
    style.Assign(label);
    style.Size = label.Size * 0.6;
    style.Apply(g, c);
    const int textHeight = c.TextHeight(QStringLiteral("0"));
    for (size_t at = 0; at < order.size(); ++at) {
        TscTreeNode* node = order[at];
        if (node == start || !node->Parent || node->Collapsed || node->Changes.isEmpty()) continue;
        TscTreeNode* from = node->Parent->Shown();
        const QPoint a = world.WorldToDevice(from->X, node->Y),
                     b = world.WorldToDevice(node->X, node->Y);
        const int pen_ = BranchPen(from->ShownDepth(), rows);
        // Larger than the branch is thick, or a filled circle vanishes in it.
        const int r = std::max(textHeight / 3, pen_ / 2 + 3);
        const int x0 = a.x() + marker / 2 + 2, x1 = b.x() - marker / 2 - 2;
        const int k = static_cast<int>(node->Changes.size());
        QStringList above, below;
        std::vector<std::pair<int, int>> widths;
        style.Apply(g, c);
        for (int i = 0; i < k; ++i) {
            const QString& text = node->Changes.at(i);
            const qsizetype colon = text.indexOf(QStringLiteral(": "));
            // The character's number is shorter than its name: the list beside
            // the picture has the names.
            above << (i < node->ChangeCharacters.size()
                          ? QString::number(node->ChangeCharacters.at(i))
                          : (colon < 0 ? text : text.left(colon)));
            below << (colon < 0 ? QString() : text.mid(colon + 2));
            widths.emplace_back(c.TextWidth(above.back()), c.TextWidth(below.back()));
        }
        const std::vector<TChangeMarkPlace> marks =
            PlaceChangeMarks(x0, x1, b.y(), r, textHeight, widths, placed, branch[at]);
        if (!marks.empty()) {
            for (int i = 0; i < k; ++i) {
                const TChangeMarkPlace& m = marks[static_cast<size_t>(i)];
                const bool ambiguous =
                    i < node->ChangeAmbiguous.size() && node->ChangeAmbiguous.at(i);
                c.Pen = {Qt::black, 1, TPenKind::Solid};
                c.Brush = {ambiguous ? QColor(Qt::white) : QColor(Qt::black), false};
                c.Ellipse(m.Circle);
                const int cx = (m.Circle.Left + m.Circle.Right) / 2;
                style.TextAlign = TA_CENTER_ | TA_BOTTOM_;
                style.Apply(g, c);
                c.TextOut(cx, m.Circle.Top - 1, above.at(i));
                if (!below.at(i).isEmpty()) {
                    style.TextAlign = TA_CENTER_ | TA_TOP_;
                    style.Apply(g, c);
                    c.TextOut(cx, m.Circle.Bottom + 1, below.at(i));
                }
                placed.Add(m.Circle);
                placed.Add(m.Above);
                placed.Add(m.Below);
            }
            continue;
        }
        // No room for every change: a box with their number, when it fits.
        const QString count = QString::number(k);
        const int w = c.TextWidth(count) + 6, h = std::max(textHeight + 2, pen_ + 4);
        const int cx = (x0 + x1) / 2;
        const TIntRect box{cx - w / 2, b.y() - h / 2, cx - w / 2 + w, b.y() - h / 2 + h};
        if (x1 - x0 < w || placed.CrossesAny(box, branch[at])) continue;
        c.Pen = {Qt::black, 1, TPenKind::Solid};
        c.Brush = {QColor(Qt::white), false};
        c.Rectangle(box);
        style.TextAlign = TA_CENTER_ | TA_TOP_;
        style.Apply(g, c);
        c.TextOut(cx, box.Top + (h - textHeight) / 2, count);
        placed.Add(box);
    }
}
