#include "graphics/GrfContainer.h"

#include <algorithm>
#include <cmath>

static int RoundI(double v) { return static_cast<int>(std::lround(v)); }

TGrfContainer::TGrfContainer()
{
    TitleFont.Size = 0.06;
    TitleFont.Weight = 700;
    TitleFont.PenWidth = 3;
    TitleFont.Pen.Width = 3;
    SubTitleFont.Size = 0.05;
    SubTitleFont.Weight = 700;
    SubTitleFont.PenWidth = 1;
    RemarksStyle.Font.Face = QStringLiteral("Arial");
    RemarksStyle.Size = 0.03;
    LegendStyle.Size = 0.04;
    Background.Brush = {QColor(Qt::white), false};
    Background.Pen = {QColor(Qt::black), 1, TPenKind::Solid};
}

int TGrfContainer::TitleHeight(TCanvas& canvas, const TPanelGeometry& g) const
{
    return LineHeight(canvas, g, TitleFont);
}

int TGrfContainer::SubTitleHeight(TCanvas& canvas, const TPanelGeometry& g) const
{
    return LineHeight(canvas, g, SubTitleFont);
}

int TGrfContainer::LineHeight(TCanvas& c, const TPanelGeometry& g, const TFontStyle& style) const
{
    // The font height is the em size; a written line also needs the room of
    // the accents above it and the descenders of "g", "y" and "p" below it.
    const int emHeight = style.FontHeight(g);
    const TCanvasFont keep = c.Font;
    c.Font = style.Font;
    c.Font.Height = emHeight;
    c.Font.Weight = style.Weight;
    const int line = c.TextHeight(QStringLiteral("Mgy"));
    c.Font = keep;
    return std::max(emHeight, line);
}

TIntRect TGrfContainer::InnerRectFor(TCanvas& canvas, const TPanelGeometry& g) const
{
    TIntRect inner = TGrafik::InnerRectFor(canvas, g);
    const TIntRect& o = g.Outer;
    const int h = g.ProportionHeight;
    if (TitleLayout == TTitleLayout::Lines) {
        inner.Top = o.Top + TitleHeight(canvas, g) + SubTitleHeight(canvas, g) + RoundI(0.015 * h);
        inner.Bottom = std::min(inner.Bottom, o.Bottom - RoundI(0.04 * h));
    } else if (TitleLayout == TTitleLayout::TitleOnly) {
        inner.Top = o.Top + TitleHeight(canvas, g) + SubTitleHeight(canvas, g);
        inner.Bottom = std::min(inner.Bottom, o.Bottom - SubTitleHeight(canvas, g));
    }
    return inner;
}

bool TGrfContainer::Titled() const
{
    return TitleLayout == TTitleLayout::Lines || TitleLayout == TTitleLayout::TitleOnly;
}

TGrfStyle TGrfContainer::BackgroundStyle() const
{
    // The title block has its own lines: no outline round the page then.
    TGrfStyle style = Background;
    if (Titled()) style.Pen.Kind = TPenKind::Clear;
    return style;
}

void TGrfContainer::DrawDecoration(TCanvas& c, const TPanelLayout& layout) const
{
    TGrafik::DrawDecoration(c, layout);
    if (Titled()) DrawTitleBlock(c, layout.Geometry);
}

void TGrfContainer::DrawTitleBlock(TCanvas& c, const TPanelGeometry& g) const
{
    const TIntRect& o = g.Outer;
    const int h = g.ProportionHeight;
    // Frame round the plot area.
    SubTitleFont.Apply(g, c);
    c.Brush.Clear = true;
    c.Rectangle(g.Inner);
    // Title at the top left, a line below it and one at the page's bottom edge.
    TitleFont.Apply(g, c);
    c.TextAlign = TA_LEFT_ | TA_TOP_;
    c.TextOut(o.Left, o.Top, Title);
    const int titleH = TitleHeight(c, g);
    const int half = c.Pen.Width / 2;
    // The rule's upper edge lies at the title's height, below the descenders.
    c.MoveTo(o.Left, o.Top + titleH + half);
    c.LineTo(o.Right, o.Top + titleH + half);
    c.MoveTo(o.Left, o.Bottom - half);
    c.LineTo(o.Right, o.Bottom - half);
    // On small pages the gap would be thinner than the rule itself.
    const int gap = std::max(static_cast<int>(0.01 * h), c.Pen.Width);
    if (TitleLayout == TTitleLayout::Lines) DrawSubtitles(c, g, o.Top + titleH + gap, g.Inner.Top);
}

void TGrfContainer::DrawSubtitles(TCanvas& c, const TPanelGeometry& g, int bandTop,
                                  int bandBottom) const
{
    const TIntRect& o = g.Outer;
    SubTitleFont.Apply(g, c);
    const int fullHeight = c.Font.Height;
    // Two lines in the band: a font that fits twice into it.
    auto twoLines = [&](const QString& first, const QString& second, int align, int x) {
        const int band = bandBottom - bandTop;
        c.Font.Height = std::max(1, std::min(fullHeight, band / 2));
        // Whole lines, descenders included, one below the other.
        while (c.Font.Height > 1 && 2 * c.TextHeight(QStringLiteral("Mgy")) > band) --c.Font.Height;
        const int step = c.TextHeight(QStringLiteral("Mgy"));
        c.TextAlign = align | TA_TOP_;
        c.TextOut(x, bandTop, first);
        c.TextOut(x, bandTop + step, second);
    };
    if (SubTitleLeft.contains(u'^') || SubTitleRight.contains(u'^')) {
        const int l = SubTitleLeft.indexOf(u'^'), r = SubTitleRight.indexOf(u'^');
        twoLines(l < 0 ? SubTitleLeft : SubTitleLeft.left(l),
                 l < 0 ? QString() : SubTitleLeft.mid(l + 1), TA_LEFT_, o.Left);
        twoLines(r < 0 ? SubTitleRight : SubTitleRight.left(r),
                 r < 0 ? QString() : SubTitleRight.mid(r + 1), TA_RIGHT_, o.Right);
        return;
    }
    const int together = c.TextWidth(SubTitleLeft) + c.TextWidth(SubTitleRight);
    if (together <= 0.9 * o.Width()) {
        c.TextAlign = TA_LEFT_ | TA_TOP_;
        c.TextOut(o.Left, bandTop, SubTitleLeft);
        c.TextAlign = TA_RIGHT_ | TA_TOP_;
        c.TextOut(o.Right, bandTop, SubTitleRight);
    } else {
        twoLines(SubTitleLeft, SubTitleRight, TA_LEFT_, o.Left);
    }
}
