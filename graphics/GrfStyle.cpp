#include "graphics/GrfStyle.h"

#include <algorithm>
#include <cmath>

TGrfStyle::TGrfStyle() { Brush.Clear = false; }

void TGrfStyle::Assign(const TGrfStyle& o)
{
    StyleName = o.StyleName;
    Brush = o.Brush;
    Pen = o.Pen;
    PenWidth = o.PenWidth;
    Font = o.Font;
    TextAlign = o.TextAlign;
    LegendKind = o.LegendKind;
    Options = o.Options;
}

int TGrfStyle::ScaledPenWidth(const TPanelGeometry& panel) const
{
    if (PenWidth < 0) return Pen.Width;
    const int rootHeight = panel.PenHeight;
    // Thick lines would swamp a small window; large pictures scale them up.
    if (rootHeight <= 800) return std::min(Pen.Width, static_cast<int>(std::lround(PenWidth)));
    return std::max(1, static_cast<int>(std::lround(rootHeight / 800.0 * PenWidth)));
}

void TGrfStyle::Apply(const TPanelGeometry& panel, TCanvas& canvas) const
{
    canvas.Pen = Pen;
    canvas.Pen.Width = ScaledPenWidth(panel);
    canvas.Brush = Brush;
    canvas.Font = Font;
    canvas.TextAlign = TextAlign;
}

TFontStyle::TFontStyle() { Brush.Clear = true; }

void TFontStyle::Assign(const TGrfStyle& o)
{
    TGrfStyle::Assign(o);
    if (auto* f = dynamic_cast<const TFontStyle*>(&o)) {
        Size = f->Size;
        MinHeight = f->MinHeight;
        Weight = f->Weight;
        Angle = f->Angle;
    }
}

int TFontStyle::FontHeight(const TPanelGeometry& panel) const
{
    return std::max(MinHeight, static_cast<int>(std::lround(panel.ProportionHeight * Size)));
}

void TFontStyle::Apply(const TPanelGeometry& panel, TCanvas& canvas) const
{
    TGrfStyle::Apply(panel, canvas);
    canvas.Font.Height = FontHeight(panel);
    canvas.Font.Weight = Weight;
    canvas.Font.AngleDegrees = Angle * 57.29577951308232;
}

TDotStyle::TDotStyle() { LegendKind = 2; }

void TDotStyle::Assign(const TGrfStyle& o)
{
    TGrfStyle::Assign(o);
    if (auto* d = dynamic_cast<const TDotStyle*>(&o)) {
        Size = d->Size;
        Shape = d->Shape;
    }
}

void TDotStyle::Apply(const TPanelGeometry& panel, TCanvas& canvas) const
{
    TGrfStyle::Apply(panel, canvas);
    canvas.Pen.Width = 1;
}

int TDotStyle::Diameter(const TPanelGeometry& panel) const
{
    return static_cast<int>(std::lround(panel.Inner.Height() * Size));
}

TIntRect TDotStyle::MarkerRect(const TPanelGeometry& panel, QPoint p) const
{
    const int d = Diameter(panel);
    const int l = p.x() - d / 2, t = p.y() - d / 2;
    return {l, t, l + d, t + d};
}

void TDotStyle::DrawMarker(const TPanelGeometry& panel, TCanvas& canvas, QPoint p) const
{
    Apply(panel, canvas);
    const TIntRect r = MarkerRect(panel, p);
    const int cx = (r.Left + r.Right) / 2, cy = (r.Top + r.Bottom) / 2;
    switch (Shape) {
        case TDotShape::Triangle:
            canvas.Polygon({{r.Left, r.Bottom}, {r.Right, r.Bottom}, {cx, r.Top}});
            break;
        case TDotShape::Cross: {
            const TCanvasPen keep = canvas.Pen;
            canvas.Pen.Color = Brush.Color;
            canvas.MoveTo(r.Left, r.Top);
            canvas.LineTo(r.Right, r.Bottom);
            canvas.MoveTo(r.Left, r.Bottom);
            canvas.LineTo(r.Right, r.Top);
            canvas.Pen = keep;
            break;
        }
        case TDotShape::Diamond:
            canvas.Polygon({{cx, r.Top}, {r.Right, cy}, {cx, r.Bottom}, {r.Left, cy}});
            break;
        case TDotShape::Ellipse:
            canvas.Ellipse(r);
            break;
        case TDotShape::Rectangle:
            canvas.Rectangle(r);
            break;
    }
}
