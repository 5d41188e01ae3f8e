// Layout and drawing of the tree panel on a page.
#include <gtest/gtest.h>

#include <QPainter>
#include <algorithm>
#include <utility>

#include "RecordingCanvas.h"
#include "TreeBuilders.h"
#include "graphics/GrfContainer.h"
#include "graphics/GrfRender.h"
#include "graphics/TreeLayout.h"
#include "graphics/TreePage.h"
#include "tests/support/PixelCounts.h"

namespace {

struct TTreePage {
    TGrfContainer Page;
    TadaTreeGrf* Panel;
    TadaTreeNodes Nodes;
    explicit TTreePage(int leaves = 10)
    {
        Panel = Page.AddChild(std::make_unique<TadaTreeGrf>());
        if (leaves > 0) BuildRandom(Nodes, leaves, 7);
        Panel->TreeNodes = &Nodes;
        Panel->ZoomRoot = Nodes.Root;
        Panel->RebuildMarkers();
    }
    TRecordingCanvas Draw(int w, int h)
    {
        TRecordingCanvas c;
        Page.PaintToCanvas(c, {0, 0, w - 1, h - 1});
        return c;
    }
};

TEST(TreeLayout, LeavesInOrderInnerNodesMidway)
{
    TadaTreeNodes nodes;
    BuildCaterpillar(nodes, 4);
    nodes.Item(2)->Length = 0;  // T3
    LayoutY(nodes, nodes.Root);
    LayoutX(nodes.Root);
    EXPECT_EQ(nodes.Item(0)->Y, 0);
    EXPECT_EQ(nodes.Item(1)->Y, 1);
    EXPECT_EQ(nodes.Item(2)->Y, 2);
    EXPECT_EQ(nodes.Item(3)->Y, 3);
    EXPECT_EQ(nodes.Item(4)->Y, 0.5);   // Node 1
    EXPECT_EQ(nodes.Item(5)->Y, 1.25);  // Node 2
    EXPECT_EQ(nodes.Root->Y, 2.125);
    // A zero-length branch is drawn 0.005 long.
    EXPECT_NEAR(nodes.Item(2)->X - nodes.Item(5)->X, 0.005, 1e-12);
    EXPECT_DOUBLE_EQ(nodes.Item(3)->X, 1.005);
}

TEST(TreeDraw, FewerThanThreeNodesDrawNothing)
{
    TTreePage t(0);
    auto* a = t.Nodes.Add();
    auto* r = t.Nodes.Add();
    SetLeft(r, a);
    t.Nodes.Root = r;
    TRecordingCanvas c = t.Draw(725, 625);
    EXPECT_FALSE(t.Panel->Shown());
    EXPECT_TRUE(c.Lines.empty());
    EXPECT_TRUE(c.Texts.empty());
    TTreePage none(0);
    none.Panel->TreeNodes = nullptr;
    EXPECT_TRUE(none.Draw(725, 625).Lines.empty());
}

TEST(TreeDraw, SizesFollowLeafCount)
{
    TTreePage forty(40);
    forty.Draw(725, 625);
    EXPECT_DOUBLE_EQ(forty.Panel->LabelStyle().Size, 1.0 / 40);
    EXPECT_DOUBLE_EQ(forty.Panel->LeaveStyle().Size, 1.0 / 48);
    EXPECT_DOUBLE_EQ(forty.Panel->HalfDot, 1.0 / 96);
    TTreePage ten(10);
    ten.Draw(725, 625);
    EXPECT_DOUBLE_EQ(ten.Panel->LabelStyle().Size, 0.025);
    EXPECT_DOUBLE_EQ(ten.Panel->NodeStyle().Size, 0.05);
    // Zoomed to a subtree the sizes follow the subtree's leaves.
    ten.Panel->ZoomRoot =
        ten.Nodes.Root->Left->IsLeaf() ? ten.Nodes.Root->Right : ten.Nodes.Root->Left;
    ten.Panel->RebuildMarkers();
    const int k = ten.Panel->ZoomRoot->LeafCount();
    ten.Draw(725, 625);
    EXPECT_DOUBLE_EQ(ten.Panel->LeaveStyle().Size, std::min(0.05, 1 / (1.2 * k)));
    EXPECT_EQ(static_cast<int>(ten.Panel->GrfObjects().size()), 2 * k - 1);
}

TEST(TreeDraw, ProportionalAtTwoSizes)
{
    TTreePage t(12);
    const TRecordingCanvas small = t.Draw(725, 625);
    const TRecordingCanvas large = t.Draw(1280, 1024);
    ASSERT_GT(small.Lines.size(), 20u);
    ASSERT_EQ(small.Lines.size(), large.Lines.size());
    ASSERT_EQ(small.Texts.size(), large.Texts.size());
    ASSERT_EQ(small.Shapes.size(), large.Shapes.size());
    auto near = [](int a, double sa, int b, double sb) {
        return std::abs(a / sa - b / sb) < 0.004;
    };
    for (size_t i = 0; i < small.Lines.size(); ++i) {
        const auto &s = small.Lines[i], &l = large.Lines[i];
        EXPECT_TRUE(near(s.To.x(), 724, l.To.x(), 1279) && near(s.To.y(), 624, l.To.y(), 1023))
            << "line " << i;
    }
    for (size_t i = 0; i < small.Texts.size(); ++i) {
        EXPECT_EQ(small.Texts[i].Text, large.Texts[i].Text);
        EXPECT_NEAR(small.Texts[i].Font.Height / 624.0, large.Texts[i].Font.Height / 1023.0,
                    0.0015);
        EXPECT_TRUE(near(small.Texts[i].At.y(), 624, large.Texts[i].At.y(), 1023))
            << small.Texts[i].Text.toStdString();
    }
    for (size_t i = 0; i < small.Shapes.size(); ++i)
        EXPECT_NEAR(small.Shapes[i].Rect.Height() / 624.0, large.Shapes[i].Rect.Height() / 1023.0,
                    0.003);
}

TEST(TreeDraw, RightAdjustedLabelsEndAtTheEdgeWithLeaders)
{
    TTreePage t(10);
    TRecordingCanvas right = t.Draw(725, 625);
    auto dotted = [](const TRecordingCanvas& c) {
        return std::count_if(c.Lines.begin(), c.Lines.end(),
                             [](auto& l) { return l.Pen.Kind == TPenKind::Dot; });
    };
    EXPECT_EQ(dotted(right), 10);
    const TIntRect plot = t.Panel->InnerRect();
    for (const auto& text : right.Texts) {
        const int end = text.At.x() +
                        qRound(QFontMetricsF(CanvasQFont(text.Font)).horizontalAdvance(text.Text));
        EXPECT_NEAR(end, plot.Right - 0.01 * plot.Width(), 2) << text.Text.toStdString();
    }
    t.Panel->DrawAtRight = false;
    TRecordingCanvas beside = t.Draw(725, 625);
    EXPECT_EQ(dotted(beside), 0);
    // Each label starts just right of its tip.
    for (int i = 0; i < t.Nodes.Count(); ++i) {
        TscTreeNode* n = t.Nodes.Item(i);
        if (!n->IsLeaf()) continue;
        const TRecordedText* text = beside.FindText(n->Label);
        ASSERT_TRUE(text);
        const QPoint tip = t.Panel->World().WorldToDevice(n->X, n->Y);
        EXPECT_GT(text->At.x(), tip.x());
        EXPECT_LT(text->At.x(), tip.x() + 40);
        EXPECT_LT(text->At.y(), tip.y());  // hangs half a font height above the line
    }
}

TEST(TreeDraw, PenWidthFollowsDepthAndSwapTwiceRestoresPicture)
{
    TTreePage t(10);
    const TRecordingCanvas before = t.Draw(725, 625);
    EXPECT_EQ(before.Lines.front().Pen.Width, 8);  // the root's elbow
    int thinnest = 99;
    for (const auto& l : before.Lines)
        if (l.Pen.Kind == TPenKind::Solid) thinnest = std::min(thinnest, l.Pen.Width);
    EXPECT_GE(thinnest, 3);
    t.Nodes.Swap(t.Nodes.Root);
    const TRecordingCanvas swapped = t.Draw(725, 625);
    t.Nodes.Swap(t.Nodes.Root);
    const TRecordingCanvas again = t.Draw(725, 625);
    auto ys = [](const TRecordingCanvas& c) {
        std::vector<int> v;
        for (const auto& x : c.Texts) v.push_back(x.At.y());
        return v;
    };
    auto labels = [](const TRecordingCanvas& c) {
        QStringList v;
        for (const auto& x : c.Texts) v << x.Text;
        return v;
    };
    EXPECT_NE(labels(swapped), labels(before));
    EXPECT_EQ(labels(again), labels(before));
    EXPECT_EQ(ys(again), ys(before));
    ASSERT_EQ(again.Lines.size(), before.Lines.size());
    for (size_t i = 0; i < before.Lines.size(); ++i)
        EXPECT_EQ(again.Lines[i].To, before.Lines[i].To);
}

TEST(TreeDraw, CaterpillarOf255LeavesDraws)
{
    TTreePage t(0);
    BuildCaterpillar(t.Nodes, 255, 0.1);
    t.Panel->ZoomRoot = t.Nodes.Root;
    t.Panel->RebuildMarkers();
    const TRecordingCanvas c = t.Draw(1280, 1024);
    EXPECT_EQ(c.Texts.size(), 255u);
    EXPECT_EQ(t.Panel->GrfObjects().size(), 509u);
}

TEST(TreeMouse, ClickOnMarkerSelectsAndShowsInfo)
{
    TTreePage t(10);
    t.Draw(725, 625);
    TscTreeNode* picked = nullptr;
    t.Panel->OnSelect = [&](TadaArtDot* dot) { picked = dot->Node; };
    TscTreeNode* target = t.Nodes.Root->Left;
    const QPoint p = t.Panel->World().WorldToDevice(target->X, target->Y);
    t.Page.MouseDown({p.x(), p.y(), TMouseButton::Left});
    EXPECT_EQ(picked, target);
    const QStringList lines = t.Page.TextBoxLines();
    ASSERT_EQ(lines.size(), 5);
    EXPECT_EQ(lines[0], "Ident=" + target->Ident);
    EXPECT_EQ(lines[1], "Code=L");
    EXPECT_EQ(lines[2], QStringLiteral("Leaves=%1").arg(target->LeafCount()));
    EXPECT_EQ(lines[3], "Length=" + FormatNodeLength(target->Length));
    EXPECT_EQ(lines[4], "");
    t.Page.MouseUp({p.x(), p.y(), TMouseButton::Left});
    EXPECT_TRUE(t.Page.TextBoxLines().isEmpty());
    EXPECT_FALSE(t.Panel->HighlightShown());  // a plain click highlights nothing

    // A right click selects without the box.
    picked = nullptr;
    t.Page.MouseDown({p.x(), p.y(), TMouseButton::Right});
    EXPECT_EQ(picked, target);
    EXPECT_TRUE(t.Page.TextBoxLines().isEmpty());
    t.Page.MouseUp({p.x(), p.y(), TMouseButton::Right});
    // Far from every marker nothing is selected.
    picked = nullptr;
    t.Page.MouseDown({3, 3, TMouseButton::Right});
    EXPECT_EQ(picked, nullptr);
}

TEST(TreeMouse, DragRectangleHighlightsWhenLargeEnough)
{
    struct THost : TGrfHost {
        int Repaints = 0;
        void RequestRepaint() override { ++Repaints; }
    } host;
    TTreePage t(10);
    t.Page.SetHost(&host);
    t.Draw(725, 625);
    t.Page.MouseDown({100, 100, TMouseButton::Left});
    EXPECT_TRUE(t.Page.Dragging());
    t.Page.MouseMove({300, 250, TMouseButton::Left});
    EXPECT_EQ(t.Page.DragRect(), (TIntRect{100, 100, 300, 250}));
    EXPECT_GT(host.Repaints, 0);
    t.Page.MouseUp({300, 250, TMouseButton::Left});
    EXPECT_FALSE(t.Page.Dragging());
    ASSERT_TRUE(t.Panel->HighlightShown());
    const QPointF corner = t.Panel->World().DeviceToWorld(100, 250);
    EXPECT_NEAR(t.Panel->HighlightRect().XMin, corner.x(), 1e-9);
    EXPECT_NEAR(t.Panel->HighlightRect().YMin, corner.y(), 1e-9);
    // The highlight is filled silver behind the tree at every paint.
    TRecordingCanvas c = t.Draw(725, 625);
    const bool filled = std::any_of(c.Shapes.begin(), c.Shapes.end(), [](auto& s) {
        return s.Kind == 'f' && s.Brush.Color == QColor(0xC0, 0xC0, 0xC0);
    });
    EXPECT_TRUE(filled);
    // A tiny rectangle removes it.
    t.Page.MouseDown({100, 100, TMouseButton::Left});
    t.Page.MouseUp({102, 101, TMouseButton::Left});
    EXPECT_FALSE(t.Panel->HighlightShown());
}

}  // namespace

