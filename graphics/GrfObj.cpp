#include "graphics/GrfObj.h"

#include "graphics/Grafik.h"
#include "graphics/GrfStyle.h"

TIntRect TGrfObj::DeviceBounds() const
{
    if (!Owner) return {};
    return DeviceBounds(Owner->CurrentLayout());
}

TIntRect TGrfObj::DeviceBounds(const TPanelLayout& layout) const
{
    const QPoint a = layout.World.WorldToDevice(WRect.XMin, WRect.YMax);
    const QPoint b = layout.World.WorldToDevice(WRect.XMax, WRect.YMin);
    return {a.x(), a.y(), b.x(), b.y()};
}

bool TGrfObj::StepBlink()
{
    if (BlinkCount > 0) --BlinkCount;
    return BlinkCount > 0;
}

TSimpleDot::TSimpleDot(TDotStyle* style, double x, double y) : TGrfObj(style) { SetPos(x, y); }

TIntRect TSimpleDot::DeviceBounds(const TPanelLayout& layout) const
{
    auto* dot = dynamic_cast<const TDotStyle*>(Style);
    if (!dot) return TGrfObj::DeviceBounds(layout);
    return dot->MarkerRect(layout.Geometry, layout.World.WorldToDevice(X(), Y()));
}

void TSimpleDot::Draw(TCanvas& canvas, const TPanelLayout& layout) const
{
    auto* dot = dynamic_cast<const TDotStyle*>(Style);
    if (!dot) return;
    dot->DrawMarker(layout.Geometry, canvas, layout.World.WorldToDevice(X(), Y()));
}

TDotObject::TDotObject(TDotStyle* style, double x, double y, const QString& text)
    : TSimpleDot(style, x, y), Text(text)
{
}

void TDotObject::Draw(TCanvas& canvas, const TPanelLayout& layout) const
{
    TSimpleDot::Draw(canvas, layout);
    if (!Owner) return;
    const TIntRect r = DeviceBounds(layout);
    Owner->DefaultFont.Apply(layout.Geometry, canvas);
    canvas.TextAlign = TA_LEFT_ | TA_TOP_;
    canvas.TextOut(r.Right + 2, r.Top, GetText());
}
