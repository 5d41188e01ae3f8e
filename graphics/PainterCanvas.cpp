#include "graphics/PainterCanvas.h"

#include <QFontMetrics>
#include <QPainter>
#include <QPainterPath>
#include <algorithm>

QFont CanvasQFont(const TCanvasFont& f)
{
    QFont font(f.Face);
    font.setPixelSize(std::max(1, f.Height));
    font.setWeight(static_cast<QFont::Weight>(std::clamp(f.Weight, 100, 900)));
    font.setItalic(f.Italic);
    // Metrics must not depend on the output device's resolution.
    font.setHintingPreference(QFont::PreferNoHinting);
    return font;
}

TPainterCanvas::TPainterCanvas(QPainter& painter) : P(painter) {}

void TPainterCanvas::SelectPen()
{
    if (Pen.Kind == TPenKind::Clear) {
        P.setPen(Qt::NoPen);
        return;
    }
    QPen pen(Pen.Color);
    pen.setWidth(std::max(0, Pen.Width));
    pen.setStyle(Pen.Kind == TPenKind::Dash  ? Qt::DashLine
                 : Pen.Kind == TPenKind::Dot ? Qt::DotLine
                                             : Qt::SolidLine);
    pen.setCapStyle(Qt::FlatCap);
    pen.setJoinStyle(Qt::MiterJoin);
    P.setPen(pen);
}

void TPainterCanvas::SelectBrush()
{
    P.setBrush(Brush.Clear ? QBrush(Qt::NoBrush) : QBrush(Brush.Color));
}

void TPainterCanvas::SelectFont() { P.setFont(CanvasQFont(Font)); }

void TPainterCanvas::LineTo(int x, int y)
{
    SelectPen();
    if (Pen.Kind != TPenKind::Clear) {
        // Square caps on thick solid lines close the corners of the tree's elbows.
        if (Pen.Width > 1 && Pen.Kind == TPenKind::Solid) {
            QPen pen = P.pen();
            pen.setCapStyle(Qt::SquareCap);
            P.setPen(pen);
        }
        P.drawLine(Pos, QPoint(x, y));
    }
    Pos = QPoint(x, y);
}

static QRectF Box(const TIntRect& r) { return QRectF(r.Left, r.Top, r.Width(), r.Height()); }

void TPainterCanvas::Rectangle(const TIntRect& r)
{
    SelectPen();
    SelectBrush();
    P.drawRect(Box(r));
}

void TPainterCanvas::RoundRect(const TIntRect& r, int cornerW, int cornerH)
{
    SelectPen();
    SelectBrush();
    P.drawRoundedRect(Box(r), cornerW / 2.0, cornerH / 2.0);
}

void TPainterCanvas::Ellipse(const TIntRect& r)
{
    SelectPen();
    SelectBrush();
    P.drawEllipse(Box(r));
}

void TPainterCanvas::Polygon(const std::vector<QPoint>& points)
{
    SelectPen();
    SelectBrush();
    P.drawPolygon(points.data(), static_cast<int>(points.size()));
}

void TPainterCanvas::FillRect(const TIntRect& r)
{
    if (!Brush.Clear) P.fillRect(Box(r), Brush.Color);
}

void TPainterCanvas::TextOut(int x, int y, const QString& text)
{
    SelectFont();
    const QFontMetricsF fm(P.font());
    const double w = fm.horizontalAdvance(text);
    double dx = 0, dy = fm.ascent();  // top-left anchor: baseline one ascent down
    if ((TextAlign & 6) == TA_CENTER_)
        dx = -w / 2;
    else if ((TextAlign & 6) == TA_RIGHT_)
        dx = -w;
    if ((TextAlign & 24) == TA_BASELINE_)
        dy = 0;
    else if ((TextAlign & 24) == TA_BOTTOM_)
        dy = -fm.descent();
    P.save();
    P.setPen(Font.Color);
    P.translate(x, y);
    if (Font.AngleDegrees != 0) P.rotate(-Font.AngleDegrees);
    P.drawText(QPointF(dx, dy), text);
    P.restore();
    Pos = QPoint(x, y);
}

int TPainterCanvas::TextWidth(const QString& text)
{
    return qRound(QFontMetricsF(CanvasQFont(Font)).horizontalAdvance(text));
}

int TPainterCanvas::TextHeight(const QString& text)
{
    return qRound(QFontMetricsF(CanvasQFont(Font)).height());
}

void TPainterCanvas::Save() { P.save(); }
void TPainterCanvas::Restore() { P.restore(); }

void TPainterCanvas::ClipTo(TClipShape shape, const TIntRect& r, int corner)
{
    QPainterPath path;
    switch (shape) {
        case TClipShape::Rectangle:
            path.addRect(Box(r).adjusted(0, 0, 1, 1));
            break;
        case TClipShape::RoundRect:
            path.addRoundedRect(Box(r).adjusted(0, 0, 1, 1), corner / 2.0, corner / 2.0);
            break;
        case TClipShape::Ellipse:
            path.addEllipse(Box(r).adjusted(0, 0, 1, 1));
            break;
    }
    P.setClipPath(path, P.hasClipping() ? Qt::IntersectClip : Qt::ReplaceClip);
}

void TPainterCanvas::DrawImage(int x, int y, const QImage& image)
{
    P.drawImage(QPoint(x, y), image);
}
