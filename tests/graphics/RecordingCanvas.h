#pragma once
// A canvas that records what is drawn, for tests of the drawing code.
#include "graphics/MeasureCanvas.h"

struct TRecordedLine {
    QPoint From, To;
    TCanvasPen Pen;
};
struct TRecordedText {
    QPoint At;
    QString Text;
    TCanvasFont Font;
    int Align = 0;
};
struct TRecordedShape {
    char Kind;  // 'r' rectangle, 'o' round rect, 'e' ellipse, 'p' polygon, 'f' fill
    TIntRect Rect;
    TCanvasBrush Brush;
};

class TRecordingCanvas : public TMeasureCanvas {
public:
    std::vector<TRecordedLine> Lines;
    std::vector<TRecordedText> Texts;
    std::vector<TRecordedShape> Shapes;

    void LineTo(int x, int y) override
    {
        Lines.push_back({Pos, QPoint(x, y), Pen});
        Pos = QPoint(x, y);
    }
    void Rectangle(const TIntRect& r) override { Shapes.push_back({'r', r, Brush}); }
    void RoundRect(const TIntRect& r, int, int) override { Shapes.push_back({'o', r, Brush}); }
    void Ellipse(const TIntRect& r) override { Shapes.push_back({'e', r, Brush}); }
    void Polygon(const std::vector<QPoint>& pts) override
    {
        TIntRect r{pts[0].x(), pts[0].y(), pts[0].x(), pts[0].y()};
        for (QPoint p : pts) {
            r.Left = std::min(r.Left, p.x());
            r.Right = std::max(r.Right, p.x());
            r.Top = std::min(r.Top, p.y());
            r.Bottom = std::max(r.Bottom, p.y());
        }
        Shapes.push_back({'p', r, Brush});
    }
    void FillRect(const TIntRect& r) override { Shapes.push_back({'f', r, Brush}); }
    void TextOut(int x, int y, const QString& text) override
    {
        Texts.push_back({QPoint(x, y), text, Font, TextAlign});
    }

    const TRecordedText* FindText(const QString& text) const
    {
        for (const auto& t : Texts)
            if (t.Text == text) return &t;
        return nullptr;
    }
};
