#pragma once
// TCanvas writing an enhanced metafile. Text is measured with the same fonts
// as on screen. The metafile library offers no clipping, so clip requests are
// ignored (the drawing stays inside its panels anyway) and raster copies are
// left out.
#include "data/Result.h"
#include "graphics/Canvas.h"
#include "graphics/EmfWriter.h"

class TEmfCanvas : public TCanvas {
public:
    TEmfCanvas() = default;
    TStatus Begin(int width, int height);
    TResult<QByteArray> End();

    void MoveTo(int x, int y) override;
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
    void ClipTo(TClipShape, const TIntRect&, int) override {}
    void DrawImage(int, int, const QImage&) override {}

private:
    void SelectTools(bool withBrush);
    TEmfWriter Writer;
    // What the metafile has selected, to write each change once.
    TCanvasPen SelPen{QColor(1, 2, 3), -1, TPenKind::Solid};
    TCanvasBrush SelBrush{QColor(1, 2, 3), false};
    TCanvasFont SelFont;
    bool FontSelected = false;
    int SelAlign = -1;
    QColor SelTextColor;
};
