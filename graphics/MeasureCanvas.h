#pragma once
// A canvas that draws nothing and answers text sizes as the painter canvases
// do (screen fonts). Laying a page out measures on it; test canvases that
// record what is drawn derive from it, so they measure as the product does.
//
//   TMeasureCanvas canvas;
//   const TPanelLayouts layouts = page.LayOut(canvas, rect);
#include <QFontMetricsF>

#include "graphics/PainterCanvas.h"

class TMeasureCanvas : public TCanvas {
public:
    void LineTo(int x, int y) override { Pos = QPoint(x, y); }
    void Rectangle(const TIntRect&) override {}
    void RoundRect(const TIntRect&, int, int) override {}
    void Ellipse(const TIntRect&) override {}
    void Polygon(const std::vector<QPoint>&) override {}
    void FillRect(const TIntRect&) override {}
    void TextOut(int, int, const QString&) override {}
    int TextWidth(const QString& text) override
    {
        return qRound(QFontMetricsF(CanvasQFont(Font)).horizontalAdvance(text));
    }
    int TextHeight(const QString&) override
    {
        return qRound(QFontMetricsF(CanvasQFont(Font)).height());
    }
    void Save() override {}
    void Restore() override {}
    void ClipTo(TClipShape, const TIntRect&, int) override {}
    void DrawImage(int, int, const QImage&) override {}
};
