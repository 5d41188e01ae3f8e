#include "graphics/GrfObj.h"

#include "graphics/Grafik.h"
#include "graphics/GrfStyle.h"

TIntRect TGrfObj::DeviceBounds() const
{
    if (!Owner) return {};
    const QPoint a = Owner->World.WorldToDevice(WRect.XMin, WRect.YMax);
    const QPoint b = Owner->World.WorldToDevice(WRect.XMax, WRect.YMin);
    return {a.x(), a.y(), b.x(), b.y()};
}

bool TGrfObj::StepBlink()
{
    if (BlinkCount > 0) --BlinkCount;
    return BlinkCount > 0;
}

void TGrfObj::ResetExtent()
{
    if (!Owner) return;
    Owner->World.Extend(WRect.XMin, WRect.YMin);
    Owner->World.Extend(WRect.XMax, WRect.YMax);
}

TSimpleDot::TSimpleDot(TDotStyle* style, double x, double y) : TGrfObj(style) { SetPos(x, y); }

TIntRect TSimpleDot::DeviceBounds() const
{
    auto* dot = dynamic_cast<TDotStyle*>(Style);
    if (!Owner || !dot) return TGrfObj::DeviceBounds();
    return dot->MarkerRect(*Owner, Owner->World.WorldToDevice(X(), Y()));
}

void TSimpleDot::Draw(TCanvas& canvas)
{
    auto* dot = dynamic_cast<TDotStyle*>(Style);
    if (!Owner || !dot) return;
    dot->DrawMarker(*Owner, canvas, Owner->World.WorldToDevice(X(), Y()));
}

TDotObject::TDotObject(TDotStyle* style, double x, double y, const QString& text)
    : TSimpleDot(style, x, y), Text(text)
{
}

void TDotObject::Draw(TCanvas& canvas)
{
    TSimpleDot::Draw(canvas);
    if (!Owner) return;
    const TIntRect r = DeviceBounds();
    Owner->DefaultFont.Apply(*Owner, canvas);
    canvas.TextAlign = TA_LEFT_ | TA_TOP_;
    canvas.TextOut(r.Right + 2, r.Top, GetText());
}
