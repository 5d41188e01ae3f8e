#pragma once
// The world rectangle of a panel and its mapping to device pixels.
// World y grows upwards; device y grows downwards.
#include <QPointF>

#include "graphics/Canvas.h"

struct TWorldRect {
    double XMin = 0, YMin = 0, XMax = 1, YMax = 1;
    double Width() const { return XMax - XMin; }
    double Height() const { return YMax - YMin; }
    bool operator==(const TWorldRect&) const = default;
};

// x' = A·x + B·y + C, y' = D·x + E·y + F
struct TAffine {
    double A = 1, B = 0, C = 0, D = 0, E = 1, F = 0;
    QPointF Map(double x, double y) const { return {A * x + B * y + C, D * x + E * y + F}; }
    TAffine Inverted() const;
};

// Device point given for world points whose mapping leaves the integer range.
constexpr int OverflowCoordinate = 1073741823;

class TWorld {
public:
    TWorldRect Rect;  // (0, 0, 1, 1) for a new world
    TAffine ToDevice, ToWorld;

    // An empty extent, so that the first Extend takes the first point.
    void ResetExtent();
    void Extend(double x, double y);
    bool IsEmpty() const { return !(Rect.Width() > 1e-20 && Rect.Height() > 1e-20); }
    // Maps Rect onto the device rectangle (y flipped).
    void SetMapping(const TIntRect& inner);
    QPoint WorldToDevice(double x, double y) const;
    QPointF DeviceToWorld(double x, double y) const { return ToWorld.Map(x, y); }
};
