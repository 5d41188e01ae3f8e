#include "graphics/EmfCanvas.h"

#include <QFontMetricsF>
#include <cmath>

#include "graphics/PainterCanvas.h"

static std::uint32_t Rgb(const QColor& c) { return c.rgb() & 0xFFFFFF; }
static std::u16string U16(const QString& s)
{
    return std::u16string(reinterpret_cast<const char16_t*>(s.utf16()), s.size());
}

TStatus TEmfCanvas::Begin(int width, int height)
{
    std::string e;
    if (Writer.Begin(
            width, height,
            u"VARNO Classic" + std::u16string(1, u'\0') + u"Tree" + std::u16string(2, u'\0'), e))
        return {};
    return TFailure(QString::fromStdString(e));
}

TResult<QByteArray> TEmfCanvas::End()
{
    std::string e;
    const std::vector<char> bytes = Writer.End(e);
    if (!e.empty()) return TFailure(QString::fromStdString(e));
    return QByteArray(bytes.data(), static_cast<qsizetype>(bytes.size()));
}

void TEmfCanvas::SelectTools(bool withBrush)
{
    if (!(Pen == SelPen)) {
        const int style = Pen.Kind == TPenKind::Clear  ? TEmfWriter::PenNull
                          : Pen.Kind == TPenKind::Dash ? TEmfWriter::PenDash
                          : Pen.Kind == TPenKind::Dot  ? TEmfWriter::PenDot
                                                       : TEmfWriter::PenSolid;
        Writer.SetPen(Rgb(Pen.Color), Pen.Width, style);
        SelPen = Pen;
    }
    if (withBrush && !(Brush == SelBrush)) {
        Writer.SetBrush(Rgb(Brush.Color), Brush.Clear);
        SelBrush = Brush;
    }
}

void TEmfCanvas::MoveTo(int x, int y)
{
    TCanvas::MoveTo(x, y);
    Writer.MoveTo(x, y);
}

void TEmfCanvas::LineTo(int x, int y)
{
    SelectTools(false);
    Writer.LineTo(x, y);
    Pos = QPoint(x, y);
}

void TEmfCanvas::Rectangle(const TIntRect& r)
{
    SelectTools(true);
    Writer.Rectangle(r.Left, r.Top, r.Right, r.Bottom);
}

void TEmfCanvas::RoundRect(const TIntRect& r, int cornerW, int cornerH)
{
    // No rounded rectangle in the library: a polygon with quarter-circle corners.
    const double rx = std::min(cornerW / 2.0, r.Width() / 2.0),
                 ry = std::min(cornerH / 2.0, r.Height() / 2.0);
    const double cx[4] = {r.Right - rx, r.Left + rx, r.Left + rx, r.Right - rx};
    const double cy[4] = {r.Top + ry, r.Top + ry, r.Bottom - ry, r.Bottom - ry};
    std::vector<QPoint> points;
    constexpr int steps = 12;
    for (int corner = 0; corner < 4; ++corner)
        for (int i = 0; i <= steps; ++i) {
            const double a = (corner * 90.0 + i * 90.0 / steps) * M_PI / 180.0;
            points.emplace_back(qRound(cx[corner] + rx * std::cos(a)),
                                qRound(cy[corner] - ry * std::sin(a)));
        }
    Polygon(points);
}

void TEmfCanvas::Ellipse(const TIntRect& r)
{
    SelectTools(true);
    Writer.Ellipse(r.Left, r.Top, r.Right, r.Bottom);
}

void TEmfCanvas::Polygon(const std::vector<QPoint>& points)
{
    SelectTools(true);
    std::vector<int> xy;
    for (QPoint p : points) xy.insert(xy.end(), {p.x(), p.y()});
    Writer.Polygon(xy);
}

void TEmfCanvas::FillRect(const TIntRect& r)
{
    if (Brush.Clear) return;
    const TCanvasPen keep = Pen;
    Pen.Kind = TPenKind::Clear;
    SelectTools(true);
    Writer.Rectangle(r.Left, r.Top, r.Right + 1, r.Bottom + 1);
    Pen = keep;
}

void TEmfCanvas::TextOut(int x, int y, const QString& text)
{
    if (!FontSelected || !(Font == SelFont)) {
        Writer.SetFont(U16(Font.Face), Font.Height, Font.Weight, Font.Italic,
                       qRound(Font.AngleDegrees * 10));
        SelFont = Font;
        FontSelected = true;
    }
    if (Font.Color != SelTextColor) {
        Writer.SetTextColor(Rgb(Font.Color));
        SelTextColor = Font.Color;
    }
    if (TextAlign != SelAlign) {
        Writer.SetTextAlign(static_cast<unsigned>(TextAlign));
        SelAlign = TextAlign;
    }
    Writer.WriteText(x, y, U16(text));
    Pos = QPoint(x, y);
}

int TEmfCanvas::TextWidth(const QString& text)
{
    return qRound(QFontMetricsF(CanvasQFont(Font)).horizontalAdvance(text));
}

int TEmfCanvas::TextHeight(const QString&)
{
    return qRound(QFontMetricsF(CanvasQFont(Font)).height());
}

// Only clipping would need the saved states, and there is none here; leaving
// them out also keeps restored states from naming freed pens and brushes.
void TEmfCanvas::Save() {}
void TEmfCanvas::Restore() {}
