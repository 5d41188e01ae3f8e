#include "graphics/GrfPaintBox.h"

#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>

TGrfPaintBox::TGrfPaintBox(QWidget* parent) : QWidget(parent)
{
    // The handler paints every pixel; no need to clear first.
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void TGrfPaintBox::paintEvent(QPaintEvent* e)
{
    QPainter painter(this);
    if (!Frozen.isNull()) {
        painter.fillRect(e->rect(), palette().window());
        painter.drawPixmap(FrozenAt, Frozen);
    } else if (OnPaint)
        OnPaint(painter);
}

static TGrfMouse ToGrfMouse(const QMouseEvent* e)
{
    TGrfMouse m;
    const QPoint p = e->position().toPoint();
    m.X = p.x();
    m.Y = p.y();
    // A move carries no button of its own: report the held one.
    const Qt::MouseButton b = e->button() != Qt::NoButton        ? e->button()
                              : (e->buttons() & Qt::LeftButton)  ? Qt::LeftButton
                              : (e->buttons() & Qt::RightButton) ? Qt::RightButton
                                                                 : Qt::MiddleButton;
    m.Button = b == Qt::LeftButton    ? TMouseButton::Left
               : b == Qt::RightButton ? TMouseButton::Right
                                      : TMouseButton::Middle;
    return m;
}

void TGrfPaintBox::mousePressEvent(QMouseEvent* e)
{
    if (Page) Page->MouseDown(ToGrfMouse(e));
}

void TGrfPaintBox::mouseMoveEvent(QMouseEvent* e)
{
    if (Page) Page->MouseMove(ToGrfMouse(e));
}

void TGrfPaintBox::mouseReleaseEvent(QMouseEvent* e)
{
    if (Page) Page->MouseUp(ToGrfMouse(e));
}
