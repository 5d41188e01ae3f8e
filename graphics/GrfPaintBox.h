#pragma once
// A paint box for a drawing page: paints through a handler and hands the
// mouse to the page (markers, information box, drag rectangle).
#include <QPixmap>
#include <QWidget>
#include <functional>

#include "graphics/Grafik.h"

class TGrfPaintBox : public QWidget, public TGrfHost {
public:
    explicit TGrfPaintBox(QWidget* parent = nullptr);

    // The page that receives the mouse; none leaves the mouse unused.
    TGrafik* Page = nullptr;
    std::function<void(QPainter&)> OnPaint;

    void RequestRepaint() override { update(); }

    // While another window borrows the page (the export preview), the box
    // keeps showing its last picture instead of the page's borrowed settings:
    // the part in view, as a picture zoomed in may be far larger than memory.
    void Freeze()
    {
        const QRect seen = visibleRegion().boundingRect();
        FrozenAt = seen.isEmpty() ? QPoint() : seen.topLeft();
        Frozen = grab(seen.isEmpty() ? QRect(0, 0, 1, 1) : seen);
    }
    void Thaw()
    {
        Frozen = QPixmap();
        update();
    }
    bool IsFrozen() const { return !Frozen.isNull(); }

protected:
    void paintEvent(QPaintEvent*) override;
    void mousePressEvent(QMouseEvent* e) override;
    void mouseMoveEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;

private:
    QPixmap Frozen;
    QPoint FrozenAt;
};
