#pragma once
// A paint box for a drawing page: paints through a handler and hands the
// mouse to the page (markers, information box, drag rectangle).
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

protected:
    void paintEvent(QPaintEvent*) override;
    void mousePressEvent(QMouseEvent* e) override;
    void mouseMoveEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;
};
