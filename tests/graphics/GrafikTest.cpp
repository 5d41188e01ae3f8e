// Panels, worlds, styles and the page decoration.
#include <gtest/gtest.h>

#include "RecordingCanvas.h"
#include "graphics/GrfContainer.h"

namespace {

TEST(World, MappingFlipsYAndInverts)
{
    TWorld w;
    w.Rect = {-1, 10, 3, 20};
    w.SetMapping({100, 50, 500, 250});
    EXPECT_EQ(w.WorldToDevice(-1, 10), QPoint(100, 250));
    EXPECT_EQ(w.WorldToDevice(3, 20), QPoint(500, 50));
    EXPECT_EQ(w.WorldToDevice(1, 15), QPoint(300, 150));
    const QPointF back = w.DeviceToWorld(300, 150);
    EXPECT_NEAR(back.x(), 1, 1e-12);
    EXPECT_NEAR(back.y(), 15, 1e-12);
    // Far outside: a fixed point instead of an overflowed integer.
    EXPECT_EQ(w.WorldToDevice(1e12, 15), QPoint(OverflowCoordinate, OverflowCoordinate));
    EXPECT_EQ(w.WorldToDevice(1, -1e15), QPoint(OverflowCoordinate, OverflowCoordinate));
}

TEST(World, ExtentStartsEmptyAndTakesFirstPoint)
{
    TWorld w;
    EXPECT_EQ(w.Rect, (TWorldRect{0, 0, 1, 1}));
    w.ResetExtent();
    EXPECT_TRUE(w.IsEmpty());
    w.Extend(2, 3);
    EXPECT_EQ(w.Rect, (TWorldRect{2, 3, 2, 3}));
    EXPECT_TRUE(w.IsEmpty());
    w.Extend(-1, 5);
    EXPECT_EQ(w.Rect, (TWorldRect{-1, 3, 2, 5}));
    EXPECT_FALSE(w.IsEmpty());
}

// A panel drawing given points, to see both passes.
class TPointsPanel : public TGrafik {
public:
    using TGrafik::TGrafik;
    std::vector<QPointF> Points;
    mutable int DrawCalls = 0;

protected:
    void Draw(TWorldPen& pen) const override
    {
        ++DrawCalls;
        if (Points.empty()) return;
        pen.MoveTo(Points[0].x(), Points[0].y());
        for (const QPointF& p : Points) pen.LineTo(p.x(), p.y());
    }
};

TEST(Grafik, TwoPassesAndEmptyWorld)
{
    TGrfContainer page;
    auto* panel = page.AddChild(std::make_unique<TPointsPanel>());
    panel->SetAutoWorld(true);
    panel->SetRelBounds(0.5, 0, 1, 1);  // right half of the page
    panel->Points = {{0, -0.0001}, {10, 1}, {5, 100}};
    TRecordingCanvas c;
    page.PaintToCanvas(c, {0, 0, 400, 300});
    EXPECT_EQ(panel->DrawCalls, 2);
    EXPECT_EQ(panel->OuterRect(), (TIntRect{200, 0, 400, 300}));
    // A tiny negative minimum is taken as 0.
    EXPECT_EQ(panel->World().Rect, (TWorldRect{0, 0, 10, 100}));
    ASSERT_EQ(c.Lines.size(), 3u);
    EXPECT_EQ(c.Lines[1].To, QPoint(400, 297));
    EXPECT_EQ(c.Lines[2].To, QPoint(300, 0));

    // Nothing measured: the panel is skipped without a word.
    panel->Points.clear();
    TRecordingCanvas empty;
    page.PaintToCanvas(empty, {0, 0, 400, 300});
    EXPECT_FALSE(panel->Shown());
    EXPECT_TRUE(empty.Lines.empty());
    // A plot area of 10 pixels or less is not drawn.
    panel->Points = {{0, 0}, {1, 1}};
    TRecordingCanvas tiny;
    page.PaintToCanvas(tiny, {0, 0, 20, 300});
    EXPECT_TRUE(tiny.Lines.empty());
}

TEST(Grafik, ChildrenBelongToTheirOwner)
{
    auto page = std::make_unique<TGrfContainer>();
    auto* a = page->AddChild(std::make_unique<TPointsPanel>());
    auto* b = a->AddChild(std::make_unique<TPointsPanel>());
    ASSERT_EQ(page->Children().size(), 1u);
    EXPECT_EQ(page->Children()[0].get(), a);
    EXPECT_EQ(&b->RootPanel(), page.get());
    std::unique_ptr<TGrafik> taken = a->RemoveChild(b);
    EXPECT_EQ(taken.get(), b);
    EXPECT_TRUE(a->Children().empty());
    EXPECT_EQ(&b->RootPanel(), b);  // on its own now
    EXPECT_EQ(a->RemoveChild(b), nullptr);
    a->AddChild(std::move(taken));
    page.reset();  // frees a and b without a leak or a double free (sanitizer build)
}

TEST(Styles, PenWidthScalesAbove800Pixels)
{
    TPanelGeometry page;
    TGrfStyle style;
    style.PenWidth = 3;
    page.PenHeight = page.ProportionHeight = 600;
    EXPECT_EQ(style.ScaledPenWidth(page), 1);  // the style pen's own width
    style.Pen.Width = 5;
    EXPECT_EQ(style.ScaledPenWidth(page), 3);
    page.PenHeight = 1600;
    EXPECT_EQ(style.ScaledPenWidth(page), 6);
    style.PenWidth = 0.1;
    EXPECT_EQ(style.ScaledPenWidth(page), 1);
    style.PenWidth = -1;
    EXPECT_EQ(style.ScaledPenWidth(page), 5);

    TFontStyle font;
    font.Size = 0.05;
    font.Angle = 3.14159265358979 / 2;
    TRecordingCanvas c;
    page.ProportionHeight = 600;
    font.Apply(page, c);
    EXPECT_EQ(c.Font.Height, 30);
    EXPECT_NEAR(c.Font.AngleDegrees, 90, 1e-6);
}

TEST(Page, TitleLayoutsKeepRoomAndDrawTheBlock)
{
    TGrfContainer page;
    auto* panel = page.AddChild(std::make_unique<TPointsPanel>());
    panel->SetAutoWorld(true);
    panel->Points = {{0, 0}, {1, 1}};
    page.Title = "My tree";
    page.SubTitleLeft = "left";
    page.SubTitleRight = "right";
    page.TitleLayout = TTitleLayout::Lines;
    TRecordingCanvas c;
    page.PaintToCanvas(c, {0, 0, 1000, 500});
    // A written line is taller than its font: ascent + descent of 30 and 25 pixel fonts.
    auto lineHeight = [&c](int pixels) {
        c.Font.Height = pixels;
        c.Font.Weight = 700;
        return c.TextHeight("Mgy");
    };
    const int titleLine = lineHeight(30), subLine = lineHeight(25);
    EXPECT_GT(titleLine, 30);
    // Title line + subtitle line + round(7.5) from the top; round(20) above the bottom.
    EXPECT_EQ(page.InnerRect(), (TIntRect{0, titleLine + subLine + 8, 1000, 480}));
    ASSERT_TRUE(c.FindText("My tree"));
    EXPECT_EQ(c.FindText("My tree")->At, QPoint(0, 0));
    ASSERT_TRUE(c.FindText("right"));
    EXPECT_EQ(c.FindText("right")->At, QPoint(1000, titleLine + 5));
    EXPECT_EQ(c.FindText("right")->Align & 6, TA_RIGHT_);
    EXPECT_EQ(c.FindText("left")->At, QPoint(0, titleLine + 5));

    page.TitleLayout = TTitleLayout::TitleOnly;
    TRecordingCanvas only;
    page.PaintToCanvas(only, {0, 0, 1000, 500});
    EXPECT_EQ(page.InnerRect(), (TIntRect{0, titleLine + subLine, 1000, 500 - subLine}));
    EXPECT_FALSE(only.FindText("left"));

    // Subtitles with "^" become two lines each.
    page.TitleLayout = TTitleLayout::Lines;
    page.SubTitleLeft = "one^two";
    TRecordingCanvas split;
    page.PaintToCanvas(split, {0, 0, 1000, 500});
    ASSERT_TRUE(split.FindText("one") && split.FindText("two"));
    EXPECT_GT(split.FindText("two")->At.y(), split.FindText("one")->At.y());
    EXPECT_LE(split.FindText("two")->At.y() + split.FindText("two")->Font.Height,
              page.InnerRect().Top + 1);
}

TEST(Page, RemarksColumnAndFrames)
{
    TGrfContainer page;
    auto* panel = page.AddChild(std::make_unique<TPointsPanel>());
    panel->SetAutoWorld(true);
    panel->Points = {{0, 0}, {1, 1}};
    page.Remarks = QStringList{"first remark", "second"};
    TRecordingCanvas without;
    page.PaintToCanvas(without, {0, 0, 1000, 500});
    EXPECT_EQ(page.InnerRect().Right, 1000);
    EXPECT_FALSE(without.FindText("second"));
    page.SetFlag(TGrfFlag::Remarks);
    TRecordingCanvas with;
    page.PaintToCanvas(with, {0, 0, 1000, 500});
    ASSERT_TRUE(with.FindText("second"));
    const int gap = 5;  // round(0.01 × 500)
    EXPECT_EQ(with.FindText("first remark")->At, QPoint(page.InnerRect().Right + gap, 0));
    EXPECT_EQ(with.FindText("second")->At.y(), with.TextHeight("M") + gap);
    EXPECT_LT(page.InnerRect().Right, 1000 - with.TextWidth("first remark"));

    page.SetFrameKind(TFrameKind::RoundRect);
    TRecordingCanvas round;
    page.PaintToCanvas(round, {0, 0, 1000, 500});
    EXPECT_EQ(round.Shapes.front().Kind, 'o');
}

TEST(Page, TextBoxOpensTowardsTheCentreAndStaysInside)
{
    TGrfContainer page;
    TRecordingCanvas c;
    page.PaintToCanvas(c, {0, 0, 800, 600});
    ASSERT_EQ(page.InnerRect(), (TIntRect{0, 0, 800, 600}));
    c.Shapes.clear();
    page.DrawTextBox(c, {"Ident=Node 1", "Code=LR"}, QPoint(700, 500));
    ASSERT_EQ(c.Shapes.size(), 1u);
    const TIntRect box = c.Shapes[0].Rect;
    EXPECT_EQ(box.Right, 700);   // opens to the left
    EXPECT_EQ(box.Bottom, 500);  // and upwards
    c.Shapes.clear();
    page.DrawTextBox(c, {"a very long line that cannot fit into a small plot at this font size"},
                     QPoint(10, 10));
    const TIntRect kept = c.Shapes[0].Rect;
    EXPECT_GE(kept.Left, 5);
    EXPECT_LE(kept.Right, 795);
}

}  // namespace
