#pragma once
// Where the title and the rule below it lie in a rendered page: the page drawn
// once with a title and once without tells the title's pixels from the rule's.
#include <QImage>
#include <algorithm>

struct TTitleRows {
    int TextBottom = -1;  // lowest row with a pixel of the title (-1: none)
    int RuleTop = -1;     // first row that is dark across most of the page (-1: none)
};

inline bool IsDarkPixel(QRgb p) { return qGray(p) < 128; }

inline TTitleRows FindTitleRows(const QImage& withTitle, const QImage& withoutTitle)
{
    TTitleRows rows;
    const int w = withoutTitle.width(), h = withoutTitle.height() / 3;
    for (int y = 0; y < h && rows.RuleTop < 0; ++y) {
        int dark = 0;
        for (int x = 0; x < w; ++x) dark += IsDarkPixel(withoutTitle.pixel(x, y));
        if (dark > 0.9 * w) rows.RuleTop = y;
    }
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            if (withTitle.pixel(x, y) != withoutTitle.pixel(x, y))
                rows.TextBottom = std::max(rows.TextBottom, y);
    return rows;
}