namespace {
QImage PaintOnScreen(TGrafik& page, bool throughBitmap = false)
{
    QImage image(725, 625, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    page.PaintInto(painter, image.size(), throughBitmap);
    return image;
}

TEST(TreeScreen, InfoBoxWhileHeldAndDragOutline)
{
    TTreePage t(10);
    const QImage plain = PaintOnScreen(t.Page);
    EXPECT_EQ(CountColour(plain, qRgb(255, 255, 0)), 0);
    EXPECT_GT(CountColour(plain, qRgb(0, 255, 255)), 100);  // node markers
    TscTreeNode* target = t.Nodes.Root->Right;
    const QPoint p = t.Panel->World().WorldToDevice(target->X, target->Y);
    t.Page.MouseDown({p.x(), p.y(), TMouseButton::Left});
    const QImage held = PaintOnScreen(t.Page);
    EXPECT_GT(CountColour(held, qRgb(255, 255, 0)), 1000);  // the yellow box
    if (const QString dir = qEnvironmentVariable("VARNO_DUMP_DIR"); !dir.isEmpty())
        held.save(dir + "/screen-infobox.png");
    t.Page.MouseMove({p.x() + 120, p.y() + 90, TMouseButton::Left});
    const QImage dragging = PaintOnScreen(t.Page);
    // The outline's bottom edge: black pixels along the dragged rectangle.
    int black = 0;
    for (int x = p.x() + 5; x < p.x() + 115; ++x)
        black += qGray(dragging.pixel(x, p.y() + 90)) < 40;
    EXPECT_GT(black, 100);
    t.Page.MouseUp({p.x() + 120, p.y() + 90, TMouseButton::Left});
    const QImage after = PaintOnScreen(t.Page, true);
    EXPECT_EQ(CountColour(after, qRgb(255, 255, 0)), 0);
    EXPECT_GT(CountColour(after, qRgb(0xC0, 0xC0, 0xC0)), 120 * 90 / 2);  // highlighted region
    if (const QString dir = qEnvironmentVariable("VARNO_DUMP_DIR"); !dir.isEmpty())
        after.save(dir + "/screen-highlight.png");
}
}  // namespace

namespace {
// A name too long for the room right of its tip is not written over the tree.
TEST(TreeDraw, OverlongRightAdjustedLabelStartsAtItsTip)
{
    TTreePage t(10);
    TscTreeNode* leaf = t.Nodes.Item(4);
    leaf->Label = QString(255, u'W');
    TRecordingCanvas c = t.Draw(725, 625);
    const TRecordedText* text = c.FindText(leaf->Label);
    ASSERT_TRUE(text);
    EXPECT_GT(text->At.x(), t.Panel->World().WorldToDevice(leaf->X, leaf->Y).x());
    const auto dotted = std::count_if(c.Lines.begin(), c.Lines.end(),
                                      [](auto& l) { return l.Pen.Kind == TPenKind::Dot; });
    EXPECT_EQ(dotted, 9);
}
}  // namespace

namespace {
// Laying out and rendering apart: files drawn from a page leave the screen's layout alone.
TEST(PanelLayouts, RenderingElsewhereKeepsTheScreenLayout)
{
    TTreePage t(12);
    const TRecordingCanvas screen = t.Draw(725, 625);
    const TIntRect outer = t.Panel->OuterRect(), inner = t.Panel->InnerRect();
    const TWorld world = t.Panel->World();
    TscTreeNode* target = t.Nodes.Root->Left;
    const QPoint p = world.WorldToDevice(target->X, target->Y);

    // A picture of another size through the file writers, the off-screen image and the
    // readable height: all lay the page out apart.
    const TResult<QByteArray> png = RenderPicture(t.Page, TPictureFormat::Png, 1600, 300);
    ASSERT_TRUE(png) << png.Error().toStdString();
    EXPECT_FALSE(png->isEmpty());
    EXPECT_EQ(t.Page.RenderImage(300, 1600).height(), 1600);
    t.Panel->MinLabelPixels = 20;
    EXPECT_GT(ReadableHeight(t.Page, 500, 200), 200);
    EXPECT_EQ(t.Panel->OuterRect(), outer);
    EXPECT_EQ(t.Panel->InnerRect(), inner);
    EXPECT_EQ(t.Panel->World().Rect, world.Rect);
    EXPECT_EQ(t.Panel->World().WorldToDevice(target->X, target->Y), p);

    // The mouse still finds the marker where the screen shows it.
    TscTreeNode* picked = nullptr;
    t.Panel->OnSelect = [&](TadaArtDot* dot) { picked = dot->Node; };
    t.Page.MouseDown({p.x(), p.y(), TMouseButton::Right});
    EXPECT_EQ(picked, target);
    t.Page.MouseUp({p.x(), p.y(), TMouseButton::Right});

    // A layout of its own draws what a paint at that size draws, and keeps nothing.
    t.Panel->MinLabelPixels = 0;
    TRecordingCanvas apart;
    const TPanelLayouts layout = t.Page.LayOut(apart, {0, 0, 724, 624}, 0);
    std::as_const(t.Page).Render(apart, layout);
    ASSERT_EQ(apart.Texts.size(), screen.Texts.size());
    for (size_t i = 0; i < apart.Texts.size(); ++i) {
        EXPECT_EQ(apart.Texts[i].At, screen.Texts[i].At) << i;
        EXPECT_EQ(apart.Texts[i].Font, screen.Texts[i].Font) << i;
    }
    ASSERT_EQ(apart.Lines.size(), screen.Lines.size());
    for (size_t i = 0; i < apart.Lines.size(); ++i)
        EXPECT_EQ(apart.Lines[i].To, screen.Lines[i].To);
    EXPECT_EQ(apart.Shapes.size(), screen.Shapes.size());
    EXPECT_EQ(layout.Of(*t.Panel).Geometry.Inner, inner);
    // A panel not laid out has a blank layout.
    TTreePage other(5);
    EXPECT_FALSE(layout.Of(*other.Panel).Shown);
}

// A file drawn right after the tree changed shows the new tree: rebuilding the
// markers prepares the panel, no screen paint is needed in between.
TEST(PanelLayouts, RebuiltMarkersPrepareTheFileDrawing)
{
    TTreePage t(8);
    t.Draw(725, 625);
    t.Nodes.Swap(t.Nodes.Root);
    t.Panel->RebuildMarkers();
    TRecordingCanvas c;
    std::as_const(t.Page).Render(c, t.Page.LayOut(c, {0, 0, 724, 624}, 0));
    // From the bottom (world y grows upwards), the leaves in the swapped tree's order.
    std::vector<std::pair<int, QString>> drawn;
    for (const TRecordedText& text : c.Texts) drawn.push_back({-text.At.y(), text.Text});
    std::sort(drawn.begin(), drawn.end());
    QStringList expected, seen;
    for (TscTreeNode* n : PreOrder(t.Nodes.Root))
        if (n->IsLeaf()) expected << n->Label;
    for (const auto& d : drawn) seen << d.second;
    EXPECT_EQ(seen, expected);
}

// A panel taken out of the page takes the page's mouse state on it along.
TEST(PanelLayouts, RemovedPanelLeavesNoTextBoxBehind)
{
    TTreePage t(6);
    PaintOnScreen(t.Page);
    TscTreeNode* target = t.Nodes.Root->Left;
    const QPoint p = t.Panel->World().WorldToDevice(target->X, target->Y);
    t.Page.MouseDown({p.x(), p.y(), TMouseButton::Left});
    ASSERT_FALSE(t.Page.TextBoxLines().isEmpty());
    std::unique_ptr<TGrafik> gone = t.Page.RemoveChild(t.Panel);
    ASSERT_TRUE(gone);
    gone.reset();
    // Neither the box nor the release may reach the freed panel (sanitizer build).
    const QImage after = PaintOnScreen(t.Page);
    EXPECT_EQ(CountColour(after, qRgb(255, 255, 0)), 0);
    t.Page.MouseUp({p.x(), p.y(), TMouseButton::Left});
    EXPECT_TRUE(t.Page.Children().empty());
}
}  // namespace
