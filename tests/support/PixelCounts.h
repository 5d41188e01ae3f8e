#pragma once
// Counting pixels of a picture, to tell that something was drawn where expected.
#include <QImage>
#include <QRect>

// Pixels darker than mid grey inside area.
inline int CountDark(const QImage& image, const QRect& area)
{
    int n = 0;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x) n += qGray(image.pixel(x, y)) < 100;
    return n;
}

// Pixels of exactly colour (alpha ignored) inside area, or in the whole picture.
inline int CountColour(const QImage& image, const QRect& area, QRgb colour)
{
    int n = 0;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            n += (image.pixel(x, y) & 0xFFFFFF) == (colour & 0xFFFFFF);
    return n;
}
inline int CountColour(const QImage& image, QRgb colour)
{
    return CountColour(image, image.rect(), colour);
}
