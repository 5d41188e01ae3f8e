#include "graphics/ZoomScrollArea.h"

#include <QScrollBar>
#include <QWheelEvent>
#include <algorithm>
#include <cmath>

TZoomScrollArea::TZoomScrollArea(QWidget* parent) : QScrollArea(parent)
{
    setWidgetResizable(false);
    setFrameShape(QFrame::NoFrame);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
}

QSize TZoomScrollArea::PictureSize(double zoom) const
{
    const QSize full = viewport()->size();
    QSize v = full;
    // A picture taller than the viewport brings a vertical scroll bar: keep its room.
    QSize base = BaseSize ? BaseSize(v) : v;
    if (base.height() > v.height() && !verticalScrollBar()->isVisible()) {
        v.rwidth() -= verticalScrollBar()->sizeHint().width();
        base = BaseSize ? BaseSize(v) : v;
    }
    base = base.expandedTo(QSize(1, 1));
    const double maxZoom = std::sqrt(MaxArea / (double(base.width()) * base.height()));
    // Below 1 the picture keeps its width and loses height down to the
    // viewport's: the whole picture in view.
    const double least = std::min(1.0, double(std::max(1, full.height())) / base.height());
    zoom = std::clamp(zoom, least, std::max(1.0, maxZoom));
    if (zoom < 1) {
        const int height =
            std::max(full.height(), static_cast<int>(std::lround(base.height() * zoom)));
        return {height <= full.height() ? std::max(base.width(), full.width()) : base.width(),
                height};
    }
    return {static_cast<int>(std::lround(base.width() * zoom)),
            static_cast<int>(std::lround(base.height() * zoom))};
}

void TZoomScrollArea::SetZoom(double zoom, QPoint anchor)
{
    QWidget* picture = widget();
    if (!picture) return;
    const QSize old = picture->size();
    const QPointF at(anchor.x() + horizontalScrollBar()->value(),
                     anchor.y() + verticalScrollBar()->value());
    const QSize base = PictureSize(1);
    const QSize size = PictureSize(zoom);
    ZoomFactor = double(size.height()) / std::max(1, base.height());
    InLayout = true;
    picture->resize(size);
    InLayout = false;
    // The point under the anchor stays there.
    const double fx = old.width() > 0 ? at.x() / old.width() : 0;
    const double fy = old.height() > 0 ? at.y() / old.height() : 0;
    horizontalScrollBar()->setValue(static_cast<int>(std::lround(fx * size.width() - anchor.x())));
    verticalScrollBar()->setValue(static_cast<int>(std::lround(fy * size.height() - anchor.y())));
}

void TZoomScrollArea::Relayout()
{
    if (!widget() || InLayout) return;
    InLayout = true;
    widget()->resize(PictureSize(ZoomFactor));
    InLayout = false;
}

void TZoomScrollArea::wheelEvent(QWheelEvent* e)
{
    if (!(e->modifiers() & Qt::ControlModifier)) {
        QScrollArea::wheelEvent(e);
        return;
    }
    const int steps = e->angleDelta().y();
    if (steps == 0) return;
    // Wheel events reach the area through its viewport, in viewport coordinates.
    const QPoint anchor = e->position().toPoint();
    SetZoom(ZoomFactor * std::pow(1.25, steps / 120.0), anchor);
    e->accept();
}

void TZoomScrollArea::resizeEvent(QResizeEvent* e)
{
    QScrollArea::resizeEvent(e);
    Relayout();
}
