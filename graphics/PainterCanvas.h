#pragma once
// TCanvas on a QPainter: screen widgets, QImage, SVG, PDF and printer.
#include "graphics/Canvas.h"

class QPainter;
class QFont;

class TPainterCanvas : public TCanvas {
public:
    explicit TPainterCanvas(QPainter& painter);

    void LineTo(int x, int y) override;
    void Rectangle(const TIntRect& r) override;
    void RoundRect(const TIntRect& r, int cornerW, int cornerH) override;
    void Ellipse(const TIntRect& r) override;
    void Polygon(const std::vector<QPoint>& points) override;
    void FillRect(const TIntRect& r) override;
    void TextOut(int x, int y, const QString& text) override;
    int TextWidth(const QString& text) override;
    int TextHeight(const QString& text) override;
    void Save() override;
    void Restore() override;
    void ClipTo(TClipShape shape, const TIntRect& r, int corner) override;
    void DrawImage(int x, int y, const QImage& image) override;

    QPainter& Painter() { return P; }

private:
    void SelectPen();
    void SelectBrush();
    void SelectFont();
    QPainter& P;
};

// The QFont a canvas font stands for; shared with back ends that only measure.
QFont CanvasQFont(const TCanvasFont& f);
