#include "graphics/World.h"

#include <cmath>

TAffine TAffine::Inverted() const
{
    const double det = A * E - B * D;
    if (det == 0) return {};
    TAffine r;
    r.A = E / det;
    r.B = -B / det;
    r.D = -D / det;
    r.E = A / det;
    r.C = -(r.A * C + r.B * F);
    r.F = -(r.D * C + r.E * F);
    return r;
}

void TWorld::ResetExtent() { Rect = {1e38, 1e38, -1e38, -1e38}; }

void TWorld::Extend(double x, double y)
{
    if (std::isnan(x) || std::isnan(y)) return;
    if (x < Rect.XMin) Rect.XMin = x;
    if (x > Rect.XMax) Rect.XMax = x;
    if (y < Rect.YMin) Rect.YMin = y;
    if (y > Rect.YMax) Rect.YMax = y;
}

void TWorld::SetMapping(const TIntRect& inner)
{
    const double w = Rect.Width(), h = Rect.Height();
    const double sx = w != 0 ? inner.Width() / w : 0;
    const double sy = h != 0 ? inner.Height() / h : 0;
    ToDevice = {sx, 0, inner.Left - sx * Rect.XMin, 0, -sy, inner.Bottom + sy * Rect.YMin};
    ToWorld = ToDevice.Inverted();
}

QPoint TWorld::WorldToDevice(double x, double y) const
{
    const QPointF p = ToDevice.Map(x, y);
    const double rx = std::round(p.x()), ry = std::round(p.y());
    if (!(std::fabs(rx) <= 2147483647.0) || !(std::fabs(ry) <= 2147483647.0))
        return {OverflowCoordinate, OverflowCoordinate};
    return {static_cast<int>(rx), static_cast<int>(ry)};
}
