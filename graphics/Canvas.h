#pragma once
// One drawing surface interface for every output of the drawing layer.
//
// The drawing code (panels, styles, markers, the tree) is written once against
// TCanvas. Back ends: TPainterCanvas (QPainter: screen, QImage, SVG, PDF,
// printer) and the enhanced metafile canvas of EmfCanvas.h. The canvas keeps
// the selected pen, brush, font and text alignment like a device context;
// coordinates are device pixels, rectangles are (left, top, right, bottom).
#include <QColor>
#include <QImage>
#include <QPoint>
#include <QString>
#include <vector>

// Device rectangle with right/bottom edges as coordinates (width = Right - Left).
struct TIntRect {
    int Left = 0, Top = 0, Right = 0, Bottom = 0;
    int Width() const { return Right - Left; }
    int Height() const { return Bottom - Top; }
    bool Contains(int x, int y) const { return x >= Left && x <= Right && y >= Top && y <= Bottom; }
    TIntRect Inflated(int d) const { return {Left - d, Top - d, Right + d, Bottom + d}; }
    bool operator==(const TIntRect&) const = default;
};

// Text alignment bits: horizontal and vertical anchor of TextOut's point.
enum : int {
    TA_LEFT_ = 0,
    TA_RIGHT_ = 2,
    TA_CENTER_ = 6,  // horizontal (mask 6)
    TA_TOP_ = 0,
    TA_BOTTOM_ = 8,
    TA_BASELINE_ = 24  // vertical (mask 24)
};

enum class TPenKind { Solid, Dash, Dot, Clear };

struct TCanvasPen {
    QColor Color = Qt::black;
    int Width = 1;  // pixels; 0 is the thinnest line
    TPenKind Kind = TPenKind::Solid;
    bool operator==(const TCanvasPen&) const = default;
};

struct TCanvasBrush {
    QColor Color = Qt::white;
    bool Clear = false;  // a clear brush fills nothing
    bool operator==(const TCanvasBrush&) const = default;
};

struct TCanvasFont {
    QString Face = QStringLiteral("Arial");
    int Height = 13;  // pixels
    int Weight = 400;
    bool Italic = false;
    double AngleDegrees = 0;  // counter-clockwise
    QColor Color = Qt::black;
    bool operator==(const TCanvasFont&) const = default;
};

enum class TClipShape { Rectangle, RoundRect, Ellipse };

class TCanvas {
public:
    virtual ~TCanvas() = default;

    // Selected tools, read by the back ends when drawing.
    TCanvasPen Pen;
    TCanvasBrush Brush;
    TCanvasFont Font;
    int TextAlign = 0;

    virtual void MoveTo(int x, int y) { Pos = QPoint(x, y); }
    virtual void LineTo(int x, int y) = 0;
    // Filled with the brush, outlined with the pen.
    virtual void Rectangle(const TIntRect& r) = 0;
    virtual void RoundRect(const TIntRect& r, int cornerW, int cornerH) = 0;
    virtual void Ellipse(const TIntRect& r) = 0;
    virtual void Polygon(const std::vector<QPoint>& points) = 0;
    // Brush only, no outline.
    virtual void FillRect(const TIntRect& r) = 0;
    virtual void TextOut(int x, int y, const QString& text) = 0;
    virtual int TextWidth(const QString& text) = 0;
    virtual int TextHeight(const QString& text) = 0;
    // Clipping intersects with the current clip region; Save/Restore nest.
    virtual void Save() = 0;
    virtual void Restore() = 0;
    virtual void ClipTo(TClipShape shape, const TIntRect& r, int corner = 0) = 0;
    // A raster copy; a vector back end may approximate or skip it.
    virtual void DrawImage(int x, int y, const QImage& image) = 0;

    QPoint PenPos() const { return Pos; }

protected:
    QPoint Pos;
};
